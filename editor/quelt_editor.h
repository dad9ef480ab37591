// The effect's panel: 16 step buttons, the mode button, a button that fills
// the pattern at random and a splash strip behind the logo, 600 x 36 pixels.
#pragma once

#include "editor/aeff_gui_editor.h"
#include "vstgui/cbuttons.h"
#include "vstgui/ccontrol.h"
#include "vstgui/csplash_screen.h"

#include <atomic>
#include <cstdint>

class QueltEditor : public AEffGUIEditor, public CControlListener
{
public:
    static constexpr int32_t kRandomTag = 1000;
    static constexpr int32_t kSplashTag = 1001;
    static constexpr int32_t kButtons = 17;  // 16 steps, then the mode

    explicit QueltEditor(AudioEffect* effect);
    ~QueltEditor() override;

    // Answers false, with nothing left behind, when the panel cannot be built.
    bool open(void* window) override;
    void close() override;
    // Safe on any thread, also while the window thread closes the panel.
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;

    // The controls while the panel is open, for the host-side view of tests.
    VSTGUI::CMovieButton* getButton(int32_t index) const { return button[index]; }
    VSTGUI::CKickButton* getRandomButton() const { return randomButton; }
    VSTGUI::CSplashScreen* getSplash() const { return splash; }

private:
    // One coin toss per step of the random fill, from this panel's own generator.
    bool drawOpen();

    VSTGUI::CMovieButton* button[kButtons];
    VSTGUI::CSplashScreen* splash;
    VSTGUI::CKickButton* randomButton;
    VSTGUI::CBitmap* background;
    // The frame as other threads may see it, and how many of them are using it:
    // close unpublishes it and waits for them before destroying it.
    std::atomic<VSTGUI::CFrame*> published{nullptr};
    std::atomic<int32_t> forwarding{0};
    uint64_t randomState;
};
