// The panel of the built plug-in as a user meets it: the DLL is loaded by the
// test host, its editor opened in a real host window under wine with an X
// server, and real mouse input sent through the system's queue. What the host
// hears is read from the recorded callbacks; what the screen shows is read back
// from the editor's window and compared with the same panel drawn in-process
// by the toolkit's software backend.
#include "integration/editor_e2e_support.h"

#include "gui/win32_test_support.h"
#include "vstgui/platform/win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace e2e;
using guitest::differingPixels;
using guitest::childWindows;
using guitest::pump;
using platform::Pixels;

namespace {

Pixels screenOf(HWND host)
{
    HWND child = GetWindow(host, GW_CHILD);
    HDC dc = GetDC(child);
    Pixels out = guitest::grab(dc, 0, 0, kWidth, kHeight);
    ReleaseDC(child, dc);
    return out;
}

enum Button
{
    kLeft,
    kRight
};

// One host window serves the whole suite (destroying a captioned window costs
// wine two seconds); a second, captionless one holds a second effect.
class EditorEndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = "QueltE2EHost";
        RegisterClassA(&windowClass);
        RECT r = {0, 0, kWidth, kHeight};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        mainWindow = CreateWindowExA(WS_EX_TOPMOST, "QueltE2EHost", "Quelt", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                     r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                                     nullptr);
        otherWindow = CreateWindowExA(WS_EX_TOPMOST, "QueltE2EHost", "", WS_POPUP | WS_VISIBLE, 40, 200, kWidth,
                                      kHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        pump();
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(otherWindow);
        DestroyWindow(mainWindow);
        pump();
        UnregisterClassA("QueltE2EHost", GetModuleHandleA(nullptr));
    }

    void SetUp() override
    {
        ASSERT_TRUE(host.isOpen()) << host.loadError();
        openEditor(host, mainWindow);
    }
    void TearDown() override
    {
        host.dispatch(effEditClose);
        pump();
        EXPECT_EQ(childWindows(mainWindow), 0);
    }

    static void openEditor(TestHost& h, HWND window)
    {
        ERect* rect = nullptr;
        ASSERT_EQ(h.dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_EQ(rect->right - rect->left, kWidth);
        ASSERT_EQ(rect->bottom - rect->top, kHeight);
        ASSERT_EQ(h.dispatch(effEditOpen, 0, 0, window), 1);
        ASSERT_EQ(childWindows(window), 1);
        idleFor({&h}, 100);
    }

    // The host's user-interface loop: messages pumped, editors idled every 20 ms.
    static void idleFor(std::vector<TestHost*> hosts, DWORD ms, const std::atomic<bool>* busy = nullptr)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms || (busy && *busy))
        {
            pump();
            for (TestHost* h : hosts)
                h->dispatch(effEditIdle);
            Sleep(20);
        }
        pump();
    }

    // A real click at a point of the panel in `window`, from a second thread,
    // while this thread runs the host's loop.
    static void click(HWND window, PanelPoint at, Button button, std::vector<TestHost*> hosts)
    {
        POINT origin = {0, 0};
        ClientToScreen(GetWindow(window, GW_CHILD), &origin);
        std::atomic<bool> busy{true};
        std::thread user([&] {
            SetCursorPos(origin.x + at.x, origin.y + at.y);
            Sleep(150);  // wine can miss a press that follows a move too closely
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = button == kLeft ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
            SendInput(1, &input, sizeof(INPUT));
            Sleep(150);
            input.mi.dwFlags = button == kLeft ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
            SendInput(1, &input, sizeof(INPUT));
            Sleep(100);
            busy = false;
        });
        idleFor(hosts, 0, &busy);
        user.join();
        idleFor(hosts, 100);
    }

    // The window shows exactly what the software backend draws for the effect's values.
    static void expectScreen(TestHost& h, HWND window, const char* stage, bool splashOpen = false)
    {
        const Pixels shown = screenOf(window);
        const Pixels reference = expectPanel(shown, values(h), stage, splashOpen);
        const char* dir = std::getenv("QUELT_SCREENSHOT_DIR");
        if (differingPixels(shown, reference) != 0 && dir)
        {
            savePicture(shown, std::string(dir) + "/" + stage + " shown.ppm");
            savePicture(reference, std::string(dir) + "/" + stage + " reference.ppm");
        }
    }

    // A click on the button for parameter `index` sends begin, one or more
    // automates of the new value, and end.
    static void expectToggle(TestHost& h, HWND window, PanelPoint at, int index, float expected)
    {
        h.clearCalls();
        click(window, at, kLeft, {&h});
        expectEditOf(edits(h), index, expected);
        EXPECT_EQ(h.getParameter(index), expected);
    }

    // One block inside step 6 (parameter 5), input 1.0; answers the first output sample.
    float outputInStep6()
    {
        host.setTransport(5.25 / 4.0, 120.0);
        host.fillInput(1.0f, 1.0f);
        host.process(64);
        for (int i = 1; i < 64; ++i)
            EXPECT_EQ(host.output(0)[i], host.output(0)[0]);
        EXPECT_EQ(host.output(1)[0], host.output(0)[0]);
        return host.output(0)[0];
    }

    TestHost host;
    static HWND mainWindow;
    static HWND otherWindow;
};

HWND EditorEndToEnd::mainWindow = nullptr;
HWND EditorEndToEnd::otherWindow = nullptr;

TEST_F(EditorEndToEnd, ClicksOnStepAndModeReachTheHostTheEngineAndTheScreen)
{
    host.setParameter(5, 0.0f);
    host.setParameter(16, 0.0f);  // HOLD
    idleFor({&host}, 60);
    expectScreen(host, mainWindow, "opened");
    if (const char* dir = std::getenv("QUELT_SCREENSHOT_DIR"))
        savePicture(screenOf(mainWindow), std::string(dir) + "/panel.ppm");

    expectToggle(host, mainWindow, stepCentre(5), 5, 1.0f);
    EXPECT_EQ(outputInStep6(), 1.0f);
    expectScreen(host, mainWindow, "step 6 on");
    expectToggle(host, mainWindow, stepCentre(5), 5, 0.0f);
    EXPECT_EQ(outputInStep6(), 0.0f);
    expectScreen(host, mainWindow, "step 6 off");

    expectToggle(host, mainWindow, kMode, 16, 1.0f);
    expectScreen(host, mainWindow, "mode DECAY");
    expectToggle(host, mainWindow, kMode, 16, 0.0f);
    expectScreen(host, mainWindow, "mode HOLD");
}

TEST_F(EditorEndToEnd, ThePlayheadFollowsTheSongAndGoesWithIt)
{
    const Values v = values(host);
    watchThePlayhead(
        host,
        [&](const char* stage, int step) { expectPanel(screenOf(mainWindow), v, stage, false, step); },
        [&](int ms) { idleFor({&host}, static_cast<DWORD>(ms)); });
}

TEST_F(EditorEndToEnd, TheRandomButtonSendsWholeBatchesOfTheSixteenSteps)
{
    for (float mode : {0.0f, 1.0f})
    {
        host.setParameter(16, mode);
        host.clearCalls();
        click(mainWindow, kRandom, kLeft, {&host});
        const std::vector<Edit> seen = edits(host);
        std::printf("[calls] random (mode %g): %zu calls, %zu batches\n", mode, seen.size(), (seen.size() - 2) / 16);
        expectRandomBatches(seen);
        for (int k = 0; k < 16; ++k)  // the last batch stays
            EXPECT_EQ(host.getParameter(k), seen[seen.size() - 17 + k].opt);
        EXPECT_EQ(host.getParameter(16), mode);
        expectScreen(host, mainWindow, mode == 0.0f ? "random, HOLD" : "random, DECAY");
    }
    if (const char* dir = std::getenv("QUELT_SCREENSHOT_DIR"))
        savePicture(screenOf(mainWindow), std::string(dir) + "/panel_decay.ppm");
}

TEST_F(EditorEndToEnd, TheLogoOpensTheSplashWhichOnlyALeftClickCloses)
{
    const Values before = values(host);
    for (const SplashClick& c : kSplashClicks)
    {
        host.clearCalls();
        click(mainWindow, c.at, c.left ? kLeft : kRight, {&host});
        EXPECT_TRUE(edits(host).empty()) << c.stage << ": " << describe(edits(host));
        expectScreen(host, mainWindow, c.stage, c.openAfter);
    }
    EXPECT_EQ(values(host), before) << "clicks on the splash reach no button";
}

TEST_F(EditorEndToEnd, HostChangesShowAfterTheNextIdle)
{
    const Values start = values(host);
    for (int k : {0, 7, 15, 16})
    {
        host.setParameter(k, start[k] < 0.5f ? 1.0f : 0.0f);
        host.dispatch(effEditIdle);
        pump();
        expectScreen(host, mainWindow, ("host sets " + std::to_string(k)).c_str());
    }
    host.setParameter(4, 0.25f);  // any nonzero value shows the on frame
    host.dispatch(effEditIdle);
    expectScreen(host, mainWindow, "host sets 4 to 0.25");
}

TEST_F(EditorEndToEnd, TwoEffectsWithPanelsOpenAtOnceStayApart)
{
    TestHost second;
    ASSERT_TRUE(second.isOpen()) << second.loadError();
    openEditor(second, otherWindow);
    second.setParameter(2, 0.0f);
    host.setParameter(2, 0.0f);
    host.clearCalls();
    second.clearCalls();
    click(otherWindow, stepCentre(2), kLeft, {&host, &second});
    EXPECT_EQ(second.getParameter(2), 1.0f);
    EXPECT_EQ(host.getParameter(2), 0.0f);
    EXPECT_FALSE(edits(second).empty());
    EXPECT_TRUE(edits(host).empty()) << describe(edits(host));
    host.setParameter(9, host.getParameter(9) < 0.5f ? 1.0f : 0.0f);
    idleFor({&host, &second}, 60);
    expectScreen(host, mainWindow, "first of two");
    expectScreen(second, otherWindow, "second of two");
    second.dispatch(effEditClose);
    EXPECT_EQ(childWindows(otherWindow), 0);
}

// Wine answers 0 for the process's GDI and USER object counts; there the
// windows and drop targets carry the check.
TEST_F(EditorEndToEnd, FiveHundredOpenCloseCyclesLeaveNothingBehind)
{
    const auto objects = [] {
        return std::make_pair(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                              GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    };
    int strayChildren = 0;
    const auto cycles = [&](int n, const std::function<void(HWND)>& open, const std::function<void()>& close) {
        for (int i = 0; i < n; ++i)
        {
            open(mainWindow);
            close();
            pump();
            strayChildren += childWindows(mainWindow) != 0;
        }
    };

    // The plug-in's own editor, through the host opcodes.
    host.dispatch(effEditClose);
    const auto openDll = [&](HWND w) { host.dispatch(effEditOpen, 0, 0, w), host.dispatch(effEditIdle); };
    const auto closeDll = [&] { host.dispatch(effEditClose); };
    cycles(1, openDll, closeDll);
    const auto before = objects();
    cycles(500, openDll, closeDll);
    const auto after = objects();
    std::printf("[life] plug-in: GDI %lu -> %lu, USER %lu -> %lu, cycles with a child left: %d\n", before.first,
                after.first, before.second, after.second, strayChildren);
    EXPECT_EQ(after, before);
    EXPECT_EQ(strayChildren, 0);

    // The same editor built in this process, where the toolkit's drop targets can be counted.
    hInstance = GetModuleHandleA(nullptr);
    AudioEffect* local = createEffectInstance(quietHost);
    AEffEditor* editor = local->getEditor();
    const auto openLocal = [&](HWND w) { editor->open(w), editor->idle(); };
    const auto closeLocal = [&] { editor->close(); };
    cycles(1, openLocal, closeLocal);
    const int dropTargets = platform::Win32Platform::liveDropTargets();
    const auto localBefore = objects();
    openLocal(mainWindow);
    const int dropTargetsOpen = platform::Win32Platform::liveDropTargets();
    closeLocal();
    cycles(499, openLocal, closeLocal);
    std::printf("[life] in-process: drop targets %d closed, %d open, %d after; cycles with a child left: %d\n",
                dropTargets, dropTargetsOpen, platform::Win32Platform::liveDropTargets(), strayChildren);
    EXPECT_EQ(dropTargetsOpen, dropTargets + 1);
    EXPECT_EQ(platform::Win32Platform::liveDropTargets(), dropTargets);
    EXPECT_EQ(objects(), localBefore);
    EXPECT_EQ(strayChildren, 0);
    local->getAeffect()->dispatcher(local->getAeffect(), effClose, 0, 0, nullptr, 0.0f);

    // Still a working panel afterwards.
    openEditor(host, mainWindow);
    expectScreen(host, mainWindow, "after 500 cycles");
}

} // namespace
