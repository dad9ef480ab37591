// The audio thread's entries must not touch the heap: processing and MIDI delivery are
// checked with every malloc/free and operator new/delete in the process counted.
#include "alloc_counter.h"
#include "lv2/lv2_host.h"
#include "lv2/quelt_lv2_ports.h"
#include "clap/clap_host.h"
#include "support/open_host_test.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

using quelt_test::controlChange;
using quelt_test::MidiMessage;
using quelt_test::TestHost;

namespace {

// Through a volatile pointer so the compiler cannot fold the pair away.
void* (*volatile g_malloc)(std::size_t) = &std::malloc;
void (*volatile g_free)(void*) = &std::free;

TEST(AllocationInterceptor, CountsAllocationsOfTheTestAndOfThePlugin)
{
    quelt_alloc::arm();
    void* p = g_malloc(64);
    g_free(p);
    quelt_alloc::Counts c = quelt_alloc::disarm();
    EXPECT_EQ(c.allocations, 1);
    EXPECT_EQ(c.frees, 1);

    int* volatile q = new int(5);
    quelt_alloc::arm();
    delete q;
    c = quelt_alloc::disarm();
    EXPECT_EQ(c.allocations, 0);
    EXPECT_EQ(c.frees, 1);

    // Creating and closing an effect runs only plug-in code; it must be seen.
    TestHost host(false);
    ASSERT_TRUE(host.loaded()) << host.loadError();
    host.setRecording(false);
    quelt_alloc::arm();
    AEffect* effect = host.instantiate();
    c = quelt_alloc::disarm();
    ASSERT_NE(effect, nullptr);
    EXPECT_GT(c.allocations, 0) << "construction inside the plug-in went uncounted";

    quelt_alloc::arm();
    host.close();
    c = quelt_alloc::disarm();
    EXPECT_GT(c.frees, 0) << "destruction inside the plug-in went uncounted";
}

class NoAllocation : public quelt_test::OpenHostTest
{
protected:
    void SetUp() override
    {
        OpenHostTest::SetUp();
        if (HasFatalFailure())
            return;
        host.reserveFrames(4096);
        host.eventBlock().reserve(256);
        host.fillInput(0.5f, -0.25f);
    }

    void expectNone(const char* what)
    {
        const quelt_alloc::Counts c = quelt_alloc::disarm();
        EXPECT_EQ(c.allocations, 0) << what;
        EXPECT_EQ(c.frees, 0) << what;
    }
};

TEST_F(NoAllocation, ProcessReplacing)
{
    // From the very first block of a fresh effect: no lazy set-up on the audio thread either.
    quelt_alloc::arm();
    host.process(512);
    expectNone("first block");

    host.dispatch(effOpen);
    host.setSampleRate(48000.0f);
    host.timeInfo().sampleRate = 48000.0;
    host.resume();

    for (float mode : {0.0f, 1.0f})
    {
        for (int s = 0; s < 16; ++s)
            host.setParameter(s, (s % 3 == 0) ? 0.0f : 1.0f);
        host.setParameter(16, mode);
        for (int frames : {1, 7, 64, 512, 4096, 0})
        {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << frames << " frames");
            host.setTransport(0.0, 128.0);
            // Enough blocks to cross several steps and their ramps.
            const int blocks = frames == 0 ? 10 : std::max(20, 60000 / frames);
            quelt_alloc::arm();
            for (int b = 0; b < blocks; ++b)
            {
                if (b % 2 == 0)
                    host.process(frames);
                else
                    host.processInPlace(frames);
                host.advanceTransport(frames);
            }
            expectNone("processReplacing");
        }
    }
}

TEST_F(NoAllocation, ProcessReplacingOutsideTheEngineRange)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double ppq;
        double tempo;
    } cases[] = {{0.0, 0.0}, {1.0, -120.0}, {nan, nan}, {inf, inf}, {-3.3, 1e6}, {1e30, 1e30}};
    for (const Case& c : cases)
    {
        host.setTransport(c.ppq, c.tempo);
        quelt_alloc::arm();
        for (int b = 0; b < 20; ++b)
            host.process(256);
        expectNone("bad transport");
    }
    host.setTimeInfoAvailable(false);
    quelt_alloc::arm();
    host.process(256);
    host.processInPlace(256);
    expectNone("no time info");
}

TEST_F(NoAllocation, ProcessEvents)
{
    std::vector<MidiMessage> messages;
    for (int i = 0; i < 128; ++i)
        messages.push_back(controlChange(i % 16, 40 + i % 26, (i * 37) % 128, i));
    messages.push_back(MidiMessage{0x90, 45, 100, 0});
    messages.push_back(MidiMessage{0xF8, 0, 0, 0});
    const std::vector<MidiMessage> none;

    for (int round = 0; round < 3; ++round)
    {
        quelt_alloc::arm();
        const VstIntPtr answer = host.sendMidi(messages);
        host.sendMidi(none);
        host.process(64);
        expectNone("effProcessEvents");
        EXPECT_EQ(answer, 1);
    }

    // Non-MIDI events in the block are skipped without work either.
    VstEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(VstEvent);
    quelt_test::EventBlock block(8);
    block.add(controlChange(0, 45, 0));
    block.addRaw(sysex);
    block.add(controlChange(2, 61, 127));
    quelt_alloc::arm();
    host.sendEvents(block.events());
    expectNone("mixed event block");
    EXPECT_EQ(host.getParameter(0), 0.0f);
    EXPECT_EQ(host.getParameter(16), 1.0f);
}

// LV2's run: positions at any frame of the block, control changes, both modes.
TEST(NoAllocationLv2, Run)
{
    lv2test::Bundle bundle;
    lv2test::Lv2Host lv2(bundle, 48000.0);
    ASSERT_TRUE(lv2.ok());
    std::vector<float> in(4096, 0.5f), out(4096);
    lv2test::Position p;
    p.bar = 2, p.barBeat = 1.5f, p.beatUnit = 4, p.beatsPerBar = 4.0f, p.beatsPerMinute = 128.0f, p.speed = 1.0f;
    lv2.send(0, p);  // the host maps its URIs before the audio starts
    lv2.run(in.data(), in.data(), out.data(), out.data(), 64);
    for (float mode : {0.0f, 1.0f})
    {
        lv2.setControl(quelt_lv2::kMode, mode);
        for (uint32_t frames : {1u, 64u, 512u, 4096u})
        {
            quelt_alloc::arm();
            for (int b = 0; b < 40; ++b)
            {
                lv2.setControl(quelt_lv2::parameterPort(b % 16), static_cast<float>(b % 2));
                if (b % 3 == 0)
                    lv2.send(b % frames, p);
                lv2.run(in.data(), in.data(), out.data(), out.data(), frames);
            }
            const quelt_alloc::Counts c = quelt_alloc::disarm();
            EXPECT_EQ(c.allocations, 0) << frames << " frames";
            EXPECT_EQ(c.frees, 0) << frames << " frames";
        }
    }
}

// CLAP's process: the transport, parameter, MIDI and transport events inside
// the block, both modes.
TEST(NoAllocationClap, Process)
{
    claptest::Host host;
    ASSERT_TRUE(host.plugin() && host.activate(48000.0));
    std::vector<float> in(4096, 0.5f), out(4096);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out.data(), out.data()};
    const clap_audio_buffer_t input{inputs, nullptr, 2, 0, 0};
    clap_audio_buffer_t output{outputs, nullptr, 2, 0, 0};
    const clap_output_events_t sink{nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
    const clap_event_transport_t song = claptest::transportAt(0, 5.25, 128.0);
    for (double mode : {0.0, 1.0})
        for (uint32_t frames : {1u, 64u, 512u, 4096u})
        {
            claptest::EventList events;
            events.add(claptest::paramAt(0, 16, mode));
            for (uint32_t b = 0; b < 40; ++b)
            {
                events.add(claptest::paramAt(b * frames / 40, b % 16, b % 2));
                events.add(claptest::midiAt(b * frames / 40, 0xB0, 45 + b % 16, b % 2 ? 127 : 0));
                if (b % 7 == 0)
                    events.add(claptest::transportAt(b * frames / 40, 2.0 + b, 90.0 + b));
            }
            const clap_process_t p{0, frames, &song, &input, &output, 1, 1, events.list(), &sink};
            quelt_alloc::arm();
            for (int block = 0; block < 40; ++block)
                host.plugin()->process(host.plugin(), &p);
            const quelt_alloc::Counts c = quelt_alloc::disarm();
            EXPECT_EQ(c.allocations, 0) << frames << " frames";
            EXPECT_EQ(c.frees, 0) << frames << " frames";
        }
}

}  // namespace
