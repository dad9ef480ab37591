#include "vstgui/cframe.h"

#include "vstgui/cdrag_container.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace VSTGUI {

namespace {

// Module-wide: one window class for every frame, and one drag at a time.
int32_t gClassUseCount = 0;
char gClassName[64] = "";
CDragContainer* gCurrentDrag = nullptr;
const CFrame* gDragFrame = nullptr;

constexpr int32_t kOuterWindowSlack = 60;
constexpr int32_t kManualResizeStop = 80;

} // namespace

const char* CFrame::getClassName() { return gClassName; }

int32_t CFrame::getClassUseCount() { return gClassUseCount; }

CDragContainer* CFrame::getCurrentDragContainer() { return gCurrentDrag; }

CFrame::CFrame(const CRect& size, platform::WindowRef parentWindow, EditorBinding* editor)
    : CViewContainer(size), platform(platform::current()), pEditor(editor), parentWindow(parentWindow)
{
    pParentFrame = this;
    bDragAndDropAvailable = platform.beginDragAndDrop();
    imageLibrary = platform.acquireBlitSupport();
    if (parentWindow)
        createWindow();
}

CFrame::~CFrame()
{
    if (pModalView)
        removeView(pModalView, false);
    pModalView = nullptr;
    if (!bDefaultCursorSaved)
        defaultCursor = platform.currentCursor();
    platform.setCursor(defaultCursor);
    if (bDropActive && window)
        setDropActive(false);
    if (gDragFrame == this && gCurrentDrag)
    {
        // A drag over this frame ends with it: nothing will report its leave.
        gCurrentDrag->release();
        gCurrentDrag = nullptr;
        gDragFrame = nullptr;
    }
    if (bDragAndDropAvailable)
        platform.endDragAndDrop();
    if (imageLibrary)
        platform.releaseBlitSupport(imageLibrary);
    imageLibrary = nullptr;
    if (window)
    {
        platform.detachWindow(window);
        platform.destroyWindow(window);
        window = nullptr;
        if (--gClassUseCount == 0)
            platform.unregisterWindowClass(gClassName);
    }
    // The children go while this is still a whole frame: removing them asks
    // for the focus view.
    removeAll(true);
    pFocusView = nullptr;
}

void CFrame::createWindow()
{
    if (gClassUseCount++ == 0)
    {
        std::snprintf(gClassName, sizeof gClassName, "Plugin%p", platform::moduleHandle());
        platform.registerWindowClass(gClassName);
        CDrawContext::setButtonsSwapped(platform.buttonsSwapped());
    }
    window = platform.createChildWindow(gClassName, parentWindow, size.width(), size.height(), this);
    if (!window)
    {
        // Nothing will give the class back on this frame's behalf.
        if (--gClassUseCount == 0)
            platform.unregisterWindowClass(gClassName);
        return;
    }
    setDropActive(true);
}

CDrawContext* CFrame::makeContext() const
{
    return new CDrawContext(const_cast<CFrame*>(this), nullptr, window);
}

// ---------------------------------------------------------------- drawing

void CFrame::draw(CDrawContext* context)
{
    bFirstDraw = false;
    CViewContainer::draw(context);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect)
{
    bFirstDraw = false;
    CDrawContext* made = context ? nullptr : makeContext();
    CDrawContext* c = context ? context : made;
    CRect oldClip;
    c->getClipRect(oldClip);
    CRect clip = updateRect;
    c->setClipRect(clip.bound(oldClip));
    if (updateRect.width() > 0 && updateRect.height() > 0)
        CViewContainer::drawRect(c, updateRect);
    c->setClipRect(oldClip);
    if (made)
        made->release();
}

void CFrame::idle()
{
    if (!bOpenFlag || bFirstDraw || !isDirty())
        return;
    CDrawContext* context = makeContext();
    update(context);
    context->release();
}

void CFrame::update(CDrawContext* context)
{
    if (!bOpenFlag || bUpdatesDisabled || !context)
        return;
    if (bDirty)
    {
        draw(context);
        setDirty(false);
        return;
    }
    CRect oldClip;
    context->getClipRect(oldClip);
    if (pModalView && pModalView->isDirty())
        pModalView->update(context);
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        CRect clip;
        node->pView->getViewSize(clip);
        context->setClipRect(clip.bound(oldClip));
        node->pView->update(context);
    }
    context->setClipRect(oldClip);
}

void CFrame::redrawView(CView* view)
{
    if (view && !isChild(view))
        view = nullptr;
    CDrawContext* context = makeContext();
    if (view)
        view->draw(context);
    else
        draw(context);
    context->release();
}

void CFrame::invalidate(const CRect& rect)
{
    for (CCView* node = pFirstView; node; node = node->pNext)
    {
        CRect viewSize;
        if (node->pView->getViewSize(viewSize).rectOverlap(rect))
            node->pView->setDirty(true);
    }
}

bool CFrame::updatesDisabled(bool disabled)
{
    const bool previous = bUpdatesDisabled;
    bUpdatesDisabled = disabled;
    return previous;
}

// ---------------------------------------------------------------- input

void CFrame::onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons)
{
    if (pFocusView)
        setFocusView(nullptr);
    if (buttons == kMouseStateUnknown && context)
        buttons = context->getMouseButtons();
    if (!pModalView)
        CViewContainer::onMouseDown(context, where, buttons);
    else if (pModalView->hitTest(where, buttons))
        pModalView->onMouseDown(context, where, buttons);
}

int32_t CFrame::onKeyDown(VstKeyCode& keyCode)
{
    int32_t result = -1;
    if (pFocusView)
        result = pFocusView->onKeyDown(keyCode);
    if (result == -1 && pModalView)
        result = pModalView->onKeyDown(keyCode);
    if (result != -1)
        return result;
    if (keyCode.virt == VKEY_TAB && focusNextView(pFocusView, (keyCode.modifier & MODIFIER_SHIFT) != 0))
        return 1;
    return -1;
}

int32_t CFrame::onKeyUp(VstKeyCode& keyCode)
{
    int32_t result = -1;
    if (pFocusView)
        result = pFocusView->onKeyUp(keyCode);
    if (result == -1 && pModalView)
        result = pModalView->onKeyUp(keyCode);
    return result;
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance)
{
    CView* target = pModalView ? pModalView : getViewAt(where, false);
    if (!target)
        return false;
    CDrawContext* made = context ? nullptr : makeContext();
    const bool result = target->onWheel(context ? context : made, where, axis, distance);
    if (made)
        made->release();
    return result;
}

CView* CFrame::getCurrentView() const { return pModalView ? pModalView : CViewContainer::getCurrentView(); }

// ---------------------------------------------------------------- focus and modal view

void CFrame::setFocusView(CView* view)
{
    CView* old = pFocusView;
    pFocusView = view;
    if (view && view->wantsFocus())
        view->setDirty(true);
    if (old)
    {
        old->loseFocus(nullptr);
        if (old->wantsFocus())
            old->setDirty(true);
    }
}

bool CFrame::focusNextView(CView* oldFocus, bool reverse)
{
    if (pModalView)
        return false;
    if (!oldFocus)
        oldFocus = pFocusView;
    if (!oldFocus)
        return CViewContainer::focusNextView(nullptr, reverse);
    // Focus deeper in the tree continues after the direct child that holds it.
    CView* child = oldFocus;
    while (child && child->getParentView() != this)
        child = child->getParentView();
    if (!child)
        return false;
    if (CViewContainer::focusNextView(child, reverse))
        return true;
    setFocusView(nullptr);
    return false;
}

int32_t CFrame::setModalView(CView* view)
{
    if (view && pModalView)
        return 0;
    if (pModalView)
    {
        CView* old = pModalView;
        pModalView = nullptr;
        removeView(old, false);
    }
    pModalView = view;
    if (view)
        addView(view);
    return 1;
}

void CFrame::viewRemoved(CView* view)
{
    if (pModalView == view)
        pModalView = nullptr;
}

// ---------------------------------------------------------------- editor

void CFrame::doIdleWork()
{
    if (pEditor)
        pEditor->doIdleStuff();
}

uint32_t CFrame::getTicks() const { return pEditor ? platform.tickCount() : 0; }

int32_t CFrame::getKnobMode() const { return pEditor ? pEditor->getKnobMode() : 0; }

void CFrame::beginEdit(int32_t index)
{
    if (pEditor)
        pEditor->beginEdit(index);
}

void CFrame::endEdit(int32_t index)
{
    if (pEditor)
        pEditor->endEdit(index);
}

// ---------------------------------------------------------------- window geometry

bool CFrame::open(CPoint*) { return false; }

bool CFrame::close() { return false; }

bool CFrame::setPosition(int32_t, int32_t) { return false; }

platform::WindowRef CFrame::getOuterWindow() const
{
    platform::WindowRef current = window;
    while (current)
    {
        if (platform.windowHasCaption(current))
            return current;
        platform::WindowRef parent = platform.parentWindow(current);
        if (!parent)
            return current;
        CRect own, outer;
        if (!platform.windowScreenRect(current, own) || !platform.windowScreenRect(parent, outer))
            return current;
        if (std::abs(own.width() - outer.width()) > kOuterWindowSlack ||
            std::abs(own.height() - outer.height()) > kOuterWindowSlack)
            return current;
        current = parent;
    }
    return nullptr;
}

bool CFrame::getPosition(int32_t& x, int32_t& y) const
{
    if (!bOpenFlag)
        return false;
    platform::WindowRef outer = getOuterWindow();
    CRect rect;
    if (!outer || !platform.windowScreenRect(outer, rect))
        return false;
    const CPoint topLeft = platform.screenToClient(platform.parentWindow(outer), CPoint(rect.left, rect.top));
    x = topLeft.x;
    y = topLeft.y;
    return true;
}

bool CFrame::getSize(CRect* rect) const { return rect && getSize(*rect); }

bool CFrame::getSize(CRect& out) const
{
    if (!bOpenFlag)
        return false;
    platform::WindowRef host = platform.parentWindow(window);
    CRect rect;
    if (!host || !platform.windowScreenRect(host, rect))
        return false;
    platform::WindowRef outer = platform.parentWindow(platform.parentWindow(host));
    const CPoint topLeft = platform.screenToClient(outer, CPoint(rect.left, rect.top));
    out = CRect(topLeft.x, topLeft.y, topLeft.x + rect.width(), topLeft.y + rect.height());
    return true;
}

void CFrame::setViewSize(const CRect& rect) { setSize(rect.width(), rect.height()); }

bool CFrame::setSize(int32_t width, int32_t height)
{
    if (!bOpenFlag || (width == size.width() && height == size.height()))
        return false;
    if (pEditor && pEditor->sizeWindow(width, height))
    {
        size.right = size.left + width;
        size.bottom = size.top + height;
        if (window)
            platform.setWindowSize(window, width, height);
        return true;
    }

    // The host cannot resize: grow the chain of windows up to the host's own,
    // until a parent is clearly more than a border around its child.
    size.right = size.left + width;
    size.bottom = size.top + height;
    const int32_t border = 2 * platform.dialogFrameThickness();
    int32_t extraWidth = 0;
    int32_t extraHeight = 0;
    platform::WindowRef current = window;
    while (extraWidth != border && current)
    {
        platform::WindowRef parent = platform.parentWindow(current);
        if (!parent)
            break;
        char className[1024];
        if (platform.windowClassName(parent, className, sizeof className) && std::strcmp(className, "MDIClient") == 0)
            break;
        CRect own, outer;
        platform.windowScreenRect(current, own);
        platform.windowScreenRect(parent, outer);
        platform.setWindowSize(current, width + extraWidth, height + extraHeight);
        extraWidth += outer.width() - own.width();
        extraHeight += outer.height() - own.height();
        if (extraWidth > kManualResizeStop || extraHeight > kManualResizeStop)
            return true;
        if (extraWidth < 0)
            extraWidth = 0;
        if (extraHeight < 0)
            extraHeight = 0;
        current = parent;
    }
    if (current)
        platform.setWindowSize(current, width + extraWidth, height + extraHeight);
    CViewContainer::setViewSize(CRect(0, 0, width, height));
    return true;
}

bool CFrame::getCurrentLocation(CPoint& where)
{
    where = platform.cursorScreenPosition();
    CRect windowRect;
    if (window && platform.windowScreenRect(window, windowRect))
        where.offset(-windowRect.left, -windowRect.top);
    return true;
}

void CFrame::setCursor(CCursorType type)
{
    if (!bDefaultCursorSaved)
    {
        defaultCursor = platform.currentCursor();
        bDefaultCursorSaved = true;
    }
    static const struct
    {
        CCursorType type;
        platform::CursorShape shape;
    } kShapes[] = {
        {kCursorWait, platform::CursorShape::wait},         {kCursorHSize, platform::CursorShape::sizeWE},
        {kCursorVSize, platform::CursorShape::sizeNS},      {kCursorSizeAll, platform::CursorShape::sizeAll},
        {kCursorNESWSize, platform::CursorShape::sizeNESW}, {kCursorNWSESize, platform::CursorShape::sizeNWSE},
        {kCursorNotAllowed, platform::CursorShape::no},     {kCursorHand, platform::CursorShape::hand},
    };
    for (const auto& entry : kShapes)
        if (entry.type == type)
        {
            platform.setCursor(platform.systemCursor(entry.shape));
            return;
        }
    platform.setCursor(defaultCursor);
}

bool CFrame::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CFrame") == 0 || CViewContainer::isTypeOf(className));
}

// ---------------------------------------------------------------- the window's reports

void CFrame::windowDestroyed()
{
    // The host destroyed its window and ours with it; a drop target must not
    // outlive the window it was registered for.
    if (bDropTargetRegistered)
        platform.revokeDropTarget(window);
    bDropTargetRegistered = false;
    bDropActive = false;
    setOpenFlag(false);
    parentWindow = nullptr;
}

void CFrame::windowPaint(platform::Surface* surface, const CRect& rect)
{
    CDrawContext* context = new CDrawContext(this, surface, window);
    drawRect(context, rect);
    context->release();
}

void CFrame::windowButtonDown(CPoint where)
{
    CDrawContext* context = makeContext();
    onMouseDown(context, where, kMouseStateUnknown);
    context->release();
}

void CFrame::windowWheel(CPoint where, float notches)
{
    CDrawContext* context = makeContext();
    onWheel(context, where, notches);
    context->release();
}

// ---------------------------------------------------------------- drag and drop

bool CFrame::setDropActive(bool active)
{
    if (!bDropActive && !active)
        return true;
    if (!window)
        return false;
    if (bDropTargetRegistered)
    {
        platform.revokeDropTarget(window);
        bDropTargetRegistered = false;
    }
    if (active)
        bDropTargetRegistered = bDragAndDropAvailable && platform.registerDropTarget(window, this);
    // Without drag and drop on this thread the frame stays closed to drops.
    bDropActive = active && bDropTargetRegistered;
    return bDropActive == active;
}

void CFrame::routeDrag(DragEvent event)
{
    CDrawContext* context = makeContext();
    CPoint where(0, 0);
    getMouseLocation(context, where);
    switch (event)
    {
    case DragEvent::enter:
        onDragEnter(context, gCurrentDrag, where);
        break;
    case DragEvent::move:
        onDragMove(context, gCurrentDrag, where);
        break;
    case DragEvent::leave:
        onDragLeave(context, gCurrentDrag, where);
        break;
    case DragEvent::drop:
        onDrop(context, gCurrentDrag, where);
        break;
    }
    context->release();
}

void CFrame::endDrag()
{
    if (gCurrentDrag)
        gCurrentDrag->release();
    gCurrentDrag = nullptr;
    gDragFrame = nullptr;
}

bool CFrame::dropEnter(const platform::DragData& data)
{
    // A drag that never reported its end leaves no container behind.
    endDrag();
    gCurrentDrag = new CDragContainer(data);
    gDragFrame = this;
    routeDrag(DragEvent::enter);
    return true;
}

void CFrame::dropOver()
{
    if (gCurrentDrag)
        routeDrag(DragEvent::move);
}

void CFrame::dropLeave()
{
    if (!gCurrentDrag)
        return;
    routeDrag(DragEvent::leave);
    endDrag();
}

void CFrame::dropDrop()
{
    if (!gCurrentDrag)
        return;
    routeDrag(DragEvent::drop);
    endDrag();
}

} // namespace VSTGUI
