#include "x11_test_support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>

namespace x11test {

namespace {

int ignoreError(Display*, XErrorEvent*) { return 0; }

// Scales the bits of one colour channel, wherever the mask puts them, to 0..255.
uint32_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
}

void fakeButton(Display* display, int button, Bool down)
{
    if (display && button >= 1 && button <= 5)
        XTestFakeButtonEvent(display, static_cast<unsigned>(button), down, CurrentTime);
    if (display)
        XSync(display, False);
}

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace

std::vector<Window> children(Display* display, Window parent)
{
    Window root = 0, up = 0, *list = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(display, parent, &root, &up, &list, &n))
        out.assign(list, list + n);
    if (list)
        XFree(list);
    return out;
}

std::vector<uint32_t> grab(Display* display, Window window, int width, int height)
{
    if (!display || width <= 0 || height <= 0)
        return {};
    // A window that is unmapped or partly off screen makes XGetImage fail with
    // BadMatch, which the default handler turns into exit(); swallow it here.
    XSync(display, False);
    auto* previous = XSetErrorHandler(ignoreError);
    XWindowAttributes attributes{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable
        && (attributes.visual->c_class == TrueColor || attributes.visual->c_class == DirectColor))
        image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image)
        return {};
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back(channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8
                             | channel(p, image->blue_mask));
        }
    XDestroyImage(image);
    return pixels;
}

std::string fileUriList(const std::vector<std::string>& paths)
{
    std::string out;
    for (const auto& path : paths)
    {
        out += "file://";
        for (unsigned char c : path)
        {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                || c == '-' || c == '.' || c == '_' || c == '~' || c == '/')
                out += static_cast<char>(c);
            else
            {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                out += hex;
            }
        }
        out += "\r\n";
    }
    return out;
}

Pointer::Pointer()
{
    display_ = XOpenDisplay(nullptr);
    int event, error, major, minor;
    if (display_ && !XTestQueryExtension(display_, &event, &error, &major, &minor))
    {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
}

Pointer::~Pointer()
{
    if (display_)
        XCloseDisplay(display_);
}

// XSync rather than XFlush: the fake event has reached the server when the call returns.
void Pointer::moveTo(int rootX, int rootY)
{
    if (display_)
        XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
    if (display_)
        XSync(display_, False);
}

void Pointer::press(int button) { fakeButton(display_, button, True); }

void Pointer::release(int button) { fakeButton(display_, button, False); }

void Pointer::click(int rootX, int rootY, int button)
{
    moveTo(rootX, rootY);
    pause(100);
    press(button);
    pause(150);
    release(button);
    pause(100);
}

XdndSource::XdndSource(Window target, std::vector<Offer> offers) : target_(target), offers_(std::move(offers)) {}

XdndSource::~XdndSource()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void XdndSource::start(int rootX, int rootY, bool dropIt)
{
    if (!thread_.joinable() && !done_)
        thread_ = std::thread([this, rootX, rootY, dropIt] { run(rootX, rootY, dropIt); });
}

bool XdndSource::join(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done_ && std::chrono::steady_clock::now() < deadline)
        pause(5);
    if (!done_)
        return false;
    if (thread_.joinable())
        thread_.join();
    return true;
}

std::string XdndSource::log() const
{
    return done_ ? log_ : std::string("(drag still running)\n");
}

void XdndSource::run(int rootX, int rootY, bool dropIt)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d)
    {
        note("cannot open display");
        done_ = true;
        return;
    }
    auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
    const Atom enter = atom("XdndEnter"), position = atom("XdndPosition"), status = atom("XdndStatus"),
               leave = atom("XdndLeave"), drop = atom("XdndDrop"), finishedMsg = atom("XdndFinished"),
               selection = atom("XdndSelection"), copy = atom("XdndActionCopy");
    std::vector<Atom> types;
    std::string offered;
    for (const auto& offer : offers_)
    {
        types.push_back(atom(offer.first.c_str()));
        offered += " " + offer.first;
    }

    // Only logged: a target lacking XdndAware still gets the messages, so the test sees what it does.
    Atom type = None;
    int format = 0;
    unsigned long count = 0, rest = 0;
    unsigned char* value = nullptr;
    XGetWindowProperty(d, target_, atom("XdndAware"), 0, 1, False, XA_ATOM, &type, &format, &count, &rest, &value);
    note(value && count == 1 && format == 32 ? "target XdndAware " + std::to_string(*reinterpret_cast<long*>(value))
                                             : std::string("target has no XdndAware"));
    if (value)
        XFree(value);

    const Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, 0);
    if (types.size() > 3)
        XChangeProperty(d, source, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(types.data()), static_cast<int>(types.size()));
    // A real server time for the selection and the drop: an empty append yields PropertyNotify.
    XSelectInput(d, source, PropertyChangeMask);
    XChangeProperty(d, source, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent ev;
    XWindowEvent(d, source, PropertyChangeMask, &ev);
    const Time now = ev.xproperty.time;
    XSetSelectionOwner(d, selection, source, now);
    if (XGetSelectionOwner(d, selection) != source)
        note("could not own XdndSelection");

    auto send = [&](Atom message, long l1, long l2, long l3, long l4) {
        XEvent m{};
        m.xclient.type = ClientMessage;
        m.xclient.window = target_;
        m.xclient.message_type = message;
        m.xclient.format = 32;
        const long l[5] = {static_cast<long>(source), l1, l2, l3, l4};
        for (int i = 0; i < 5; ++i)
            m.xclient.data.l[i] = l[i];
        XSendEvent(d, target_, False, NoEventMask, &m);
        XFlush(d);
    };
    auto serve = [&](const XSelectionRequestEvent& r) {
        ++selectionRequests_;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = r.requestor;
        reply.xselection.selection = r.selection;
        reply.xselection.target = r.target;
        reply.xselection.time = r.time;
        const Atom property = r.property != None ? r.property : r.target;   // obsolete requestors send None
        for (size_t i = 0; i < types.size() && r.selection == selection; ++i)
            if (types[i] == r.target)
            {
                const std::string& data = offers_[i].second;
                XChangeProperty(d, r.requestor, property, r.target, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
                reply.xselection.property = property;
                break;
            }
        char* name = XGetAtomName(d, r.target);   // a valid atom: the server checked it
        note(std::string("request for ") + (name ? name : "?") + (reply.xselection.property ? ": served" : ": refused"));
        XFree(name);
        XSendEvent(d, r.requestor, False, NoEventMask, &reply);
        XFlush(d);
    };
    // Handles every event on this connection until enough() holds or the time is up.
    auto pump = [&](auto enough) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!enough())
        {
            if (stop_ || std::chrono::steady_clock::now() >= deadline)
                return false;
            if (!XPending(d))
            {
                pause(5);
                continue;
            }
            XNextEvent(d, &ev);
            const auto& m = ev.xclient;
            if (ev.type == SelectionRequest)
                serve(ev.xselectionrequest);
            else if (ev.type == ClientMessage && m.message_type == status)
            {
                accepted_ = (m.data.l[1] & 1) != 0;
                action_ = static_cast<Atom>(m.data.l[4]);
                note(std::string("status: ") + (accepted_ ? "accept" : "reject") + ", action "
                     + (action_ == copy ? std::string("copy") : std::to_string(action_)));
                ++statusCount_;
            }
            else if (ev.type == ClientMessage && m.message_type == finishedMsg)
            {
                finishedAccepted_ = (m.data.l[1] & 1) != 0;
                note(std::string("finished: ") + (finishedAccepted_ ? "accepted" : "not accepted"));
                finished_ = true;
            }
        }
        return true;
    };

    note("enter with" + offered);
    long first[3] = {None, None, None};
    for (size_t i = 0; i < 3 && i < types.size(); ++i)
        first[i] = static_cast<long>(types[i]);
    send(enter, 5L << 24 | (types.size() > 3 ? 1 : 0), first[0], first[1], first[2]);
    // A source may not send the next position before the previous one's status.
    bool answered = true;
    for (int i = 0; i < 2 && answered; ++i)
    {
        const int before = statusCount_;
        send(position, 0, static_cast<long>(rootX) << 16 | (rootY & 0xFFFF), static_cast<long>(now),
             static_cast<long>(copy));
        if (!(answered = pump([&] { return statusCount_ > before; })))
            note("no status for position " + std::to_string(i + 1));
    }
    if (dropIt && answered)
    {
        note("drop");
        send(drop, 0, static_cast<long>(now), 0, 0);
        if (!pump([&] { return finished_.load(); }))
            note("no XdndFinished after drop");
    }
    else
    {
        note("leave");
        send(leave, 0, 0, 0, 0);
    }
    XDestroyWindow(d, source);
    XCloseDisplay(d);
    done_ = true;
}

} // namespace x11test
