// The software backend: surfaces of 32-bit pixels in memory and a headless
// stand-in for the window system, scriptable from tests.
#pragma once

#include "vstgui/platform/pixels.h"
#include "vstgui/platform/platform.h"

#include <map>
#include <memory>

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
    };

    SoftPlatform();
    ~SoftPlatform() override;

    // The window system stand-in. A window has a rectangle on the screen and
    // pixels of its own size.
    WindowRef createWindow(const CRect& screenRect);
    void destroyWindow(WindowRef window);
    void moveWindow(WindowRef window, const CRect& screenRect);
    const Pixels* windowPixels(WindowRef window) const;
    void setCursorPosition(CPoint screen) { cursor = screen; }
    void setButtonState(int32_t state) { buttons = state; }

    // Images that tests add under a resource number, ahead of the module's own.
    void addImage(int32_t resourceId, const Pixels& pixels);
    void removeAddedImages();

    // Lets brush creation fail, as a system out of resources would.
    void setBrushCreationFails(bool fails) { brushFails = fails; }

    const Counters& counters() const { return stats; }
    void resetCounters();

    // The pixels a surface draws on (its window's or its own).
    static const Pixels* surfacePixels(Surface* surface);

    Surface* acquireWindowSurface(WindowRef window) override;
    void releaseWindowSurface(WindowRef window, Surface* surface) override;
    bool windowScreenRect(WindowRef window, CRect& out) override;
    CPoint cursorScreenPosition() override { return cursor; }
    int32_t physicalButtonState() override { return buttons; }

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

    // The constant-opacity blend of one 8-bit channel.
    static uint8_t blendChannel(uint8_t target, uint8_t source, uint8_t alpha);

private:
    struct Window;
    Surface* newSurface(Pixels* target, Window* window);

    std::map<WindowRef, std::unique_ptr<Window>> windows;
    std::map<int32_t, Pixels> addedImages;
    Pixels screen;
    CPoint cursor;
    int32_t buttons = 0;
    bool brushFails = false;
    Counters stats;
};

// The process-wide software backend.
SoftPlatform& softPlatform();

} // namespace platform
} // namespace VSTGUI
