#include "vstgui/cview_container.h"

#include "vstgui/cframe.h"

#include <cstring>

namespace VSTGUI {

CViewContainer::DrawTarget::DrawTarget(CViewContainer& container, CDrawContext* context)
    : shift(container.bDrawInOffscreen ? nullptr : context, CPoint(container.size.left, container.size.top)),
      target(context)
{
    if (!container.bDrawInOffscreen)
        return;
    if (!container.pOffscreenContext)
        container.createOffscreenContext();
    target = container.pOffscreenContext;
}

CRect CViewContainer::readClip(CDrawContext* context, CRect& kept) const
{
    CRect clip;
    context->getClipRect(clip);
    kept = clip;
    // An offscreen buffer starts at the container's own top-left.
    if (bDrawInOffscreen && pParentFrame != static_cast<const CView*>(this))
        clip.offset(-clip.left, -clip.top);
    return clip;
}

CViewContainer::CViewContainer(const CRect& size) : CView(size)
{
    bDirty = true;
}

CViewContainer::~CViewContainer()
{
    removeAll(true);
    releaseOffscreenContext();
}

void CViewContainer::createOffscreenContext()
{
    pOffscreenContext = new COffscreenContext(pParentFrame, size.width(), size.height(), kBlackCColor);
}

void CViewContainer::releaseOffscreenContext()
{
    if (pOffscreenContext)
        pOffscreenContext->release();
    pOffscreenContext = nullptr;
}

void CViewContainer::drawBackground(CDrawContext* target, const CRect& rect, const CRect& destination)
{
    if (pBackground)
    {
        if (bTransparencyEnabled)
            pBackground->drawTransparent(target, destination, backgroundOffset);
        else
            pBackground->draw(target, destination, backgroundOffset);
    }
    else if (!bTransparencyEnabled)
    {
        target->setFillColor(backgroundColor);
        target->fillRect(rect);
    }
}

void CViewContainer::draw(CDrawContext* context)
{
    if (!context)
        return;
    DrawTarget drawTarget(*this, context);
    CDrawContext* target = drawTarget.get();
    if (!target)
        return;
    const CRect r = localBounds();
    CRect keptClip;
    const CRect oldClip = readClip(context, keptClip);

    CRect newClip = r;
    target->setClipRect(newClip.bound(oldClip));

    drawBackground(target, r, r);

    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        CRect clip;
        node->pView->getViewSize(clip);
        target->setClipRect(clip.bound(oldClip));
        node->pView->draw(target);
    }

    target->setClipRect(keptClip);
    if (bDrawInOffscreen)
        pOffscreenContext->copyFrom(context, size, CPoint(0, 0));
    setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect)
{
    if (!context)
        return;
    DrawTarget drawTarget(*this, context);
    CDrawContext* target = drawTarget.get();
    if (!target)
        return;

    CRect u = updateRect;
    u.bound(size);
    CRect client = u;
    client.offset(-size.left, -size.top);
    CRect keptClip;
    const CRect oldClip = readClip(context, keptClip);

    CRect newClip = client;
    newClip.bound(oldClip);
    target->setClipRect(newClip);

    drawBackgroundRect(target, client);

    const bool partialRedrawKeepsDirty = !isTypeOf("CScrollContainer");
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        CView* child = node->pView;
        if (!child->overlapsUpdate(client))
            continue;
        CRect childSize;
        child->getViewSize(childSize);
        CRect visible = childSize;
        visible.bound(newClip);
        if (visible.width() == 0 || visible.height() == 0)
            continue;
        target->setClipRect(visible);
        const bool wasDirty = child->isDirty();
        child->drawRect(target, client);
        // A partly drawn child stays dirty so the rest is drawn next time.
        if (wasDirty && visible != childSize && partialRedrawKeepsDirty)
            child->setDirty(true);
    }

    target->setClipRect(keptClip);
    if (bDrawInOffscreen)
        pOffscreenContext->copyFrom(context, u, CPoint(client.left, client.top));
    setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect)
{
    if (!context)
        return;
    if (pBackground)
    {
        CRect oldClip;
        context->getClipRect(oldClip);
        CRect clip = rect;
        context->setClipRect(clip.bound(oldClip));
        drawBackground(context, rect, CRect(0, 0, pBackground->getWidth(), pBackground->getHeight()));
        context->setClipRect(oldClip);
    }
    else if (!bTransparencyEnabled)
        drawBackground(context, rect, rect);
}

void CViewContainer::onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons)
{
    CPoint local = where;
    local.offset(-size.left, -size.top);
    if (buttons == kMouseStateUnknown && context)
        buttons = context->getMouseButtons();
    for (CCView* node = pLastView; node; node = node->pPrevious)
    {
        CView* child = node->pView;
        if (child->getMouseEnabled() && child->hitTest(local, buttons))
        {
            child->onMouseDown(context, local, buttons);
            return;
        }
    }
}

int32_t CViewContainer::routeKey(KeyHandler handler, VstKeyCode& keyCode)
{
    for (CCView* node = pLastView; node; node = node->pPrevious)
    {
        const int32_t result = (node->pView->*handler)(keyCode);
        if (result != -1)
            return result;
    }
    return -1;
}

int32_t CViewContainer::onKeyDown(VstKeyCode& keyCode) { return routeKey(&CView::onKeyDown, keyCode); }

int32_t CViewContainer::onKeyUp(VstKeyCode& keyCode) { return routeKey(&CView::onKeyUp, keyCode); }

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance)
{
    CView* view = getViewAt(where, false);
    if (!view)
        return false;
    CPoint local = where;
    local.offset(-size.left, -size.top);
    CDrawContext::OriginShift shift(context, CPoint(size.left, size.top));
    return view->onWheel(context, local, axis, distance);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance)
{
    return onWheel(context, where, kMouseWheelAxisY, distance);
}

void CViewContainer::loseFocus(CDrawContext* context)
{
    for (CCView* node = pFirstView; node; node = node->pNext)
        node->pView->loseFocus(context);
}

void CViewContainer::gainFocus(CDrawContext* context)
{
    for (CCView* node = pFirstView; node; node = node->pNext)
        node->pView->gainFocus(context);
}

bool CViewContainer::isDirty() const
{
    if (bDirty)
        return true;
    const CRect bounds = localBounds();
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        if (!node->pView->isDirty())
            continue;
        CRect visible;
        node->pView->getViewSize(visible);
        visible.bound(bounds);
        if (visible.width() > 0 && visible.height() > 0)
            return true;
    }
    return false;
}

void CViewContainer::setViewSize(const CRect& rect)
{
    CView::setViewSize(rect);
    if (pOffscreenContext && bDrawInOffscreen)
    {
        releaseOffscreenContext();
        createOffscreenContext();
    }
}

bool CViewContainer::onRemoved(CView*)
{
    releaseOffscreenContext();
    return true;
}

bool CViewContainer::onAttached(CView*)
{
    // Children added before this container joined a tree learn their frame now.
    attachSubtree(pParentFrame);
    if (bDrawInOffscreen && !pOffscreenContext)
        createOffscreenContext();
    return true;
}

void CViewContainer::attachSubtree(CFrame* frame)
{
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        node->pView->pParentFrame = frame;
        if (node->pView->isTypeOf("CViewContainer"))
            static_cast<CViewContainer*>(node->pView)->attachSubtree(frame);
    }
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const
{
    point.offset(-size.left, -size.top);
    return CView::frameToLocal(point);
}

CPoint& CViewContainer::localToFrame(CPoint& point) const
{
    point.offset(size.left, size.top);
    return CView::localToFrame(point);
}

int32_t CViewContainer::notify(CView*, const char* message)
{
    return message == kMsgCheckIfViewContainer ? 1 : 0;
}

void CViewContainer::redrawRect(CDrawContext* context, const CRect& rect)
{
    CRect r = rect;
    r.offset(size.left, size.top);
    if (bTransparencyEnabled)
    {
        // What lies behind a transparent container is its parent's to paint.
        if (pParentView)
            pParentView->redrawRect(context, r);
        else if (pParentFrame)
            pParentFrame->drawRect(context, r);
        return;
    }
    if (!context)
        return;
    if (!pParentView)
    {
        drawRect(context, r);
        return;
    }
    CPoint origin(0, 0);
    pParentView->localToFrame(origin);
    CDrawContext::OriginShift shift(context, origin);
    drawRect(context, r);
}

bool CViewContainer::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CViewContainer") == 0 || CView::isTypeOf(className));
}

void CViewContainer::update(CDrawContext* context)
{
    if (mode != kUpdateAll && mode != kUpdateDirtyOnly)
        return;
    const CRect whole = localBounds();
    const bool redrawWhole = mode == kUpdateAll ? isDirty() : bDirty;
    if (redrawWhole)
    {
        if (context)
            redrawRect(context, whole);
        else if (pParentFrame)
            pParentFrame->redrawView(this);
        setDirty(false);
        return;
    }
    if (mode == kUpdateAll)
        return;
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        CView* child = node->pView;
        if (!child->isDirty() || !child->overlapsUpdate(whole))
            continue;
        if (child->notify(this, kMsgCheckIfViewContainer))
            child->update(context);
        else
        {
            CRect visible;
            child->getViewSize(visible);
            child->redrawRect(context, visible.bound(whole));
        }
    }
    setDirty(false);
}

void CViewContainer::addView(CView* view, const CRect& mouseableArea, bool mouseEnabled)
{
    if (!view)
        return;
    view->setMouseEnabled(mouseEnabled);
    view->setMouseableArea(mouseableArea);
    addView(view);
}

void CViewContainer::addView(CView* view)
{
    if (!view)
        return;
    auto* node = new CCView{view, nullptr, pLastView};
    view->retain();
    view->pParentFrame = pParentFrame;
    view->pParentView = this;
    if (pLastView)
        pLastView->pNext = node;
    else
        pFirstView = node;
    pLastView = node;
    view->onAttached(this);
    view->setDirty(true);
}

void CViewContainer::detachChild(CView* view, bool withRelease)
{
    // The focus may sit inside the view that goes: it must not outlive it.
    if (pParentFrame)
    {
        CView* focus = pParentFrame->getFocusView();
        if (focus && (focus == view || (view->isTypeOf("CViewContainer") &&
                                        static_cast<CViewContainer*>(view)->isDescendant(focus))))
            pParentFrame->setFocusView(nullptr);
        pParentFrame->viewRemoved(view);
    }
    if (pCurrentDragView == view)
        pCurrentDragView = nullptr;
    view->onRemoved(this);
    if (view->isTypeOf("CViewContainer"))
        static_cast<CViewContainer*>(view)->attachSubtree(nullptr);
    view->pParentFrame = nullptr;
    view->pParentView = nullptr;
    if (withRelease)
        view->release();
}

void CViewContainer::removeView(CView* view, bool withRelease)
{
    if (!view)
        return;
    CCView* node = pFirstView;
    while (node && node->pView != view)
        node = node->pNext;
    if (!node)
    {
        // Not a child: only a focus on it is dropped.
        if (pParentFrame && pParentFrame->getFocusView() == view)
            pParentFrame->setFocusView(nullptr);
        return;
    }
    detachChild(view, withRelease);
    (node->pPrevious ? node->pPrevious->pNext : pFirstView) = node->pNext;
    (node->pNext ? node->pNext->pPrevious : pLastView) = node->pPrevious;
    delete node;
    view->release();
}

void CViewContainer::removeAll(bool withRelease)
{
    CCView* node = pFirstView;
    pFirstView = pLastView = nullptr;
    while (node)
    {
        CCView* next = node->pNext;
        CView* view = node->pView;
        detachChild(view, withRelease);
        delete node;
        view->release();
        node = next;
    }
}

bool CViewContainer::isChild(CView* view) const
{
    for (CCView* node = pFirstView; node; node = node->pNext)
        if (node->pView == view)
            return true;
    return false;
}

bool CViewContainer::isDescendant(const CView* view) const
{
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        if (node->pView == view)
            return true;
        if (node->pView->isTypeOf("CViewContainer") &&
            static_cast<const CViewContainer*>(node->pView)->isDescendant(view))
            return true;
    }
    return false;
}

int32_t CViewContainer::getViewCount() const
{
    int32_t count = 0;
    for (CCView* node = pFirstView; node; node = node->pNext)
        ++count;
    return count;
}

CView* CViewContainer::getView(int32_t index) const
{
    if (index < 0)
        return nullptr;
    for (CCView* node = pFirstView; node; node = node->pNext, --index)
        if (index == 0)
            return node->pView;
    return nullptr;
}

void CViewContainer::setBackgroundColor(CColor color)
{
    backgroundColor = color;
    setDirty(true);
}

CColor CViewContainer::getBackgroundColor() const { return backgroundColor; }

void CViewContainer::setBackgroundOffset(const CPoint& offset) { backgroundOffset = offset; }

const CPoint& CViewContainer::getBackgroundOffset() const { return backgroundOffset; }

void CViewContainer::setMode(int32_t newMode) { mode = newMode; }

int32_t CViewContainer::getMode() const { return mode; }

void CViewContainer::setOffscreenDrawing(bool enabled)
{
    bDrawInOffscreen = enabled;
    if (!enabled)
        releaseOffscreenContext();
}

CView* CViewContainer::getCurrentView() const
{
    if (!pParentFrame)
        return nullptr;
    CPoint where;
    pParentFrame->getCurrentLocation(where);
    frameToLocal(where);
    for (CCView* node = pLastView; node; node = node->pPrevious)
    {
        CRect area;
        if (node->pView->getMouseableArea(area).pointInside(where))
            return node->pView;
    }
    return nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const
{
    if (!pParentFrame)
        return nullptr;
    CPoint local = where;
    local.offset(-size.left, -size.top);
    for (CCView* node = pLastView; node; node = node->pPrevious)
    {
        CView* child = node->pView;
        CRect area;
        if (!child->getMouseableArea(area).pointInside(local))
            continue;
        if (deep && child->isTypeOf("CViewContainer"))
            return static_cast<CViewContainer*>(child)->getViewAt(local, deep);
        return child;
    }
    return nullptr;
}

bool CViewContainer::focusNextView(CView* oldFocus, bool reverse)
{
    bool passedOld = oldFocus == nullptr;
    for (CCView* node = reverse ? pLastView : pFirstView; node; node = reverse ? node->pPrevious : node->pNext)
    {
        CView* child = node->pView;
        if (!passedOld)
        {
            passedOld = child == oldFocus;
            continue;
        }
        if (child->wantsFocus())
        {
            if (pParentFrame)
                pParentFrame->setFocusView(child);
            return true;
        }
        if (child->isTypeOf("CViewContainer") && static_cast<CViewContainer*>(child)->focusNextView(nullptr, reverse))
            return true;
    }
    return false;
}

namespace {

// For the length of one drag call: the context moved into a container's
// coordinates, and the cursor position in them, as handed to its children.
struct LocalDrag
{
    LocalDrag(CDrawContext* context, const CRect& size, const CPoint& where)
        : shift(context, CPoint(size.left, size.top)), local(CPoint(where).offset(-size.left, -size.top))
    {
    }
    CDrawContext::OriginShift shift;
    const CPoint local;
};

} // namespace

void CViewContainer::leaveDragView(CDrawContext* context, CDragContainer* drag, const CPoint& local)
{
    if (pCurrentDragView)
        pCurrentDragView->onDragLeave(context, drag, local);
    pCurrentDragView = nullptr;
}

// Drags reach the child under the cursor.
void CViewContainer::onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where)
{
    if (!pParentFrame)
        return;
    const LocalDrag at(context, size, where);
    leaveDragView(context, drag, at.local);
    pCurrentDragView = getViewAt(where, false);
    if (pCurrentDragView)
        pCurrentDragView->onDragEnter(context, drag, at.local);
}

void CViewContainer::onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where)
{
    if (!pParentFrame)
        return;
    const LocalDrag at(context, size, where);
    CView* over = getViewAt(where, false);
    if (over == pCurrentDragView)
    {
        if (over)
            over->onDragMove(context, drag, at.local);
        return;
    }
    leaveDragView(context, drag, at.local);
    pCurrentDragView = over;
    if (over)
        over->onDragEnter(context, drag, at.local);
}

void CViewContainer::onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where)
{
    if (!pParentFrame)
        return;
    const LocalDrag at(context, size, where);
    leaveDragView(context, drag, at.local);
}

bool CViewContainer::onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where)
{
    if (!pParentFrame)
        return false;
    const LocalDrag at(context, size, where);
    CView* over = getViewAt(where, false);
    if (over != pCurrentDragView)
    {
        // A child the drag never entered gets the drop without an enter.
        leaveDragView(context, drag, at.local);
        pCurrentDragView = over;
    }
    const bool result = pCurrentDragView && pCurrentDragView->onDrop(context, drag, at.local);
    leaveDragView(context, drag, at.local);
    return result;
}

} // namespace VSTGUI
