// What the end-to-end tests of the panel share on every window system: where
// the controls are, the panel as the software backend draws it for a set of
// values, and the begin, automate and end calls a user's edit must produce.
#pragma once

#include "support/test_host.h"

#include "host/aeff_gui_editor.h"
#include "host/audio_effect.h"
#include "host/plugin_entry.h"
#include "gui/pixel_compare.h"
#include "vstgui/platform/soft.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

using namespace quelt_test;
using namespace VSTGUI;
using platform::Pixels;

constexpr int kWidth = 600;
constexpr int kHeight = 36;
using Values = std::array<float, 17>;

// Centres of the controls, in panel coordinates.
struct PanelPoint
{
    int x;
    int y;
};
constexpr PanelPoint stepCentre(int k)
{
    return k == 0 ? PanelPoint{85, 18} : k == 15 ? PanelPoint{445, 18} : PanelPoint{111 + 24 * (k - 1), 18};
}
constexpr PanelPoint kMode{486, 18};
constexpr PanelPoint kRandom{528, 18};
constexpr PanelPoint kLogo{30, 18};

// The effect's 17 parameter values as the host reads them.
inline Values values(TestHost& h)
{
    Values v{};
    for (int k = 0; k < 17; ++k)
        v[k] = h.getParameter(k);
    return v;
}

// Clicks on the open splash: a left click on the logo opens it, a right click
// elsewhere keeps it, a left click anywhere closes it; none reaches a button.
struct SplashClick
{
    PanelPoint at;
    bool left;
    bool openAfter;
    const char* stage;
};
constexpr SplashClick kSplashClicks[] = {
    {kLogo, true, true, "splash opened"},
    {stepCentre(3), false, true, "splash after right click"},
    {stepCentre(3), true, false, "splash closed"},
};

// The song position of the middle of step `step` (1 to 16), in quarter notes.
inline double quartersOfStep(int step) { return (step - 1 + 0.5) / 4.0; }

// A host that plays the song at one position, for the reference panels.
inline VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    static VstTimeInfo playing = [] {
        VstTimeInfo t{};
        t.tempo = 120.0;
        t.sampleRate = 44100.0;
        t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
        return t;
    }();
    if (opcode == audioMasterGetTime)
        return reinterpret_cast<VstIntPtr>(&playing);
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The same panel drawn in this process by the software backend: a Quelt of its
// own with these values, its editor opened in a soft window and painted; with
// the mark of the step `playing` (1 to 16) where the song plays one.
inline Pixels softPanel(const Values& values, bool splashOpen, int playing = 0)
{
    platform::SoftPlatform& soft = platform::softPlatform();
    platform::install(&soft);
    AudioEffect* effect = createEffectInstance(quietHost);
    for (int k = 0; k < 17; ++k)
        effect->setParameter(k, values[k]);
    if (playing)
    {
        auto* time = reinterpret_cast<VstTimeInfo*>(quietHost(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f));
        time->ppqPos = quartersOfStep(playing);
        float silence[16] = {};
        float* channels[2] = {silence, silence};
        effect->processReplacing(channels, channels, 16);
    }
    auto* editor = static_cast<AEffGUIEditor*>(effect->getEditor());
    platform::WindowRef parent = soft.createWindow(CRect(0, 0, kWidth, kHeight));
    editor->open(parent);
    platform::WindowRef child = editor->getFrame()->getSystemWindow();
    soft.postPaint(child, CRect(0, 0, kWidth, kHeight));
    soft.pumpMessages();
    if (splashOpen)
    {
        soft.setButtonState(kLeftButton);
        soft.postButtonDown(child, CPoint(kLogo.x, kLogo.y));
        soft.pumpMessages();
        soft.setButtonState(0);
        editor->idle();
    }
    Pixels out = *soft.windowPixels(child);
    editor->close();
    soft.destroyWindow(parent);
    effect->getAeffect()->dispatcher(effect->getAeffect(), effClose, 0, 0, nullptr, 0.0f);
    platform::install(nullptr);
    return out;
}

// A window's pixels against the panel the software backend draws for the same
// values: every pixel the same. Prints the count; answers the reference drawn.
inline Pixels expectPanel(const Pixels& shown, const Values& v, const char* stage, bool splashOpen = false,
                          int playing = 0)
{
    Pixels reference = softPanel(v, splashOpen, playing);
    const int differing = guitest::differingPixels(shown, reference);
    std::printf("[pixels] %-28s compared %d, differing %d\n", stage, kWidth * kHeight, differing);
    EXPECT_EQ(differing, 0) << stage << ": " << guitest::firstDifference(shown, reference);
    return reference;
}

// Writes pixels as a binary PPM, for the README's picture.
inline void savePicture(const Pixels& p, const std::string& path)
{
    if (FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
        for (uint32_t word : p.data)
        {
            const unsigned char rgb[3] = {static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 8),
                                          static_cast<unsigned char>(word)};
            std::fwrite(rgb, 1, 3, f);
        }
        std::fclose(f);
    }
}

struct Edit
{
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};

// The begin, end and automate calls a host recorded, in order.
inline std::vector<Edit> edits(const TestHost& host)
{
    std::vector<Edit> out;
    for (const HostCall& c : host.calls())
        if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit || c.opcode == audioMasterAutomate)
            out.push_back({c.opcode, c.index, c.opt});
    return out;
}

inline std::string describe(const std::vector<Edit>& list)
{
    std::string text;
    for (const Edit& e : list)
        text += e.opcode == audioMasterBeginEdit ? "begin " + std::to_string(e.index) + "; "
                : e.opcode == audioMasterEndEdit ? "end " + std::to_string(e.index) + "; "
                                                 : "auto " + std::to_string(e.index) + "=" +
                                                       std::to_string(static_cast<int>(e.opt)) + "; ";
    return text;
}

// A click on the button for parameter index sends begin, one or more automates
// of the new value, and end.
inline void expectEditOf(const std::vector<Edit>& seen, int index, float expected)
{
    std::printf("[calls] click on %d: %s\n", index, describe(seen).c_str());
    ASSERT_GE(seen.size(), 3u) << describe(seen);
    EXPECT_EQ(seen.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(seen.front().index, index);
    EXPECT_EQ(seen.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(seen.back().index, index);
    for (size_t i = 1; i + 1 < seen.size(); ++i)
    {
        EXPECT_EQ(seen[i].opcode, audioMasterAutomate) << describe(seen);
        EXPECT_EQ(seen[i].index, index);
        EXPECT_EQ(seen[i].opt, expected);
    }
}

// The random button sends begin 1000, whole batches of the sixteen steps at 0
// or 1, and end 1000.
inline void expectRandomBatches(const std::vector<Edit>& seen)
{
    ASSERT_GE(seen.size(), 18u) << describe(seen);
    EXPECT_EQ(seen.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(seen.front().index, 1000);
    EXPECT_EQ(seen.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(seen.back().index, 1000);
    EXPECT_EQ((seen.size() - 2) % 16, 0u) << describe(seen);
    for (size_t i = 1; i + 1 < seen.size(); ++i)
    {
        EXPECT_EQ(seen[i].opcode, audioMasterAutomate) << describe(seen);
        EXPECT_EQ(seen[i].index, static_cast<VstInt32>((i - 1) % 16));
        EXPECT_TRUE(seen[i].opt == 0.0f || seen[i].opt == 1.0f);
    }
}

// A host's audio thread: blocks of 256 frames every 5 ms, the song held at one
// position with the transport playing or stopped, or no blocks at all.
class AudioThread
{
public:
    explicit AudioThread(TestHost& host) : host(host), thread([this] { run(); }) {}
    ~AudioThread()
    {
        quit = true;
        thread.join();
    }
    void play(int step) { scene = step; }
    void stop() { scene = kStopped; }
    // Returns once no block is in progress any more.
    void pause()
    {
        scene = kPaused;
        while (!resting)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

private:
    static constexpr int kStopped = 0;
    static constexpr int kPaused = -1;

    void run()
    {
        while (!quit)
        {
            const int now = scene;
            resting = now == kPaused;
            if (now != kPaused)
            {
                host.setTransport(quartersOfStep(now == kStopped ? 1 : now), 120.0);
                VstTimeInfo& time = host.timeInfo();
                time.flags = (now == kStopped ? 0 : kVstTransportPlaying) | kVstPpqPosValid | kVstTempoValid;
                host.process(256);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    TestHost& host;
    std::atomic<int> scene{kPaused};
    std::atomic<bool> resting{false};
    std::atomic<bool> quit{false};
    std::thread thread;
};

// The playhead as a user watches it while a host plays: the mark under the
// step the song is in and nowhere else, following it, and gone (the panel as
// it is without it) once the transport stops, the effect is suspended or no
// block has come for 250 ms. `check(stage, step)` compares the window with the
// panel showing that step's mark (0 for none); `idle(ms)` runs the host's loop.
template <typename Check, typename Idle>
void watchThePlayhead(TestHost& host, Check check, Idle idle)
{
    host.setRecording(false);
    AudioThread audio(host);
    idle(100);
    check("no song yet", 0);
    const std::pair<int, const char*> steps[] = {{5, "playing step 5"}, {6, "playing step 6"}, {16, "playing step 16"},
                                                 {1, "playing step 1"}};
    for (const auto& [step, stage] : steps)
    {
        audio.play(step);
        idle(120);
        check(stage, step);
    }
    audio.stop();
    idle(120);
    check("transport stopped", 0);
    audio.play(9);
    idle(120);
    check("playing step 9", 9);
    audio.pause();
    host.suspend();
    idle(120);
    check("suspended", 0);
    host.resume();
    audio.play(12);
    idle(120);
    check("playing step 12", 12);
    audio.pause();
    idle(400);
    check("no block for 250 ms", 0);
    host.setRecording(true);
}

} // namespace e2e
