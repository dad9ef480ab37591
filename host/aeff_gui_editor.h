// The base of editors drawn with the toolkit: owns the editor rectangle and,
// while open, the frame; hands idle time, keys and the wheel to the frame and
// the frame's begin and end of an edit to the effect.
#pragma once

#include "host/aeff_editor.h"
#include "vstgui/cframe.h"

#include <cstdint>

class AEffGUIEditor : public AEffEditor, public VSTGUI::EditorBinding
{
public:
    // Attaches itself to effect, which owns it from then on.
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    void idle() override;
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 mode) override;

    // Told of every parameter change of the effect.
    virtual void setParameter(VstInt32 index, float value);
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;
    // The throttled idle step that controls run while they follow the mouse.
    void doIdleStuff() override;
    bool sizeWindow(int32_t width, int32_t height) override;
    int32_t getKnobMode() const override { return knobMode; }

    VSTGUI::CFrame* getFrame() const { return frame; }

    static VstInt32 knobMode;

protected:
    ERect rect;
    uint32_t lLastTicks;
    bool inIdleStuff;
    VSTGUI::CFrame* frame;

private:
    bool dragAndDropBegun;
};
