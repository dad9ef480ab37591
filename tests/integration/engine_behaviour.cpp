// Envelope shapes and block behaviour of the engine, checked against the documented
// numbers directly rather than through the model.
#include "gate_model.h"
#include "support/open_host_test.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using quelt_model::kModeIndex;
using quelt_model::kSteps;
using quelt_test::HostCall;
using quelt_test::TestHost;

namespace {

constexpr float kIncrement120 = 0.00018140589f;  // 120 BPM, 44100 Hz: 5512.5 samples per step
constexpr float kRampStep44k = 0.011337868f;     // 88.2 samples per full swing

void setPattern(TestHost& host, const float (&steps)[kSteps], float mode)
{
    for (int s = 0; s < kSteps; ++s)
        host.setParameter(s, steps[s]);
    host.setParameter(kModeIndex, mode);
}

const float kAlternating[kSteps] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
const float kAllOpen[kSteps] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

// Plays `frames` samples of a steady transport with an input of 1 on both channels and
// returns the gain of each sample.
std::vector<float> renderGains(TestHost& host, double startPpq, double tempo, double rate, int frames, int block = 512)
{
    std::vector<float> gains;
    gains.reserve(static_cast<std::size_t>(frames));
    host.reserveFrames(block);
    host.fillInput(1.0f, 1.0f);
    for (int done = 0; done < frames;)
    {
        const int n = std::min(block, frames - done);
        host.setTransport(startPpq + done * tempo / (60.0 * rate), tempo);
        host.process(n);
        for (int i = 0; i < n; ++i)
        {
            EXPECT_EQ(host.output(0)[i], host.output(1)[i]) << "channels differ at sample " << done + i;
            gains.push_back(host.output(0)[i]);
        }
        done += n;
    }
    return gains;
}

int firstIndex(const std::vector<float>& v, int from, bool (*pred)(float))
{
    for (int i = from; i < static_cast<int>(v.size()); ++i)
        if (pred(v[i]))
            return i;
    return -1;
}

TEST(EngineModel, BlockValuesMatchTheWorkedExample)
{
    const quelt_model::BlockConstants c = quelt_model::blockConstants(120.0, 44100.0f);
    EXPECT_NEAR(c.increment, 0.00018140589, 1e-11);
    EXPECT_NEAR(1.0 / c.increment, 5512.5, 1e-3);
    EXPECT_NEAR(c.rampStep, 0.011337868, 1e-9);
    EXPECT_NEAR(1.0 / c.rampStep, 88.2, 1e-4);
    EXPECT_EQ(c.stepMs, 125.0f);
    EXPECT_NEAR(c.rampStart, 0.984, 1e-7);

    EXPECT_EQ(quelt_model::blockStartPosition(4.0), 0.0f);
    EXPECT_NEAR(quelt_model::blockStartPosition(7.9), 15.6f, 1e-5);
    EXPECT_EQ(quelt_model::blockStartPosition(-0.25), 15.0f);
    EXPECT_NEAR(quelt_model::blockStartPosition(-1e-9), 16.0 - 4e-9, 1e-12);
    EXPECT_EQ(quelt_model::blockStartPosition(std::nan("")), 0.0f);
    EXPECT_EQ(quelt_model::blockStartPosition(1e300), 0.0f);
}

using EngineShape = quelt_test::OpenHostTest;

TEST_F(EngineShape, HoldRampsInTheLastTwoMillisecondsOfEachStep)
{
    setPattern(host, kAlternating, 0.0f);
    const std::vector<float> g = renderGains(host, 0.0, 120.0, 44100.0, 11200);

    // Step 1 (open) holds exactly 1 until the elapsed fraction reaches 0.984.
    const int rampBegin = firstIndex(g, 0, [](float x) { return x != 1.0f; });
    ASSERT_GE(rampBegin, 5420);
    ASSERT_LE(rampBegin, 5430);
    // ... then falls by one ramp step per sample until the boundary, where the closed step's 0 is taken.
    const int stepTwo = firstIndex(g, rampBegin, [](float x) { return x == 0.0f; });
    ASSERT_GE(stepTwo, 5512);
    ASSERT_LE(stepTwo, 5513);
    EXPECT_NEAR(stepTwo - rampBegin, 88, 2);
    EXPECT_NEAR(g[rampBegin], 1.0f - kRampStep44k, 1e-6);
    for (int i = rampBegin + 1; i < stepTwo; ++i)
        ASSERT_NEAR(g[i] - g[i - 1], -kRampStep44k, 1e-6) << "sample " << i;
    EXPECT_GE(g[stepTwo - 1], 0.0f);
    EXPECT_LT(g[stepTwo - 1], kRampStep44k);

    // Step 2 (closed) holds 0, then ramps up toward step 3 and takes its 1 at the boundary.
    const int riseBegin = firstIndex(g, stepTwo, [](float x) { return x != 0.0f; });
    EXPECT_NEAR(riseBegin - stepTwo, 5425, 6);
    const int stepThree = firstIndex(g, riseBegin, [](float x) { return x == 1.0f; });
    ASSERT_GT(stepThree, 0);
    EXPECT_NEAR(stepThree, 11025, 1);
    for (int i = riseBegin + 1; i < stepThree; ++i)
        ASSERT_NEAR(g[i] - g[i - 1], kRampStep44k, 1e-6) << "sample " << i;
    EXPECT_GT(g[stepThree - 1], 1.0f - kRampStep44k);
}

TEST_F(EngineShape, HoldBetweenEqualStepsStaysFlat)
{
    setPattern(host, kAllOpen, 0.0f);
    const std::vector<float> g = renderGains(host, 0.0, 120.0, 44100.0, 44100);
    for (std::size_t i = 0; i < g.size(); ++i)
        ASSERT_EQ(g[i], 1.0f) << "sample " << i;
}

TEST_F(EngineShape, SongPositionSelectsTheStep)
{
    // Every step gets its own level (all below 0.5), so the held gain names the step.
    float levels[kSteps];
    for (int s = 0; s < kSteps; ++s)
        levels[s] = static_cast<float>(s + 1) / 64.0f;
    setPattern(host, levels, 0.0f);
    struct Case
    {
        double ppq;
        int step;  // 1-based
    } cases[] = {{0.0, 1},   {0.25, 2},  {0.3, 2},  {3.9, 16},  {4.0, 1},   {7.9, 16},        {-0.25, 16},
                 {-4.0, 1},  {-1.1, 12}, {-0.01, 16}, {10000.5, 3}, {64.0, 1}, {-16.2, 16}};
    host.fillInput(1.0f, 1.0f);
    for (const Case& c : cases)
    {
        host.setTransport(c.ppq, 120.0);
        host.process(1);
        EXPECT_EQ(host.output(0)[0], levels[c.step - 1]) << "ppqPos " << c.ppq << " should be step " << c.step;
    }
}

TEST_F(EngineShape, StepSixteenRampsTowardStepOne)
{
    float steps[kSteps] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    setPattern(host, steps, 0.0f);
    const std::vector<float> g = renderGains(host, 3.75, 120.0, 44100.0, 5600);
    const int rise = firstIndex(g, 0, [](float x) { return x != 0.0f; });
    EXPECT_NEAR(rise, 5425, 6);
    EXPECT_NEAR(g[rise], kRampStep44k, 1e-6);
    const int stepOne = firstIndex(g, rise, [](float x) { return x == 1.0f; });
    EXPECT_NEAR(stepOne, 5512.5, 1);
}

TEST_F(EngineShape, DecayWithEveryStepOpenPeaksJustBeforeEachBoundary)
{
    setPattern(host, kAllOpen, 1.0f);
    const std::vector<float> g = renderGains(host, 0.0, 120.0, 44100.0, 4 * 5513 + 100, 333);
    // Linear fall across the first part of the step.
    EXPECT_NEAR(g[2756], 0.5f, 1e-3);
    EXPECT_NEAR(g[1000] - g[1001], kIncrement120, 1e-6);
    int boundaries = 0;
    for (int i = 1; i < static_cast<int>(g.size()); ++i)
    {
        if (g[i] < g[i - 1] - 0.005f)
        {
            ++boundaries;
            EXPECT_NEAR(g[i - 1], 1.014f, 0.0015f) << "peak before the boundary at sample " << i;
            EXPECT_LE(g[i], 1.0f);
            EXPECT_GT(g[i], 0.999f) << "first sample of the step at " << i;
            // The rise of the last 2 ms ends here.
            EXPECT_NEAR(g[i - 1] - g[i - 2], kRampStep44k, 1e-6);
        }
    }
    EXPECT_EQ(boundaries, 4);
    const float peak = *std::max_element(g.begin(), g.end());
    EXPECT_NEAR(peak, 1.014f, 0.0015f);
}

TEST_F(EngineShape, DecayIntoAClosedStepFallsToZeroWithoutARamp)
{
    setPattern(host, kAlternating, 1.0f);
    const std::vector<float> g = renderGains(host, 0.0, 120.0, 44100.0, 5600);
    EXPECT_EQ(g[0], 1.0f);
    int i = 1;
    for (; i < 5600 && g[i] > 0.0f; ++i)
        ASSERT_NEAR(g[i] - g[i - 1], -kIncrement120, 2e-5) << "sample " << i;  // block starts re-read the position
    EXPECT_NEAR(i, 5512.5, 1) << "the fall should run to the boundary";
    EXPECT_LT(g[i - 1], 2 * kIncrement120);
    for (; i < 5600; ++i)
        ASSERT_EQ(g[i], 0.0f) << "closed step, sample " << i;
}

TEST_F(EngineShape, HalfIsDecayForTheModeAndClosedForTheNextStep)
{
    setPattern(host, kAllOpen, 0.5f);
    std::vector<float> g = renderGains(host, 0.0, 120.0, 44100.0, 2757);
    EXPECT_NEAR(g[2756], 0.5f, 1e-3) << "mode 0.5 is DECAY";

    host.setParameter(kModeIndex, 0.49999997f);
    g = renderGains(host, 0.0, 120.0, 44100.0, 2757);
    EXPECT_EQ(g[2756], 1.0f) << "mode just below 0.5 is HOLD";

    // DECAY into a next step of exactly 0.5: counts as closed, so no rise at the end of step 1.
    float steps[kSteps] = {1, 0.5f, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    setPattern(host, steps, 1.0f);
    g = renderGains(host, 0.0, 120.0, 44100.0, 5512);
    EXPECT_LT(g[5511], 0.001f);
    EXPECT_LT(g[5511], g[5400]);

    host.setParameter(1, 0.50000006f);
    g = renderGains(host, 0.0, 120.0, 44100.0, 5512);
    EXPECT_GT(g[5511], 0.5f) << "a next step just above 0.5 is open: the gain rises toward it";
}

TEST_F(EngineShape, EmptyBlockAsksForTimeAndWritesNothing)
{
    host.setRecording(true);
    setPattern(host, kAllOpen, 0.0f);
    for (VstInt32 frames : {0, -1, -4096})
    {
        SCOPED_TRACE(testing::Message() << "sampleFrames " << frames);
        host.fillInput(0.25f, -0.5f);
        host.fillOutput(123.0f);
        host.clearCalls();
        host.process(frames);
        const std::vector<HostCall> calls = host.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].effect, host.effect());
        EXPECT_EQ(calls[0].opcode, audioMasterGetTime);
        EXPECT_EQ(calls[0].index, 0);
        EXPECT_EQ(calls[0].value, 0x600);
        EXPECT_EQ(calls[0].ptr, nullptr);
        EXPECT_EQ(calls[0].opt, 0.0f);
        EXPECT_EQ(host.output(0)[0], 123.0f);
        EXPECT_EQ(host.output(1)[0], 123.0f);
        EXPECT_EQ(host.output(0)[4095], 123.0f);
    }
    // A real block asks exactly once too, not per sample.
    host.clearCalls();
    host.process(4096);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterGetTime);
    EXPECT_EQ(host.calls()[0].value, 0x600);
    EXPECT_EQ(host.output(0)[4095], 0.25f);
    EXPECT_EQ(host.output(1)[4095], -0.5f);
}

TEST_F(EngineShape, InPlaceBuffersEqualSeparateBuffers)
{
    TestHost other;
    ASSERT_TRUE(other.isOpen());
    other.setRecording(false);
    float steps[kSteps] = {1, 0.3f, 0, 1, 0.8f, 0, 1, 1, 0, 0.6f, 1, 0, 1, 0.2f, 1, 0};
    for (TestHost* h : {&host, &other})
    {
        setPattern(*h, steps, 0.0f);
        h->reserveFrames(1024);
    }
    uint32_t noise = 1;
    for (int b = 0; b < 300; ++b)
    {
        const int n = 1 + (b * 97) % 1024;
        for (int i = 0; i < n; ++i)
        {
            noise = noise * 1664525u + 1013904223u;
            const float x = static_cast<float>(static_cast<int32_t>(noise)) / 2147483648.0f;
            host.input(0)[i] = other.input(0)[i] = x;
            host.input(1)[i] = other.input(1)[i] = -0.5f * x + 0.25f;
        }
        if (b == 150)
            for (TestHost* h : {&host, &other})
                h->setParameter(kModeIndex, 1.0f);
        for (TestHost* h : {&host, &other})
            h->setTransport(b * 0.0571, 133.0);
        host.process(n);
        other.processInPlace(n);
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(0, std::memcmp(host.output(c), other.output(c), n * sizeof(float)))
                << "block " << b << ", channel " << c;
    }
}

TEST_F(EngineShape, SuspendResetsTheEnvelopeAndResumeDoesNot)
{
    // DECAY, every step open, stopped 40 samples into the rise at the end of step 1.
    setPattern(host, kAllOpen, 1.0f);
    const double rampPpq = 5465.0 * 120.0 / (60.0 * 44100.0);
    renderGains(host, 0.0, 120.0, 44100.0, 5465);
    const float before = host.output(0)[(5465 - 1) % 512];
    ASSERT_GT(before, 0.4f);

    // Resume keeps the envelope: the rise continues.
    host.setRecording(true);
    host.clearCalls();
    host.resume();
    EXPECT_EQ(host.countCalls(audioMasterWantMidi), 1u);
    const std::vector<HostCall> calls = host.calls();
    for (const HostCall& c : calls)
    {
        if (c.opcode == audioMasterWantMidi)
        {
            EXPECT_EQ(c.value, 1);
        }
    }
    std::vector<float> g = renderGains(host, rampPpq, 120.0, 44100.0, 1);
    EXPECT_NEAR(g[0], before + kRampStep44k, 1e-6);

    // Suspend clears it: the rise starts again from 0.
    host.suspend();
    g = renderGains(host, rampPpq, 120.0, 44100.0, 1);
    EXPECT_NEAR(g[0], kRampStep44k, 1e-7);

    // Before the ramp the first sample takes the rule's value whatever came before.
    host.suspend();
    float steps[kSteps] = {0.75f, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    setPattern(host, steps, 1.0f);
    g = renderGains(host, 0.1, 120.0, 44100.0, 1);
    const float frac = static_cast<float>(0.1f * 4.0);
    EXPECT_FLOAT_EQ(g[0], 0.75f * (1.0f - frac));
    host.suspend();
    host.setParameter(kModeIndex, 0.0f);
    g = renderGains(host, 0.1, 120.0, 44100.0, 1);
    EXPECT_EQ(g[0], 0.75f);
}

TEST_F(EngineShape, MidiBeforeABlockAppliesToThatBlock)
{
    setPattern(host, kAllOpen, 0.0f);
    std::vector<float> g = renderGains(host, 0.0, 120.0, 44100.0, 10);
    EXPECT_EQ(g[9], 1.0f);
    host.sendMidi({quelt_test::controlChange(3, 45, 0)});
    g = renderGains(host, 0.01, 120.0, 44100.0, 10);
    EXPECT_EQ(g[0], 0.0f);
    EXPECT_EQ(g[9], 0.0f);
    host.sendMidi({quelt_test::controlChange(0, 45, 127), quelt_test::controlChange(0, 61, 64)});
    g = renderGains(host, 0.1, 120.0, 44100.0, 1);
    EXPECT_FLOAT_EQ(g[0], 1.0f - static_cast<float>(0.1f * 4.0)) << "step open again and DECAY";
}

TEST_F(EngineShape, SampleRateChangesTheStepLength)
{
    host.setSampleRate(48000.0f);
    setPattern(host, kAlternating, 0.0f);
    std::vector<float> g = renderGains(host, 0.0, 120.0, 48000.0, 6100);
    // 6000 samples per step; the ramp covers the last 96.
    const int rampBegin = firstIndex(g, 0, [](float x) { return x != 1.0f; });
    EXPECT_NEAR(rampBegin, 5904, 2);
    EXPECT_NEAR(g[rampBegin + 1] - g[rampBegin], -1.0f / 96.0f, 1e-6);
    EXPECT_NEAR(firstIndex(g, rampBegin, [](float x) { return x == 0.0f; }), 6000, 1);
}

}  // namespace
