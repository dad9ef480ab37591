// The frame inside a real host window: the pixels its first paint puts on the
// screen, real clicks on a button from the system's input queue, its window
// class, the cursor, and the system objects a thousand frames leave behind.
// Runs under wine with an X server; the same drag is scripted on the software
// backend for comparison.
#include "win32_test_support.h"
#include "gui_test_support.h"
#include "scene.h"

#include "vstgui/cbuttons.h"
#include "vstgui/platform/win32.h"

#include <windows.h>

#include <thread>

using namespace guitest;
using platform::Win32Platform;

namespace {

// Values the listener saw, with repeats of the same value folded, and the
// editor's begin and end notices, in one log.
class Recorder : public CControlListener, public EditorBinding
{
public:
    void valueChanged(CDrawContext*, CControl* control) override
    {
        const std::string entry = "value " + std::to_string(static_cast<int>(control->getValue()));
        if (log.empty() || log.back() != entry)
            log.push_back(entry);
    }
    void beginEdit(int32_t index) override { log.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { log.push_back("end " + std::to_string(index)); }
    // As the editor's idle step does: the frame redraws what changed.
    void doIdleStuff() override
    {
        if (frame)
            frame->idle();
    }
    bool sizeWindow(int32_t, int32_t) override { return false; }
    int32_t getKnobMode() const override { return 0; }

    CFrame* frame = nullptr;
    std::vector<std::string> log;
};

Pixels grabWindow(HWND window, int32_t w, int32_t h)
{
    HDC source = GetDC(window);
    Pixels out = grab(source, 0, 0, w, h);
    ReleaseDC(window, source);
    return out;
}

// One host window serves every test: without a window manager, destroying a
// captioned window takes wine two seconds.
class FrameWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        platform::setModuleHandle(GetModuleHandleA(nullptr));
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = "QueltHostWindow";
        RegisterClassA(&windowClass);
        host = CreateWindowExA(WS_EX_TOPMOST, "QueltHostWindow", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                               200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        pump();
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(host);
        pump();
        UnregisterClassA("QueltHostWindow", GetModuleHandleA(nullptr));
    }

    void SetUp() override { platform::install(&platform::win32Platform()); }
    void TearDown() override
    {
        pump();
        platform::install(nullptr);
    }

    // Gives the host window a client area of w x h.
    static HWND makeHost(int32_t w, int32_t h)
    {
        RECT r = {0, 0, w, h};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(host, HWND_TOPMOST, 40, 40, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW);
        pump();
        return host;
    }


    static HWND host;
};

HWND FrameWindowTest::host = nullptr;

TEST_F(FrameWindowTest, TheFirstPaintShowsWhatTheSoftwareBackendDraws)
{
    ASSERT_NE(makeHost(kSceneWidth, kSceneHeight), nullptr);
    auto* frame = new CFrame(CRect(0, 0, kSceneWidth, kSceneHeight), host, nullptr);
    buildScene(frame);
    HWND window = static_cast<HWND>(frame->getSystemWindow());
    ASSERT_NE(window, nullptr);
    InvalidateRect(window, nullptr, FALSE);
    for (int i = 0; i < 50 && frame->isFirstDraw(); ++i)
    {
        pump();
        Sleep(10);
    }
    EXPECT_FALSE(frame->isFirstDraw()) << "no WM_PAINT reached the frame";
    const Pixels shown = grabWindow(window, kSceneWidth, kSceneHeight);
    frame->release();
    const Pixels reference = renderSceneSoft();
    EXPECT_EQ(differingPixels(shown, reference), 0) << firstDifference(shown, reference);
}

// Press inside, move out, move back in, release: the same listener and edit
// sequence whether the drag comes from the system or from a script.
TEST_F(FrameWindowTest, RealClicksToggleAButtonAsAScriptedDragDoes)
{
    const CRect button(100, 6, 124, 30);
    const std::vector<std::string> expected{"begin 5", "value 1", "value 0", "value 1", "end 5"};

    // Scripted on the software backend.
    {
        platform::install(&platform::softPlatform());
        SoftPlatform& soft = platform::softPlatform();
        platform::WindowRef softHost = soft.createWindow(CRect(40, 40, 640, 76));
        Recorder recorder;
        auto* frame = new CFrame(CRect(0, 0, 600, 36), softHost, &recorder);
        recorder.frame = frame;
        frame->addView(new CMovieButton(button, &recorder, 5, 24, nullptr, CPoint(0, 0)));
        soft.postPaint(frame->getSystemWindow(), CRect(0, 0, 600, 36));
        soft.pumpMessages();
        soft.scriptButtons({kLeftButton, kLeftButton, kLeftButton, kLeftButton, kLeftButton, kLeftButton,
                            kLeftButton, 0});
        soft.scriptCursor({CPoint(150, 50), CPoint(150, 50), CPoint(300, 50), CPoint(150, 50)});
        soft.postButtonDown(frame->getSystemWindow(), CPoint(110, 10));
        soft.pumpMessages();
        EXPECT_EQ(recorder.log, expected) << "software backend";
        frame->release();
        soft.destroyWindow(softHost);
        soft.setButtonState(0);
        platform::install(&platform::win32Platform());
    }

    makeHost(600, 36);
    Recorder recorder;
    auto* frame = new CFrame(CRect(0, 0, 600, 36), host, &recorder);
    recorder.frame = frame;
    frame->addView(new CMovieButton(button, &recorder, 5, 24, nullptr, CPoint(0, 0)));
    HWND window = static_cast<HWND>(frame->getSystemWindow());
    UpdateWindow(window);
    pump();
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);

    // The pointer rests before each press: wine can miss a press that follows a move too closely.
    std::thread user([origin] {
        const auto moveTo = [origin](int x, int y) {
            SetCursorPos(origin.x + x, origin.y + y);
            Sleep(150);
        };
        const auto button = [](DWORD flags) {
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flags;
            SendInput(1, &input, sizeof(INPUT));
            Sleep(150);
        };
        moveTo(110, 15);
        button(MOUSEEVENTF_LEFTDOWN);
        moveTo(300, 15);
        moveTo(112, 20);
        button(MOUSEEVENTF_LEFTUP);
    });
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1500)
    {
        pump();
        Sleep(5);
    }
    user.join();
    pump();
    EXPECT_EQ(recorder.log, expected) << "real input";
    frame->release();
}

TEST_F(FrameWindowTest, TheClassLivesAsLongAsAFrameWindowAndTheCursorFollows)
{
    makeHost(600, 36);
    auto* first = new CFrame(CRect(0, 0, 600, 36), host, nullptr);
    auto* second = new CFrame(CRect(0, 0, 300, 36), host, nullptr);
    WNDCLASSA info;
    const HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_TRUE(GetClassInfoA(module, CFrame::getClassName(), &info));
    EXPECT_EQ(CFrame::getClassUseCount(), 2);

    const HCURSOR before = GetCursor();
    first->setCursor(kCursorHand);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    first->setCursor(kCursorVSize);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZENS));

    first->release();
    EXPECT_TRUE(GetClassInfoA(module, CFrame::getClassName(), &info));
    EXPECT_EQ(GetCursor(), before) << "the frame gives the cursor back";
    second->release();
    EXPECT_FALSE(GetClassInfoA(module, CFrame::getClassName(), &info));
}

// Wine answers 0 for the process's GDI and USER object counts; there the
// windows, drop targets and the window class carry the check.
TEST_F(FrameWindowTest, AThousandFramesLeaveTheSystemObjectsAsTheyWere)
{
    makeHost(600, 36);
    const auto objects = [] {
        return std::make_pair(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                              GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    };
    const auto cycle = [](int frames) {
        for (int i = 0; i < frames; ++i)
        {
            auto* frame = new CFrame(CRect(0, 0, 600, 36), host, nullptr);
            frame->addView(new CMovieButton(CRect(10, 6, 34, 30), nullptr, 0, 24, nullptr, CPoint()));
            frame->redrawView(nullptr);
            frame->release();
            pump();
        }
    };
    cycle(1);  // objects the system makes on first use are not a leak
    const auto before = objects();
    const int dropTargets = Win32Platform::liveDropTargets();
    cycle(1000);
    const auto after = objects();
    EXPECT_EQ(after.first, before.first) << "GDI objects";
    EXPECT_EQ(after.second, before.second) << "USER objects";
    EXPECT_EQ(childWindows(host), 0);
    EXPECT_EQ(Win32Platform::liveDropTargets(), dropTargets);
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), CFrame::getClassName(), &info));
}

} // namespace
