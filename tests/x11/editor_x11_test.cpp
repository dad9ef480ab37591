// The Linux plug-in's panel as a user meets it: the shared object loaded by
// the test host, its editor opened in a plain X11 window of the host's and
// idled every 20 ms, real pointer input through XTEST. What the host hears is
// read from the recorded callbacks; what the window shows is read back with
// XGetImage and compared with the panel the software backend draws in-process.
#include "integration/editor_e2e_support.h"

#include "x11/x11_test_support.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>
#include <unistd.h>

using namespace e2e;

namespace {

Display* gDisplay = nullptr;

::Window hostWindow(int x, int y)
{
    const int screen = DefaultScreen(gDisplay);
    ::Window w = XCreateSimpleWindow(gDisplay, RootWindow(gDisplay, screen), x, y, kWidth, kHeight, 0,
                                     BlackPixel(gDisplay, screen), BlackPixel(gDisplay, screen));
    XMapWindow(gDisplay, w);
    XSync(gDisplay, False);
    return w;
}

std::vector<::Window> children(::Window parent) { return x11test::children(gDisplay, parent); }

void* asParent(::Window w) { return reinterpret_cast<void*>(static_cast<uintptr_t>(w)); }

// The X resources each client holds, by resource type name.
using Clients = std::map<XID, std::map<std::string, int>>;

Clients clientResources()
{
    Clients out;
    int count = 0;
    XResClient* clients = nullptr;
    if (!XResQueryClients(gDisplay, &count, &clients))
        return out;
    for (int i = 0; i < count; ++i)
    {
        int types = 0;
        XResType* list = nullptr;
        auto& entry = out[clients[i].resource_base];
        if (XResQueryClientResources(gDisplay, clients[i].resource_base, &types, &list))
            for (int t = 0; t < types; ++t)
                if (char* name = list[t].count ? XGetAtomName(gDisplay, list[t].resource_type) : nullptr)
                {
                    entry[name] = static_cast<int>(list[t].count);
                    XFree(name);
                }
        if (list)
            XFree(list);
    }
    XFree(clients);
    return out;
}

// The client that made the resource id.
XID ownerOf(XID id)
{
    int count = 0;
    XResClient* clients = nullptr;
    XID owner = 0;
    if (XResQueryClients(gDisplay, &count, &clients))
        for (int i = 0; i < count; ++i)
            if ((id & ~clients[i].resource_mask) == clients[i].resource_base)
                owner = clients[i].resource_base;
    if (clients)
        XFree(clients);
    return owner;
}

// One pair of host windows serves the suite; each test opens the editor in the first.
class EditorOnX11 : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        gDisplay = XOpenDisplay(nullptr);
        if (!gDisplay)
            return;
        mainWindow = hostWindow(40, 40);
        otherWindow = hostWindow(40, 200);
    }
    static void TearDownTestSuite()
    {
        if (gDisplay)
            XCloseDisplay(gDisplay);
        gDisplay = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(gDisplay, nullptr) << "no X server";
        ASSERT_TRUE(host.isOpen()) << host.loadError();
        openEditor(host, mainWindow);
    }
    void TearDown() override
    {
        host.dispatch(effEditClose);
        EXPECT_TRUE(children(mainWindow).empty());
    }

    static void openEditor(TestHost& h, ::Window window)
    {
        ERect* rect = nullptr;
        ASSERT_EQ(h.dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_EQ(rect->right - rect->left, kWidth);
        ASSERT_EQ(rect->bottom - rect->top, kHeight);
        ASSERT_EQ(h.dispatch(effEditOpen, 0, 0, asParent(window)), 1);
        ASSERT_EQ(children(window).size(), 1u);
        idleFor({&h}, 100);
    }

    // The host's user-interface loop: editors idled every 20 ms.
    static void idleFor(std::vector<TestHost*> hosts, int ms, const std::atomic<bool>* busy = nullptr)
    {
        for (int waited = 0; waited < ms || (busy && *busy); waited += 20)
        {
            for (TestHost* h : hosts)
                h->dispatch(effEditIdle);
            usleep(20000);
        }
        for (TestHost* h : hosts)
            h->dispatch(effEditIdle);
    }

    // A real click at a point of the panel in window, from a second thread,
    // while this thread runs the host's loop.
    static void click(::Window window, PanelPoint at, int button, std::vector<TestHost*> hosts)
    {
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(gDisplay, children(window).at(0), DefaultRootWindow(gDisplay), 0, 0, &x, &y, &child);
        std::atomic<bool> busy{true};
        std::thread user([&] {
            x11test::Pointer pointer;
            pointer.click(x + at.x, y + at.y, button);
            busy = false;
        });
        idleFor(hosts, 0, &busy);
        user.join();
        idleFor(hosts, 100);
    }

    static Pixels screenOf(::Window window)
    {
        Pixels out(kWidth, kHeight);
        const std::vector<::Window> list = children(window);
        if (list.size() == 1)
            out.data = x11test::grab(gDisplay, list[0], kWidth, kHeight);
        return out;
    }

    // The window shows exactly what the software backend draws for the effect's values.
    static void expectScreen(TestHost& h, ::Window window, const char* stage, bool splashOpen = false)
    {
        expectPanel(screenOf(window), values(h), stage, splashOpen);
    }

    static void expectToggle(TestHost& h, ::Window window, PanelPoint at, int index, float expected)
    {
        h.clearCalls();
        click(window, at, Button1, {&h});
        expectEditOf(edits(h), index, expected);
        EXPECT_EQ(h.getParameter(index), expected);
    }

    TestHost host;
    static ::Window mainWindow;
    static ::Window otherWindow;
};

::Window EditorOnX11::mainWindow = 0;
::Window EditorOnX11::otherWindow = 0;

TEST_F(EditorOnX11, ClicksOnStepAndModeReachTheHostTheEngineAndTheScreen)
{
    host.setParameter(5, 0.0f);
    host.setParameter(16, 0.0f);  // HOLD
    idleFor({&host}, 60);
    expectScreen(host, mainWindow, "opened");
    if (const char* dir = std::getenv("QUELT_SCREENSHOT_DIR"))
        savePicture(screenOf(mainWindow), std::string(dir) + "/panel_linux.ppm");

    for (float expected : {1.0f, 0.0f})
    {
        expectToggle(host, mainWindow, stepCentre(5), 5, expected);
        host.setTransport(5.25 / 4.0, 120.0);  // one block inside step 6
        host.fillInput(1.0f, 1.0f);
        host.process(64);
        EXPECT_EQ(host.output(0)[0], expected);
        EXPECT_EQ(host.output(1)[63], expected);
        expectScreen(host, mainWindow, expected == 1.0f ? "step 6 on" : "step 6 off");
    }
    for (float expected : {1.0f, 0.0f})
    {
        expectToggle(host, mainWindow, kMode, 16, expected);
        expectScreen(host, mainWindow, expected == 1.0f ? "mode DECAY" : "mode HOLD");
    }
}

TEST_F(EditorOnX11, ThePlayheadFollowsTheSongAndGoesWithIt)
{
    const Values v = values(host);
    watchThePlayhead(
        host,
        [&](const char* stage, int step) {
            const Pixels shown = screenOf(mainWindow);
            expectPanel(shown, v, stage, false, step);
            if (step == 6)
                if (const char* dir = std::getenv("QUELT_SCREENSHOT_DIR"))
                    savePicture(shown, std::string(dir) + "/playhead_linux.ppm");
        },
        [&](int ms) { idleFor({&host}, ms); });
}

TEST_F(EditorOnX11, TheRandomButtonSendsWholeBatchesOfTheSixteenSteps)
{
    for (float mode : {0.0f, 1.0f})
    {
        host.setParameter(16, mode);
        host.clearCalls();
        click(mainWindow, kRandom, Button1, {&host});
        const std::vector<Edit> seen = edits(host);
        std::printf("[calls] random (mode %g): %zu calls\n", mode, seen.size());
        expectRandomBatches(seen);
        for (int k = 0; k < 16 && seen.size() >= 17; ++k)  // the last batch stays
            EXPECT_EQ(host.getParameter(k), seen[seen.size() - 17 + k].opt);
        EXPECT_EQ(host.getParameter(16), mode);
        expectScreen(host, mainWindow, mode == 0.0f ? "random, HOLD" : "random, DECAY");
    }
}

TEST_F(EditorOnX11, TheLogoOpensTheSplashWhichOnlyALeftClickCloses)
{
    const Values before = values(host);
    for (const SplashClick& c : kSplashClicks)
    {
        host.clearCalls();
        click(mainWindow, c.at, c.left ? Button1 : Button3, {&host});
        EXPECT_TRUE(edits(host).empty()) << c.stage << ": " << describe(edits(host));
        expectScreen(host, mainWindow, c.stage, c.openAfter);
    }
    EXPECT_EQ(values(host), before) << "clicks on the splash reach no button";
}

TEST_F(EditorOnX11, HostChangesShowAfterTheNextIdle)
{
    const Values start = values(host);
    for (int k : {0, 7, 15, 16})
    {
        host.setParameter(k, start[k] < 0.5f ? 1.0f : 0.0f);
        host.dispatch(effEditIdle);
        expectScreen(host, mainWindow, ("host sets " + std::to_string(k)).c_str());
    }
}

TEST_F(EditorOnX11, TwoEffectsWithPanelsOpenAtOnceStayApart)
{
    TestHost second;
    ASSERT_TRUE(second.isOpen()) << second.loadError();
    openEditor(second, otherWindow);
    second.setParameter(2, 0.0f);
    host.setParameter(2, 0.0f);
    host.clearCalls();
    click(otherWindow, stepCentre(2), Button1, {&host, &second});
    EXPECT_EQ(second.getParameter(2), 1.0f);
    EXPECT_EQ(host.getParameter(2), 0.0f);
    EXPECT_TRUE(edits(host).empty()) << describe(edits(host));
    expectScreen(host, mainWindow, "first of two");
    expectScreen(second, otherWindow, "second of two");
    second.dispatch(effEditClose);
    EXPECT_TRUE(children(otherWindow).empty());
}

TEST_F(EditorOnX11, AHostThatDestroysItsWindowFirstClosesTheEditorCleanly)
{
    host.dispatch(effEditClose);
    const size_t clients = clientResources().size();
    const ::Window doomed = hostWindow(300, 300);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, asParent(doomed)), 1);
    idleFor({&host}, 60);
    XDestroyWindow(gDisplay, doomed);
    XSync(gDisplay, False);
    idleFor({&host}, 60);  // the editor hears of it here, or only at close
    host.dispatch(effEditClose);
    EXPECT_EQ(clientResources().size(), clients) << "the editor's connection is closed";

    openEditor(host, mainWindow);
    expectScreen(host, mainWindow, "after a destroyed parent");
}

// The editor's display connection comes and goes with the panel; while it is
// open it holds the same resources in every cycle.
TEST_F(EditorOnX11, FiveHundredOpenCloseCyclesLeaveNothingBehind)
{
    host.dispatch(effEditClose);
    const Clients before = clientResources();
    std::map<std::string, int> firstOpen, lastOpen;
    int strays = 0;
    for (int cycle = 0; cycle < 500; ++cycle)
    {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, asParent(mainWindow)), 1);
        host.dispatch(effEditIdle);
        if (cycle == 0 || cycle == 499)
            (cycle == 0 ? firstOpen : lastOpen) = clientResources()[ownerOf(children(mainWindow).at(0))];
        host.dispatch(effEditClose);
        strays += !children(mainWindow).empty();
    }
    const Clients after = clientResources();
    const auto held = [&](const char* type) { return lastOpen.count(type) ? lastOpen.at(type) : 0; };
    std::printf("[life] clients %zu -> %zu; windows %d, graphics contexts %d, cursors %d while open\n", before.size(),
                after.size(), held("WINDOW"), held("GC"), held("CURSOR"));
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_FALSE(firstOpen.empty()) << "the editor's client was found";
    EXPECT_EQ(lastOpen, firstOpen);
    EXPECT_EQ(held("WINDOW"), 1);

    openEditor(host, mainWindow);
    expectScreen(host, mainWindow, "after 500 cycles");
}

} // namespace
