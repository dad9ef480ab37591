// The panel as a VST 2.4 editor: the effect's editor object, which opens the
// panel in the host's window and is the panel's controller, reaching the
// effect for values and the host for the user's edits.
#pragma once

#include "editor/quelt_panel.h"
#include "host/aeff_gui_editor.h"

#include <cstdint>

class QueltEditor : public AEffGUIEditor, public CControlListener, private PanelController
{
public:
    static constexpr int32_t kRandomTag = QueltPanel::kRandomTag;
    static constexpr int32_t kSplashTag = QueltPanel::kSplashTag;
    static constexpr int32_t kButtons = QueltPanel::kButtons;

    explicit QueltEditor(AudioEffect* effect);
    ~QueltEditor() override;

    // Answers false, with nothing left behind, when the panel cannot be built.
    bool open(void* window) override;
    void close() override;
    // Shows the playing step before the frame redraws what changed.
    void idle() override;
    // Safe on any thread, also while the window thread closes the panel.
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;

    // The controls while the panel is open, for the host-side view of tests.
    VSTGUI::CMovieButton* getButton(int32_t index) const { return panel->getButton(index); }
    VSTGUI::CKickButton* getRandomButton() const { return panel->getRandomButton(); }
    VSTGUI::CSplashScreen* getSplash() const { return panel->getSplash(); }

private:
    float getParameter(int32_t index) override;
    uint32_t playhead() override;
    void beginEdit(int32_t index) override;
    void setParameterAutomated(int32_t index, float value) override;
    void endEdit(int32_t index) override;

    QueltPanel* panel;
};
