// The toolkit's frame on the X11 backend, in this process: a real child window
// of a test window, real pointer input and real XDND drags, with the events
// handled where the editor's idle handles them.
#include "gui/gui_test_support.h"
#include "vstgui/platform/x11.h"
#include "x11/x11_test_support.h"

#include <X11/Xlib.h>

#include <cstring>
#include <unistd.h>

using namespace guitest;
using platform::X11Platform;

namespace {

class QuietEditor : public EditorBinding
{
public:
    void beginEdit(int32_t) override {}
    void endEdit(int32_t) override {}
    void doIdleStuff() override {}
    bool sizeWindow(int32_t, int32_t) override { return false; }
    int32_t getKnobMode() const override { return 0; }
};

// Records the items of a drop as well as the calls.
class DropView : public ProbeView
{
public:
    using ProbeView::ProbeView;
    bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override
    {
        int32_t size = 0, type = 0;
        for (const char* item = drag->first(size, type); item; item = drag->next(size, type))
            items.push_back(std::to_string(type) + ":" + item);
        return ProbeView::onDrop(context, drag, where);
    }
    std::vector<std::string> items;
};

class X11FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X server";
        const int screen = DefaultScreen(display);
        host = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 500, 600, 36, 0, 0, 0);
        XMapWindow(display, host);
        XSync(display, False);
        platform::install(&backend());
        frame = new CFrame(CRect(0, 0, 600, 36), asParent(host), &editor);
        for (const char* name : {"a", "b", "c"})
        {
            auto* view = new DropView(CRect(100 * (name[0] - 'a'), 0, 100 * (name[0] - 'a' + 1), 36), name, &log);
            frame->addView(view);
            views.push_back(view);
        }
        views[1]->dropAnswer = false;
        XTranslateCoordinates(display, host, DefaultRootWindow(display), 0, 0, &originX, &originY, &ignored);
        idle(100);
        log.clear();
    }
    void TearDown() override
    {
        if (frame)
            frame->release();
        const X11Platform::Counters now = backend().counters();
        EXPECT_FALSE(now.connected) << "the connection goes with the last window";
        EXPECT_EQ(now.liveWindows, 0);
        EXPECT_EQ(now.liveGraphicsContexts, 0);
        EXPECT_EQ(now.liveDropTargets, 0);
        EXPECT_EQ(CFrame::getCurrentDragContainer(), nullptr);
        platform::install(nullptr);
        if (display)
        {
            XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    static X11Platform& backend() { return platform::x11Platform(); }
    static void* asParent(::Window w) { return reinterpret_cast<void*>(static_cast<uintptr_t>(w)); }
    ::Window child() const { return static_cast<::Window>(reinterpret_cast<uintptr_t>(frame->getSystemWindow())); }

    // What the editor does as it idles, every 10 ms.
    void idle(int ms)
    {
        for (int waited = 0; waited <= ms; waited += 10)
        {
            backend().processWindowEvents();
            frame->idle();
            usleep(10000);
        }
    }

    // One drag onto the frame's window at x, the pointer where the drag says it is.
    void drag(int x, std::vector<x11test::XdndSource::Offer> offers, bool dropIt, bool expectAccepted = true)
    {
        x11test::Pointer pointer;
        pointer.moveTo(originX + x, originY + 10);
        x11test::XdndSource source(child(), std::move(offers));
        source.start(originX + x, originY + 10, dropIt);
        while (!source.join(10))
            idle(0);
        EXPECT_EQ(source.accepted(), expectAccepted) << source.log();
        EXPECT_EQ(source.finished(), dropIt) << source.log();
        EXPECT_EQ(source.finishedAccepted(), dropIt && expectAccepted) << source.log();
    }

    Display* display = nullptr;
    ::Window host = 0, ignored = 0;
    int originX = 0, originY = 0;
    QuietEditor editor;
    CFrame* frame = nullptr;
    std::vector<DropView*> views;
    std::vector<std::string> log;
};

TEST_F(X11FrameTest, DropsOfFilesAndTextReachTheViewUnderThePointer)
{
    const std::vector<std::string> files{"/tmp/a.wav", "/tmp/two words.wav", "/tmp/caf\xC3\xA9.aif"};
    drag(20, {{"text/uri-list", x11test::fileUriList(files)}}, true);
    EXPECT_EQ(log, (std::vector<std::string>{"a: dragenter 20,10 n3", "a: dragmove 20,10 n3", "a: drop 20,10 n3",
                                             "a: dragleave 20,10 n3"}));
    EXPECT_EQ(views[0]->items, (std::vector<std::string>{"0:" + files[0], "0:" + files[1], "0:" + files[2]}));

    // Text, where the source offers more types than fit in the enter message.
    log.clear();
    drag(250, {{"application/x-other", "?"}, {"image/png", "?"}, {"text/html", "<b>"}, {"text/plain", "hello"}}, true);
    EXPECT_EQ(log, (std::vector<std::string>{"c: dragenter 250,10 n1", "c: dragmove 250,10 n1", "c: drop 250,10 n1",
                                             "c: dragleave 250,10 n1"}));
    EXPECT_EQ(views[2]->items, (std::vector<std::string>{"1:hello"}));

    // A drag that leaves again, and one of nothing the toolkit reads.
    log.clear();
    drag(150, {{"text/plain", "x"}}, false);
    drag(150, {{"image/png", "?"}}, true);
    EXPECT_EQ(log, (std::vector<std::string>{"b: dragenter 150,10 n1", "b: dragmove 150,10 n1", "b: dragleave 150,10 n1",
                                             "b: dragenter 150,10 n0", "b: dragmove 150,10 n0", "b: drop 150,10 n0",
                                             "b: dragleave 150,10 n0"}));
}

TEST_F(X11FrameTest, ButtonsAndTheWheelReachTheViewInWindowCoordinates)
{
    x11test::Pointer pointer;
    const struct
    {
        int x, button;
        const char* expected;
    } cases[] = {
        {30, Button1, "a: mouse 30,18 b1"}, {130, Button3, "b: mouse 130,18 b4"},
        {230, Button4, "c: wheel 230,18 d1"}, {230, Button5, "c: wheel 230,18 d-1"},
    };
    for (const auto& c : cases)
    {
        log.clear();
        pointer.click(originX + c.x, originY + 18, c.button);
        idle(30);
        ASSERT_EQ(log.size(), 1u) << c.expected;
        EXPECT_EQ(log[0].substr(0, std::strlen(c.expected)), c.expected);
    }
}

TEST_F(X11FrameTest, PendingExposuresArePaintedOnceAndTheWindowShowsTheFrame)
{
    const int painted = backend().counters().exposuresPainted;
    for (int x : {0, 200, 400})
        XClearArea(display, child(), x, 0, 100, 36, True);
    XSync(display, False);
    usleep(20000);
    backend().processWindowEvents();
    EXPECT_EQ(backend().counters().exposuresPainted, painted + 1);

    // Every view's fill shows where the view is.
    const CColor fills[] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; ++i)
    {
        views[i]->fill = &fills[i];
        views[i]->setDirty(true);
    }
    idle(20);
    const std::vector<uint32_t> shown = x11test::grab(display, child(), 600, 36);
    ASSERT_EQ(shown.size(), 600u * 36u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(shown[18 * 600 + 100 * i + 50], rgb(fills[i])) << "view " << i;
}

TEST_F(X11FrameTest, AParentDestroyedFirstLeavesAClosedFrameThatGoesCleanly)
{
    frame->setCursor(kCursorHand);
    EXPECT_EQ(backend().counters().liveCursors, 1);
    XDestroyWindow(display, host);
    XSync(display, False);
    idle(30);
    EXPECT_FALSE(frame->isOpen());
    frame->release();
    frame = nullptr;
    CFrame* orphan = new CFrame(CRect(0, 0, 600, 36), asParent(host), &editor);
    EXPECT_EQ(orphan->getSystemWindow(), nullptr) << "no child of a window that is gone";
    orphan->release();
    host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XSync(display, False);

    // A hundred more frames open and close with nothing left on the server.
    for (int i = 0; i < 100; ++i)
    {
        CFrame* again = new CFrame(CRect(0, 0, 600, 36), asParent(host), &editor);
        ASSERT_NE(again->getSystemWindow(), nullptr);
        backend().processWindowEvents();
        again->release();
        ASSERT_FALSE(backend().counters().connected);
    }
}

} // namespace
