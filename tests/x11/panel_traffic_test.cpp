// What the Linux panel sends to the X server: only what changed. The effect and
// its panel in this process, on the X11 backend, in a plain X11 window; the
// backend counts the requests and the window pixels it sends.
#include "host/quelt.h"
#include "host/quelt_editor.h"
#include "vstgui/platform/x11.h"

#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <ctime>
#include <unistd.h>

using VSTGUI::platform::X11Platform;

namespace {

VstTimeInfo gTime{};

VstIntPtr VSTCALLBACK playingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterGetTime)
        return reinterpret_cast<VstIntPtr>(&gTime);
    return opcode == audioMasterVersion ? 2400 : 0;
}

double threadMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

TEST(PanelTraffic, AnIdleSendsOnlyWhatChangedAndNothingWhenNothingDid)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X server";
    const int screen = DefaultScreen(display);
    const Window parent = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 300, 600, 36, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    X11Platform& backend = VSTGUI::platform::x11Platform();
    VSTGUI::platform::install(&backend);
    {
        Quelt effect(playingHost);
        auto* editor = static_cast<QueltEditor*>(effect.getEditor());
        ASSERT_TRUE(editor->open(reinterpret_cast<void*>(static_cast<uintptr_t>(parent))));
        for (int i = 0; i < 20; ++i, usleep(10000))
            editor->idle();

        gTime.tempo = 120.0;
        gTime.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
        float silence[64] = {};
        float* channels[2] = {silence, silence};
        const auto traffic = [&](auto change) {
            change();
            const X11Platform::Counters before = backend.counters();
            const double cpu = threadMicroseconds();
            editor->idle();
            const X11Platform::Counters after = backend.counters();
            return std::make_tuple(after.requestsSent - before.requestsSent, after.pixelBytesSent - before.pixelBytesSent,
                                   threadMicroseconds() - cpu);
        };
        const auto report = [](const char* what, const auto& t) {
            std::printf("[x11] %-34s %3llu requests, %6llu bytes of pixels, %6.1f us\n", what,
                        static_cast<unsigned long long>(std::get<0>(t)), static_cast<unsigned long long>(std::get<1>(t)),
                        std::get<2>(t));
        };
        const auto playAt = [&](double quarters) {
            return [&, quarters] {
                gTime.ppqPos = quarters;
                effect.processReplacing(channels, channels, 64);
            };
        };

        auto t = traffic(playAt(1.3));  // step 6 lit
        report("mark appears", t);
        EXPECT_LE(std::get<1>(t), 8192u);
        EXPECT_EQ(std::get<1>(t), 24u * 6 * 4);
        t = traffic(playAt(1.6));  // step 6 to step 7
        report("mark moves", t);
        EXPECT_EQ(std::get<1>(t), 2u * 24 * 6 * 4);
        t = traffic(playAt(0.1));  // step 16 back to step 1: two marks far apart
        t = traffic(playAt(3.9));
        report("mark wraps from step 1 to 16", t);
        EXPECT_EQ(std::get<1>(t), (27u + 21) * 6 * 4);
        t = traffic([&] { effect.setParameter(4, 1.0f); });
        report("one button", t);
        EXPECT_LE(std::get<1>(t), 8192u);
        double cpu = 0;
        for (int i = 0; i < 200; ++i)
        {
            t = traffic([] {});
            EXPECT_EQ(std::get<0>(t), 0u) << "an idle with nothing new sends no request";
            EXPECT_EQ(std::get<1>(t), 0u);
            cpu += std::get<2>(t);
        }
        std::printf("[x11] nothing changed: 0 requests, 0 bytes, %.1f us of CPU per idle\n", cpu / 200);
        editor->close();
    }
    VSTGUI::platform::install(nullptr);
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

} // namespace
