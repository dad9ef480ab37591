#include "vstgui/cbuttons.h"

#include <cstring>

namespace VSTGUI {

namespace {

void drawStripFrame(CBitmap* background, bool transparent, CDrawContext* context, const CRect& rect,
                    const CPoint& source)
{
    if (!background)
        return;
    if (transparent)
        background->drawTransparent(context, rect, source);
    else
        background->draw(context, rect, source);
}

} // namespace

CMovieButton::CMovieButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                           CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), heightOfOneImage(heightOfOneImage)
{
}

void CMovieButton::draw(CDrawContext* context)
{
    bounceValue();
    // The strip is read from its left edge: offset plays no part in a movie
    // button's picture.
    const CPoint source(0, value == 0.0f ? 0 : heightOfOneImage);
    drawStripFrame(pBackground, bTransparencyEnabled, context, size, source);
    setDirty(false);
}

void CMovieButton::onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons)
{
    if (!acceptPress(context, buttons))
        return;
    const float entry = value;
    beginEdit();
    // Any change of buttons or modifiers ends the gesture, so the state read
    // at the press is what the loop compares against.
    if (CDrawContext::getMouseButtons() != 0)
        trackPress(context, where, entry, buttons);
    else
    {
        // Released before the first poll: the click still counts, and the
        // listener hears it even if the value ends where the last redraw left it.
        value = flipped(value);
        notifyListener(context);
    }
    endEdit();
}

bool CMovieButton::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CMovieButton") == 0 || CControl::isTypeOf(className));
}

CKickButton::CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                         CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), heightOfOneImage(heightOfOneImage)
{
}

void CKickButton::draw(CDrawContext* context)
{
    bounceValue();
    CPoint source = offset;
    if (value != 0.0f)
        source.offset(0, heightOfOneImage);
    drawStripFrame(pBackground, bTransparencyEnabled, context, size, source);
    setDirty(false);
}

void CKickButton::onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons)
{
    if (!acceptPress(context, buttons))
        return;
    const float entry = value;
    beginEdit();
    // Only a plain left press is followed; with anything else held the
    // button just fires once.
    if (CDrawContext::getMouseButtons() == kLeftButton)
        trackPress(context, where, entry, kLeftButton);
    else
    {
        value = flipped(value);
        notifyListener(context);
    }
    // The listener always hears the fall back to rest, even when the pointer
    // left the button before the release and the value is already 0.
    value = 0.0f;
    notifyListener(context);
    endEdit();
}

bool CKickButton::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CKickButton") == 0 || CControl::isTypeOf(className));
}

} // namespace VSTGUI
