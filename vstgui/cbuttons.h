// Buttons drawn from a strip bitmap: frames stacked vertically, each
// heightOfOneImage pixels high, frame 0 for value 0 and frame 1 for any other
// value. The control's rectangle gives the size drawn.
#pragma once

#include "vstgui/ccontrol.h"

namespace VSTGUI {

// A two-state toggle: each click flips between 0 and 1.
class CMovieButton : public CControl
{
public:
    CMovieButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                 CBitmap* background, const CPoint& offset);

    void draw(CDrawContext* context) override;
    void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown) override;
    bool isTypeOf(const char* className) const override;

protected:
    CPoint offset;
    int32_t heightOfOneImage;
};

// A momentary button: 1 while pressed with the pointer over it, and always
// back to 0 when the press ends.
class CKickButton : public CControl
{
public:
    CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                CBitmap* background, const CPoint& offset);

    void draw(CDrawContext* context) override;
    void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown) override;
    bool isTypeOf(const char* className) const override;

protected:
    CPoint offset;
    int32_t heightOfOneImage;
};

} // namespace VSTGUI
