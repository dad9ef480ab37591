// The panel as an LV2 X11 UI: embedded in the host's window (ui:parent), its X
// events handled in ui:idleInterface's idle. Edits go out on the control ports
// with the float protocol, each inside a ui:touch gesture where the host offers
// one; values from the host arrive through port_event and show at the next idle.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "editor/quelt_panel.h"
#include "lv2/quelt_lv2_ports.h"

namespace {

using namespace quelt_lv2;

constexpr int32_t kParameters = QueltPanel::kButtons;

class QueltLv2Ui : public VSTGUI::EditorBinding, private PanelController
{
public:
    QueltLv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Resize* resize,
               const LV2UI_Touch* touch)
        : write(write), controller(controller), resize(resize), touch(touch), panel(*this)
    {
        const QueltCore defaults;
        for (int32_t i = 0; i < kParameters; ++i)
            values[i] = defaults.getParameter(i);
    }

    ~QueltLv2Ui() override { panel.close(); }

    bool open(void* parent)
    {
        if (!panel.open(parent, this))
            return false;
        if (resize)
            resize->ui_resize(resize->handle, QueltPanel::kWidth, QueltPanel::kHeight);
        return true;
    }

    LV2UI_Widget widget() const { return panel.getFrame()->getSystemWindow(); }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        if (format != 0 || size != sizeof(float) || !buffer)
            return;
        float value;
        std::memcpy(&value, buffer, sizeof value);
        const uint32_t index = port - kFirstGate;
        if (port == kStep)
            playingStep = value >= 1.0f && value <= 16.0f ? static_cast<int>(value) : playhead::kNone;
        else if (index < static_cast<uint32_t>(kParameters))
        {
            values[index] = value;
            pending[index] = true;
        }
    }

    // 0 while the panel lives; 1 once its window is gone.
    int idle()
    {
        for (int32_t i = 0; i < kParameters; ++i)
            if (pending[i])
            {
                pending[i] = false;
                panel.parameterChanged(i);
            }
        return panel.idle() ? 0 : 1;
    }

    // The begin and end of an edit, as the frame reports them (and as the
    // panel's controller hears of them): a ui:touch gesture on the port.
    void beginEdit(int32_t index) override
    {
        if (index >= 0 && index < kParameters)
        {
            inGesture[index] = true;
            gesture(index, true);
        }
    }
    void endEdit(int32_t index) override
    {
        if (index >= 0 && index < kParameters)
        {
            gesture(index, false);
            inGesture[index] = false;
        }
    }
    // Controls that track the mouse keep the panel alive through this.
    void doIdleStuff() override { panel.idleWhileTracking(); }
    bool sizeWindow(int32_t width, int32_t height) override
    {
        return resize && resize->ui_resize(resize->handle, width, height) == 0;
    }
    int32_t getKnobMode() const override { return 0; }

private:
    // PanelController: the panel's reads and the user's edits.
    float getParameter(int32_t index) override { return index >= 0 && index < kParameters ? values[index] : 0.0f; }
    // The step from the plug-in's output port. The host tells of it only when it
    // changes, so every reading counts as fresh.
    uint32_t playhead() override { return playhead::report(++playheadReads, playingStep); }
    void setParameterAutomated(int32_t index, float value) override
    {
        if (index < 0 || index >= kParameters)
            return;
        values[index] = value;
        // An edit outside a gesture (the random fill) is a gesture of its own.
        const bool own = !inGesture[index];
        if (own)
            gesture(index, true);
        write(controller, parameterPort(index), sizeof(float), 0, &value);
        if (own)
            gesture(index, false);
        // The host need not echo the value back: the button shows it now.
        panel.parameterChanged(index);
    }

    void gesture(int32_t index, bool begin)
    {
        if (touch)
            touch->touch(touch->handle, parameterPort(index), begin);
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Resize* resize;
    const LV2UI_Touch* touch;
    float values[kParameters];
    bool pending[kParameters] = {};
    bool inGesture[kParameters] = {};
    int playingStep = playhead::kNone;
    uint32_t playheadReads = 0;
    QueltPanel panel;
};

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0 || !write || !widget)
        return nullptr;
    void* parent = nullptr;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
    for (int i = 0; features && features[i]; ++i)
    {
        if (std::strcmp(features[i]->URI, LV2_UI__parent) == 0)
            parent = features[i]->data;
        else if (std::strcmp(features[i]->URI, LV2_UI__resize) == 0)
            resize = static_cast<const LV2UI_Resize*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, LV2_UI__touch) == 0)
            touch = static_cast<const LV2UI_Touch*>(features[i]->data);
    }
    if (!parent)
        return nullptr;
    auto* ui = new (std::nothrow) QueltLv2Ui(write, controller, resize, touch);
    // No display, or a parent the X server does not know: no UI.
    if (!ui || !ui->open(parent))
    {
        delete ui;
        return nullptr;
    }
    *widget = ui->widget();
    return ui;
}

void cleanup(LV2UI_Handle ui) { delete static_cast<QueltLv2Ui*>(ui); }

void portEvent(LV2UI_Handle ui, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    static_cast<QueltLv2Ui*>(ui)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle ui) { return static_cast<QueltLv2Ui*>(ui)->idle(); }

const LV2UI_Idle_Interface kIdle = {idle};

const void* extensionData(const char* uri)
{
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdle : nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
