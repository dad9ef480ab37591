// The CLAP plug-in as a host drives it from two threads at once: the audio
// thread processes blocks with automation, MIDI and transport events while the
// main thread loads presets and states, reads values and runs the open panel,
// whose clicks go out through the audio thread's blocks. Built with
// ThreadSanitizer, any unsynchronised access fails the run.
#include "clap/clap_host.h"

#include <gtest/gtest.h>

// After gtest: Xlib defines None.
#include "x11/x11_test_support.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

TEST(ClapConcurrency, AudioThreadAndMainThreadShareThePluginSafely)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X server";
    const ::Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 600, 36, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);

    claptest::Host host;
    ASSERT_TRUE(host.plugin() && host.activate());
    const auto* gui = host.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_X11;
    window.x11 = parent;
    ASSERT_TRUE(gui->create(host.plugin(), CLAP_WINDOW_API_X11, false) && gui->set_parent(host.plugin(), &window));

    std::atomic<bool> stop{false};
    std::atomic<int> edits{0};
    std::thread audio([&] {
        std::vector<float> buffer(128, 0.25f);
        float* channels[2] = {buffer.data(), buffer.data()};
        const clap_audio_buffer_t in{channels, nullptr, 2, 0, 0};
        clap_audio_buffer_t out{channels, nullptr, 2, 0, 0};
        const clap_output_events_t sink{&edits, [](const clap_output_events_t* l, const clap_event_header_t*) {
                                            ++*static_cast<std::atomic<int>*>(l->ctx);
                                            return true;
                                        }};
        claptest::EventList events;
        events.add(claptest::paramAt(3, 7, 1.0));
        events.add(claptest::midiAt(40, 0xB0, 61, 127));
        events.add(claptest::transportAt(90, 12.0, 140.0));
        events.add(claptest::paramAt(100, 16, 0.0));
        for (uint32_t block = 0; !stop; ++block)
        {
            const clap_event_transport_t song = claptest::transportAt(0, block * 0.0058, 120.0);
            const clap_process_t p{block, 128, &song, &in, &out, 1, 1, events.list(), &sink};
            host.plugin()->process(host.plugin(), &p);
        }
    });

    // The user clicks the steps while the main thread runs the host's loop.
    std::atomic<bool> clicking{true};
    std::thread user([&] {
        x11test::Pointer pointer;
        for (int k = 0; k < 6; ++k)
            pointer.click(85 + 48 * k, 18, Button1);
        clicking = false;
    });
    const auto* presets = host.extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    const auto* params = host.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    for (int round = 0; clicking || round < 50; ++round)
    {
        const std::string key = std::to_string(round % 16);
        presets->from_location(host.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, key.c_str());
        double value = 0.0;
        char text[32];
        params->get_value(host.plugin(), static_cast<clap_id>(round % 17), &value);
        params->value_to_text(host.plugin(), static_cast<clap_id>(round % 17), value, text, sizeof text);
        host.runTimers();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    user.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    audio.join();
    gui->destroy(host.plugin());
    XCloseDisplay(display);
    EXPECT_GE(edits.load(), 6 * 3) << "every click reached the host as a gesture and a value";
    const std::vector<std::string> violations = host.violations();
    EXPECT_TRUE(violations.empty()) << violations.front();
}

}  // namespace
