// The CLAP plug-in's panel as a CLAP host shows it: embedded in the host's own
// window (X11 under Xvfb, Win32 under wine), idled by the host's timer or, where
// a Linux host offers only file descriptors, when the window's connection has
// events. Real clicks go in; gestures come out through request_flush; the
// window shows what the VST panel draws, playhead included.
#include "clap/clap_host.h"
#include "integration/editor_e2e_support.h"


#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#if defined(_WIN32)
#include "gui/win32_test_support.h"
#else
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include "x11/x11_test_support.h"
#endif

using namespace e2e;

namespace {

// The host's window for the panel, and the user's pointer.
#if defined(_WIN32)
class HostWindow
{
public:
    HostWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QueltClapHost";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(WS_EX_TOPMOST, "QueltClapHost", "", WS_POPUP | WS_VISIBLE, 40, 40, kWidth, kHeight,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        guitest::pump();
    }
    ~HostWindow() { DestroyWindow(window); }
    bool ok() const { return window != nullptr; }
    clap_window_t parent() const
    {
        clap_window_t w{};
        w.api = CLAP_WINDOW_API_WIN32;
        w.win32 = window;
        return w;
    }
    int children() const { return guitest::childWindows(window); }
    void pump() { guitest::pump(); }
    void click(PanelPoint at)
    {
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        SetCursorPos(origin.x + at.x, origin.y + at.y);
        Sleep(150);  // wine can miss a press that follows a move too closely
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        SendInput(1, &input, sizeof(INPUT));
        Sleep(150);
        input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &input, sizeof(INPUT));
        Sleep(100);
    }
    Pixels screen()
    {
        HWND child = GetWindow(window, GW_CHILD);
        HDC dc = GetDC(child);
        Pixels out = guitest::grab(dc, 0, 0, kWidth, kHeight);
        ReleaseDC(child, dc);
        return out;
    }

private:
    HWND window = nullptr;
};
#else
class HostWindow
{
public:
    HostWindow() : display(XOpenDisplay(nullptr))
    {
        if (!display)
            return;
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 40, kWidth, kHeight, 0,
                                     BlackPixel(display, screen), BlackPixel(display, screen));
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~HostWindow()
    {
        if (display)
            XCloseDisplay(display);
    }
    bool ok() const { return display != nullptr; }
    clap_window_t parent() const
    {
        clap_window_t w{};
        w.api = CLAP_WINDOW_API_X11;
        w.x11 = window;
        return w;
    }
    int children() { return static_cast<int>(x11test::children(display, window).size()); }
    void pump() {}
    void click(PanelPoint at)
    {
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
        x11test::Pointer().click(x + at.x, y + at.y, Button1);
    }
    Pixels screen()
    {
        Pixels out(kWidth, kHeight);
        const std::vector<::Window> panel = x11test::children(display, window);
        if (panel.size() == 1)
            out.data = x11test::grab(display, panel[0], kWidth, kHeight);
        return out;
    }

private:
    Display* display;
    ::Window window = 0;
};
#endif

class ClapPanel : public ::testing::TestWithParam<claptest::Host::Options>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ok()) << "no window system";
        ASSERT_NE(host.plugin(), nullptr);
        ASSERT_TRUE(host.activate());
        gui = host.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
        const clap_window_t parent = window.parent();
        ASSERT_TRUE(gui->create(host.plugin(), parent.api, false));
        ASSERT_TRUE(gui->set_parent(host.plugin(), &parent));
        ASSERT_TRUE(gui->show(host.plugin()));
        idleFor(100);
    }

    // The host's loop: its window's messages, its timers, the descriptors that
    // have events, and the main-thread callbacks the plug-in asked for.
    void idleFor(int ms, const std::atomic<bool>* busy = nullptr)
    {
        for (int waited = 0; waited <= ms || (busy && *busy); waited += 20)
        {
            window.pump();
            if (GetParam().timers)
                host.runTimers();
            host.runFds();
            host.runCallbacks();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void click(PanelPoint at)
    {
        std::atomic<bool> busy{true};
        std::thread user([&] {
            window.click(at);
            busy = false;
        });
        idleFor(0, &busy);
        user.join();
        idleFor(100);
    }

    Values values()
    {
        Values v{};
        for (int k = 0; k < 17; ++k)
            v[k] = static_cast<float>(host.value(static_cast<clap_id>(k)));
        return v;
    }

    void expectScreen(const char* stage, int playing = 0)
    {
        const Pixels shown = window.screen();
        expectPanel(shown, values(), stage, false, playing);
        if (const char* dir = std::getenv("QUELT_SCREENSHOT_DIR"))
            savePicture(shown, std::string(dir) + "/clap " + stage + ".ppm");
    }

    // One block on the host's audio thread, the song at `step` (0: stopped).
    void play(int step, const claptest::EventList& events = {})
    {
        std::vector<float> silence(256, 0.0f);
        float* channels[2] = {silence.data(), silence.data()};
        const clap_event_transport_t song = claptest::transportAt(0, quartersOfStep(step ? step : 1), 120.0, step != 0);
        ASSERT_EQ(host.process(channels, nullptr, 256, &song, events), CLAP_PROCESS_CONTINUE);
    }

    HostWindow window;
    claptest::Host host{GetParam()};
    const clap_plugin_gui_t* gui = nullptr;
};

TEST_P(ClapPanel, ClicksReachTheHostAsGesturesAndTheWindowShowsThePanelAndThePlayhead)
{
    expectScreen("opened");
    const float before = static_cast<float>(host.value(5));
    click(stepCentre(5));
    EXPECT_GT(host.flushRequests(), 0);
    host.flush();
    const std::vector<std::string> heard = host.takeOutput();
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard.front(), "begin 5");
    EXPECT_EQ(heard[1], before < 0.5f ? "value 5 1" : "value 5 0");
    EXPECT_EQ(heard.back(), "end 5");
    EXPECT_NE(host.value(5), before);
    expectScreen("step 6 clicked");

    for (int step : {3, 4, 16})
    {
        play(step);
        idleFor(60);
        expectScreen(("playing step " + std::to_string(step)).c_str(), step);
    }
    play(0);
    idleFor(60);
    expectScreen("stopped");

    // An automation event on the audio thread shows at the host's next idle.
    claptest::EventList automation;
    automation.add(claptest::paramAt(10, 16, 1.0));
    play(0, automation);
    idleFor(60);
    expectScreen("mode automated");
    EXPECT_TRUE(host.takeOutput().empty()) << "the host's own values go back to nobody";

    gui->destroy(host.plugin());
    window.pump();
    EXPECT_EQ(window.children(), 0);
    const std::vector<std::string> violations = host.violations();
    EXPECT_TRUE(violations.empty()) << violations.front();
}

const claptest::Host::Options kTimers{true, false};
#if defined(_WIN32)
const claptest::Host::Options kNoTimers{false, false};  // the panel's own thread timer
INSTANTIATE_TEST_SUITE_P(Hosts, ClapPanel, ::testing::Values(kTimers, kNoTimers),
                         [](const auto& info) { return std::string(info.param.timers ? "timers" : "own_timer"); });
#else
const claptest::Host::Options kDescriptorsOnly{false, true};
INSTANTIATE_TEST_SUITE_P(Hosts, ClapPanel, ::testing::Values(kTimers, kDescriptorsOnly),
                         [](const auto& info) { return std::string(info.param.timers ? "timers" : "descriptors"); });
#endif

} // namespace
