// The software backend's window system: windows, messages, polled input, the
// clock, cursors and drag and drop, all held in memory and driven by tests.
#include "vstgui/platform/soft.h"
#include "vstgui/platform/soft_window.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {
namespace platform {

namespace {

// One shared object per system cursor; the first is the arrow.
constexpr int kCursorShapes = 8;
char gCursors[kCursorShapes + 1];

template <typename T>
T takeScripted(std::deque<T>& script, T& current)
{
    if (!script.empty())
    {
        current = script.front();
        if (script.size() > 1)
            script.pop_front();
    }
    return current;
}

} // namespace

SoftPlatform::SoftPlatform() : cursorNow(&gCursors[0]) {}

SoftPlatform::~SoftPlatform() = default;

SoftPlatform::Window* SoftPlatform::find(WindowRef window) const
{
    auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second.get();
}

WindowRef SoftPlatform::createWindow(const CRect& screenRect, WindowRef parent, const char* className, bool caption)
{
    auto window = std::make_unique<Window>();
    window->screenRect = screenRect;
    window->pixels = Pixels(screenRect.width(), screenRect.height());
    window->parent = find(parent) ? parent : nullptr;
    window->className = className ? className : "";
    window->caption = caption;
    window->serial = ++windowSerial;
    WindowRef ref = window.get();
    windows[ref] = std::move(window);
    ++stats.liveWindows;
    return ref;
}

std::vector<WindowRef> SoftPlatform::childWindows(WindowRef parent) const
{
    std::vector<const Window*> children;
    for (const auto& entry : windows)
        if (entry.second->parent == parent && parent)
            children.push_back(entry.second.get());
    std::sort(children.begin(), children.end(), [](const Window* a, const Window* b) { return a->serial < b->serial; });
    std::vector<WindowRef> refs;
    for (const Window* child : children)
        refs.push_back(const_cast<Window*>(child));
    return refs;
}

void SoftPlatform::destroyWindow(WindowRef window)
{
    if (!find(window))
        return;
    for (WindowRef child : childWindows(window))
        destroyWindow(child);
    // The owner hears of it while the window still exists, as on a real system.
    Window* w = find(window);
    if (w->listener)
        w->listener->windowDestroyed();
    w = find(window);
    if (!w)
        return;
    if (w->dropTarget)
        revokeDropTarget(window);
    messages.erase(std::remove_if(messages.begin(), messages.end(),
                                  [window](const Message& m) { return m.window == window; }),
                   messages.end());
    windows.erase(window);
    --stats.liveWindows;
}

void SoftPlatform::moveWindow(WindowRef window, const CRect& screenRect)
{
    Window* w = find(window);
    if (!w)
        return;
    w->screenRect = screenRect;
    if (screenRect.width() != w->pixels.width || screenRect.height() != w->pixels.height)
        w->pixels = Pixels(screenRect.width(), screenRect.height());
}

const Pixels* SoftPlatform::windowPixels(WindowRef window) const
{
    const Window* w = find(window);
    return w ? &w->pixels : nullptr;
}

bool SoftPlatform::windowScreenRect(WindowRef window, CRect& out)
{
    const Window* w = find(window);
    if (!w)
        return false;
    out = w->screenRect;
    return true;
}

// ---------------------------------------------------------------- messages

void SoftPlatform::postPaint(WindowRef window, const CRect& rect)
{
    messages.push_back(Message{Message::Kind::paint, window, rect, CPoint(), 0.0f});
}

void SoftPlatform::postButtonDown(WindowRef window, CPoint where)
{
    messages.push_back(Message{Message::Kind::buttonDown, window, CRect(), where, 0.0f});
}

void SoftPlatform::postWheel(WindowRef window, CPoint where, float notches)
{
    messages.push_back(Message{Message::Kind::wheel, window, CRect(), where, notches});
}

int SoftPlatform::pumpMessages()
{
    int delivered = 0;
    while (!messages.empty())
    {
        const Message message = messages.front();
        messages.pop_front();
        deliver(message);
        ++delivered;
    }
    return delivered;
}

void SoftPlatform::dispatchOnePaint()
{
    auto it = std::find_if(messages.begin(), messages.end(),
                           [](const Message& m) { return m.kind == Message::Kind::paint; });
    if (it == messages.end())
        return;
    const Message message = *it;
    messages.erase(it);
    deliver(message);
}

void SoftPlatform::deliver(const Message& message)
{
    const Window* w = find(message.window);
    if (!w || !w->listener)
        return;
    switch (message.kind)
    {
    case Message::Kind::paint:
        if (message.rect.width() <= 0 || message.rect.height() <= 0)
            return;
        if (Surface* surface = acquireWindowSurface(message.window))
        {
            ++stats.paintsDelivered;
            w->listener->windowPaint(surface, message.rect);
            releaseWindowSurface(message.window, surface);
        }
        break;
    case Message::Kind::buttonDown:
        w->listener->windowButtonDown(message.where);
        break;
    case Message::Kind::wheel:
        w->listener->windowWheel(message.where, message.notches);
        break;
    }
}

// ---------------------------------------------------------------- input

void SoftPlatform::setCursorPosition(CPoint screenPosition)
{
    cursorScript.clear();
    cursor = screenPosition;
}

void SoftPlatform::setButtonState(int32_t state)
{
    buttonScript.clear();
    buttons = state;
}

void SoftPlatform::scriptCursor(std::vector<CPoint> screenPositions)
{
    cursorScript.assign(screenPositions.begin(), screenPositions.end());
}

void SoftPlatform::scriptButtons(std::vector<int32_t> states)
{
    buttonScript.assign(states.begin(), states.end());
}

CPoint SoftPlatform::cursorScreenPosition() { return takeScripted(cursorScript, cursor); }

int32_t SoftPlatform::physicalButtonState()
{
    ++buttonPollCount;
    return takeScripted(buttonScript, buttons);
}

// ---------------------------------------------------------------- classes and windows

void SoftPlatform::registerWindowClass(const char* className)
{
    if (className)
        windowClasses.emplace(className, 1);
}

void SoftPlatform::unregisterWindowClass(const char* className)
{
    if (className)
        windowClasses.erase(className);
}

bool SoftPlatform::isWindowClassRegistered(const char* className)
{
    return className && windowClasses.count(className) != 0;
}

WindowRef SoftPlatform::createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                          WindowListener* listener)
{
    const Window* p = find(parent);
    if (!p || !isWindowClassRegistered(className))
        return nullptr;
    const CRect rect(p->screenRect.left, p->screenRect.top, p->screenRect.left + width, p->screenRect.top + height);
    WindowRef window = createWindow(rect, parent, className, false);
    find(window)->listener = listener;
    return window;
}

void SoftPlatform::detachWindow(WindowRef window)
{
    if (Window* w = find(window))
        w->listener = nullptr;
}

WindowRef SoftPlatform::parentWindow(WindowRef window)
{
    const Window* w = find(window);
    return w ? w->parent : nullptr;
}

bool SoftPlatform::windowHasCaption(WindowRef window)
{
    const Window* w = find(window);
    return w && w->caption;
}

bool SoftPlatform::windowClassName(WindowRef window, char* name, int32_t size)
{
    const Window* w = find(window);
    if (!w || !name || size <= 0)
        return false;
    const size_t n = std::min(w->className.size(), static_cast<size_t>(size - 1));
    std::memcpy(name, w->className.data(), n);
    name[n] = '\0';
    return true;
}

CPoint SoftPlatform::screenToClient(WindowRef window, CPoint screenPoint)
{
    const Window* w = find(window);
    if (w)
        screenPoint.offset(-w->screenRect.left, -w->screenRect.top);
    return screenPoint;
}

void SoftPlatform::setWindowSize(WindowRef window, int32_t width, int32_t height)
{
    const Window* w = find(window);
    if (!w)
        return;
    CRect rect = w->screenRect;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    moveWindow(window, rect);
}

// ---------------------------------------------------------------- cursors, time

CursorRef SoftPlatform::systemCursor(CursorShape shape) { return &gCursors[1 + static_cast<int>(shape)]; }

int SoftPlatform::cursorShape(CursorRef cursor)
{
    for (int i = 0; i <= kCursorShapes; ++i)
        if (cursor == &gCursors[i])
            return i - 1;
    return -2;
}

void SoftPlatform::sleep(uint32_t milliseconds)
{
    clock += milliseconds;
    stats.sleptMilliseconds += milliseconds;
}

// ---------------------------------------------------------------- drag and drop

bool SoftPlatform::beginDragAndDrop()
{
    if (!dragAndDropAvailable)
        return false;
    ++stats.dragAndDropDepth;
    return true;
}

void SoftPlatform::endDragAndDrop() { --stats.dragAndDropDepth; }

bool SoftPlatform::registerDropTarget(WindowRef window, DropListener* listener)
{
    Window* w = find(window);
    if (!w || !listener || w->dropTarget || stats.dragAndDropDepth <= 0)
        return false;
    w->dropTarget = listener;
    ++stats.liveDropTargets;
    return true;
}

void SoftPlatform::revokeDropTarget(WindowRef window)
{
    Window* w = find(window);
    if (!w || !w->dropTarget)
        return;
    w->dropTarget = nullptr;
    --stats.liveDropTargets;
    if (dragWindow == window)
        dragWindow = nullptr;
}

bool SoftPlatform::dragEnter(WindowRef window, DragData::Kind kind, const std::vector<std::string>& items)
{
    const Window* w = find(window);
    if (!w || !w->dropTarget)
        return false;
    std::vector<const char*> texts;
    for (const std::string& item : items)
        texts.push_back(item.c_str());
    DragData data;
    data.kind = kind;
    data.count = kind == DragData::Kind::none ? 0 : static_cast<int32_t>(texts.size());
    data.items = texts.data();
    const bool accepted = w->dropTarget->dropEnter(data);
    dragWindow = accepted ? window : nullptr;
    return accepted;
}

void SoftPlatform::dragOver(WindowRef window)
{
    const Window* w = find(window);
    if (w && w->dropTarget && dragWindow == window)
        w->dropTarget->dropOver();
}

void SoftPlatform::dragLeave(WindowRef window)
{
    const Window* w = find(window);
    if (!w || !w->dropTarget || dragWindow != window)
        return;
    dragWindow = nullptr;
    w->dropTarget->dropLeave();
}

void SoftPlatform::drop(WindowRef window)
{
    const Window* w = find(window);
    if (!w || !w->dropTarget || dragWindow != window)
        return;
    dragWindow = nullptr;
    w->dropTarget->dropDrop();
}

} // namespace platform
} // namespace VSTGUI
