// The X11 backend, compiled into the Linux plug-in. The host hands the editor
// its window's XID as the parent; the backend makes child windows on a display
// connection of its own, draws with the software rasterizer and shows the
// result with XPutImage. X events are handled when the editor idles, since on
// Linux the host's event loop knows nothing of the plug-in's connection.
#pragma once

#include "vstgui/platform/soft.h"

#include <map>
#include <memory>
#include <set>
#include <string>

union _XEvent;

namespace VSTGUI {
namespace platform {

namespace x11 {
struct Xlib;
class Connection;
} // namespace x11

class X11Platform final : public Platform
{
public:
    X11Platform();
    ~X11Platform() override;

    // What the backend holds on the server, for tests of its life cycle.
    struct Counters
    {
        bool connected = false;
        int liveWindows = 0;
        int liveGraphicsContexts = 0;
        int liveCursors = 0;
        int liveDropTargets = 0;
        int exposuresPainted = 0;  // coalesced paints delivered
        uint64_t requestsSent = 0;  // on the backend's connection, since it was opened
        uint64_t pixelBytesSent = 0;  // of window pixels, since the backend was made
    };
    Counters counters() const;
    // The connection's file descriptor while a window exists (-1 otherwise),
    // for hosts that watch it and call the idle when it has events.
    int connectionFd() const;
    // Whether events wait in the connection's queue, read from the descriptor
    // already and so no longer shown by it.
    bool eventsQueued() const;

    Surface* acquireWindowSurface(WindowRef window) override;
    void releaseWindowSurface(WindowRef window, Surface* surface) override;
    bool windowScreenRect(WindowRef window, CRect& out) override;
    CPoint cursorScreenPosition() override;
    int32_t physicalButtonState() override;

    Surface* createMemorySurface(WindowRef compatibleWith, int32_t width, int32_t height) override;
    void destroyMemorySurface(Surface* surface) override;

    Object* createPen(PenStyle style, int32_t width, CColor colour) override;
    Object* createSolidBrush(CColor colour) override;
    Object* createFont(const FontDescription& description) override;
    Object* selectObject(Surface* surface, Object* object) override;
    Object* currentObject(Surface* surface, ObjectKind kind) override;
    void destroyObject(Object* object) override;

    void prepareSurface(Surface* surface) override;
    void setBackgroundColour(Surface* surface, CColor colour) override;
    void setTextColour(Surface* surface, CColor colour) override;
    void setClip(Surface* surface, const CRect& clip) override;

    void outlineRect(Surface* surface, const CRect& rect) override;
    void fillRect(Surface* surface, const CRect& rect, Object* brush) override;
    void copy(Surface* target, const CRect& dest, Surface* source, CPoint sourceOrigin) override;

    Image* loadImage(int32_t resourceId) override;
    bool imageSize(Image* image, int32_t& width, int32_t& height) override;
    void destroyImage(Image* image) override;
    void drawImage(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin) override;
    void drawImageKeyed(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin,
                        CColor key) override;
    void drawImageBlended(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin,
                          uint8_t alpha) override;

    void* acquireBlitSupport() override { return nullptr; }
    void releaseBlitSupport(void*) override {}

    // X has no window classes; the names are kept so that the frame's
    // bookkeeping of them works as everywhere else.
    void registerWindowClass(const char* className) override;
    void unregisterWindowClass(const char* className) override;
    bool isWindowClassRegistered(const char* className) override;
    // The server maps physical buttons before reporting them.
    bool buttonsSwapped() override { return false; }

    // Opens the display connection with the first window; null without an
    // X library, a display, or a parent the server knows.
    WindowRef createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                WindowListener* listener) override;
    void detachWindow(WindowRef window) override;
    // Closes the connection with the last window.
    void destroyWindow(WindowRef window) override;

    // A window whose parent is the root window has none.
    WindowRef parentWindow(WindowRef window) override;
    bool windowHasCaption(WindowRef) override { return false; }
    bool windowClassName(WindowRef window, char* name, int32_t size) override;
    CPoint screenToClient(WindowRef window, CPoint screen) override;
    void setWindowSize(WindowRef window, int32_t width, int32_t height) override;
    // Window managers draw the frames on X; a plug-in never grows them.
    int32_t dialogFrameThickness() override { return 0; }

    CursorRef currentCursor() override { return cursorNow; }
    void setCursor(CursorRef cursor) override;
    CursorRef systemCursor(CursorShape shape) override;

    // A monotonic clock in milliseconds.
    uint32_t tickCount() override;
    void sleep(uint32_t milliseconds) override;
    // Paints the pending exposures of each window, coalesced into one rectangle.
    void dispatchOnePaint() override;
    // Handles every pending event; from inside a handler (a control tracking
    // the mouse) only exposures, so that no click is handled within another.
    void processWindowEvents() override;

    bool beginDragAndDrop() override { return true; }
    void endDragAndDrop() override {}
    bool registerDropTarget(WindowRef window, DropListener* listener) override;
    void revokeDropTarget(WindowRef window) override;

private:
    struct Window;
    Window* find(WindowRef window) const;
    void paint(Window& window, const CRect& rect);
    void handle(const _XEvent& event);
    void closeIfUnused();

    SoftPlatform raster;  // draws every surface; windows are its pixels shown on X
    std::unique_ptr<x11::Connection> connection;
    std::map<WindowRef, std::unique_ptr<Window>> windows;
    std::set<std::string> windowClasses;
    CursorRef cursorNow = nullptr;
    bool dispatching = false;
    // The buttons of the press being handled, answered to the first poll so
    // that a click released before the editor idled still counts.
    int32_t pressState = 0;
    bool pressPending = false;
    int exposuresPainted = 0;
    uint64_t pixelBytesSent = 0;
};

X11Platform& x11Platform();

} // namespace platform
} // namespace VSTGUI
