#include "vstgui/platform/x11.h"

#include "vstgui/platform/x11_library.h"
#include "vstgui/platform/x11_xdnd.h"

#include <X11/cursorfont.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

namespace VSTGUI {
namespace platform {

namespace x11 {

// The backend's own connection to the display named by $DISPLAY, open while
// any of its windows exists.
class Connection
{
public:
    static std::unique_ptr<Connection> open()
    {
        const Xlib* x = xlib();
        Display* display = x ? x->XOpenDisplay(nullptr) : nullptr;
        return display ? std::unique_ptr<Connection>(new Connection(*x, display)) : nullptr;
    }

    ~Connection()
    {
        {
            ErrorTrap trap(x, display);
            for (Cursor cursor : cursors)
                if (cursor)
                    x.XFreeCursor(display, cursor);
        }
        x.XCloseDisplay(display);
    }

    Cursor cursor(CursorShape shape)
    {
        static const unsigned int kGlyphs[] = {XC_watch,          XC_sb_h_double_arrow,   XC_sb_v_double_arrow,
                                               XC_fleur,          XC_bottom_left_corner,  XC_bottom_right_corner,
                                               XC_X_cursor,       XC_hand2};
        Cursor& cursor = cursors[static_cast<int>(shape)];
        if (!cursor)
        {
            ErrorTrap trap(x, display);
            cursor = x.XCreateFontCursor(display, kGlyphs[static_cast<int>(shape)]);
        }
        return cursor;
    }

    int liveCursors() const
    {
        int live = 0;
        for (Cursor cursor : cursors)
            live += cursor != 0;
        return live;
    }

    // Shows the part `area` of pixels (0x00RRGGBB) in window, converting to the
    // server's visual; answers the bytes of pixels sent.
    uint64_t present(::Window window, GC gc, const Pixels& pixels, CRect area)
    {
        area.bound(pixels.bounds());
        if (area.isEmpty())
            return 0;
        const uint32_t probe = 1;
        const bool littleEndian = *reinterpret_cast<const unsigned char*>(&probe) == 1;
        ErrorTrap trap(x, display);
        XImage* image = x.XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                       static_cast<unsigned>(pixels.width), static_cast<unsigned>(pixels.height), 32, 0);
        if (!image)
            return 0;
        std::vector<uint32_t> converted;
        if (image->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
            visual->blue_mask == 0xFF && image->bytes_per_line == pixels.width * 4)
        {
            image->data = const_cast<char*>(reinterpret_cast<const char*>(pixels.data.data()));
            image->byte_order = littleEndian ? LSBFirst : MSBFirst;
        }
        else
        {
            converted.resize((static_cast<size_t>(image->bytes_per_line) * pixels.height + 3) / 4);
            image->data = reinterpret_cast<char*>(converted.data());
            for (int32_t y = 0; y < pixels.height; ++y)
                for (int32_t xx = 0; xx < pixels.width; ++xx)
                    XPutPixel(image, xx, y, toVisual(pixels.at(xx, y)));
        }
        x.XPutImage(display, window, gc, image, area.left, area.top, area.left, area.top,
                    static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
        const uint64_t sent = static_cast<uint64_t>(area.width()) * static_cast<uint64_t>(area.height()) *
                              static_cast<uint64_t>(image->bits_per_pixel / 8);
        image->data = nullptr;  // the pixels belong to the caller
        XDestroyImage(image);
        return sent;
    }

    const Xlib& x;
    Display* display;
    ::Window root;
    Visual* visual;
    int depth;
    Colormap colormap;
    XdndReceiver xdnd;

private:
    Connection(const Xlib& x, Display* display)
        : x(x), display(display), root(DefaultRootWindow(display)), visual(DefaultVisual(display, DefaultScreen(display))),
          depth(DefaultDepth(display, DefaultScreen(display))), colormap(DefaultColormap(display, DefaultScreen(display))),
          xdnd(x, display)
    {
    }

    static unsigned channel(uint32_t value, unsigned long mask)
    {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        int bits = 0;
        while ((mask >> (shift + bits)) & 1)
            ++bits;
        return static_cast<unsigned>((value >> (8 - (bits < 8 ? bits : 8))) << shift) & mask;
    }

    unsigned long toVisual(uint32_t rgb) const
    {
        return channel((rgb >> 16) & 0xFF, visual->red_mask) | channel((rgb >> 8) & 0xFF, visual->green_mask) |
               channel(rgb & 0xFF, visual->blue_mask);
    }

    Cursor cursors[8] = {};
};

} // namespace x11

using x11::ErrorTrap;

struct X11Platform::Window
{
    ::Window id = 0;
    WindowRef raster = nullptr;  // the rasterizer's window holding the pixels
    GC gc = nullptr;
    WindowListener* listener = nullptr;
    DropListener* drop = nullptr;
    bool alive = true;  // false once the server destroyed it with its parent
};

namespace {

::Window xid(WindowRef window) { return static_cast<::Window>(reinterpret_cast<uintptr_t>(window)); }

WindowRef ref(::Window window) { return reinterpret_cast<WindowRef>(static_cast<uintptr_t>(window)); }

void unite(CRect& into, const CRect& rect)
{
    into = CRect(std::min(into.left, rect.left), std::min(into.top, rect.top), std::max(into.right, rect.right),
                 std::max(into.bottom, rect.bottom));
}

int32_t buttonsOf(unsigned int state)
{
    int32_t buttons = 0;
    if (state & Button1Mask)
        buttons |= kLeftButton;
    if (state & Button2Mask)
        buttons |= kMiddleButton;
    if (state & Button3Mask)
        buttons |= kRightButton;
    if (state & ShiftMask)
        buttons |= kShiftKey;
    if (state & ControlMask)
        buttons |= kControlKey;
    if (state & Mod1Mask)
        buttons |= kAltKey;
    return buttons;
}

} // namespace

X11Platform::X11Platform() = default;

X11Platform::~X11Platform() = default;

X11Platform::Counters X11Platform::counters() const
{
    Counters c;
    c.connected = connection != nullptr;
    c.liveWindows = static_cast<int>(windows.size());
    for (const auto& entry : windows)
    {
        c.liveGraphicsContexts += entry.second->gc != nullptr;
        c.liveDropTargets += entry.second->drop != nullptr;
    }
    c.liveCursors = connection ? connection->liveCursors() : 0;
    c.exposuresPainted = exposuresPainted;
    c.requestsSent = connection ? connection->x.XNextRequest(connection->display) - 1 : 0;
    c.pixelBytesSent = pixelBytesSent;
    return c;
}

int X11Platform::connectionFd() const { return connection ? ConnectionNumber(connection->display) : -1; }

bool X11Platform::eventsQueued() const
{
    return connection && connection->x.XEventsQueued(connection->display, QueuedAlready) > 0;
}

X11Platform::Window* X11Platform::find(WindowRef window) const
{
    auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second.get();
}

// ---------------------------------------------------------------- drawing, done by the rasterizer

Surface* X11Platform::acquireWindowSurface(WindowRef window)
{
    const Window* w = find(window);
    return w ? raster.acquireWindowSurface(w->raster) : nullptr;
}

void X11Platform::releaseWindowSurface(WindowRef window, Surface* surface)
{
    const Window* w = find(window);
    if (!w)
        return;
    // Only what was drawn goes to the server.
    const std::vector<CRect> drawn = SoftPlatform::surfaceDamage(surface);
    raster.releaseWindowSurface(w->raster, surface);
    if (w->alive && connection)
        for (const CRect& area : drawn)
            pixelBytesSent += connection->present(w->id, w->gc, *raster.windowPixels(w->raster), area);
}

Surface* X11Platform::createMemorySurface(WindowRef, int32_t width, int32_t height)
{
    return raster.createMemorySurface(nullptr, width, height);
}

void X11Platform::destroyMemorySurface(Surface* surface) { raster.destroyMemorySurface(surface); }

Object* X11Platform::createPen(PenStyle style, int32_t width, CColor colour)
{
    return raster.createPen(style, width, colour);
}

Object* X11Platform::createSolidBrush(CColor colour) { return raster.createSolidBrush(colour); }

Object* X11Platform::createFont(const FontDescription& description) { return raster.createFont(description); }

Object* X11Platform::selectObject(Surface* surface, Object* object) { return raster.selectObject(surface, object); }

Object* X11Platform::currentObject(Surface* surface, ObjectKind kind) { return raster.currentObject(surface, kind); }

void X11Platform::destroyObject(Object* object) { raster.destroyObject(object); }

void X11Platform::prepareSurface(Surface* surface) { raster.prepareSurface(surface); }

void X11Platform::setBackgroundColour(Surface* surface, CColor colour) { raster.setBackgroundColour(surface, colour); }

void X11Platform::setTextColour(Surface* surface, CColor colour) { raster.setTextColour(surface, colour); }

void X11Platform::setClip(Surface* surface, const CRect& clip) { raster.setClip(surface, clip); }

void X11Platform::outlineRect(Surface* surface, const CRect& rect) { raster.outlineRect(surface, rect); }

void X11Platform::fillRect(Surface* surface, const CRect& rect, Object* brush) { raster.fillRect(surface, rect, brush); }

void X11Platform::copy(Surface* target, const CRect& dest, Surface* source, CPoint sourceOrigin)
{
    raster.copy(target, dest, source, sourceOrigin);
}

Image* X11Platform::loadImage(int32_t resourceId) { return raster.loadImage(resourceId); }

bool X11Platform::imageSize(Image* image, int32_t& width, int32_t& height)
{
    return raster.imageSize(image, width, height);
}

void X11Platform::destroyImage(Image* image) { raster.destroyImage(image); }

void X11Platform::drawImage(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin)
{
    raster.drawImage(target, dest, image, sourceOrigin);
}

void X11Platform::drawImageKeyed(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin, CColor key)
{
    raster.drawImageKeyed(target, dest, image, sourceOrigin, key);
}

void X11Platform::drawImageBlended(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin,
                                   uint8_t alpha)
{
    raster.drawImageBlended(target, dest, image, sourceOrigin, alpha);
}

// ---------------------------------------------------------------- classes and windows

void X11Platform::registerWindowClass(const char* className)
{
    if (className)
        windowClasses.insert(className);
}

void X11Platform::unregisterWindowClass(const char* className)
{
    if (className)
        windowClasses.erase(className);
}

bool X11Platform::isWindowClassRegistered(const char* className)
{
    return className && windowClasses.count(className) != 0;
}

WindowRef X11Platform::createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                         WindowListener* listener)
{
    if (!parent || width <= 0 || height <= 0 || !isWindowClassRegistered(className))
        return nullptr;
    if (!connection)
        connection = x11::Connection::open();
    if (!connection)
        return nullptr;
    const x11::Xlib& x = connection->x;
    Display* display = connection->display;
    auto window = std::make_unique<Window>();
    bool refused = false;
    {
        ErrorTrap trap(x, display);
        XSetWindowAttributes attributes = {};
        attributes.background_pixmap = None;  // no flash of a background before the first paint
        attributes.border_pixel = 0;
        attributes.colormap = connection->colormap;
        attributes.event_mask = ExposureMask | ButtonPressMask | StructureNotifyMask;
        window->id = x.XCreateWindow(display, xid(parent), 0, 0, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, connection->depth, InputOutput,
                                     connection->visual, CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                                     &attributes);
        // A parent that is no window of this display refuses the child.
        refused = trap.failed();
        if (refused)
            x.XDestroyWindow(display, window->id);
    }
    if (refused)
    {
        closeIfUnused();
        return nullptr;
    }
    {
        ErrorTrap trap(x, display);
        std::string name = className;
        XClassHint hint = {&name[0], &name[0]};
        x.XSetClassHint(display, window->id, &hint);
        window->gc = x.XCreateGC(display, window->id, 0, nullptr);
        if (cursorNow)
            x.XDefineCursor(display, window->id, static_cast<Cursor>(reinterpret_cast<uintptr_t>(cursorNow)));
        x.XMapWindow(display, window->id);
    }
    window->raster = raster.createWindow(CRect(0, 0, width, height));
    window->listener = listener;
    const WindowRef handle = ref(window->id);
    windows[handle] = std::move(window);
    return handle;
}

void X11Platform::detachWindow(WindowRef window)
{
    if (Window* w = find(window))
        w->listener = nullptr;
}

void X11Platform::destroyWindow(WindowRef window)
{
    Window* w = find(window);
    if (!w)
        return;
    {
        ErrorTrap trap(connection->x, connection->display);
        if (w->drop)
            connection->xdnd.withdraw(w->id);
        if (w->alive)
            connection->x.XDestroyWindow(connection->display, w->id);
        connection->x.XFreeGC(connection->display, w->gc);
    }
    raster.destroyWindow(w->raster);
    windows.erase(window);
    closeIfUnused();
}

void X11Platform::closeIfUnused()
{
    // Never from inside the event loop below, which still reads the connection.
    if (windows.empty() && !dispatching)
        connection.reset();
}

WindowRef X11Platform::parentWindow(WindowRef window)
{
    if (!connection || !window)
        return nullptr;
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    ErrorTrap trap(connection->x, connection->display);
    const Status ok = connection->x.XQueryTree(connection->display, xid(window), &root, &parent, &children, &count);
    if (children)
        connection->x.XFree(children);
    return ok && !trap.failed() && parent != root ? ref(parent) : nullptr;
}

bool X11Platform::windowScreenRect(WindowRef window, CRect& out)
{
    const Window* own = find(window);
    if (!connection || !window || (own && !own->alive))
        return false;
    const x11::Xlib& x = connection->x;
    ErrorTrap trap(x, connection->display);
    XWindowAttributes attributes;
    int left = 0, top = 0;
    ::Window child = 0;
    if (!x.XGetWindowAttributes(connection->display, xid(window), &attributes) ||
        !x.XTranslateCoordinates(connection->display, xid(window), connection->root, 0, 0, &left, &top, &child) ||
        trap.failed())
        return false;
    out = CRect(left, top, left + attributes.width, top + attributes.height);
    return true;
}

CPoint X11Platform::screenToClient(WindowRef window, CPoint screen)
{
    if (!connection || !window)
        return screen;
    int x = 0, y = 0;
    ::Window child = 0;
    ErrorTrap trap(connection->x, connection->display);
    if (!connection->x.XTranslateCoordinates(connection->display, connection->root, xid(window), screen.x, screen.y,
                                             &x, &y, &child) ||
        trap.failed())
        return screen;
    return CPoint(x, y);
}

bool X11Platform::windowClassName(WindowRef window, char* name, int32_t size)
{
    if (!connection || !window || !name || size < 1)
        return false;
    name[0] = '\0';
    XClassHint hint = {nullptr, nullptr};
    ErrorTrap trap(connection->x, connection->display);
    if (connection->x.XGetClassHint(connection->display, xid(window), &hint) && hint.res_class)
    {
        std::strncpy(name, hint.res_class, static_cast<size_t>(size - 1));
        name[size - 1] = '\0';
    }
    if (hint.res_name)
        connection->x.XFree(hint.res_name);
    if (hint.res_class)
        connection->x.XFree(hint.res_class);
    return !trap.failed();
}

void X11Platform::setWindowSize(WindowRef window, int32_t width, int32_t height)
{
    if (!connection || !window || width <= 0 || height <= 0)
        return;
    {
        ErrorTrap trap(connection->x, connection->display);
        connection->x.XResizeWindow(connection->display, xid(window), static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
        connection->x.XRaiseWindow(connection->display, xid(window));
    }
    if (const Window* w = find(window))
        raster.moveWindow(w->raster, CRect(0, 0, width, height));
}

// ---------------------------------------------------------------- input, cursors, time

CPoint X11Platform::cursorScreenPosition()
{
    if (!connection)
        return CPoint();
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    ErrorTrap trap(connection->x, connection->display);
    connection->x.XQueryPointer(connection->display, connection->root, &root, &child, &rootX, &rootY, &x, &y, &mask);
    return CPoint(rootX, rootY);
}

int32_t X11Platform::physicalButtonState()
{
    if (pressPending)
    {
        pressPending = false;
        return pressState;
    }
    if (!connection)
        return 0;
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    ErrorTrap trap(connection->x, connection->display);
    if (!connection->x.XQueryPointer(connection->display, connection->root, &root, &child, &rootX, &rootY, &x, &y,
                                     &mask))
        return 0;
    return buttonsOf(mask);
}

void X11Platform::setCursor(CursorRef cursor)
{
    cursorNow = cursor;
    if (!connection)
        return;
    ErrorTrap trap(connection->x, connection->display);
    for (const auto& entry : windows)
    {
        if (!entry.second->alive)
            continue;
        if (cursor)
            connection->x.XDefineCursor(connection->display, entry.second->id,
                                        static_cast<Cursor>(reinterpret_cast<uintptr_t>(cursor)));
        else
            connection->x.XUndefineCursor(connection->display, entry.second->id);
    }
}

CursorRef X11Platform::systemCursor(CursorShape shape)
{
    if (!connection)
        return nullptr;
    return reinterpret_cast<CursorRef>(static_cast<uintptr_t>(connection->cursor(shape)));
}

uint32_t X11Platform::tickCount()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void X11Platform::sleep(uint32_t milliseconds)
{
    timespec duration = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&duration, &duration) != 0)
    {
    }
}

// ---------------------------------------------------------------- events

void X11Platform::paint(Window& window, const CRect& rect)
{
    CRect area = rect;
    area.bound(raster.windowPixels(window.raster)->bounds());
    if (!window.listener || area.width() <= 0 || area.height() <= 0)
        return;
    if (Surface* surface = acquireWindowSurface(ref(window.id)))
    {
        ++exposuresPainted;
        window.listener->windowPaint(surface, area);
        releaseWindowSurface(ref(window.id), surface);
    }
}

void X11Platform::dispatchOnePaint()
{
    if (!connection)
        return;
    std::map<WindowRef, CRect> exposed;
    {
        ErrorTrap trap(connection->x, connection->display);
        XEvent event;
        while (connection->x.XCheckTypedEvent(connection->display, Expose, &event))
        {
            const CRect rect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                             event.xexpose.y + event.xexpose.height);
            auto it = exposed.find(ref(event.xexpose.window));
            if (it == exposed.end())
                exposed.emplace(ref(event.xexpose.window), rect);
            else
                unite(it->second, rect);
        }
    }
    for (const auto& entry : exposed)
        if (Window* w = find(entry.first))
            paint(*w, entry.second);
}

void X11Platform::processWindowEvents()
{
    if (!connection)
        return;
    if (dispatching)
    {
        dispatchOnePaint();
        return;
    }
    dispatching = true;
    dispatchOnePaint();
    std::vector<XEvent> events;
    {
        ErrorTrap trap(connection->x, connection->display);
        while (connection->x.XPending(connection->display) > 0)
        {
            events.emplace_back();
            connection->x.XNextEvent(connection->display, &events.back());
        }
    }
    for (const XEvent& event : events)
        handle(event);
    dispatching = false;
    closeIfUnused();
}

void X11Platform::handle(const XEvent& event)
{
    Window* w = find(ref(event.xany.window));
    if (connection->xdnd.handle(event, w ? w->drop : nullptr))
        return;
    if (!w)
        return;
    switch (event.type)
    {
    case Expose:
        paint(*w, CRect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                        event.xexpose.y + event.xexpose.height));
        break;
    case ButtonPress:
    {
        const XButtonEvent& press = event.xbutton;
        const CPoint where(press.x, press.y);
        if (!w->listener)
            break;
        if (press.button == Button4 || press.button == Button5)
            w->listener->windowWheel(where, press.button == Button4 ? 1.0f : -1.0f);
        else if (press.button >= Button1 && press.button <= Button3)
        {
            // The state holds what was down before this press.
            pressState = buttonsOf(press.state | (Button1Mask << (press.button - Button1)));
            pressPending = true;
            w->listener->windowButtonDown(where);
            pressPending = false;
        }
        break;
    }
    case DestroyNotify:
        if (event.xdestroywindow.window == w->id && w->alive)
        {
            w->alive = false;
            if (w->listener)
                w->listener->windowDestroyed();
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- drag and drop

bool X11Platform::registerDropTarget(WindowRef window, DropListener* listener)
{
    Window* w = find(window);
    if (!w || !w->alive || !listener || w->drop)
        return false;
    ErrorTrap trap(connection->x, connection->display);
    connection->xdnd.advertise(w->id);
    if (trap.failed())
        return false;
    w->drop = listener;
    return true;
}

void X11Platform::revokeDropTarget(WindowRef window)
{
    Window* w = find(window);
    if (!w || !w->drop)
        return;
    w->drop = nullptr;
    ErrorTrap trap(connection->x, connection->display);
    connection->xdnd.withdraw(w->id);
}

X11Platform& x11Platform()
{
    static X11Platform instance;
    return instance;
}

} // namespace platform
} // namespace VSTGUI
