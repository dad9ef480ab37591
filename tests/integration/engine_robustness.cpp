// Host input outside the engine's range: no time info, unusable tempos and positions,
// bad sample rates and extreme step values. The engine must keep running with a bounded
// gain, and follow the model exactly while doing so.
#include "gate_model.h"
#include "support/open_host_test.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

using quelt_model::GateModel;
using quelt_model::kModeIndex;
using quelt_model::kSteps;
using quelt_model::Lockstep;
using quelt_test::TestHost;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const float kAlternating[kSteps] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
const float kAllOpen[kSteps] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

class EngineRobustness : public quelt_test::OpenHostTest
{
protected:
    // Every gain of the last block is finite and within the bound.
    ::testing::AssertionResult bounded(float bound)
    {
        const std::vector<float>& g = ls.lastGains();
        for (std::size_t i = 0; i < g.size(); ++i)
            if (!std::isfinite(g[i]) || std::fabs(g[i]) > bound)
                return ::testing::AssertionFailure() << "gain " << g[i] << " at sample " << i << ", bound " << bound;
        return ::testing::AssertionSuccess();
    }

    // Plays `blocks` blocks from `ppq` at `tempo` (a playing host advancing by the reported tempo
    // where it can) in both modes with both patterns, checking bounds and the model.
    void playBothModes(double ppq, double tempo, int blocks = 120, int frames = 500)
    {
        for (const float* pattern : {kAllOpen, kAlternating})
        {
            for (float mode : {0.0f, 1.0f})
            {
                SCOPED_TRACE(testing::Message() << (pattern == kAllOpen ? "all open" : "alternating") << ", mode "
                                                << mode << ", ppqPos " << ppq << ", tempo " << tempo);
                ls.setPattern(reinterpret_cast<const float(&)[kSteps]>(*pattern), mode);
                double pos = ppq;
                for (int b = 0; b < blocks; ++b)
                {
                    ls.setTime(pos, tempo);
                    ASSERT_TRUE(ls.block(b % 7 == 3 ? 1 : frames));
                    ASSERT_TRUE(bounded(2.0f));
                    const double advance = frames * tempo / (60.0 * 44100.0);
                    if (std::isfinite(advance))
                        pos += advance;
                }
            }
        }
    }

    GateModel model;
    Lockstep ls{host, model, 5};
};

TEST_F(EngineRobustness, NoTimeInfoPassesTheInputThrough)
{
    ls.setPattern(kAlternating, 0.0f);
    ls.setTimeAvailable(false);
    for (int frames : {1, 64, 4096})
    {
        ASSERT_TRUE(ls.block(frames));
        ASSERT_TRUE(ls.block(frames, true));
        for (float g : ls.lastGains())
            ASSERT_EQ(g, 1.0f);
    }
    ls.setTimeAvailable(true);
}

TEST_F(EngineRobustness, UnusableTemposStandStillWithoutRamps)
{
    for (double tempo : {0.0, -0.0, -120.0, -1e30, kNaN, kInf, -kInf, 1e300})
    {
        playBothModes(0.1, tempo, 40);
        // Standing still at 0.4 sixteenths into step 1, before any ramp: HOLD gives the step
        // value, DECAY the step value times the remaining fraction, on every sample.
        ls.setPattern(kAllOpen, 0.0f);
        ls.setTime(0.1, tempo);
        ASSERT_TRUE(ls.block(3000));
        for (float g : ls.lastGains())
            ASSERT_EQ(g, 1.0f) << "tempo " << tempo;
        ls.setParameter(kModeIndex, 1.0f);
        ASSERT_TRUE(ls.block(3000));
        const float frac = static_cast<float>(0.1f * 4.0);
        for (float g : ls.lastGains())
            ASSERT_EQ(g, 1.0f - frac) << "tempo " << tempo;
    }
}

TEST_F(EngineRobustness, ExtremeTemposStayBounded)
{
    // 8000 BPM and beyond: a step is shorter than the 2 ms ramp, or shorter than a sample.
    for (double tempo : {8000.0, 1e6, 1e30, 3e38})
        playBothModes(0.0, tempo);
}

TEST_F(EngineRobustness, UnusableSongPositions)
{
    for (double ppq : {-0.25, -1e-9, -7.3, -1e30, 1e30, 1e38, 1e300, kNaN, kInf, -kInf})
        playBothModes(ppq, 120.0, 40);

    // Positions that cannot be read start at step 1.
    float levels[kSteps];
    for (int s = 0; s < kSteps; ++s)
        levels[s] = static_cast<float>(s + 1) / 64.0f;
    ls.setPattern(levels, 0.0f);
    for (double ppq : {kNaN, kInf, -kInf, 1e300})
    {
        ls.setTime(ppq, 120.0);
        ASSERT_TRUE(ls.block(1));
        EXPECT_EQ(ls.lastGains()[0], levels[0]) << "ppqPos " << ppq;
    }
}

TEST_F(EngineRobustness, BadSampleRatesAreIgnored)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    ls.setSampleRate(48000.0f);
    for (float rate : {0.0f, -0.0f, -44100.0f, 0.999f, nan, inf, -inf})
    {
        SCOPED_TRACE(testing::Message() << "rate " << rate);
        ls.setSampleRate(rate);
        playBothModes(0.0, 120.0, 30);
        // Still 48000 Hz: at 120 BPM the ramp of step 1 begins about 5904 samples in.
        ls.setPattern(kAlternating, 0.0f);
        ls.setTime(0.0, 120.0);
        ASSERT_TRUE(ls.block(5950));
        const std::vector<float>& g = ls.lastGains();
        EXPECT_EQ(g[5900], 1.0f);
        EXPECT_LT(g[5910], 1.0f);
    }
    // The lowest and a very high usable rate are taken.
    for (float rate : {1.0f, 1e9f})
    {
        SCOPED_TRACE(testing::Message() << "rate " << rate);
        ls.setSampleRate(rate);
        playBothModes(0.0, 120.0, 30);
    }
}

TEST_F(EngineRobustness, ExtremeStepValuesAreLimited)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float steps[kSteps] = {nan, 1, inf, 0, -inf, 1, 1e6f, 0, -1e6f, 1, 3e38f, 1, 0.5f, 1, -2.0f, 1};
    // The largest usable magnitude is 1000, so the gain may reach 1001 and no further.
    const float bound = 1001.0f;
    for (float mode : {0.0f, 1.0f})
    {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        ls.setPattern(steps, mode);
        double ppq = 0.0;
        for (int b = 0; b < 200; ++b)
        {
            ls.setTime(ppq, b < 100 ? 120.0 : 8000.0);
            ASSERT_TRUE(ls.block(512));
            ASSERT_TRUE(bounded(bound));
            ppq += 512 * (b < 100 ? 120.0 : 8000.0) / (60.0 * 44100.0);
        }
    }
    // In HOLD the held gain shows the limited value of each step.
    ls.setParameter(kModeIndex, 0.0f);
    const struct
    {
        double ppq;
        float gain;
    } held[] = {{0.0, 0.0f}, {0.5, 0.0f}, {1.0, 0.0f}, {1.5, 1000.0f}, {2.0, -1000.0f}, {2.5, 1000.0f}};
    for (const auto& h : held)
    {
        ls.setTime(h.ppq, 120.0);
        ASSERT_TRUE(ls.block(1));
        EXPECT_EQ(ls.lastGains()[0], h.gain) << "ppqPos " << h.ppq;
    }
}

TEST_F(EngineRobustness, GainBoundHoldsWhenRampsNeverEnd)
{
    // At 8000 BPM a step is shorter than the 2 ms ramp, so every sample is inside it and
    // DECAY's rise heads past 2; the envelope must stop at 1 + the largest step value.
    const float steps[kSteps] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    ls.setPattern(steps, 1.0f);
    ls.setSampleRate(1.0f);  // rampStep 500: the rise reaches its end in one sample
    double ppq = 0.0;
    bool reachedBound = false;
    for (int b = 0; b < 200; ++b)
    {
        ls.setTime(ppq, 8000.0);
        ASSERT_TRUE(ls.block(7));
        ASSERT_TRUE(bounded(2.0f));
        for (float g : ls.lastGains())
            reachedBound = reachedBound || std::fabs(g) == 2.0f;
        ppq += 0.013;
    }
    EXPECT_TRUE(reachedBound) << "the bound never came into play; the case does not test it";
}

#if defined(__SSE__)
// Subnormal input is read as zero while the plug-in runs, and whatever the host had
// set in the SSE control register is there again when processing returns.
TEST_F(EngineRobustness, SubnormalsFlushInsideAndTheHostKeepsItsFloatState)
{
    const unsigned defaults = 0x1F80;  // all exceptions masked, round to nearest
    const unsigned hostStates[] = {defaults, defaults | 0x8040, defaults | 0x6000, defaults | 0x2000 | 0x003F};
    host.setParameter(kModeIndex, 0.0f);
    for (int s = 0; s < kSteps; ++s)
        host.setParameter(s, 1.0f);
    host.fillInput(1e-40f, -1e-41f);
    for (unsigned state : hostStates)
    {
        _mm_setcsr(state);
        host.setTransport(0.5, 120.0);
        host.process(64);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(defaults);
        EXPECT_EQ(after, state);
        EXPECT_EQ(host.output(0)[10], 0.0f) << "state " << std::hex << state;
        EXPECT_EQ(host.output(1)[10], 0.0f) << "state " << std::hex << state;
    }
}
#endif

}  // namespace
