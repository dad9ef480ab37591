#include "vstgui/ccontrol.h"

#include "vstgui/cframe.h"

#include <cstring>

int32_t CControlListener::controlModifierClicked(VSTGUI::CDrawContext*, VSTGUI::CControl*, int32_t) { return 0; }

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag)
{
    if (background)
        background->retain();
    pBackground = background;
    setDirty(true);
}

// The background goes with the view part.
CControl::~CControl() = default;

bool CControl::isDirty() const
{
    // Written as a negated equality so that a NaN on either side counts as a change.
    return !(value == oldValue) || CView::isDirty();
}

void CControl::setDirty(bool dirty)
{
    CView::setDirty(dirty);
    if (dirty)
        // Any stand-in that differs from the value will do; -1 is the usual
        // one, so a value of exactly -1 needs another.
        oldValue = value == -1.0f ? 0.0f : -1.0f;
    else
        oldValue = value;
}

bool CControl::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CControl") == 0 || CView::isTypeOf(className));
}

void CControl::doIdleWork()
{
    if (pParentFrame)
        pParentFrame->doIdleWork();
}

void CControl::beginEdit()
{
    if (!pParentFrame)
        return;
    // Focus first, so that keys typed during the edit reach this control.
    pParentFrame->setFocusView(this);
    pParentFrame->beginEdit(tag);
}

void CControl::endEdit()
{
    if (pParentFrame)
        pParentFrame->endEdit(tag);
}

void CControl::setBackOffset(const CPoint& offset) { backOffset = offset; }

void CControl::copyBackOffset() { backOffset = CPoint(size.left, size.top); }

void CControl::bounceValue()
{
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

bool CControl::checkDefaultValue(CDrawContext* context, int32_t buttons)
{
    if (buttons != (kLeftButton | kControlKey))
        return false;
    beginEdit();
    value = getDefaultValue();
    if (isDirty())
        notifyListener(context);
    endEdit();
    return true;
}

bool CControl::acceptPress(CDrawContext* context, int32_t& buttons)
{
    if (!getMouseEnabled())
        return false;
    if (buttons == kMouseStateUnknown)
        buttons = CDrawContext::getMouseButtons();
    if (listener && (buttons & kModifierMask) && listener->controlModifierClicked(context, this, buttons) != 0)
        return false;
    return (buttons & kLeftButton) != 0;
}

void CControl::trackPress(CDrawContext* context, CPoint& where, float entry, int32_t held)
{
    do
    {
        value = size.pointInside(where) ? flipped(entry) : entry;
        if (isDirty())
            notifyListener(context);
        getMouseLocation(context, where);
        doIdleWork();
    } while (CDrawContext::getMouseButtons() == held);
}

void CControl::notifyListener(CDrawContext* context)
{
    if (listener)
        listener->valueChanged(context, this);
}

} // namespace VSTGUI
