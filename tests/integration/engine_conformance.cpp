// The plug-in's output, through the exported entry point, against the reference model,
// sample for sample and bit for bit, over long runs of playing transport.
#include "gate_model.h"
#include "support/open_host_test.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using quelt_model::GateModel;
using quelt_model::kModeIndex;
using quelt_model::kSteps;
using quelt_model::Lockstep;
using quelt_test::controlChange;
using quelt_test::MidiMessage;
using quelt_test::TestHost;

namespace {

using Pattern = std::vector<float>;

enum class PatternKind
{
    Alternating,
    AllOpen,
    AllClosed,
    RandomGates,
    RandomLevels,
    Ramp,
    SingleOpen,
    Exotic,
    Count
};

const char* patternName(PatternKind kind)
{
    switch (kind)
    {
    case PatternKind::Alternating: return "alternating";
    case PatternKind::AllOpen: return "all open";
    case PatternKind::AllClosed: return "all closed";
    case PatternKind::RandomGates: return "random gates";
    case PatternKind::RandomLevels: return "random levels";
    case PatternKind::Ramp: return "ramp";
    case PatternKind::SingleOpen: return "single open";
    case PatternKind::Exotic: return "exotic levels";
    default: return "?";
    }
}

Pattern makePattern(PatternKind kind, std::mt19937& rng)
{
    Pattern p(kSteps, 0.0f);
    std::uniform_real_distribution<float> level(0.0f, 1.0f);
    std::bernoulli_distribution open(0.5);
    for (int s = 0; s < kSteps; ++s)
    {
        switch (kind)
        {
        case PatternKind::Alternating: p[s] = (s % 2 == 0) ? 1.0f : 0.0f; break;
        case PatternKind::AllOpen: p[s] = 1.0f; break;
        case PatternKind::AllClosed: p[s] = 0.0f; break;
        case PatternKind::RandomGates: p[s] = open(rng) ? 1.0f : 0.0f; break;
        case PatternKind::RandomLevels: p[s] = level(rng); break;
        case PatternKind::Ramp: p[s] = static_cast<float>(s) / 15.0f; break;
        case PatternKind::SingleOpen: p[s] = (s == 5) ? 1.0f : 0.0f; break;
        default: break;
        }
    }
    if (kind == PatternKind::Exotic)
    {
        // Threshold neighbours, gains above one and below zero: automation may send anything.
        const float values[kSteps] = {0.5f,  1.0f, 0.49999997f, 1.0f, 0.50000006f, 0.0f,  1.5f, -0.25f,
                                      2.0f,  1.0f, 0.1f,        0.9f, -1.0f,       0.75f, 0.5f, 1.0f};
        p.assign(values, values + kSteps);
    }
    return p;
}

void applyPattern(Lockstep& ls, const Pattern& p)
{
    for (int s = 0; s < kSteps; ++s)
        ls.setParameter(s, p[s]);
}

// A host transport that plays from `startPpq`, as a host computes ppqPos for each block.
struct Transport
{
    double startPpq;
    double tempo;
    double rate;
    long long frames = 0;
    double ppq() const { return startPpq + static_cast<double>(frames) * tempo / (60.0 * rate); }
};

using BlockSizer = std::function<int(int block)>;

BlockSizer fixedBlocks(int size)
{
    return [size](int) { return size; };
}

// Uneven sizes as hosts produce them: odd lengths, occasional empty calls and one-sample blocks.
BlockSizer unevenBlocks(uint32_t seed)
{
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int block) {
        static const int sizes[] = {1, 3, 7, 64, 100, 127, 128, 333, 512, 1000, 1024, 2049, 4096, 0, 89, 5};
        if (block % 5 == 4)
            return std::uniform_int_distribution<int>(1, 4096)(*rng);
        return sizes[std::uniform_int_distribution<int>(0, 15)(*rng)];
    };
}

// Plays `totalFrames` through both, calling `between` before every block.
::testing::AssertionResult play(Lockstep& ls, Transport& t, const BlockSizer& sizes, long long totalFrames,
                                const std::function<void(int)>& between = {}, bool inPlace = false)
{
    for (int b = 0; t.frames < totalFrames; ++b)
    {
        if (between)
            between(b);
        const int n = sizes(b);
        ls.setTime(t.ppq(), t.tempo);
        ::testing::AssertionResult r = ls.block(n, inPlace);
        if (!r)
            return r;
        t.frames += std::max(n, 0);
    }
    return ::testing::AssertionSuccess();
}

// A host's start-up sequence, mirrored in the model.
void startHost(TestHost& host, Lockstep& ls, float rate)
{
    host.dispatch(effOpen);
    ls.setSampleRate(rate);
    host.dispatch(effSetBlockSize, 0, 4096);
    ls.resume();
}

// ---------------------------------------------------------------- the tempo and rate matrix

class EngineConformance : public ::testing::TestWithParam<std::tuple<double, float>>
{
};

TEST_P(EngineConformance, MatchesModelForEveryBlockSchemeInBothModes)
{
    const double tempo = std::get<0>(GetParam());
    const float rate = std::get<1>(GetParam());

    struct Scheme
    {
        const char* name;
        BlockSizer sizes;
        double seconds;
    };
    const std::vector<Scheme> schemes = {
        {"1", fixedBlocks(1), 1.0},       {"7", fixedBlocks(7), 2.0},       {"64", fixedBlocks(64), 3.0},
        {"512", fixedBlocks(512), 3.0},   {"4096", fixedBlocks(4096), 4.0}, {"uneven", unevenBlocks(7), 4.0},
    };
    const double starts[] = {0.0, 0.37, 5.9921875, 1234.5678, -2.2, 96.0, 77777.777};

    std::mt19937 rng(static_cast<uint32_t>(tempo * 10) ^ static_cast<uint32_t>(rate));
    int run = 0;
    for (const Scheme& scheme : schemes)
    {
        for (float mode : {0.0f, 1.0f})
        {
            // Spread the patterns so that each meets both modes across the matrix.
            const int kinds = static_cast<int>(PatternKind::Count);
            const PatternKind kind = static_cast<PatternKind>((run + run / kinds + static_cast<int>(tempo)) % kinds);
            const double start = starts[run % 7];
            ++run;
            SCOPED_TRACE(testing::Message() << "blocks " << scheme.name << ", mode " << mode << ", pattern "
                                            << patternName(kind) << ", start ppq " << start);
            TestHost host;
            ASSERT_TRUE(host.isOpen()) << host.loadError();
            host.setRecording(false);
            GateModel model;
            Lockstep ls(host, model, static_cast<uint32_t>(run));
            startHost(host, ls, rate);
            applyPattern(ls, makePattern(kind, rng));
            ls.setParameter(kModeIndex, mode);

            Transport t{start, tempo, rate};
            ASSERT_TRUE(play(ls, t, scheme.sizes, static_cast<long long>(scheme.seconds * rate)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TemposAndRates, EngineConformance,
                         ::testing::Combine(::testing::Values(60.0, 97.3, 120.0, 174.0, 300.0),
                                            ::testing::Values(22050.0f, 44100.0f, 48000.0f, 96000.0f)),
                         [](const ::testing::TestParamInfo<std::tuple<double, float>>& info) {
                             std::string tempo = std::to_string(std::get<0>(info.param));
                             tempo = tempo.substr(0, tempo.find('.') + 2);
                             for (char& c : tempo)
                                 if (c == '.')
                                     c = '_';
                             return "bpm" + tempo + "_hz" + std::to_string(static_cast<int>(std::get<1>(info.param)));
                         });

// ---------------------------------------------------------------- changes while playing

class EngineConformanceChanges : public quelt_test::OpenHostTest
{
protected:
    GateModel model;
    Lockstep ls{host, model, 99};
};

TEST_F(EngineConformanceChanges, StepAndModeChangesBetweenBlocks)
{
    std::mt19937 rng(4242);
    for (float rate : {44100.0f, 48000.0f})
    {
        SCOPED_TRACE(testing::Message() << "rate " << rate);
        startHost(host, ls, rate);
        applyPattern(ls, makePattern(PatternKind::RandomGates, rng));
        Transport t{0.5, rate == 44100.0f ? 120.0 : 174.0, rate};
        std::uniform_int_distribution<int> step(0, kSteps - 1);
        std::uniform_real_distribution<float> level(0.0f, 1.0f);
        const float modes[] = {0.0f, 1.0f, 0.5f, 0.49999997f, 0.7f, 0.2f};
        auto between = [&](int b) {
            switch (b % 4)
            {
            case 0: ls.setParameter(step(rng), level(rng) < 0.5f ? 0.0f : 1.0f); break;
            case 1: ls.setParameter(step(rng), level(rng)); break;
            case 2: ls.setParameter(kModeIndex, modes[(b / 4) % 6]); break;
            default: break;
            }
        };
        ASSERT_TRUE(play(ls, t, unevenBlocks(31), static_cast<long long>(5 * rate), between));
    }
}

TEST_F(EngineConformanceChanges, MidiControlChangesBetweenBlocks)
{
    startHost(host, ls, 44100.0f);
    // Whole patterns set by controllers, around the 64 threshold and with out-of-range bytes,
    // each played for a full cycle.
    const int values[][17] = {
        {64, 63, 127, 0, 200, 100, 1, 64, 64, 63, 65, 128, 255, 64, 0, 127, 64},
        {63, 64, 0, 127, 64, 64, 63, 63, 127, 191, 64, 0, 64, 63, 64, 10, 63},
    };
    for (const auto& set : values)
    {
        std::vector<MidiMessage> messages;
        for (int c = 0; c < 17; ++c)
            messages.push_back(controlChange(c % 16, 45 + c, set[c]));
        messages.push_back(controlChange(0, 44, 127));  // neighbours of the range change nothing
        messages.push_back(controlChange(0, 62, 127));
        ls.sendMidi(messages);
        Transport t{0.0, 128.0, 44100.0};
        ASSERT_TRUE(play(ls, t, fixedBlocks(512), 2 * 44100 * 60 / 32));
    }
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> controller(40, 66);  // a few outside 45-61 too
    std::uniform_int_distribution<int> value(0, 127);
    std::uniform_int_distribution<int> channel(0, 15);
    Transport t{0.0, 128.0, 44100.0};
    auto between = [&](int b) {
        if (b % 3 != 0)
            return;
        std::vector<MidiMessage> messages;
        for (int k = 0; k < 1 + b % 4; ++k)
            messages.push_back(controlChange(channel(rng), controller(rng), value(rng), k * 10));
        if (b % 7 == 0)
            messages.push_back(MidiMessage{0x90, 50, 100, 0});  // a note-on is not a control change
        // The threshold, and data bytes with the top bit set (read as signed).
        if (b % 11 == 0)
            messages.push_back(controlChange(b % 16, 45 + b % 17, (b / 11) % 2 == 0 ? 64 : 63));
        if (b % 17 == 0)
            messages.push_back(controlChange(0, 45 + b % 17, 200));
        if (b % 19 == 0)
            messages.push_back(controlChange(0, 45 + 128, 127));
        ls.sendMidi(messages);
    };
    ASSERT_TRUE(play(ls, t, unevenBlocks(77), 6 * 44100, between));
}

TEST_F(EngineConformanceChanges, TempoAutomationAndRateChanges)
{
    startHost(host, ls, 44100.0f);
    std::mt19937 rng(8);
    applyPattern(ls, makePattern(PatternKind::RandomLevels, rng));
    double ppq = 1.0;
    double rate = 44100.0;
    const float rates[] = {44100.0f, 96000.0f, 22050.0f, 48000.0f, 88200.0f, 32000.0f};
    for (int b = 0; b < 1500; ++b)
    {
        if (b % 250 == 249)
        {
            rate = rates[(b / 250) % 6];
            ls.setSampleRate(static_cast<float>(rate));
        }
        if (b % 300 == 150)
            ls.setParameter(kModeIndex, ls.blocksRun() % 2 == 0 ? 1.0f : 0.0f);
        // A tempo ramp with a sweep from 40 to 320 BPM and back, different in every block.
        const double tempo = 180.0 + 140.0 * std::sin(b * 0.01);
        const int n = 256 + (b * 37) % 300;
        ls.setTime(ppq, tempo);
        ASSERT_TRUE(ls.block(n)) << "tempo " << tempo;
        ppq += n * tempo / (60.0 * rate);
    }
}

TEST_F(EngineConformanceChanges, RampStartAtItsExactValue)
{
    // rampStart comes from the stored single-precision step length; for these tempos that
    // differs in the last bit from the value of an all-double computation.
    startHost(host, ls, 44100.0f);
    const float steps[kSteps] = {0.25f, 1, 0.25f, 1, 0.25f, 1, 0.25f, 1, 0.25f, 1, 0.25f, 1, 0.25f, 1, 0.25f, 1};
    for (double tempo : {34.86, 42.76, 45.79, 46.25, 62.51, 66.46, 97.3, 120.0})
    {
        const float rampStart = quelt_model::blockConstants(tempo, 44100.0f).rampStart;
        for (float mode : {0.0f, 1.0f})
        {
            ls.setPattern(steps, mode);
            // In step 1 the fraction is the position itself, and ppqPos = frac / 4 is exact.
            for (float frac : {std::nextafter(rampStart, 0.0f), rampStart, std::nextafter(rampStart, 1.0f)})
            {
                SCOPED_TRACE(testing::Message() << "tempo " << tempo << ", mode " << mode << ", fraction "
                                                << quelt_model::describe(frac));
                ls.suspend();
                ls.setTime(static_cast<double>(frac) / 4.0, tempo);
                ASSERT_TRUE(ls.block(1));
            }
        }
    }
}

TEST_F(EngineConformanceChanges, StoppedAndLoopingTransport)
{
    startHost(host, ls, 48000.0f);
    std::mt19937 rng(9);
    for (float mode : {0.0f, 1.0f})
    {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        applyPattern(ls, makePattern(PatternKind::RandomGates, rng));
        ls.setParameter(kModeIndex, mode);
        // Stopped inside a ramp: every block replays the same stretch from the same position.
        for (int b = 0; b < 200; ++b)
        {
            ls.setTime(3.249, 120.0);
            ASSERT_TRUE(ls.block(173));
        }
        // A cycle of two bars that jumps back to its start.
        double ppq = 4.0;
        for (int b = 0; b < 2000; ++b)
        {
            ls.setTime(ppq, 140.0);
            ASSERT_TRUE(ls.block(480));
            ppq += 480 * 140.0 / (60.0 * 48000.0);
            if (ppq >= 12.0)
                ppq = 4.0 + (ppq - 12.0);
        }
    }
}

TEST_F(EngineConformanceChanges, StartPositions)
{
    const double starts[] = {0.0,   0.37,   0.9999999, 3.75,  3.9999999999, 4.0,       7.9,      -0.25,
                             -1e-9, -3.3,   -16.125,   1e4 + 0.3, 123456.7, 1e7 + 0.1, 3e9 + 0.7};
    std::mt19937 rng(10);
    for (double start : starts)
    {
        for (float mode : {0.0f, 1.0f})
        {
            SCOPED_TRACE(testing::Message() << "start ppq " << start << ", mode " << mode);
            startHost(host, ls, 44100.0f);
            applyPattern(ls, makePattern(PatternKind::RandomLevels, rng));
            ls.setParameter(kModeIndex, mode);
            Transport t{start, 97.3, 44100.0};
            ASSERT_TRUE(play(ls, t, unevenBlocks(static_cast<uint32_t>(start * 1000)), 44100));
        }
    }
}

TEST_F(EngineConformanceChanges, InPlaceBuffersGiveTheSameResult)
{
    startHost(host, ls, 44100.0f);
    std::mt19937 rng(11);
    for (float mode : {0.0f, 1.0f})
    {
        applyPattern(ls, makePattern(PatternKind::RandomLevels, rng));
        ls.setParameter(kModeIndex, mode);
        Transport t{0.1, 174.0, 44100.0};
        ASSERT_TRUE(play(ls, t, unevenBlocks(12), 3 * 44100, {}, true));
    }
}

TEST_F(EngineConformanceChanges, SuspendResumeAndEmptyBlocksBetweenBlocks)
{
    startHost(host, ls, 44100.0f);
    std::mt19937 rng(13);
    applyPattern(ls, makePattern(PatternKind::RandomGates, rng));
    Transport t{0.0, 120.0, 44100.0};
    auto between = [&](int b) {
        if (b % 13 == 5)
            ls.suspend();
        if (b % 13 == 6)
            ls.resume();
        if (b % 29 == 0)
            ls.setParameter(kModeIndex, (b / 29) % 2 == 0 ? 1.0f : 0.0f);
    };
    // Block sizes of 0 and below run the block setup only.
    auto sizes = [](int b) {
        static const int cycle[] = {100, 0, 250, -1, 37, 1, 400, -4096, 88, 89};
        return cycle[b % 10];
    };
    ASSERT_TRUE(play(ls, t, sizes, 8 * 44100, between));
}

TEST_F(EngineConformanceChanges, BlocksWithoutTimeInfoLeaveTheEngineWhereItWas)
{
    startHost(host, ls, 44100.0f);
    const float alternating[kSteps] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
    const float allOpen[kSteps] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (float mode : {0.0f, 1.0f})
    {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        // Both ramps build on the stored envelope: HOLD falling toward a closed step, DECAY
        // rising toward an open one.
        ls.setPattern(mode < 0.5f ? alternating : allOpen, mode);
        // Stop 40 samples into the final ramp of step 1 so the next block has to continue
        // from the envelope left by the last block with time info.
        ls.setTime(0.0, 120.0);
        ASSERT_TRUE(ls.block(5465));
        for (int k = 0; k < 3; ++k)
        {
            ls.setTimeAvailable(false);
            ASSERT_TRUE(ls.block(300));
            ASSERT_TRUE(ls.block(0));
        }
        ls.setTimeAvailable(true);
        ls.setTime(5465.0 * 120.0 / (60.0 * 44100.0), 120.0);
        ASSERT_TRUE(ls.block(2000));
    }
    // And a long run with time info missing now and then.
    std::mt19937 rng(14);
    applyPattern(ls, makePattern(PatternKind::RandomLevels, rng));
    Transport t{2.0, 150.0, 44100.0};
    auto between = [&](int b) { ls.setTimeAvailable(b % 6 != 3); };
    ASSERT_TRUE(play(ls, t, unevenBlocks(15), 4 * 44100, between));
    ls.setTimeAvailable(true);
}

}  // namespace
