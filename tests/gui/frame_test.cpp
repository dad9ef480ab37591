// The frame in its child window on the software backend: window life, paint and
// idle, input routing, focus, modal view, resizing, cursors and drag and drop.
#include "gui_test_support.h"

#include <cstring>

using namespace guitest;

namespace {

class RecordingEditor : public EditorBinding
{
public:
    void beginEdit(int32_t index) override { calls.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { calls.push_back("end " + std::to_string(index)); }
    void doIdleStuff() override { calls.push_back("idle"); }
    bool sizeWindow(int32_t width, int32_t height) override
    {
        calls.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
        return hostResizes;
    }
    int32_t getKnobMode() const override { return 1; }

    bool hostResizes = false;
    std::vector<std::string> calls;
};

// A host's editor window at (100, 50) on the screen inside an outer window
// with a caption, and a frame of 600 x 36 inside it.
class FrameTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        before = soft().counters();
        outer = soft().createWindow(CRect(90, 20, 700, 96), nullptr, "HostFrame", true);
        host = soft().createWindow(CRect(100, 50, 700, 86), outer, "HostView");
        frame = new CFrame(CRect(0, 0, 600, 36), host, &editor);
    }
    void TearDown() override
    {
        if (frame)
            frame->release();
        soft().destroyWindow(outer);
        const SoftPlatform::Counters& now = soft().counters();
        EXPECT_EQ(now.liveWindows, before.liveWindows);
        EXPECT_EQ(now.liveSurfaces, 0);
        EXPECT_EQ(now.liveObjects, 0);
        EXPECT_EQ(now.liveDropTargets, 0);
        EXPECT_EQ(now.dragAndDropDepth, 0);
        EXPECT_EQ(now.blitSupportHeld, 0);
        EXPECT_EQ(CFrame::getClassUseCount(), 0);
        EXPECT_EQ(CFrame::getCurrentDragContainer(), nullptr);
        SoftTest::TearDown();
    }
    ProbeView* child(const CRect& r, const std::string& name)
    {
        auto* view = new ProbeView(r, name, &log);
        frame->addView(view);  // the frame takes the creator's reference along with its own
        log.clear();
        return view;
    }
    void paintAll()
    {
        soft().postPaint(frame->getSystemWindow(), CRect(0, 0, 600, 36));
        soft().pumpMessages();
    }

    SoftPlatform::Counters before;
    platform::WindowRef outer = nullptr;
    platform::WindowRef host = nullptr;
    RecordingEditor editor;
    CFrame* frame = nullptr;
    std::vector<std::string> log;
};

TEST_F(FrameTest, TwoFramesShareOneWindowClassForTheirLife)
{
    platform::WindowRef first = frame->getSystemWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(soft().parentWindow(first), host);
    CRect r;
    ASSERT_TRUE(soft().windowScreenRect(first, r));
    EXPECT_EQ(r, CRect(100, 50, 700, 86));
    char name[64];
    ASSERT_TRUE(soft().windowClassName(first, name, sizeof name));
    EXPECT_EQ(std::strncmp(name, "Plugin", 6), 0);
    EXPECT_STREQ(name, CFrame::getClassName());
    EXPECT_TRUE(frame->isDropActive());

    auto* second = new CFrame(CRect(0, 0, 100, 20), host, nullptr);
    EXPECT_EQ(CFrame::getClassUseCount(), 2);
    frame->release();
    frame = nullptr;
    EXPECT_FALSE(soft().windowExists(first));
    EXPECT_TRUE(soft().isWindowClassRegistered(name)) << "the second frame still has a window of that class";
    second->release();
    EXPECT_FALSE(soft().isWindowClassRegistered(name));
}

TEST_F(FrameTest, IdleRedrawsDirtyViewsOnlyAfterTheFirstPaint)
{
    ProbeView* a = child(CRect(0, 0, 50, 36), "a");
    ProbeView* b = child(CRect(50, 0, 100, 36), "b");
    a->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, 0) << "nothing is drawn before the window was painted once";

    paintAll();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);

    // Nothing dirty: no drawing, not even a context on the window.
    const int surfaces = soft().counters().windowSurfacesAcquired;
    frame->idle();
    EXPECT_EQ(soft().counters().windowSurfacesAcquired, surfaces);

    // One dirty view: exactly its rectangle changes on the window.
    const Pixels shown = *soft().windowPixels(frame->getSystemWindow());
    b->fill = &kRed;
    b->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    const Pixels& now = *soft().windowPixels(frame->getSystemWindow());
    for (int32_t y = 0; y < 36; ++y)
        for (int32_t x = 0; x < 600; ++x)
            ASSERT_EQ(now.at(x, y) != shown.at(x, y), x >= 50 && x < 100) << x << "," << y;

    // Updates disabled: dirty flags wait for the next update after enabling.
    EXPECT_FALSE(frame->updatesDisabled(true));
    a->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_TRUE(a->isDirty());
    EXPECT_TRUE(frame->updatesDisabled(false));
    frame->idle();
    EXPECT_EQ(a->draws, 2);
}

TEST_F(FrameTest, WindowMessagesBecomeToolkitCalls)
{
    child(CRect(10, 0, 60, 36), "a");
    platform::WindowRef window = frame->getSystemWindow();
    soft().setButtonState(kRightButton | kShiftKey);
    soft().postButtonDown(window, CPoint(20, 5));
    soft().postWheel(window, CPoint(30, 6), -2.0f);
    soft().postPaint(window, CRect(5, 5, 5, 30));  // an empty update region
    EXPECT_EQ(soft().pumpMessages(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"a: mouse 20,5 b12", "a: wheel 30,6 d-2 o0"}));
    EXPECT_EQ(soft().counters().paintsDelivered, 0);
    EXPECT_TRUE(frame->isFirstDraw());

    // The host destroys its window: the frame is closed and stays quiet.
    child(CRect(0, 0, 5, 5), "b")->setDirty(true);
    soft().destroyWindow(host);
    host = nullptr;
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getParentWindow(), nullptr);
    EXPECT_FALSE(frame->setSize(300, 20));
    CRect size;
    EXPECT_FALSE(frame->getSize(size));
    frame->idle();
}

TEST_F(FrameTest, AModalViewTakesEveryPressThatHitsIt)
{
    ProbeView* under = child(CRect(0, 0, 600, 36), "under");
    auto* modal = new ProbeView(CRect(100, 0, 200, 36), "modal", &log);
    EXPECT_EQ(frame->setModalView(modal), 1);
    log.clear();
    EXPECT_EQ(frame->setModalView(under), 0) << "one modal view at a time";
    EXPECT_EQ(frame->getCurrentView(), modal);

    CPoint outside(10, 10), inside(150, 10);
    frame->onMouseDown(nullptr, outside, kLeftButton);
    EXPECT_TRUE(log.empty()) << "a press the modal view does not hit reaches no view";
    frame->onMouseDown(nullptr, inside, kLeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"modal: mouse 150,10 b1"}));

    EXPECT_EQ(frame->setModalView(nullptr), 1);
    EXPECT_FALSE(frame->isChild(modal));
    EXPECT_EQ(frame->setModalView(nullptr), 1);
    modal->release();
}

TEST_F(FrameTest, PressesClearTheFocusAndTabWalksIt)
{
    VstKeyCode tab{0, VKEY_TAB, 0};
    VstKeyCode backTab{0, VKEY_TAB, MODIFIER_SHIFT};
    EXPECT_EQ(frame->onKeyDown(tab), -1) << "no view wants the focus";

    ProbeView* views[3];
    for (int i = 0; i < 3; ++i)
    {
        views[i] = child(CRect(i * 100, 0, i * 100 + 100, 36), std::string(1, char('a' + i)));
        views[i]->setWantsFocus(true);
    }
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(frame->getFocusView(), views[0]);
    EXPECT_EQ(frame->onKeyDown(tab), 1);
    EXPECT_EQ(frame->getFocusView(), views[1]);
    EXPECT_EQ(frame->onKeyDown(backTab), 1);
    EXPECT_EQ(frame->getFocusView(), views[0]);
    EXPECT_EQ(frame->onKeyDown(backTab), -1) << "nothing before the first";
    EXPECT_EQ(frame->getFocusView(), nullptr);

    frame->setFocusView(views[2]);
    CPoint where(50, 5);
    frame->onMouseDown(nullptr, where, kLeftButton);
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(FrameTest, ResizingGoesThroughTheHostFirst)
{
    EXPECT_FALSE(frame->setSize(600, 36)) << "the same size changes nothing";
    EXPECT_TRUE(editor.calls.empty());

    editor.hostResizes = true;
    EXPECT_TRUE(frame->setSize(640, 40));
    EXPECT_EQ(editor.calls, (std::vector<std::string>{"size 640x40"}));
    CRect r;
    soft().windowScreenRect(frame->getSystemWindow(), r);
    EXPECT_EQ(r, CRect(100, 50, 740, 90));
    soft().windowScreenRect(host, r);
    EXPECT_EQ(r, CRect(100, 50, 700, 86)) << "the host resizes its own windows";
}

TEST_F(FrameTest, WithoutTheHostTheParentChainGrowsUpToALargerParent)
{
    // Frame 600x36 in host 600x36 in outer 610x76: the outer window keeps its margin.
    EXPECT_TRUE(frame->setSize(700, 50));
    CRect r;
    soft().windowScreenRect(frame->getSystemWindow(), r);
    EXPECT_EQ(r, CRect(100, 50, 800, 100));
    soft().windowScreenRect(host, r);
    EXPECT_EQ(r, CRect(100, 50, 800, 100));
    soft().windowScreenRect(outer, r);
    EXPECT_EQ(r, CRect(90, 20, 800, 110));
    frame->getViewSize(r);
    EXPECT_EQ(r, CRect(0, 0, 700, 50));

    // A parent more than 80 pixels larger than its child ends the walk untouched.
    soft().moveWindow(outer, CRect(0, 0, 900, 300));
    EXPECT_TRUE(frame->setSize(720, 60));
    soft().windowScreenRect(host, r);
    EXPECT_EQ(r, CRect(100, 50, 820, 110));
    soft().windowScreenRect(outer, r);
    EXPECT_EQ(r, CRect(0, 0, 900, 300));
}

TEST_F(FrameTest, PositionAndSizeAreReadFromTheWindows)
{
    int32_t x = 0, y = 0;
    ASSERT_TRUE(frame->getPosition(x, y));
    EXPECT_EQ(frame->getOuterWindow(), outer) << "the first window up the chain with a caption";
    EXPECT_EQ(CPoint(x, y), CPoint(90, 20));
    CRect size;
    ASSERT_TRUE(frame->getSize(&size));
    EXPECT_EQ(size, CRect(100, 50, 700, 86));

    soft().setCursorPosition(CPoint(130, 60));
    CPoint where;
    EXPECT_TRUE(frame->getCurrentLocation(where));
    EXPECT_EQ(where, CPoint(30, 10));
    EXPECT_EQ(frame->getKnobMode(), 1);
    soft().setTicks(12345);
    EXPECT_EQ(frame->getTicks(), 12345u);
}

TEST_F(FrameTest, EveryCursorTypeShowsItsShapeAndTheDefaultComesBack)
{
    const platform::CursorRef original = soft().currentCursor();
    const struct
    {
        CCursorType type;
        int shape;  // -1: the cursor that was there before
    } cases[] = {{kCursorWait, 0},     {kCursorHSize, 1},   {kCursorVSize, 2},      {kCursorSizeAll, 3},
                 {kCursorNESWSize, 4}, {kCursorNWSESize, 5}, {kCursorNotAllowed, 6}, {kCursorHand, 7},
                 {kCursorDefault, -1}, {kCursorCopy, -1},    {CCursorType(42), -1}};
    for (const auto& c : cases)
    {
        frame->setCursor(kCursorHand);
        frame->setCursor(c.type);
        EXPECT_EQ(SoftPlatform::cursorShape(soft().currentCursor()), c.shape) << "type " << c.type;
    }
    frame->setCursor(kCursorWait);
    frame->release();
    frame = nullptr;
    EXPECT_EQ(soft().currentCursor(), original);
}

TEST_F(FrameTest, DragsReachTheChildUnderTheCursor)
{
    child(CRect(0, 0, 100, 36), "a");
    child(CRect(100, 0, 200, 36), "b")->dropAnswer = false;
    child(CRect(200, 0, 300, 36), "c");
    platform::WindowRef window = frame->getSystemWindow();
    using Kind = platform::DragData::Kind;
    const std::vector<std::string> files{"/tmp/a.wav", "/tmp/b.wav", "/tmp/c.wav"};

    const auto at = [](int32_t x) { soft().setCursorPosition(CPoint(100 + x, 60)); };
    at(10);
    ASSERT_TRUE(soft().dragEnter(window, Kind::files, files));
    at(20);
    soft().dragOver(window);
    at(110);
    soft().dragOver(window);
    at(250);
    soft().drop(window);  // onto c, which the drag never entered
    EXPECT_EQ(log, (std::vector<std::string>{"a: dragenter 10,10 n3", "a: dragmove 20,10 n3", "a: dragleave 110,10 n3",
                                             "b: dragenter 110,10 n3", "b: dragleave 250,10 n3",
                                             "c: drop 250,10 n3", "c: dragleave 250,10 n3"}));
    EXPECT_EQ(CFrame::getCurrentDragContainer(), nullptr);

    log.clear();
    at(150);
    ASSERT_TRUE(soft().dragEnter(window, Kind::text, {"hello"}));
    at(400);
    soft().drop(window);  // outside every child
    EXPECT_EQ(log, (std::vector<std::string>{"b: dragenter 150,10 n1", "b: dragleave 400,10 n1"}));

    log.clear();
    ASSERT_TRUE(soft().dragEnter(window, Kind::none, {}));
    soft().dragLeave(window);
    EXPECT_EQ(log, (std::vector<std::string>{}));
    EXPECT_TRUE(frame->setDropActive(false));
    EXPECT_TRUE(frame->setDropActive(false)) << "deactivating twice is harmless";
    EXPECT_FALSE(soft().dragEnter(window, Kind::text, {"x"}));
}

TEST_F(FrameTest, WithoutDragAndDropOnTheThreadDropsStayOff)
{
    frame->release();
    soft().setDragAndDropAvailable(false);
    frame = new CFrame(CRect(0, 0, 600, 36), host, &editor);
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(soft().counters().dragAndDropDepth, 0);
    EXPECT_FALSE(soft().dragEnter(frame->getSystemWindow(), platform::DragData::Kind::text, {"x"}));
}

TEST_F(FrameTest, AThousandFramesLeaveNothingBehind)
{
    frame->release();
    frame = nullptr;
    for (int i = 0; i < 1000; ++i)
    {
        auto* f = new CFrame(CRect(0, 0, 600, 36), host, &editor);
        auto* view = new ProbeView(CRect(0, 0, 10, 10), "v", nullptr);
        f->addView(view);
        soft().postPaint(f->getSystemWindow(), CRect(0, 0, 600, 36));
        soft().pumpMessages();
        f->release();
    }
    EXPECT_TRUE(soft().childWindows(host).empty());
    EXPECT_FALSE(soft().isWindowClassRegistered(CFrame::getClassName()));
}

} // namespace
