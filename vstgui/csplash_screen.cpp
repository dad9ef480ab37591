#include "vstgui/csplash_screen.h"

#include "vstgui/cframe.h"

#include <cstring>

namespace VSTGUI {

namespace {

// How both the splash and its view put the bitmap on screen.
void drawSplashBitmap(CBitmap* bitmap, CDrawContext* context, const CRect& rect, const CPoint& offset,
                      bool transparent, uint8_t alpha)
{
    if (!bitmap)
        return;
    if (!transparent)
        bitmap->draw(context, rect, offset);
    else if (alpha != 0)
        bitmap->drawAlphaBlend(context, rect, offset, alpha);
    else
        // Blending at zero opacity would show nothing at all; a zero alpha
        // asks for colour keying instead.
        bitmap->drawTransparent(context, rect, offset);
}

} // namespace

CSplashScreen::CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                             const CRect& toDisplay, const CPoint& offset)
    : CControl(size, listener, tag, background), toDisplay(toDisplay), offset(offset)
{
}

void CSplashScreen::draw(CDrawContext* context)
{
    // Closed, the control draws nothing and the frame's background shows.
    if (value != 0.0f)
        drawSplashBitmap(pBackground, context, toDisplay, offset, bTransparencyEnabled, alpha);
    setDirty(false);
}

void CSplashScreen::onMouseDown(CDrawContext* context, CPoint&, int32_t buttons)
{
    if (!acceptPress(context, buttons))
        return;
    value = flipped(value);
    if (value == 0.0f)
        return;
    auto* view = new CSplashScreenView(toDisplay, this);
    if (!pParentFrame || !pParentFrame->setModalView(view))
    {
        // Nowhere to show it (another modal view is up, or no frame at all):
        // the view goes at once and the splash stays closed rather than
        // claiming to be open.
        view->release();
        value = 0.0f;
        return;
    }
    openView = view;
    notifyListener(context);
    setDirty(true);
}

CSplashScreen::~CSplashScreen()
{
    if (!openView)
        return;
    CSplashScreenView* view = openView;
    openView = nullptr;
    view->splashScreen = nullptr;
    // A frame that is closing takes its modal view out without destroying it,
    // leaving the opener's reference; a view still in a frame is released
    // when it is clicked or the frame removes it.
    if (!view->getFrame())
        view->release();
}

bool CSplashScreen::hitTest(const CPoint& where, int32_t buttons)
{
    return mouseableArea.pointInside(where) && (buttons & kLeftButton) != 0;
}

bool CSplashScreen::isTypeOf(const char* className) const
{
    return className && (std::strcmp(className, "CSplashScreen") == 0 || CControl::isTypeOf(className));
}

void CSplashScreen::unSplash(CDrawContext* context)
{
    if (value == 0.0f)
        return;
    value = 0.0f;
    notifyListener(context);
}

CSplashScreenView::CSplashScreenView(const CRect& toDisplay, CSplashScreen* splashScreen)
    : CView(toDisplay), splashScreen(splashScreen)
{
    bTransparencyEnabled = splashScreen->getTransparency();
    pBackground = splashScreen->getBackground();
    if (pBackground)
        pBackground->retain();
    setDirty(true);
}

CSplashScreenView::~CSplashScreenView()
{
    if (splashScreen && splashScreen->openView == this)
        splashScreen->openView = nullptr;
}

void CSplashScreenView::draw(CDrawContext* context)
{
    // Drawn as the splash draws itself, except that the transparency setting
    // is the copy taken at opening.
    if (splashScreen)
        drawSplashBitmap(pBackground, context, size, splashScreen->getOffset(), bTransparencyEnabled,
                         splashScreen->getAlpha());
    setDirty(false);
}

void CSplashScreenView::onMouseDown(CDrawContext* context, CPoint&, int32_t buttons)
{
    // The state is taken as given: an unknown state (-1) counts as a left press.
    if (!(buttons & kLeftButton))
        return;
    if (splashScreen)
        splashScreen->unSplash(context);
    if (CFrame* frame = pParentFrame)
    {
        // The splash covered other views: everything is drawn again.
        frame->setDirty(true);
        frame->setModalView(nullptr);
    }
    // The opener's reference is the last one: this view is gone after this line.
    release();
}

} // namespace VSTGUI
