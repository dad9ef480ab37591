// The abstract control: a float value with a range and a tag, reported to a
// listener, bracketed by begin/end-edit notices and redrawn when it changes.
#pragma once

#include <atomic>

#include "vstgui/cview.h"

namespace VSTGUI {
class CControl;
}

// What a control's owner implements to hear of value changes. It sits outside
// the toolkit's namespace so that owners implement it without naming the toolkit.
class CControlListener
{
public:
    virtual void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) = 0;
    // A press with a modifier key held is offered here first; nonzero means
    // the listener has dealt with it and the control does nothing more.
    virtual int32_t controlModifierClicked(VSTGUI::CDrawContext* context, VSTGUI::CControl* control,
                                           int32_t buttons);
    virtual ~CControlListener() = default;
};

namespace VSTGUI {

// Shift, control, alt and the bit above them: any of these held makes a press
// a modified one.
constexpr int32_t kModifierMask = kShiftKey | kControlKey | kAltKey | (kAltKey << 1);

class CControl : public CView
{
public:
    CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background = nullptr);
    ~CControl() override;

    void draw(CDrawContext* context) override = 0;
    bool isDirty() const override;
    void setDirty(bool dirty = true) override;
    bool isTypeOf(const char* className) const override;

    virtual void doIdleWork();
    virtual void setValue(float val) { value = val; }
    virtual float getValue() const { return value; }
    virtual void setMin(float val) { vmin = val; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    virtual float getMax() const { return vmax; }
    virtual void setOldValue(float val) { oldValue = val; }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float val) { defaultValue = val; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(int32_t val) { tag = val; }
    virtual int32_t getTag() const { return tag; }
    // Both reach the host through the frame; outside a frame they do nothing.
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBackOffset(const CPoint& offset);
    virtual void copyBackOffset();
    virtual void setWheelInc(float val) { wheelInc = val; }
    virtual float getWheelInc() const { return wheelInc; }
    // Pulls an out-of-range value back to the nearer bound.
    virtual void bounceValue();
    // Left button with control restores the default value as one edit.
    virtual bool checkDefaultValue(CDrawContext* context, int32_t buttons);

    CControlListener* getListener() const { return listener; }
    const CPoint& getBackOffset() const { return backOffset; }

protected:
    // The opening every press goes through: reads the state when it is not
    // known, lets the listener claim a modified press, and insists on the
    // left button. False when the press ends here.
    bool acceptPress(CDrawContext* context, int32_t& buttons);
    // Follows the pointer while the mouse state stays exactly `held`: inside
    // the rectangle the value is the flip of `entry`, outside it is `entry`.
    // The listener hears every pass that leaves the control dirty, and the
    // editor is kept alive through doIdleWork on every pass.
    void trackPress(CDrawContext* context, CPoint& where, float entry, int32_t held);
    void notifyListener(CDrawContext* context);
    static float flipped(float v) { return v == 0.0f ? 1.0f : 0.0f; }

    CControlListener* listener;
    int32_t tag;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    // The one field another thread may write (the owner follows parameter
    // changes from whichever thread makes them); relaxed, as a single float.
    class SharedValue
    {
    public:
        explicit SharedValue(float v) : stored(v) {}
        operator float() const { return stored.load(std::memory_order_relaxed); }
        SharedValue& operator=(float v)
        {
            stored.store(v, std::memory_order_relaxed);
            return *this;
        }

    private:
        std::atomic<float> stored;
    };
    SharedValue value{0.0f};
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelInc = 0.1f;
    CPoint backOffset;
};

} // namespace VSTGUI
