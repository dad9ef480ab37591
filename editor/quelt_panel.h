// The effect's panel: 16 step buttons, the mode button, a button that fills
// the pattern at random and a splash strip behind the logo, 600 x 36 pixels.
// It shows what its controller holds and sends the user's edits to it; it
// knows no plug-in format.
#pragma once

#include "effect/quelt_core.h"
#include "vstgui/cbuttons.h"
#include "vstgui/ccontrol.h"
#include "vstgui/cframe.h"
#include "vstgui/csplash_screen.h"

#include <atomic>
#include <cstdint>

// The lit mark under the step that plays: its part of the lit rail, or nothing
// (the background's rail shows through).
class CPlayheadMark : public VSTGUI::CView
{
public:
    CPlayheadMark(const VSTGUI::CRect& size, VSTGUI::CBitmap* litRail, int32_t railLeft);
    ~CPlayheadMark() override;
    void draw(VSTGUI::CDrawContext* context) override;
    void setLit(bool lit);

private:
    VSTGUI::CBitmap* litRail;
    int32_t railLeft;
    bool lit = false;
};

class QueltPanel : public CControlListener
{
public:
    static constexpr int32_t kWidth = 600;
    static constexpr int32_t kHeight = 36;
    static constexpr int32_t kRandomTag = 1000;
    static constexpr int32_t kSplashTag = 1001;
    static constexpr int32_t kButtons = 17;  // 16 steps, then the mode
    // Without a report for this long the song is taken to have stopped.
    static constexpr uint32_t kPlayheadTimeoutMs = 250;

    // The toolkit must know the module that holds the bitmaps by now.
    explicit QueltPanel(PanelController& controller);
    ~QueltPanel();
    QueltPanel(const QueltPanel&) = delete;
    QueltPanel& operator=(const QueltPanel&) = delete;

    // Builds the frame in the host's window; binding is the editor the frame
    // reports edits and idle steps to. Answers false, with nothing left behind,
    // when the panel cannot be built.
    bool open(void* parentWindow, VSTGUI::EditorBinding* binding);
    void close();
    VSTGUI::CFrame* getFrame() const { return frame; }
    // The button shows the controller's value at the next idle. Safe on any
    // thread, also while the window thread closes the panel.
    void parameterChanged(int32_t index);
    // Marks the step the controller reports as playing (none once reports stop
    // for 250 ms), to be drawn at the frame's next idle. Window thread.
    void showPlayhead();
    // The panel's share of a host's idle, for formats whose hosts have no idle
    // for plug-in windows of their own: the window system's pending events, the
    // playing step and the redraw of what changed. False once the window is gone.
    bool idle();
    // The same at most every 50 ms, resting in between, while a control
    // follows the mouse.
    void idleWhileTracking();
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;

    VSTGUI::CMovieButton* getButton(int32_t index) const { return button[index]; }
    VSTGUI::CKickButton* getRandomButton() const { return randomButton; }
    VSTGUI::CSplashScreen* getSplash() const { return splash; }

private:
    // One coin toss per step of the random fill, from this panel's own generator.
    bool drawOpen();

    PanelController& controller;
    VSTGUI::CFrame* frame = nullptr;
    VSTGUI::CMovieButton* button[kButtons] = {};
    VSTGUI::CSplashScreen* splash = nullptr;
    VSTGUI::CKickButton* randomButton = nullptr;
    CPlayheadMark* marks[16] = {};
    int shownStep = 0;
    uint32_t lastReports = 0;
    uint32_t lastReportTicks = 0;
    uint32_t lastIdleTicks = 0;
    VSTGUI::CBitmap* background;
    // The frame as other threads may see it, and how many of them are using it:
    // close unpublishes it and waits for them before destroying it.
    std::atomic<VSTGUI::CFrame*> published{nullptr};
    std::atomic<int32_t> forwarding{0};
    uint64_t randomState;
};
