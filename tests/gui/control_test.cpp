// Controls in a frame inside a host window of the software backend, driven by
// scripted button states and cursor positions.
#include "gui_test_support.h"

#include "vstgui/cbuttons.h"
#include "vstgui/csplash_screen.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <sstream>

using namespace guitest;

namespace {

using Log = std::vector<std::string>;

// Logs edits and idle calls; the idle step redraws dirty views only on every
// redrawEvery-th call, as the editor's throttled idle does.
struct StubEditor : EditorBinding
{
    virtual ~StubEditor() = default;
    void beginEdit(int32_t index) override
    {
        focusAtBegin = frame->getFocusView();
        log->push_back("begin " + std::to_string(index));
    }
    void endEdit(int32_t index) override { log->push_back("end " + std::to_string(index)); }
    void doIdleStuff() override
    {
        log->push_back("idle");
        if (++idleCalls % redrawEvery == 0)
            frame->idle();
    }
    bool sizeWindow(int32_t, int32_t) override { return false; }
    int32_t getKnobMode() const override { return 0; }

    Log* log = nullptr;
    CFrame* frame = nullptr;
    CView* focusAtBegin = nullptr;
    int idleCalls = 0;
    int redrawEvery = 1;
};

constexpr int32_t kBaseAnswer = INT_MIN;  // leave modified clicks to the base class

struct Listener : CControlListener
{
    explicit Listener(Log* log, int32_t answer = kBaseAnswer) : log(log), answer(answer) {}
    void valueChanged(CDrawContext*, CControl* control) override
    {
        std::ostringstream out;
        out << "changed " << control->getValue();
        log->push_back(out.str());
        if (panelLike)
            control->setDirty(true);  // the panel stores the value back into the control
    }
    int32_t controlModifierClicked(CDrawContext* context, CControl* control, int32_t buttons) override
    {
        if (answer == kBaseAnswer)
            return CControlListener::controlModifierClicked(context, control, buttons);
        log->push_back("modifier " + std::to_string(buttons));
        return answer;
    }

    Log* log;
    int32_t answer;
    bool panelLike = false;
};

constexpr int32_t kStrip = 901, kTriple = 902, kSplashArt = 903;
const CPoint kHost(100, 200);  // the host window's screen position
const CRect kMovieRect(40, 6, 64, 30), kKickRect(80, 6, 104, 30);
const CRect kSplashRect(500, 0, 600, 36), kDisplay(200, 4, 260, 24);
const CPoint kIn(50, 10), kKickIn(90, 10), kOut(300, 10), kOnSplash(550, 20), kOnView(230, 10);

// 24-pixel frames stacked in the given colours.
Pixels bands(std::vector<CColor> colours)
{
    Pixels p(24, 24 * static_cast<int32_t>(colours.size()));
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x)
            p.at(x, y) = rgb(colours[y / 24]);
    return p;
}

class ControlTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        soft().addImage(kStrip, bands({kRed, kGreen}));
        soft().addImage(kTriple, bands({kRed, kGreen, kBlue}));
        Pixels art(60, 20, rgb(kBlue));  // white left half, blue right half
        for (int32_t i = 0; i < 30 * 20; ++i)
            art.at(i % 30, i / 30) = rgb(kWhiteCColor);
        soft().addImage(kSplashArt, art);
        strip = new CBitmap(kStrip);
        splashArt = new CBitmap(kSplashArt);
        host = soft().createWindow(CRect(kHost.x, kHost.y, kHost.x + 600, kHost.y + 36));
        frame = new CFrame(CRect(0, 0, 600, 36), host, &editor);
        editor.log = &log;
        editor.frame = frame;
        // Each control keeps its creator's reference in the frame, which drops both at the end.
        frame->addView(movie = new CMovieButton(kMovieRect, &listener, 7, 24, strip, CPoint()));
        frame->addView(kick = new CKickButton(kKickRect, &listener, 8, 24, strip, CPoint()));
        frame->addView(splash = new CSplashScreen(kSplashRect, &listener, 1001, splashArt, kDisplay, CPoint()));
        soft().postPaint(frame->getSystemWindow(), CRect(0, 0, 600, 36));  // idle redraws start after it
        soft().pumpMessages();
    }
    void TearDown() override
    {
        if (frame)
            frame->release();
        EXPECT_EQ(strip->getNbReference(), 1);
        EXPECT_EQ(splashArt->getNbReference(), 1);
        strip->release();
        splashArt->release();
        soft().destroyWindow(host);
        EXPECT_EQ(soft().counters().liveImages, 0);
        EXPECT_EQ(soft().counters().liveSurfaces, 0);
        EXPECT_EQ(soft().counters().liveObjects, 0);
        EXPECT_EQ(soft().counters().liveWindows, 0);
        SoftTest::TearDown();
    }
    static CControl* button(bool kickButton, CControlListener* listener, CBitmap* bitmap, CPoint offset = CPoint())
    {
        if (kickButton)
            return new CKickButton(kKickRect, listener, 8, 24, bitmap, offset);
        return new CMovieButton(kMovieRect, listener, 7, 24, bitmap, offset);
    }
    // A press as the window reports it: the frame reads the button state itself.
    void click(CPoint where, std::vector<int32_t> buttons, std::vector<CPoint> cursor = {kIn})
    {
        for (CPoint& p : cursor)
            p.offset(kHost.x, kHost.y);
        soft().scriptButtons(buttons);
        soft().scriptCursor(cursor);
        soft().postButtonDown(frame->getSystemWindow(), where);
        soft().pumpMessages();
    }

    Log log;
    StubEditor editor;
    Listener listener{&log};
    platform::WindowRef host = nullptr;
    CFrame* frame = nullptr;
    CBitmap *strip = nullptr, *splashArt = nullptr;
    CMovieButton* movie = nullptr;
    CKickButton* kick = nullptr;
    CSplashScreen* splash = nullptr;
};

} // namespace

TEST_F(ControlTest, ScriptedDragsReachTheListenerAndTheEditorInOrder)
{
    // answer: to modified clicks; buttons: the first is read by the frame at the press; cursor: one position
    // per tracking pass, the last one kept.
    const struct
    {
        const char* name;
        bool kickButton;
        int32_t answer;
        float entry;
        CPoint press;
        std::vector<int32_t> buttons;
        std::vector<CPoint> cursor;
        Log expected;
        float final;
    } drags[] = {
        {"press and release inside", false, 0, 0, kIn, {1, 1, 1, 0}, {kIn},
         {"begin 7", "changed 1", "idle", "idle", "end 7"}, 1},
        {"out and back in", false, 0, 0, kIn, {1, 1, 1, 1, 0}, {kOut, kIn},
         {"begin 7", "changed 1", "idle", "changed 0", "idle", "changed 1", "idle", "end 7"}, 1},
        {"released outside keeps the entry value", false, 0, 1, kIn, {1, 1, 1, 0}, {kOut},
         {"begin 7", "changed 0", "idle", "changed 1", "idle", "end 7"}, 1},
        {"edges inside, one past outside", false, 0, 0, CPoint(64, 30), {1, 1, 1, 1, 0},
         {CPoint(40, 6), CPoint(65, 30)},
         {"begin 7", "changed 1", "idle", "idle", "changed 0", "idle", "end 7"}, 0},
        {"shift at the press, released while dragging", false, 0, 0, kIn, {9, 9, 9, 1, 1, 0}, {kIn},
         {"modifier 9", "begin 7", "changed 1", "idle", "idle", "end 7"}, 1},
        {"shift with the base answer", false, kBaseAnswer, 0, kIn, {9, 9, 1}, {kIn},
         {"begin 7", "changed 1", "idle", "end 7"}, 1},
        {"shift pressed while dragging", false, 0, 0, kIn, {1, 1, 1, 9, 9, 0}, {kIn},
         {"begin 7", "changed 1", "idle", "idle", "end 7"}, 1},
        {"listener claims the modified click", false, 1, 0, kIn, {9, 9, 0}, {kIn}, {"modifier 9"}, 0},
        {"released before the first poll", false, 0, 0, kIn, {1, 0}, {kIn},
         {"begin 7", "changed 1", "end 7"}, 1},
        {"right button alone", false, 0, 0, kIn, {4, 4, 0}, {kIn}, {}, 0},
        {"kick inside", true, 0, 0, kKickIn, {1, 1, 1, 0}, {kKickIn},
         {"begin 8", "changed 1", "idle", "idle", "changed 0", "end 8"}, 0},
        {"kick released outside", true, 0, 0, kKickIn, {1, 1, 1, 0}, {kOut},
         {"begin 8", "changed 1", "idle", "changed 0", "idle", "changed 0", "end 8"}, 0},
        {"kick with a modifier", true, 0, 0, kKickIn, {9, 9, 9, 0}, {kKickIn},
         {"modifier 9", "begin 8", "changed 1", "changed 0", "end 8"}, 0},
        {"kick with left and middle", true, 0, 0, kKickIn, {3, 3, 0}, {kKickIn},
         {"begin 8", "changed 1", "changed 0", "end 8"}, 0},
        {"kick, right button alone", true, 0, 0, kKickIn, {4, 4, 0}, {kKickIn}, {}, 0},
    };
    for (const auto& d : drags)
    {
        SCOPED_TRACE(d.name);
        log.clear();
        Listener own(&log, d.answer);
        // Added last, so it lies over the fixture's button in the same place.
        CControl* control = button(d.kickButton, &own, strip);
        frame->addView(control);
        control->setValue(d.entry);
        frame->idle();
        click(d.press, d.buttons, d.cursor);
        EXPECT_EQ(log, d.expected);
        EXPECT_EQ(control->getValue(), d.final);
        if (std::count(d.expected.begin(), d.expected.end(), "begin " + std::to_string(control->getTag())))
        {
            EXPECT_EQ(editor.focusAtBegin, control);
            EXPECT_EQ(frame->getFocusView(), control);
        }
        frame->removeView(control, true);
    }
}

TEST_F(ControlTest, APanelThatMarksTheButtonDirtyHearsEveryPassUntilTheIdleRedraw)
{
    listener.panelLike = true;
    editor.redrawEvery = 3;
    click(kIn, {1, 1, 1, 1, 1, 0});
    EXPECT_EQ(log, (Log{"begin 7", "changed 1", "idle", "changed 1", "idle", "changed 1", "idle", "idle", "end 7"}));
    listener.panelLike = false;

    // A click released at once is reported even when it ends on the value last drawn.
    log.clear();
    movie->setValue(0.0f);
    movie->setOldValue(1.0f);
    click(kIn, {1, 0});
    EXPECT_FALSE(movie->isDirty());
    EXPECT_EQ(log, (Log{"begin 7", "changed 1", "end 7"}));
}

TEST_F(ControlTest, ButtonsDrawTheStripFrameOfTheirValueAfterBouncingIt)
{
    auto* triple = new CBitmap(kTriple);
    const struct { bool kickButton; CBitmap* bitmap; int32_t offsetY; float value; CColor seen; float after; } cs[] = {
        {false, strip, 0, 0.0f, kRed, 0.0f},   {false, strip, 0, 0.3f, kGreen, 0.3f},
        {false, strip, 0, 1.7f, kGreen, 1.0f}, {false, strip, 0, -0.5f, kRed, 0.0f},
        {false, triple, 24, 1.0f, kGreen, 1.0f},  // the movie button reads from the strip's top
        {true, triple, 24, 0.0f, kGreen, 0.0f}, {true, triple, 24, 1.0f, kBlue, 1.0f},
        {true, strip, 0, 2.0f, kGreen, 1.0f},
    };
    for (const auto& c : cs)
    {
        SCOPED_TRACE(testing::Message() << c.kickButton << " " << c.value << " " << c.offsetY);
        CControl* control = button(c.kickButton, nullptr, c.bitmap, CPoint(0, c.offsetY));
        auto* target = new COffscreenContext(frame, 120, 36, kGrey);
        control->setValue(c.value);
        control->draw(target);
        EXPECT_EQ(countColour(pixelsOf(target), c.kickButton ? kKickRect : kMovieRect, rgb(c.seen)), 24 * 24);
        EXPECT_EQ(countColour(pixelsOf(target), CRect(0, 0, 120, 36), rgb(kGrey)), 120 * 36 - 24 * 24);
        EXPECT_EQ(control->getValue(), c.after);
        EXPECT_FALSE(control->isDirty());
        target->release();
        control->release();
    }
    triple->release();

    movie->setValue(0.3f);  // drawn as "on", so a click turns it off
    click(kIn, {1, 1, 0});
    EXPECT_EQ(movie->getValue(), 0.0f);
}

TEST_F(ControlTest, DirtyTrackingAndTheDefaultValueGesture)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // value, oldValue once marked dirty, still dirty once marked clean
    const struct { float value, oldWhenDirty; bool dirtyWhenClean; } marks[] = {
        {-1.0f, 0.0f, false}, {0.0f, -1.0f, false}, {0.5f, -1.0f, false}, {nan, -1.0f, true}};
    for (const auto& m : marks)
    {
        movie->setValue(m.value);
        movie->setDirty(true);
        EXPECT_EQ(movie->getOldValue(), m.oldWhenDirty) << m.value;
        EXPECT_TRUE(movie->isDirty()) << m.value;
        movie->setDirty(false);
        EXPECT_EQ(movie->isDirty(), m.dirtyWhenClean) << m.value;
    }
    movie->setValue(5.0f);  // stored as given; nobody is told
    EXPECT_EQ(movie->getValue(), 5.0f);
    EXPECT_TRUE(movie->isDirty());
    EXPECT_TRUE(log.empty());

    const struct { int32_t buttons; float before; bool handled; float after; Log expected; } gestures[] = {
        {17, 0.0f, true, 0.5f, {"begin 7", "changed 0.5", "end 7"}},
        {17, 0.5f, true, 0.5f, {"begin 7", "end 7"}},  // already drawn at the default
        {16, 0.0f, false, 0.0f, {}},
        {1, 0.0f, false, 0.0f, {}},
        {17 | kShiftKey, 0.0f, false, 0.0f, {}},
    };
    for (const auto& g : gestures)
    {
        log.clear();
        movie->setValue(g.before);
        movie->setDirty(false);
        EXPECT_EQ(movie->checkDefaultValue(nullptr, g.buttons), g.handled) << g.buttons;
        EXPECT_EQ(movie->getValue(), g.after) << g.buttons;
        EXPECT_EQ(log, g.expected) << g.buttons;
    }
}

TEST_F(ControlTest, TheSplashOpensOnALeftClickAndClosesOnALeftClickOnItsView)
{
    const int32_t children = frame->getViewCount();
    const struct { CPoint where; int32_t buttons; bool open; Log expected; } steps[] = {
        {kOnSplash, kRightButton, false, {}},
        {kOnSplash, kLeftButton, true, {"changed 1"}},
        {kOnView, kRightButton, true, {"changed 1"}},
        {kOnSplash, kLeftButton, true, {"changed 1"}},  // while open, presses off the view reach nobody
        {kOnView, kLeftButton, false, {"changed 1", "changed 0"}},
    };
    for (const auto& s : steps)
    {
        SCOPED_TRACE(testing::Message() << s.where.x << " b" << s.buttons);
        frame->setDirty(false);
        click(s.where, {s.buttons});
        EXPECT_EQ(log, s.expected);
        EXPECT_EQ(splash->getValue(), s.open ? 1.0f : 0.0f);
        EXPECT_EQ(frame->getViewCount(), children + s.open);
        EXPECT_EQ(splashArt->getNbReference(), 2 + s.open);  // the open view holds the bitmap too
        CView* modal = frame->getModalView();
        ASSERT_EQ(modal != nullptr, s.open);
        CRect r;
        EXPECT_EQ(modal ? modal->getViewSize(r) : kDisplay, kDisplay);
    }
    EXPECT_TRUE(frame->CView::isDirty());  // the whole panel, not just some children
    splash->unSplash(nullptr);             // already closed: silent
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(ControlTest, ASplashWithNowhereToShowItsViewStaysClosedAndLeaksNothing)
{
    auto* blocker = new CView(CRect(0, 0, 10, 10));
    ASSERT_EQ(frame->setModalView(blocker), 1);
    auto* loose = new CSplashScreen(kSplashRect, &listener, 1002, splashArt, kDisplay, CPoint());
    for (CSplashScreen* s : {splash, loose})
    {
        CPoint where = kOnSplash;
        s->onMouseDown(nullptr, where, kLeftButton);
        EXPECT_EQ(s->getValue(), 0.0f);
    }
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(frame->getModalView(), blocker);
    EXPECT_EQ(splashArt->getNbReference(), 3);  // creator, splash and loose: no view holds it
    loose->release();
    frame->setModalView(nullptr);
    blocker->release();
}

TEST_F(ControlTest, ClosingTheEditorWithTheSplashOpenReleasesItsView)
{
    click(kOnSplash, {kLeftButton});
    ASSERT_NE(frame->getModalView(), nullptr);
    frame->release();
    frame = nullptr;
    EXPECT_EQ(splashArt->getNbReference(), 1);
}

TEST_F(ControlTest, TheSplashTakesOnlyLeftPressesOnItsAreaEdgesIncluded)
{
    const struct { CPoint where; int32_t buttons; bool hit; } cases[] = {
        {CPoint(500, 0), kLeftButton, true},    {CPoint(600, 36), kLeftButton, true},
        {CPoint(601, 20), kLeftButton, false},  {CPoint(550, 37), kLeftButton, false},
        {CPoint(499, 20), kLeftButton, false},  {kOnSplash, kLeftButton | kShiftKey, true},
        {kOnSplash, kRightButton, false},       {kOnSplash, kMiddleButton, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splash->hitTest(c.where, c.buttons), c.hit) << c.where.x << "," << c.where.y << " b" << c.buttons;
}

TEST_F(ControlTest, TheSplashAndItsViewDrawIntoTheDisplayAreaPlainKeyedOrBlended)
{
    const auto blend = [](CColor c) {
        const auto over = [](uint8_t channel) { return SoftPlatform::blendChannel(128, channel, 100); };
        return platform::packRgb(over(c.red), over(c.green), over(c.blue));
    };
    const struct { float value; bool transparent; uint8_t alpha; uint32_t left, right; } cases[] = {
        {0.0f, false, 255, rgb(kGrey), rgb(kGrey)},
        {1.0f, false, 100, rgb(kWhiteCColor), rgb(kBlue)},
        {1.0f, true, 0, rgb(kGrey), rgb(kBlue)},
        {1.0f, true, 100, blend(kWhiteCColor), blend(kBlue)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.transparent << " " << int(c.alpha));
        splash->setValue(c.value);
        splash->setTransparency(c.transparent);
        splash->setAlpha(c.alpha);
        auto* target = new COffscreenContext(frame, 600, 36, kGrey);
        splash->draw(target);
        EXPECT_FALSE(splash->isDirty());
        EXPECT_EQ(countColour(pixelsOf(target), CRect(200, 4, 230, 24), c.left), 30 * 20);
        EXPECT_EQ(countColour(pixelsOf(target), CRect(230, 4, 260, 24), c.right), 30 * 20);
        EXPECT_EQ(countColour(pixelsOf(target), CRect(0, 0, 600, 36), rgb(kGrey)),
                  600 * 36 - 600 * (c.left != rgb(kGrey)) - 600 * (c.right != rgb(kGrey)));
        if (c.value != 0.0f)
        {
            auto* view = new CSplashScreenView(kDisplay, splash);
            auto* other = new COffscreenContext(frame, 600, 36, kGrey);
            view->draw(other);
            EXPECT_EQ(pixelsOf(other).data, pixelsOf(target).data);
            other->release();
            view->release();
        }
        target->release();
    }
}
