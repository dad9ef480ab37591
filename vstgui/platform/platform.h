// What the toolkit's drawing layer needs of a platform. The views, contexts
// and bitmaps talk to this interface only and never see a platform type;
// each backend beside this header implements it.
#pragma once

#include "vstgui/geometry.h"

#include <cstdint>

namespace VSTGUI {
namespace platform {

// Opaque handles; each backend decides what stands behind them.
struct Surface; // something drawable: a window's surface or a memory surface
struct Object;  // a pen, brush or font made by the backend
struct Image;   // a bitmap loaded from the module's resources
using WindowRef = void*;
using CursorRef = void*;

enum class ObjectKind
{
    pen,
    brush,
    font
};

enum class PenStyle
{
    solid,
    dash
};

struct FontDescription
{
    const char* face;
    int32_t height;
    int32_t weight;
    uint8_t pitchAndFamily;
    uint8_t clipPrecision;
    uint8_t outPrecision;
    uint8_t quality;
    uint8_t charSet;
};

// The system cursors a frame can show.
enum class CursorShape
{
    wait,
    sizeWE,
    sizeNS,
    sizeAll,
    sizeNESW,
    sizeNWSE,
    no,
    hand
};

// What a frame's child window reports to its owner, on the window's thread.
class WindowListener
{
public:
    // The system is destroying the window (the host closed its own).
    virtual void windowDestroyed() = 0;
    // Part of the window needs repainting; surface draws on the window for
    // this call only. Never called for an empty update region.
    virtual void windowPaint(Surface* surface, const CRect& rect) = 0;
    // The left, middle or right button went down at where (window coordinates).
    virtual void windowButtonDown(CPoint where) = 0;
    // The wheel turned by notches (one notch is 1.0, away from the user is
    // positive) with the cursor at where (window coordinates).
    virtual void windowWheel(CPoint where, float notches) = 0;

protected:
    ~WindowListener() = default;
};

// Data dragged over a window: text, a list of files, or neither.
struct DragData
{
    enum class Kind
    {
        none,
        text,
        files
    };
    Kind kind = Kind::none;
    int32_t count = 0;          // text counts as one item, files one each
    const char* const* items = nullptr;  // count texts (the text, or the file names)
};

// What a window registered as a drop target reports while something is
// dragged over it; positions are the cursor's, read by the listener itself.
class DropListener
{
public:
    // Answers false to refuse the drag: no further events belong to it.
    virtual bool dropEnter(const DragData& data) = 0;
    virtual void dropOver() = 0;
    virtual void dropLeave() = 0;
    virtual void dropDrop() = 0;

protected:
    ~DropListener() = default;
};

class Platform
{
public:
    virtual ~Platform() = default;

    // Window system. Button state is the hardware's, before any swap setting.
    virtual Surface* acquireWindowSurface(WindowRef window) = 0;
    virtual void releaseWindowSurface(WindowRef window, Surface* surface) = 0;
    virtual bool windowScreenRect(WindowRef window, CRect& out) = 0;
    virtual CPoint cursorScreenPosition() = 0;
    virtual int32_t physicalButtonState() = 0;

    // Memory surfaces of a given size, compatible with a window (null: the screen).
    virtual Surface* createMemorySurface(WindowRef compatibleWith, int32_t width, int32_t height) = 0;
    virtual void destroyMemorySurface(Surface* surface) = 0;

    // Pens, brushes and fonts. Selecting answers the object of the same kind
    // that was selected before. createSolidBrush answers null on failure.
    virtual Object* createPen(PenStyle style, int32_t width, CColor colour) = 0;
    virtual Object* createSolidBrush(CColor colour) = 0;
    virtual Object* createFont(const FontDescription& description) = 0;
    virtual Object* selectObject(Surface* surface, Object* object) = 0;
    virtual Object* currentObject(Surface* surface, ObjectKind kind) = 0;
    virtual void destroyObject(Object* object) = 0;

    // Surface state: transparent text background and plain copy pen mix.
    virtual void prepareSurface(Surface* surface) = 0;
    virtual void setBackgroundColour(Surface* surface, CColor colour) = 0;
    virtual void setTextColour(Surface* surface, CColor colour) = 0;
    // All later drawing is limited to the pixels [left, right) x [top, bottom).
    virtual void setClip(Surface* surface, const CRect& clip) = 0;

    // The one-pixel border of [left, right) x [top, bottom) in the selected pen.
    virtual void outlineRect(Surface* surface, const CRect& rect) = 0;
    // The pixels [left, right) x [top, bottom) in the given brush.
    virtual void fillRect(Surface* surface, const CRect& rect, Object* brush) = 0;
    // Opaque block copy of dest's size from source at sourceOrigin.
    virtual void copy(Surface* target, const CRect& dest, Surface* source, CPoint sourceOrigin) = 0;

    // Images by resource number. imageSize fails when the image cannot be read.
    virtual Image* loadImage(int32_t resourceId) = 0;
    virtual bool imageSize(Image* image, int32_t& width, int32_t& height) = 0;
    virtual void destroyImage(Image* image) = 0;
    virtual void drawImage(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin) = 0;
    // Leaves out the image pixels whose red, green and blue equal key.
    virtual void drawImageKeyed(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin,
                                CColor key) = 0;
    // Places the image over the target with one constant opacity (0..255).
    virtual void drawImageBlended(Surface* target, const CRect& dest, Image* image, CPoint sourceOrigin,
                                  uint8_t alpha) = 0;

    // Optional accelerated block transfers, held while a frame lives. The
    // answer is an opaque token for releaseBlitSupport, or null.
    virtual void* acquireBlitSupport() = 0;
    virtual void releaseBlitSupport(void* token) = 0;

    // Window classes, by name. Registering a registered class changes nothing.
    virtual void registerWindowClass(const char* className) = 0;
    virtual void unregisterWindowClass(const char* className) = 0;
    virtual bool isWindowClassRegistered(const char* className) = 0;
    // The user's swapped-buttons setting.
    virtual bool buttonsSwapped() = 0;

    // A visible child window of parent, at (0, 0) in it, of the given size,
    // reporting to listener; null when the system refuses.
    virtual WindowRef createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                        WindowListener* listener) = 0;
    // After detaching, the window reports nothing more.
    virtual void detachWindow(WindowRef window) = 0;
    virtual void destroyWindow(WindowRef window) = 0;

    // The window hierarchy and its geometry.
    virtual WindowRef parentWindow(WindowRef window) = 0;
    virtual bool windowHasCaption(WindowRef window) = 0;
    // Up to size - 1 characters and a terminator; false when there is no such window.
    virtual bool windowClassName(WindowRef window, char* name, int32_t size) = 0;
    // A screen point in the client coordinates of window.
    virtual CPoint screenToClient(WindowRef window, CPoint screen) = 0;
    // Resizes window, keeping its top-left corner, and puts it on top.
    virtual void setWindowSize(WindowRef window, int32_t width, int32_t height) = 0;
    // The thickness of a dialog frame's horizontal border, in pixels.
    virtual int32_t dialogFrameThickness() = 0;

    // Cursors. systemCursor answers a shared shape that is never destroyed.
    virtual CursorRef currentCursor() = 0;
    virtual void setCursor(CursorRef cursor) = 0;
    virtual CursorRef systemCursor(CursorShape shape) = 0;

    // Time: a millisecond count that wraps at 2^32, and sleeping.
    virtual uint32_t tickCount() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
    // Handles at most one pending paint request of the calling thread's windows.
    virtual void dispatchOnePaint() = 0;
    // Handles the pending events of the calling thread's windows where no
    // event loop of the host delivers them; the editor calls it as it idles.
    virtual void processWindowEvents() = 0;

    // Drag and drop for windows of the calling thread. beginDragAndDrop answers
    // whether drag and drop is available; only then is endDragAndDrop owed.
    virtual bool beginDragAndDrop() = 0;
    virtual void endDragAndDrop() = 0;
    virtual bool registerDropTarget(WindowRef window, DropListener* listener) = 0;
    virtual void revokeDropTarget(WindowRef window) = 0;
};

// The backend the toolkit draws with. install(nullptr) restores the default.
Platform& current();
void install(Platform* platform);

// The module whose resources hold the bitmaps and whose name goes into window
// classes: handed over once by whoever loads the toolkit (the plug-in's entry
// point, or a program that links the toolkit itself). Null means the program.
void setModuleHandle(void* module);
void* moduleHandle();

} // namespace platform
} // namespace VSTGUI
