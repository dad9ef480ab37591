// The GDI backend, compiled into the Windows DLLs.
#pragma once

#include "vstgui/platform/platform.h"

struct IDropTarget;

namespace VSTGUI {
namespace platform {

class Win32Platform final : public Platform
{
public:
    Surface* acquireWindowSurface(WindowRef window) override;
    void releaseWindowSurface(WindowRef window, Surface* surface) override;
    bool windowScreenRect(WindowRef window, CRect& out) override;
    CPoint cursorScreenPosition() override;
    int32_t physicalButtonState() override;

    Surface* createMemorySurface(WindowRef compatibleWith, int32_t width, int32_t height) override;
    void destroyMemorySurface(Surface* surface) override;

    Object* createPen(PenStyle style, int32_t width, CColor colour) override;
    Object* createSolidBrush(CColor colour) override;
    Object* createFont(const FontDescription& font) override;
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

    // Loads msimg32.dll and looks up AlphaBlend and TransparentBlt (the
    // latter on the NT family only); answers the library handle.
    void* acquireBlitSupport() override;
    void releaseBlitSupport(void* token) override;

    // One window procedure for every class registered here; a window finds
    // its listener in its user data.
    void registerWindowClass(const char* className) override;
    void unregisterWindowClass(const char* className) override;
    bool isWindowClassRegistered(const char* className) override;
    bool buttonsSwapped() override;

    WindowRef createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                WindowListener* listener) override;
    void detachWindow(WindowRef window) override;
    void destroyWindow(WindowRef window) override;

    WindowRef parentWindow(WindowRef window) override;
    bool windowHasCaption(WindowRef window) override;
    bool windowClassName(WindowRef window, char* name, int32_t size) override;
    CPoint screenToClient(WindowRef window, CPoint screen) override;
    void setWindowSize(WindowRef window, int32_t width, int32_t height) override;
    int32_t dialogFrameThickness() override;

    CursorRef currentCursor() override;
    void setCursor(CursorRef cursor) override;
    CursorRef systemCursor(CursorShape shape) override;

    uint32_t tickCount() override;
    void sleep(uint32_t milliseconds) override;
    void dispatchOnePaint() override;
    // The host's message loop delivers the window's messages.
    void processWindowEvents() override {}

    // OLE for the calling thread; a thread already in the multi-threaded
    // apartment cannot have it.
    bool beginDragAndDrop() override;
    void endDragAndDrop() override;
    // The registration holds the only reference to the drop target, so
    // revoking it destroys the target. A window destroyed while registered
    // revokes its own registration.
    bool registerDropTarget(WindowRef window, DropListener* listener) override;
    void revokeDropTarget(WindowRef window) override;

    // Tests take the blit entry points away, or pretend to be another system.
    static void setBlitEntriesEnabled(bool alphaBlend, bool transparentBlt);
    static void setSystemVersion(uint32_t major, uint32_t minor, uint32_t platformId);
    static bool hasAlphaBlend();
    static bool hasTransparentBlt();
    // The drop target registered here for window (no reference is added), or null.
    static IDropTarget* dropTargetOf(WindowRef window);
    // How many drop targets exist in the module.
    static int32_t liveDropTargets();
};

Win32Platform& win32Platform();

} // namespace platform
} // namespace VSTGUI
