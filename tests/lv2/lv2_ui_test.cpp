// The LV2 UI as an LV2 host shows it: the UI binary that lilv names, embedded
// in a plain X11 window of the host's (ui:parent) and idled every 20 ms through
// ui:idleInterface, with real pointer input through XTEST. What the host hears
// comes through the write function and ui:touch; what the window shows is read
// back and compared with the VST panel drawn in-process.
#include "integration/editor_e2e_support.h"
#include "lv2/lv2_host.h"

#include "gui/pixel_compare.h"
#include "lv2/quelt_lv2_ports.h"
#include "x11/x11_test_support.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <dirent.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <thread>

using namespace e2e;
using guitest::differingPixels;

namespace {

// What the UI told its host, in order: "touch P 1", "write P V", "touch P 0".
struct Heard
{
    std::vector<std::string> lines;
    int resizedTo[2] = {0, 0};
};

void writePort(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    float value = NAN;
    if (format == 0 && size == sizeof value)
        std::memcpy(&value, buffer, sizeof value);
    static_cast<Heard*>(controller)->lines.push_back("write " + std::to_string(port) + " " +
                                                     std::to_string(static_cast<int>(value)));
}

void touchPort(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
{
    static_cast<Heard*>(handle)->lines.push_back("touch " + std::to_string(port) + (grabbed ? " 1" : " 0"));
}

int resizeTo(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* heard = static_cast<Heard*>(handle);
    heard->resizedTo[0] = width;
    heard->resizedTo[1] = height;
    return 0;
}

// The UI binary as lilv names it, loaded once.
const LV2UI_Descriptor* uiDescriptor()
{
    static const LV2UI_Descriptor* descriptor = [] {
        lv2test::Bundle bundle;
        LilvUIs* uis = lilv_plugin_get_uis(bundle.plugin());
        const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
        char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        lilv_free(path);
        lilv_uis_free(uis);
        auto entry = library ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor")) : nullptr;
        return entry ? entry(0) : nullptr;
    }();
    return descriptor;
}

int openFiles()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd"))
    {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

class Lv2UiOnX11 : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        display = XOpenDisplay(nullptr);
        if (!display)
            return;
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 40, kWidth, kHeight, 0,
                                     BlackPixel(display, screen), BlackPixel(display, screen));
        XMapWindow(display, parent);
        XSync(display, False);
    }
    static void TearDownTestSuite()
    {
        if (display)
            XCloseDisplay(display);
        display = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(display, nullptr) << "no X server";
        ASSERT_NE(uiDescriptor(), nullptr) << "the UI binary did not load";
        ASSERT_TRUE(open());
        ASSERT_NE(idleInterface, nullptr);
        idleFor(100);
    }
    void TearDown() override { close(); }

    bool open()
    {
        const LV2UI_Descriptor* d = uiDescriptor();
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
        LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
        LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        LV2_Feature touchFeature{LV2_UI__touch, &touch};
        const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &touchFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        ui = d->instantiate(d, quelt_lv2::kPluginUri, QUELT_LV2_BUNDLE "/", writePort, &heard, &widget, features);
        return ui && widget;
    }
    void close()
    {
        if (ui)
            uiDescriptor()->cleanup(ui);
        ui = nullptr;
    }

    void idleFor(int ms, const std::atomic<bool>* busy = nullptr)
    {
        for (int waited = 0; waited < ms || (busy && *busy); waited += 20)
        {
            EXPECT_EQ(idleInterface->idle(ui), 0);
            usleep(20000);
        }
        idleInterface->idle(ui);
    }

    void click(PanelPoint at, int button = Button1)
    {
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(display, parent, DefaultRootWindow(display), 0, 0, &x, &y, &child);
        std::atomic<bool> busy{true};
        std::thread user([&] {
            x11test::Pointer pointer;
            pointer.click(x + at.x, y + at.y, button);
            busy = false;
        });
        idleFor(0, &busy);
        user.join();
        idleFor(100);
    }

    Pixels screen()
    {
        Pixels out(kWidth, kHeight);
        const std::vector<::Window> panel = x11test::children(display, parent);
        if (panel.size() == 1)
            out.data = x11test::grab(display, panel[0], kWidth, kHeight);
        return out;
    }

    // The values the UI has shown since it opened: the defaults and what it heard and wrote.
    void expectScreen(const Values& v, const char* stage, bool splashOpen = false, int playing = 0)
    {
        expectPanel(screen(), v, stage, splashOpen, playing);
    }

    void portEvent(int parameter, float value)
    {
        uiDescriptor()->port_event(ui, quelt_lv2::parameterPort(parameter), sizeof value, 0, &value);
    }

    static Display* display;
    static ::Window parent;
    Heard heard;
    LV2UI_Resize resize{&heard, resizeTo};
    LV2UI_Touch touch{&heard, touchPort};
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Handle ui = nullptr;
};

Display* Lv2UiOnX11::display = nullptr;
::Window Lv2UiOnX11::parent = 0;

const Values kDefaults{1, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};

TEST_F(Lv2UiOnX11, ClicksWriteThePortsInsideGesturesAndTheWindowShowsTheVstPanel)
{
    EXPECT_EQ(heard.resizedTo[0], kWidth);
    EXPECT_EQ(heard.resizedTo[1], kHeight);
    expectScreen(kDefaults, "opened");

    Values v = kDefaults;
    const std::vector<std::pair<PanelPoint, int>> clicks = {{stepCentre(5), 5}, {kMode, 16}, {stepCentre(5), 5}};
    for (const auto& [at, parameter] : clicks)
    {
        heard.lines.clear();
        click(at);
        v[parameter] = 1.0f - v[parameter];
        const std::string port = std::to_string(quelt_lv2::parameterPort(parameter));
        ASSERT_GE(heard.lines.size(), 3u);
        EXPECT_EQ(heard.lines.front(), "touch " + port + " 1");
        EXPECT_EQ(heard.lines.back(), "touch " + port + " 0");
        for (size_t i = 1; i + 1 < heard.lines.size(); ++i)
            EXPECT_EQ(heard.lines[i], "write " + port + " " + std::to_string(static_cast<int>(v[parameter])));
        expectScreen(v, parameter == 16 ? "mode toggled" : "step 6 toggled");
    }

    // The random button: every step written inside a gesture of its own, the mode left alone.
    heard.lines.clear();
    click(kRandom);
    ASSERT_GE(heard.lines.size(), 48u);
    EXPECT_EQ(heard.lines.size() % 48, 0u);
    for (size_t i = 0; i < heard.lines.size(); i += 3)
    {
        const std::string port = std::to_string(quelt_lv2::kFirstGate + (i / 3) % 16);
        EXPECT_EQ(heard.lines[i], "touch " + port + " 1");
        EXPECT_EQ(heard.lines[i + 1].rfind("write " + port + " ", 0), 0u) << heard.lines[i + 1];
        EXPECT_EQ(heard.lines[i + 2], "touch " + port + " 0");
    }
    for (size_t i = heard.lines.size() - 48; i < heard.lines.size(); i += 3)
        v[(i / 3) % 16] = heard.lines[i + 1].back() == '1' ? 1.0f : 0.0f;
    expectScreen(v, "random");

    for (const SplashClick& c : kSplashClicks)
    {
        heard.lines.clear();
        click(c.at, c.left ? Button1 : Button3);
        EXPECT_TRUE(heard.lines.empty()) << c.stage;
        expectScreen(v, c.stage, c.openAfter);
    }
}

TEST_F(Lv2UiOnX11, HostValuesShowAtTheNextIdleNeverDuringTheCall)
{
    const Pixels before = screen();
    Values v = kDefaults;
    v[0] = 0.0f, v[16] = 1.0f;
    portEvent(0, 0.0f);
    portEvent(16, 1.0f);
    EXPECT_EQ(differingPixels(screen(), before), 0);
    idleFor(40);
    expectScreen(v, "host set step 1 and DECAY");
    EXPECT_TRUE(heard.lines.empty()) << "the host's own values go back to nobody";
}

// The playing step comes as the DSP's step output; 0 takes the mark away.
TEST_F(Lv2UiOnX11, TheStepOutputMovesTheMark)
{
    for (int step : {5, 6, 16, 1, 0})
    {
        uiDescriptor()->port_event(ui, quelt_lv2::kStep, sizeof(float), 0, std::array<float, 1>{float(step)}.data());
        idleFor(40);
        expectScreen(kDefaults, ("step output " + std::to_string(step)).c_str(), false, step);
    }
}

TEST_F(Lv2UiOnX11, TwoHundredOpenCloseCyclesLeaveNothingBehind)
{
    close();
    auto resources = [] {
        int count = 0;
        XResClient* clients = nullptr;
        XResQueryClients(display, &count, &clients);
        XFree(clients);
        return std::make_pair(count, static_cast<int>(x11test::children(display, parent).size()));
    };
    const auto before = resources();
    const int files = openFiles();
    for (int cycle = 0; cycle < 200; ++cycle)
    {
        ASSERT_TRUE(open()) << "cycle " << cycle;
        idleInterface->idle(ui);
        close();
    }
    EXPECT_EQ(resources(), before) << "X clients and child windows";
    EXPECT_EQ(openFiles(), files);
    ASSERT_TRUE(open());
}

TEST(Lv2UiHeadless, WithoutADisplayTheUiIsNotMade)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    unsetenv("DISPLAY");
    Heard heard;
    LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(uintptr_t{0x400001})};
    const LV2_Feature* features[] = {&parentFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    const LV2UI_Descriptor* d = uiDescriptor();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->instantiate(d, quelt_lv2::kPluginUri, QUELT_LV2_BUNDLE "/", writePort, &heard, &widget, features),
              nullptr);
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(d->instantiate(d, quelt_lv2::kPluginUri, QUELT_LV2_BUNDLE "/", writePort, &heard, &widget, none),
              nullptr)
        << "ui:parent is required";
    if (saved)
        setenv("DISPLAY", display.c_str(), 1);
}

} // namespace
