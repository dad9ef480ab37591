#include "host/quelt_editor.h"

#include "host/plugin_entry.h"
#include "host/quelt.h"

namespace {

// The toolkit loads bitmaps from the module it is told of; the panel loads its
// background when it is made, before any open, so it must know the module by then.
QueltPanel* makePanel(PanelController& controller)
{
    if (hInstance)
        VSTGUI::platform::setModuleHandle(hInstance);
    return new QueltPanel(controller);
}

} // namespace

QueltEditor::QueltEditor(AudioEffect* effect) : AEffGUIEditor(effect), panel(makePanel(*this))
{
    rect.top = 0;
    rect.left = 0;
    rect.bottom = QueltPanel::kHeight;
    rect.right = QueltPanel::kWidth;
}

QueltEditor::~QueltEditor()
{
    // A host that ends the effect with the panel still open gets it closed here,
    // rather than a window left behind with nothing to serve it.
    close();
    delete panel;
}

bool QueltEditor::open(void* window)
{
    AEffEditor::open(window);
    if (!panel->open(window, this))
    {
        systemWindow = nullptr;
        return false;
    }
    frame = panel->getFrame();
    return true;
}

void QueltEditor::close()
{
    frame = nullptr;
    panel->close();
}

void QueltEditor::idle()
{
    if (frame && !inIdleStuff)
        panel->showPlayhead();
    AEffGUIEditor::idle();
}

void QueltEditor::setParameter(VstInt32 index, float) { panel->parameterChanged(index); }

void QueltEditor::valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control)
{
    panel->valueChanged(context, control);
}

float QueltEditor::getParameter(int32_t index) { return effect->getParameter(index); }

uint32_t QueltEditor::playhead()
{
    const auto* quelt = dynamic_cast<Quelt*>(effect);
    return quelt ? quelt->getPlayhead() : playhead::report(0, playhead::kNone);
}

void QueltEditor::beginEdit(int32_t index) { AEffGUIEditor::beginEdit(index); }

void QueltEditor::setParameterAutomated(int32_t index, float value) { effect->setParameterAutomated(index, value); }

void QueltEditor::endEdit(int32_t index) { AEffGUIEditor::endEdit(index); }
