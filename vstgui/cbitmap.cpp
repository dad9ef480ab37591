#include "vstgui/cbitmap.h"

namespace VSTGUI {

CBitmap::CBitmap(int32_t resourceId) : platform(platform::current()), resourceId(resourceId)
{
    loadFromResource(resourceId);
    transparentColor = kTransparentCColor;
}

CBitmap::~CBitmap()
{
    if (handle)
        platform.destroyImage(handle);
    handle = nullptr;
    width = height = 0;
    noAlpha = false;
}

void CBitmap::dispose()
{
    if (handle)
        platform.destroyImage(handle);
    handle = nullptr;
    width = height = 0;
    noAlpha = false;
}

bool CBitmap::loadFromResource(int32_t id)
{
    dispose();
    resourceId = id;
    handle = platform.loadImage(id & 0xFFFF);
    if (!handle)
        return false;
    int32_t w = 0;
    int32_t h = 0;
    if (!platform.imageSize(handle, w, h))
        return false; // an image whose size cannot be read stays at 0 x 0
    width = w;
    height = h;
    noAlpha = true;
    return true;
}

bool CBitmap::loadFromPath(const void*)
{
    dispose();
    return false;
}

bool CBitmap::drawable(CDrawContext* context, CRect& target) const
{
    if (!handle || !context)
        return false;
    target.offset(context->offset.x, context->offset.y);
    return true;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset)
{
    CRect target = rect;
    if (drawable(context, target))
        platform.drawImage(context->getSystemContext(), target, handle, offset);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset)
{
    CRect target = rect;
    if (drawable(context, target))
        platform.drawImageKeyed(context->getSystemContext(), target, handle, offset, transparentColor);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, uint8_t alpha)
{
    CRect target = rect;
    if (drawable(context, target))
        platform.drawImageBlended(context->getSystemContext(), target, handle, offset, alpha);
}

} // namespace VSTGUI
