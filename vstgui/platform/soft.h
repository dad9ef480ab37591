// The software backend: surfaces of 32-bit pixels in memory and a headless
// stand-in for the window system, scriptable from tests.
#pragma once

#include "vstgui/platform/pixels.h"
#include "vstgui/platform/platform.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {
namespace platform {

class SoftPlatform final : public Platform
{
public:
    struct Counters
    {
        int clipChanges = 0;
        int pensCreated = 0;
        int brushesCreated = 0;
        int fontsCreated = 0;
        int liveObjects = 0;
        int liveSurfaces = 0;
        int liveImages = 0;
        int blitSupportHeld = 0;
        int liveWindows = 0;
        int liveDropTargets = 0;
        int dragAndDropDepth = 0;  // begun and not yet ended
        int paintsDelivered = 0;
        int windowSurfacesAcquired = 0;
        int64_t windowPixelsWritten = 0;  // of window surfaces, counted as they are let go
        uint32_t sleptMilliseconds = 0;
    };

    SoftPlatform();
    ~SoftPlatform() override;

    // The window system stand-in. A window has a rectangle on the screen,
    // pixels of its own size, and may have a parent, a class name and a
    // caption. Destroying a window destroys its children first.
    WindowRef createWindow(const CRect& screenRect, WindowRef parent = nullptr, const char* className = "",
                           bool caption = false);
    void destroyWindow(WindowRef window) override;
    void moveWindow(WindowRef window, const CRect& screenRect);
    const Pixels* windowPixels(WindowRef window) const;
    bool windowExists(WindowRef window) const { return windows.count(window) != 0; }
    // The child windows of parent, oldest first.
    std::vector<WindowRef> childWindows(WindowRef parent) const;

    // Messages to windows made by createChildWindow, delivered in order by
    // pumpMessages (which answers how many it delivered). A paint with an empty
    // rectangle is an empty update region: nobody is told.
    void postPaint(WindowRef window, const CRect& rect);
    void postButtonDown(WindowRef window, CPoint where);
    void postWheel(WindowRef window, CPoint where, float notches);
    int pumpMessages();
    size_t pendingMessages() const { return messages.size(); }

    // Polled input. A script hands out one value per poll and keeps handing
    // out its last value once it has run out; the plain setters replace it.
    void setCursorPosition(CPoint screen);
    void setButtonState(int32_t state);
    void scriptCursor(std::vector<CPoint> screenPositions);
    void scriptButtons(std::vector<int32_t> states);
    int buttonPolls() const { return buttonPollCount; }

    // The system's settings and clock.
    void setButtonsSwapped(bool swapped) { swappedButtons = swapped; }
    void setTicks(uint32_t ticks) { clock = ticks; }
    // Whether the thread can do drag and drop (OLE is unavailable on some threads).
    void setDragAndDropAvailable(bool available) { dragAndDropAvailable = available; }
    // The shape of a cursor; -1 for the arrow the system starts with.
    static int cursorShape(CursorRef cursor);

    // A drag over a window registered as a drop target: answers whether it was
    // accepted. The other three do nothing without an accepted drag.
    bool dragEnter(WindowRef window, DragData::Kind kind, const std::vector<std::string>& items);
    void dragOver(WindowRef window);
    void dragLeave(WindowRef window);
    void drop(WindowRef window);

    // Images that tests add under a resource number, ahead of the module's own.
    void addImage(int32_t resourceId, const Pixels& pixels);
    void removeAddedImages();

    // Lets brush creation fail, as a system out of resources would.
    void setBrushCreationFails(bool fails) { brushFails = fails; }

    const Counters& counters() const { return stats; }
    void resetCounters();

    // The pixels a surface draws on (its window's or its own).
    static const Pixels* surfacePixels(Surface* surface);
    // The rectangles drawn on a surface since it was acquired.
    static const std::vector<CRect>& surfaceDamage(Surface* surface);

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

    void* acquireBlitSupport() override;
    void releaseBlitSupport(void* token) override;

    void registerWindowClass(const char* className) override;
    void unregisterWindowClass(const char* className) override;
    bool isWindowClassRegistered(const char* className) override;
    bool buttonsSwapped() override { return swappedButtons; }
    WindowRef createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                WindowListener* listener) override;
    void detachWindow(WindowRef window) override;
    WindowRef parentWindow(WindowRef window) override;
    bool windowHasCaption(WindowRef window) override;
    bool windowClassName(WindowRef window, char* name, int32_t size) override;
    CPoint screenToClient(WindowRef window, CPoint screen) override;
    void setWindowSize(WindowRef window, int32_t width, int32_t height) override;
    int32_t dialogFrameThickness() override { return 3; }
    CursorRef currentCursor() override { return cursorNow; }
    void setCursor(CursorRef cursor) override { cursorNow = cursor; }
    CursorRef systemCursor(CursorShape shape) override;
    uint32_t tickCount() override { return clock; }
    void sleep(uint32_t milliseconds) override;
    void dispatchOnePaint() override;
    // Messages are delivered by pumpMessages only, under the test's control.
    void processWindowEvents() override {}
    bool beginDragAndDrop() override;
    void endDragAndDrop() override;
    bool registerDropTarget(WindowRef window, DropListener* listener) override;
    void revokeDropTarget(WindowRef window) override;

    // The constant-opacity blend of one 8-bit channel.
    static uint8_t blendChannel(uint8_t target, uint8_t source, uint8_t alpha);

private:
    struct Window;
    struct Message
    {
        enum class Kind
        {
            paint,
            buttonDown,
            wheel
        };
        Kind kind;
        WindowRef window;
        CRect rect;
        CPoint where;
        float notches;
    };
    Surface* newSurface(Pixels* target, Window* window);
    Window* find(WindowRef window) const;
    void deliver(const Message& message);

    std::map<WindowRef, std::unique_ptr<Window>> windows;
    std::map<int32_t, Pixels> addedImages;
    std::map<std::string, int> windowClasses;
    std::deque<Message> messages;
    Pixels screen;
    std::deque<CPoint> cursorScript;
    std::deque<int32_t> buttonScript;
    CPoint cursor;
    int32_t buttons = 0;
    int buttonPollCount = 0;
    bool brushFails = false;
    bool swappedButtons = false;
    bool dragAndDropAvailable = true;
    uint32_t clock = 0;
    CursorRef cursorNow;
    WindowRef dragWindow = nullptr;  // the window an accepted drag is over
    uint64_t windowSerial = 0;
    Counters stats;
};

// The process-wide software backend.
SoftPlatform& softPlatform();

} // namespace platform
} // namespace VSTGUI
