// Automation, program changes and MIDI from one thread while another processes audio, the way
// hosts call a plug-in. Built with ThreadSanitizer, any unsynchronised access fails the run.
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

using quelt_test::controlChange;
using quelt_test::MidiMessage;
using quelt_test::TestHost;

namespace {

constexpr int kBlocks = 8000;
constexpr int kFrames = 128;
constexpr int kMaxControlOps = 200000;

void prepare(TestHost& host)
{
    ASSERT_TRUE(host.isOpen()) << host.loadError();
    // The harness's call log takes a lock; without it the harness adds no ordering of its own.
    host.setRecording(false);
    host.dispatch(effOpen);
    host.setSampleRate(44100.0f);
    host.dispatch(effSetBlockSize, 0, kFrames);
    host.resume();
    host.reserveFrames(kFrames);
    host.eventBlock().reserve(16);
}

// Any value a host may send: mostly ordinary, sometimes out of range or not finite.
float automationValue(std::mt19937& rng)
{
    const int pick = static_cast<int>(rng() % 40);
    if (pick == 0)
        return std::numeric_limits<float>::quiet_NaN();
    if (pick == 1)
        return std::numeric_limits<float>::infinity();
    if (pick == 2)
        return -3.0f;
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

std::vector<MidiMessage> someControlChanges(std::mt19937& rng)
{
    std::vector<MidiMessage> m;
    const int n = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i)
        m.push_back(controlChange(static_cast<int>(rng() % 16), 45 + static_cast<int>(rng() % 17),
                                  static_cast<int>(rng() % 128), i));
    return m;
}

// The audio thread: blocks of a playing transport, optionally with MIDI before each block.
// Starts once the other thread is running, so the two overlap. Returns the number of
// non-finite output samples.
long runAudio(TestHost& host, const std::atomic<bool>& controlStarted, bool withMidi, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::vector<MidiMessage>> midi;
    if (withMidi)
        for (int i = 0; i < 64; ++i)
            midi.push_back(someControlChanges(rng));
    while (!controlStarted.load())
        std::this_thread::yield();
    long bad = 0;
    for (int b = 0; b < kBlocks; ++b)
    {
        if (withMidi)
            host.sendMidi(midi[static_cast<std::size_t>(b) % midi.size()]);
        host.fillInput(1.0f, -0.5f);
        host.process(kFrames);
        host.advanceTransport(kFrames);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kFrames; ++i)
                if (!std::isfinite(host.output(c)[i]))
                    ++bad;
    }
    return bad;
}

// The other thread: parameter entries of the record, program changes and, optionally, MIDI.
void runControl(TestHost& host, std::atomic<bool>& started, const std::atomic<bool>& audioDone, bool withMidi,
                uint32_t seed)
{
    std::mt19937 rng(seed);
    started.store(true);
    for (int op = 0; op < kMaxControlOps && !audioDone.load(); ++op)
    {
        switch (op % (withMidi ? 5 : 4))
        {
        case 0:
        case 1:
            host.setParameter(static_cast<VstInt32>(rng() % 17), automationValue(rng));
            break;
        case 2:
            host.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(rng() % 16));
            break;
        case 3:
            // A host reading back what it automates.
            (void)host.getParameter(static_cast<VstInt32>(rng() % 17));
            break;
        default:
            host.sendMidi(someControlChanges(rng));
            break;
        }
    }
}

void runPair(bool midiOnAudioThread)
{
    TestHost host;
    prepare(host);
    std::atomic<bool> started{false};
    std::atomic<bool> audioDone{false};
    long nonFinite = 0;
    std::thread audio([&] {
        nonFinite = runAudio(host, started, midiOnAudioThread, 1);
        audioDone.store(true);
    });
    std::thread control([&] { runControl(host, started, audioDone, !midiOnAudioThread, 2); });
    audio.join();
    control.join();
    EXPECT_EQ(nonFinite, 0);
    // Still a working effect afterwards.
    host.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
}

TEST(Concurrency, AutomationProgramsAndMidiOnAnotherThreadWhileProcessing)
{
    runPair(false);
}

TEST(Concurrency, MidiOnTheAudioThreadAutomationOnAnother)
{
    runPair(true);
}

TEST(Concurrency, TwoEffectsProcessingOnTheirOwnThreads)
{
    TestHost first;
    TestHost second;
    prepare(first);
    prepare(second);
    std::atomic<bool> started[2] = {{false}, {false}};
    std::atomic<bool> done[2] = {{false}, {false}};
    long nonFinite[2] = {0, 0};
    TestHost* hosts[2] = {&first, &second};
    std::vector<std::thread> threads;
    for (int k = 0; k < 2; ++k)
    {
        threads.emplace_back([&, k] {
            nonFinite[k] = runAudio(*hosts[k], started[k], true, 10 + k);
            done[k].store(true);
        });
        threads.emplace_back([&, k] { runControl(*hosts[k], started[k], done[k], false, 20 + k); });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(nonFinite[0], 0);
    EXPECT_EQ(nonFinite[1], 0);
}

}  // namespace
