#include "vstgui/cframe.h"

#include <cstring>

namespace VSTGUI {

CFrame::CFrame(const CRect& size, platform::WindowRef parentWindow, void* editor)
    : CViewContainer(size), platform(platform::current()), pEditor(editor), parentWindow(parentWindow)
{
    pParentFrame = this;
    imageLibrary = platform.acquireBlitSupport();
}

CFrame::~CFrame()
{
    // The children go while this is still a whole frame: removing them asks
    // for the focus view.
    removeAll(true);
    pFocusView = nullptr;
    if (imageLibrary)
        platform.releaseBlitSupport(imageLibrary);
    imageLibrary = nullptr;
}

CDrawContext* CFrame::makeContext() { return new CDrawContext(this, nullptr, window); }

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

bool CFrame::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CFrame") == 0 || CViewContainer::isTypeOf(className));
}

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

bool CFrame::getCurrentLocation(CPoint& where)
{
    where = platform.cursorScreenPosition();
    CRect windowRect;
    if (window && platform.windowScreenRect(window, windowRect))
        where.offset(-windowRect.left, -windowRect.top);
    return true;
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

} // namespace VSTGUI
