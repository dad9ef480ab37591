// A host automating every parameter and processing audio from one thread while
// its window thread opens, idles and closes the panel (which reads the playing
// step). Under ThreadSanitizer any unsynchronised access fails the run; under
// AddressSanitizer a store into a destroyed button.
#include "host/quelt_editor.h"
#include "host/quelt.h"
#include "vstgui/platform/soft.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

VstIntPtr VSTCALLBACK host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    static const VstTimeInfo playing = [] {
        VstTimeInfo t{};
        t.tempo = 120.0;
        t.ppqPos = 1.3;
        t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
        return t;
    }();
    if (opcode == audioMasterGetTime)
        return reinterpret_cast<VstIntPtr>(&playing);
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(EditorConcurrency, AutomationDuringOpenAndCloseIsSafe)
{
    using namespace VSTGUI;
    platform::SoftPlatform& soft = platform::softPlatform();
    platform::install(&soft);
    platform::WindowRef window = soft.createWindow(CRect(0, 0, 600, 36));
    auto* effect = new Quelt(host);
    auto* editor = static_cast<QueltEditor*>(effect->getEditor());

    std::atomic<bool> done{false};
    std::atomic<long> changes{0};
    std::thread automation([&] {
        float audio[2][64] = {};
        float* channels[2] = {audio[0], audio[1]};
        for (int i = 0; !done.load(std::memory_order_relaxed); ++i)
        {
            effect->setParameter(i % 17, static_cast<float>((i / 17) & 1));
            if (i % 17 == 0)
                effect->processReplacing(channels, channels, 64);
            changes.fetch_add(1, std::memory_order_relaxed);
        }
    });
    for (int cycle = 0; cycle < 1000; ++cycle)
    {
        ASSERT_TRUE(editor->open(window));
        soft.postPaint(editor->getFrame()->getSystemWindow(), CRect(0, 0, 600, 36));
        soft.pumpMessages();
        editor->idle();
        editor->close();
    }
    done = true;
    automation.join();
    EXPECT_GT(changes.load(), 1000);

    delete effect;
    soft.destroyWindow(window);
    EXPECT_EQ(soft.counters().liveSurfaces, 0);
    platform::install(nullptr);
}

} // namespace
