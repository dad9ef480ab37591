// An image from the module's bitmap resources, drawn opaque, with one colour
// keyed out, or with a constant opacity. Never scaled.
#pragma once

#include "vstgui/cdraw_context.h"
#include "vstgui/creference_counter.h"
#include "vstgui/geometry.h"
#include "vstgui/platform/platform.h"

namespace VSTGUI {

class CBitmap : public CReferenceCounter
{
public:
    // A resource that does not exist leaves a bitmap without an image.
    explicit CBitmap(int32_t resourceId);
    ~CBitmap() override;

    // rect is in the context's coordinates; offset is the image pixel that
    // lands on rect's top-left.
    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0));
    virtual void drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0));
    virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0),
                                uint8_t alpha = 128);
    virtual void dispose();
    virtual bool loadFromResource(int32_t resourceId);
    // Images come only from resources: always false.
    virtual bool loadFromPath(const void* platformPath);

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    int32_t getResourceId() const { return resourceId; }
    bool isLoaded() const { return handle != nullptr; }
    bool getNoAlphaChannel() const { return noAlpha; }
    void setTransparentColor(CColor color) { transparentColor = color; }
    CColor getTransparentColor() const { return transparentColor; }

protected:
    bool drawable(CDrawContext* context, CRect& target) const;

    platform::Platform& platform;
    int32_t resourceId;
    int32_t width = 0;
    int32_t height = 0;
    CColor transparentColor = kTransparentCColor;
    bool noAlpha = true;
    platform::Image* handle = nullptr;
};

} // namespace VSTGUI
