// The effect's panel on the software backend, reached through the effect's own
// dispatcher as a host reaches it: what it shows, what the host hears of each
// click, and the throttled idle step against a scripted clock.
#include "gui_test_support.h"

#include <cstdlib>

#include "host/quelt_editor.h"
#include "host/quelt.h"
#include "tests/unit/recording_host.h"

#ifdef QUELT_ARTIFACT_DIR
#include "png_io.h"
#endif

using namespace guitest;

namespace {

const CPoint kHostAt(100, 200);

class EditorTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        soft().setTicks(1000);
        recorder.answer = [this](const RecordedCall& call) -> VstIntPtr {
            if (call.opcode == audioMasterVersion)
                return 2400;
            if (call.opcode == audioMasterGetTime)
                return reinterpret_cast<VstIntPtr>(&time);
            return 0;
        };
        effect = new Quelt(RecordingHost::callback);
        editor = static_cast<QueltEditor*>(effect->getEditor());
        host = soft().createWindow(CRect(kHostAt.x, kHostAt.y, kHostAt.x + 600, kHostAt.y + 36));
        time.tempo = 120.0;
    }
    void TearDown() override
    {
        dispatch(effEditClose);
        dispatch(effClose);  // deletes the effect and its editor
        soft().destroyWindow(host);
        EXPECT_EQ(soft().counters().liveSurfaces, 0);
        EXPECT_EQ(soft().counters().liveObjects, 0);
        EXPECT_EQ(soft().counters().liveImages, 0);
        EXPECT_EQ(soft().counters().dragAndDropDepth, 0);
        SoftTest::TearDown();
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr)
    {
        AEffect* e = effect->getAeffect();
        return e->dispatcher(e, opcode, index, value, ptr, 0.0f);
    }
    void open()
    {
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, host), 1);
        soft().postPaint(editor->getFrame()->getSystemWindow(), CRect(0, 0, 600, 36));
        soft().pumpMessages();
        recorder.calls.clear();
    }
    // A press at where (frame coordinates) held for `passes` polls, then released there.
    void click(CPoint where, int32_t button = kLeftButton, int passes = 3)
    {
        std::vector<int32_t> states(static_cast<size_t>(passes) + 1, button);
        states.back() = 0;
        soft().scriptButtons(states);
        soft().setCursorPosition(CPoint(kHostAt.x + where.x, kHostAt.y + where.y));
        soft().postButtonDown(editor->getFrame()->getSystemWindow(), where);
        soft().pumpMessages();
        soft().setButtonState(0);
    }
    // The host-visible calls of the last actions, as "opcode index value". A value
    // sent again while the button waits for its redraw is folded into one entry
    // unless `folded` is false.
    std::vector<std::string> heard(bool folded = true)
    {
        std::vector<std::string> out;
        for (const RecordedCall& c : recorder.calls)
        {
            std::string entry;
            if (c.opcode == audioMasterAutomate)
                entry = "automate " + std::to_string(c.index) + " " + std::to_string(static_cast<int>(c.opt));
            else if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit)
                entry = (c.opcode == audioMasterBeginEdit ? "begin " : "end ") + std::to_string(c.index);
            if (!entry.empty() && !(folded && !out.empty() && out.back() == entry))
                out.push_back(entry);
        }
        recorder.calls.clear();
        return out;
    }
    float gainAt(int step)
    {
        time.ppqPos = step * 0.25 + 0.05;
        std::vector<float> in(16, 1.0f), out(16);
        float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {out.data(), out.data()};
        effect->processReplacing(ins, outs, 16);
        return out[15];
    }

    RecordingHost recorder;
    VstTimeInfo time{};
    Quelt* effect = nullptr;
    QueltEditor* editor = nullptr;
    platform::WindowRef host = nullptr;
};

TEST_F(EditorTest, TheRectangleIsKnownBeforeOpenAndTheKnobModeIsModuleWide)
{
    EXPECT_EQ(effect->getAeffect()->flags, effFlagsHasEditor | effFlagsCanReplacing | effFlagsNoSoundInStop);
    ERect* rect = nullptr;
    ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(std::vector<int>({rect->top, rect->left, rect->bottom, rect->right}), std::vector<int>({0, 0, 36, 600}));
    EXPECT_EQ(dispatch(effEditIdle), 0);
    EXPECT_FALSE(editor->onWheel(1.0f));
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 1), 1);
    open();
    EXPECT_EQ(editor->getFrame()->getKnobMode(), 1);
    dispatch(effSetEditKnobMode, 0, 0);

    // Keys reach the frame: Tab moves the focus to a view that wants it.
    editor->getButton(3)->setWantsFocus(true);
    AEffect* e = effect->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 0, VKEY_TAB, nullptr, 0.0f), 1);
    EXPECT_EQ(editor->getFrame()->getFocusView(), editor->getButton(3));
    EXPECT_EQ(e->dispatcher(e, effEditKeyUp, 0, VKEY_TAB, nullptr, 0.0f), 0);
}

TEST_F(EditorTest, OpenBuildsTheNineteenViewsFromTheEffectsCurrentValues)
{
    for (int round = 0; round < 2; ++round)
    {
        effect->setParameter(3, round == 0 ? 1.0f : 0.0f);
        effect->setParameter(4, 0.3f);
        effect->setParameter(16, static_cast<float>(round));
        open();
        CFrame* frame = editor->getFrame();
        ASSERT_EQ(frame->getViewCount(), 19 + 16);  // and a playhead mark under each step, last
        for (int32_t k = 0; k < 17; ++k)
        {
            CMovieButton* b = editor->getButton(k);
            ASSERT_EQ(frame->getView(k), b);
            EXPECT_EQ(b->getTag(), k);
            EXPECT_EQ(b->getValue(), effect->getParameter(k)) << k;
            EXPECT_EQ(b->getDefaultValue(), k == 0 ? 1.0f : 0.0f);
        }
        CRect r;
        EXPECT_EQ(editor->getButton(0)->getViewSize(r), CRect(72, 6, 99, 30));
        EXPECT_EQ(editor->getButton(14)->getViewSize(r), CRect(411, 6, 435, 30));
        EXPECT_EQ(editor->getButton(15)->getViewSize(r), CRect(435, 6, 456, 30));
        EXPECT_EQ(editor->getButton(16)->getViewSize(r), CRect(462, 6, 510, 30));
        EXPECT_EQ(frame->getView(17), editor->getRandomButton());
        EXPECT_EQ(editor->getRandomButton()->getViewSize(r), CRect(516, 6, 540, 30));
        EXPECT_EQ(frame->getView(18), editor->getSplash());
        EXPECT_EQ(editor->getSplash()->getTag(), 1001);

        // The host's changes show at the next idle; indices outside the panel change nothing.
        effect->setParameter(8, 1.0f);
        EXPECT_EQ(editor->getButton(8)->getValue(), 1.0f);
        EXPECT_TRUE(editor->getButton(8)->isDirty());
        dispatch(effEditIdle);
        EXPECT_FALSE(editor->getButton(8)->isDirty());
        editor->setParameter(17, 1.0f);
        editor->setParameter(-1, 1.0f);
        EXPECT_EQ(dispatch(effEditClose), 0);
        EXPECT_EQ(editor->getFrame(), nullptr);
        effect->setParameter(8, 0.0f);  // while closed
    }
    EXPECT_TRUE(soft().childWindows(host).empty());
}

TEST_F(EditorTest, ClicksReachTheHostAsAutomatedEditsAndTheSoundFollows)
{
    effect->setParameter(5, 0.0f);
    open();
    EXPECT_EQ(gainAt(5), 0.0f);
    click(CPoint(207, 15));  // step 6
    EXPECT_EQ(heard(), (std::vector<std::string>{"begin 5", "automate 5 1", "end 5"}));
    EXPECT_EQ(effect->getParameter(5), 1.0f);
    EXPECT_EQ(gainAt(5), 1.0f);
    click(CPoint(207, 15));
    EXPECT_EQ(heard(), (std::vector<std::string>{"begin 5", "automate 5 0", "end 5"}));
    EXPECT_EQ(gainAt(5), 0.0f);

    // A step the host set to 0.3 shows as on; a click turns it off.
    effect->setParameter(4, 0.3f);
    dispatch(effEditIdle);
    click(CPoint(183, 15));
    EXPECT_EQ(heard(), (std::vector<std::string>{"begin 4", "automate 4 0", "end 4"}));

    const float mode = effect->getParameter(16);
    click(CPoint(480, 15));
    EXPECT_EQ(heard(), (std::vector<std::string>{"begin 16", "automate 16 1", "end 16"}));
    EXPECT_NE(effect->getParameter(16), mode);
}

TEST_F(EditorTest, TheRandomButtonSendsBatchesOfSixteenAndLeavesTheMode)
{
    open();
    effect->setParameter(16, 1.0f);
    recorder.calls.clear();
    click(CPoint(528, 15), kLeftButton, 4);
    const std::vector<std::string> calls = heard(false);
    ASSERT_GE(calls.size(), 18u);
    EXPECT_EQ(calls.front(), "begin 1000");
    EXPECT_EQ(calls.back(), "end 1000");
    EXPECT_EQ((calls.size() - 2) % 16, 0u) << "whole batches only";
    for (size_t i = 1; i + 1 < calls.size(); ++i)
        EXPECT_EQ(calls[i].substr(0, calls[i].rfind(' ')), "automate " + std::to_string((i - 1) % 16));
    EXPECT_EQ(effect->getParameter(16), 1.0f);
    for (int32_t k = 0; k < 16; ++k)
        EXPECT_EQ(editor->getButton(k)->getValue(), effect->getParameter(k));
}

TEST_F(EditorTest, TheSplashTakesEveryPressUntilALeftClickClosesIt)
{
    effect->setParameter(5, 0.0f);
    open();
    click(CPoint(30, 15));
    CSplashScreen* splash = editor->getSplash();
    EXPECT_EQ(splash->getValue(), 1.0f);
    click(CPoint(207, 15), kRightButton);
    click(CPoint(207, 15), kRightButton);
    EXPECT_EQ(splash->getValue(), 1.0f) << "a right click leaves it open";
    EXPECT_EQ(effect->getParameter(5), 0.0f) << "no button is reached while it is shown";
    click(CPoint(207, 15));
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(effect->getParameter(5), 0.0f);
    EXPECT_TRUE(heard().empty());

    // Closed while shown, opened again: the splash is closed and the buttons current.
    click(CPoint(30, 15));
    dispatch(effEditClose);
    effect->setParameter(2, 1.0f);
    open();
    EXPECT_EQ(editor->getSplash()->getValue(), 0.0f);
    EXPECT_EQ(editor->getFrame()->getModalView(), nullptr);
    EXPECT_EQ(editor->getButton(2)->getValue(), 1.0f);
}

TEST_F(EditorTest, TheIdleStepIsThrottledAgainstTheClockAcrossItsWrap)
{
    open();
    const auto hostIdles = [this] {
        int n = 0;
        for (const RecordedCall& c : recorder.calls)
            n += c.opcode == audioMasterIdle;
        recorder.calls.clear();
        return n;
    };
    const struct
    {
        uint32_t now;
        int hostIdles;
        uint32_t slept;
    } steps[] = {
        {2000, 1, 0},         // a full step: the next one is due at 2100
        {2010, 0, 4},         // 10 ms later: a 4 ms sleep and nothing else
        {2060, 1, 4},         // 60 ms after the step: 64 is not below 50, so it runs; next at 2164
        {2105, 0, 4},         // 2109 is below 2164 - 50
        {0x70000000u, 1, 0},  // hours later
        {0xE0000000u, 1, 0},
        {0xFFFFFFF0u, 1, 0},  // just before the count wraps: next due at 0x54, after the wrap
        {0x10u, 0, 4},        // 32 ms later: still early
        {0x54u, 1, 0},        // on time
        {0x70000000u, 1, 0},
        {0xE0000000u, 1, 0},
        {0xFFFFFF00u, 1, 0},  // next due at 0xFFFFFF64, before the wrap...
        {0x100u, 1, 0},       // ...and 512 ms later, past the wrap, it runs at once
    };
    for (const auto& s : steps)
    {
        soft().setTicks(s.now);
        soft().resetCounters();
        editor->doIdleStuff();
        EXPECT_EQ(hostIdles(), s.hostIdles) << "at " << s.now;
        EXPECT_EQ(soft().counters().sleptMilliseconds, s.slept) << "at " << s.now;
    }

    // A full step paints at most one window that waits for it.
    platform::WindowRef window = editor->getFrame()->getSystemWindow();
    soft().postPaint(window, CRect(0, 0, 10, 10));
    soft().postPaint(window, CRect(10, 0, 20, 10));
    soft().resetCounters();
    soft().setTicks(0x800);
    editor->doIdleStuff();
    EXPECT_EQ(soft().counters().paintsDelivered, 1);
    EXPECT_EQ(soft().pendingMessages(), 1u);
    soft().pumpMessages();

    // A host that idles the editor from inside its own idle time reaches no view.
    bool dirtyAfterNestedIdle = false;
    recorder.answer = [&](const RecordedCall& call) -> VstIntPtr {
        if (call.opcode == audioMasterIdle)
        {
            effect->setParameter(8, 1.0f);
            dispatch(effEditIdle);
            dirtyAfterNestedIdle = editor->getButton(8)->isDirty();
        }
        return 0;
    };
    soft().setTicks(0x1000);
    editor->doIdleStuff();
    EXPECT_TRUE(dirtyAfterNestedIdle);
    dispatch(effEditIdle);
    EXPECT_FALSE(editor->getButton(8)->isDirty());
}

TEST_F(EditorTest, APanelThatCannotBeBuiltLeavesNothingBehind)
{
    const int windows = soft().counters().liveWindows;
    int notAWindow = 0;
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &notAWindow), 0);
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(soft().counters().liveWindows, windows);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    open();  // the next open into a real window works
    EXPECT_NE(editor->getFrame(), nullptr);
}

// Each effect draws its random patterns from a generator of its own; the C
// library's generator, which the host may be using, is left alone.
TEST_F(EditorTest, RandomFillsDifferBetweenEffectsAndLeaveTheHostsGeneratorAlone)
{
    std::srand(7);
    const int expected = std::rand();
    std::srand(7);
    Quelt other(RecordingHost::callback);
    const auto pattern = [](Quelt& q) {
        auto* e = static_cast<QueltEditor*>(q.getEditor());
        CKickButton pressed(CRect(516, 6, 540, 30), e, QueltEditor::kRandomTag, 24, nullptr, CPoint());
        pressed.setValue(1.0f);
        uint64_t bits = 0;
        for (int fill = 0; fill < 4; ++fill)
        {
            e->valueChanged(nullptr, &pressed);
            for (int k = 0; k < 16; ++k)
                bits = bits * 2 + (q.getParameter(k) > 0.5f ? 1u : 0u);
        }
        return bits;
    };
    EXPECT_NE(pattern(*effect), pattern(other)) << "two effects made in the same second";
    EXPECT_EQ(std::rand(), expected);
}

#ifdef QUELT_ARTIFACT_DIR
// Writes the panel in its main states for a look, and checks that each change
// shows where it should.
// The playing step's mark: in the rail under the step's button (y 30 to 35,
// exactly the button's x range), drawn by repainting only the mark that goes
// and the one that comes; gone, leaving the panel as it was, when the song
// stops, the effect is suspended or blocks stop for 250 ms; under the splash
// while that is open. An idle with nothing new draws nothing.
TEST_F(EditorTest, ThePlayheadRepaintsOnlyTheMarksThatChange)
{
    const auto markOf = [](int step) {
        const int32_t left = step == 1 ? 72 : step == 16 ? 435 : 99 + 24 * (step - 2);
        const int32_t right = step == 1 ? 98 : step == 16 ? 455 : 122 + 24 * (step - 2);
        return CRect(left, 30, right + 1, 36);
    };
    const auto area = [&](int step) { return step ? markOf(step).width() * markOf(step).height() : 0; };
    const VstInt32 playing = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
    const auto play = [&](double quarters, VstInt32 flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid) {
        time.ppqPos = quarters;
        time.flags = flags;
        float silence[16] = {};
        float* channels[2] = {silence, silence};
        effect->processReplacing(channels, channels, 16);
    };
    const auto idle = [&] {
        soft().resetCounters();
        dispatch(effEditIdle);
        return soft().counters().windowPixelsWritten;
    };
    const auto shown = [&] { return *soft().windowPixels(editor->getFrame()->getSystemWindow()); };
    // Where the window differs from the panel without a mark: nowhere, or all within the step's mark.
    const auto expectMark = [&](const Pixels& today, int step) {
        int inside = 0;
        const Pixels now = shown();
        for (int32_t y = 0; y < 36; ++y)
            for (int32_t x = 0; x < 600; ++x)
                if (now.at(x, y) != today.at(x, y))
                {
                    const bool inMark = step && markOf(step).pointInside(CPoint(x, y));
                    ASSERT_TRUE(inMark) << "step " << step << ": " << x << "," << y;
                    ++inside;
                }
        EXPECT_GT(inside, step ? area(step) / 2 : -1) << "the mark of step " << step;
    };

    open();
    const Pixels today = shown();
    struct Case
    {
        double quarters;
        int step;
    } cases[] = {{1.3, 6}, {1.49999, 6}, {1.5, 7}, {-0.01, 16}, {3.7, 15}, {4.0, 1}, {1e7 + 0.25, 2}};
    int before = 0;
    for (const Case& c : cases)
    {
        play(c.quarters);
        EXPECT_EQ(idle(), before == c.step ? 0 : area(before) + area(c.step)) << c.quarters;
        expectMark(today, c.step);
        before = c.step;
    }
    EXPECT_EQ(idle(), 0);
    EXPECT_EQ(soft().counters().windowSurfacesAcquired, 0) << "nothing changed, nothing drawn";

    play(1.3, playing & ~kVstTransportPlaying);
    idle();
    expectMark(today, 0);
    play(1.3);
    idle();
    dispatch(effMainsChanged, 0, 0);
    idle();
    expectMark(today, 0);
    dispatch(effMainsChanged, 0, 1);

    soft().setTicks(5000);
    play(2.6);
    idle();
    soft().setTicks(5249);
    idle();
    expectMark(today, 11);
    soft().setTicks(5250);
    idle();
    expectMark(today, 0);

    play(0.1);
    dispatch(effEditClose);
    open();
    expectMark(today, 1);  // opened while the song plays: at once

    click(CPoint(30, 15));  // the splash
    idle();
    const Pixels splash = shown();
    play(3.0);
    idle();
    EXPECT_EQ(shown().data, splash.data) << "the splash covers the mark";
}

TEST_F(EditorTest, ThePanelIsDrawnInItsMainStates)
{
    open();
    const auto shown = [this] { return *soft().windowPixels(editor->getFrame()->getSystemWindow()); };
    const Pixels hold = shown();
    effect->setParameter(2, 1.0f);
    effect->setParameter(16, 1.0f);
    dispatch(effEditIdle);
    const Pixels decay = shown();
    CRect step, mode;
    editor->getButton(2)->getViewSize(step);
    editor->getButton(16)->getViewSize(mode);
    int inside = 0;
    for (int32_t y = 0; y < 36; ++y)
        for (int32_t x = 0; x < 600; ++x)
            if (hold.at(x, y) != decay.at(x, y))
            {
                ASSERT_TRUE(step.pointInside(CPoint(x, y)) || mode.pointInside(CPoint(x, y))) << x << "," << y;
                ++inside;
            }
    EXPECT_GT(inside, 100);

    click(CPoint(30, 15));
    dispatch(effEditIdle);
    const Pixels splash = shown();
    int changed = 0;
    for (size_t i = 0; i < splash.data.size(); ++i)
        changed += splash.data[i] != decay.data[i];
    EXPECT_GT(changed, static_cast<int>(splash.data.size()) / 2) << "the splash covers the panel";

    const std::string dir = QUELT_ARTIFACT_DIR;
    EXPECT_TRUE(writePng(dir + "/editor_hold.png", hold));
    EXPECT_TRUE(writePng(dir + "/editor_decay.png", decay));
    EXPECT_TRUE(writePng(dir + "/editor_splash.png", splash));
}
#endif

} // namespace
