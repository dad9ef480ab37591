// A control that, when clicked, shows its bitmap over a larger area as the
// frame's modal view until that view is clicked in turn.
#pragma once

#include "vstgui/ccontrol.h"

namespace VSTGUI {

class CSplashScreenView;

class CSplashScreen : public CControl
{
public:
    // toDisplay is the area the open splash covers, in frame coordinates;
    // offset is the bitmap pixel drawn at its top-left.
    CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                  const CRect& toDisplay, const CPoint& offset);
    ~CSplashScreen() override;

    void draw(CDrawContext* context) override;
    void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown) override;
    // Only a left press inside the mouseable area reaches the splash.
    bool hitTest(const CPoint& where, int32_t buttons = kMouseStateUnknown) override;
    bool isTypeOf(const char* className) const override;

    // Closes the splash: value back to 0, and the listener is told. A closed
    // splash stays silent.
    virtual void unSplash(CDrawContext* context);

    const CRect& getDisplayRect() const { return toDisplay; }
    const CPoint& getOffset() const { return offset; }
    void setAlpha(uint8_t value) { alpha = value; }
    uint8_t getAlpha() const { return alpha; }

protected:
    CRect toDisplay;
    CPoint offset;
    uint8_t alpha = 255;

private:
    friend class CSplashScreenView;
    // The view this splash opened, while it exists: the opener's reference
    // to it must not be lost when the frame goes without the view being clicked.
    CSplashScreenView* openView = nullptr;
};

// The modal view of an open splash. It holds a reference to the splash's
// bitmap for as long as it lives.
class CSplashScreenView : public CView
{
public:
    CSplashScreenView(const CRect& toDisplay, CSplashScreen* splashScreen);
    ~CSplashScreenView() override;

    void draw(CDrawContext* context) override;
    // A left press closes the splash, takes this view out of the frame and
    // destroys it.
    void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown) override;

protected:
    friend class CSplashScreen;
    // Null once the splash has gone before its view.
    CSplashScreen* splashScreen;
};

} // namespace VSTGUI
