#include "host/aeff_gui_editor.h"

#include "host/audio_effect_x.h"

namespace {

constexpr uint32_t kEarlySleepMs = 4;
constexpr uint32_t kEarlyGraceMs = 50;
constexpr uint32_t kStepIntervalMs = 100;

// Tick counts wrap after 49.7 days; comparing their signed difference keeps
// the schedule working across the wrap.
bool before(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

VSTGUI::platform::Platform& system() { return VSTGUI::platform::current(); }

} // namespace

VstInt32 AEffGUIEditor::knobMode = 0;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect)
    : AEffEditor(effect), rect{0, 0, 0, 0}, lLastTicks(0), inIdleStuff(false), frame(nullptr)
{
    lLastTicks = system().tickCount();
    if (effect)
    {
        effect->getAeffect()->flags |= effFlagsHasEditor;
        effect->setEditor(this);
    }
    dragAndDropBegun = system().beginDragAndDrop();
}

AEffGUIEditor::~AEffGUIEditor()
{
    if (dragAndDropBegun)
        system().endDragAndDrop();
}

bool AEffGUIEditor::getRect(ERect** out)
{
    *out = &rect;
    return true;
}

void AEffGUIEditor::idle()
{
    if (!inIdleStuff && frame)
    {
        system().processWindowEvents();
        frame->idle();
    }
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) { return frame && frame->onKeyDown(keyCode) == 1; }

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) { return frame && frame->onKeyUp(keyCode) == 1; }

bool AEffGUIEditor::onWheel(float distance)
{
    if (!frame)
        return false;
    auto* context = new VSTGUI::CDrawContext(frame, nullptr, systemWindow);
    VSTGUI::CPoint where = system().cursorScreenPosition();
    where.offset(-context->offsetScreen.x, -context->offsetScreen.y);
    const bool handled = frame->onWheel(context, where, distance);
    context->release();
    return handled;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode)
{
    knobMode = mode;
    return true;
}

void AEffGUIEditor::setParameter(VstInt32, float) {}

void AEffGUIEditor::beginEdit(int32_t index)
{
    if (auto* host = dynamic_cast<AudioEffectX*>(effect))
        host->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index)
{
    if (auto* host = dynamic_cast<AudioEffectX*>(effect))
        host->endEdit(index);
}

bool AEffGUIEditor::sizeWindow(int32_t width, int32_t height)
{
    auto* host = dynamic_cast<AudioEffectX*>(effect);
    char canDo[] = "sizeWindow";
    return host && host->canHostDo(canDo) == 1 && host->sizeWindow(width, height);
}

void AEffGUIEditor::doIdleStuff()
{
    uint32_t now = system().tickCount();
    if (before(now, lLastTicks))
    {
        system().sleep(kEarlySleepMs);
        now += kEarlySleepMs;
        if (before(now, lLastTicks - kEarlyGraceMs))
            return;
    }
    idle();
    system().dispatchOnePaint();
    lLastTicks = now + kStepIntervalMs;
    inIdleStuff = true;
    if (effect)
        effect->masterIdle();
    inIdleStuff = false;
}
