#include "vstgui/cview.h"

#include "vstgui/cframe.h"

#include <cstring>

namespace VSTGUI {

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::~CView()
{
    if (pBackground)
        pBackground->release();
}

void CView::draw(CDrawContext* context)
{
    if (pBackground)
    {
        if (bTransparencyEnabled)
            pBackground->drawTransparent(context, size);
        else
            pBackground->draw(context, size);
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

bool CView::overlapsUpdate(const CRect& rect) const { return rect.rectOverlap(size); }

void CView::onMouseDown(CDrawContext*, CPoint&, int32_t) {}

void CView::setBackground(CBitmap* background)
{
    if (background)
        background->retain();
    if (pBackground)
        pBackground->release();
    pBackground = background;
    setDirty(true);
}

CBitmap* CView::getBackground() const { return pBackground; }

int32_t CView::onKeyDown(VstKeyCode&) { return -1; }

int32_t CView::onKeyUp(VstKeyCode&) { return -1; }

bool CView::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis, float distance)
{
    return onWheel(context, where, distance);
}

bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }

bool CView::onDrop(CDrawContext*, CDragContainer*, const CPoint&) { return false; }

void CView::onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::onDragMove(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::loseFocus(CDrawContext*) {}

void CView::gainFocus(CDrawContext*) {}

bool CView::isDirty() const { return bDirty; }

void CView::setDirty(bool dirty) { bDirty = dirty; }

void CView::setMouseEnabled(bool enabled) { bMouseEnabled = enabled; }

bool CView::getMouseEnabled() const { return bMouseEnabled; }

void CView::setMouseableArea(const CRect& rect) { mouseableArea = rect; }

CRect& CView::getMouseableArea(CRect& rect) const
{
    rect = mouseableArea;
    return rect;
}

bool CView::hitTest(const CPoint& where, int32_t) { return mouseableArea.pointInside(where); }

void CView::setTransparency(bool transparent) { bTransparencyEnabled = transparent; }

bool CView::getTransparency() const { return bTransparencyEnabled; }

void CView::setViewSize(const CRect& rect)
{
    size = rect;
    setDirty(true);
}

CRect& CView::getViewSize(CRect& rect) const
{
    rect = size;
    return rect;
}

bool CView::onRemoved(CView*) { return true; }

bool CView::onAttached(CView*) { return true; }

void CView::getMouseLocation(CDrawContext* context, CPoint& point)
{
    if (context && pParentView && pParentView->notify(this, kMsgCheckIfViewContainer) == 1)
    {
        CRect parentSize;
        pParentView->getViewSize(parentSize);
        CDrawContext::OriginShift shift(context, CPoint(parentSize.left, parentSize.top));
        pParentView->getMouseLocation(context, point);
        return;
    }
    point = platform::current().cursorScreenPosition();
    if (context)
        point.offset(-context->offsetScreen.x, -context->offsetScreen.y);
}

CPoint& CView::frameToLocal(CPoint& point) const
{
    if (pParentView && pParentView->isTypeOf("CViewContainer"))
        return pParentView->frameToLocal(point);
    return point;
}

CPoint& CView::localToFrame(CPoint& point) const
{
    if (pParentView && pParentView->isTypeOf("CViewContainer"))
        return pParentView->localToFrame(point);
    return point;
}

void* CView::getEditor() const { return pParentFrame ? pParentFrame->getEditor() : nullptr; }

int32_t CView::notify(CView*, const char*) { return 0; }

void CView::redrawRect(CDrawContext* context, const CRect& rect)
{
    if (pParentView)
        pParentView->redrawRect(context, rect);
    else if (pParentFrame)
        pParentFrame->drawRect(context, rect);
}

bool CView::wantsFocus() const { return bWantsFocus; }

void CView::setWantsFocus(bool wants) { bWantsFocus = wants; }

bool CView::isTypeOf(const char* className) const { return className && std::strcmp(className, "CView") == 0; }

void CView::update(CDrawContext* context)
{
    if (!isDirty())
        return;
    if (context)
        redrawRect(context, size);
    else if (pParentFrame)
        pParentFrame->redrawView(this);
    setDirty(false);
}

} // namespace VSTGUI
