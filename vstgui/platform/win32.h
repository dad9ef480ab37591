// The GDI backend, compiled into the Windows DLLs.
#pragma once

#include "vstgui/platform/platform.h"

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

    // Tests take the blit entry points away, or pretend to be another system.
    static void setBlitEntriesEnabled(bool alphaBlend, bool transparentBlt);
    static void setSystemVersion(uint32_t major, uint32_t minor, uint32_t platformId);
    static bool hasAlphaBlend();
    static bool hasTransparentBlt();
};

Win32Platform& win32Platform();

} // namespace platform
} // namespace VSTGUI
