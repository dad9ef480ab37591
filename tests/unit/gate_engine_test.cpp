// Block values of the gate engine and its handling of positions and rates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "effect/gate_engine.h"

namespace
{
struct Params
{
    Params()
    {
        for (int i = 0; i < kNumParams; ++i)
            values[i].store(i < kNumSteps ? float(i % 2 == 0) : 0.0f);
    }
    SharedFloat values[kNumParams];
};

TEST(GateEngine, BlockValuesAt120BpmAnd44100Hz)
{
    GateEngine engine;
    Params p;
    GateBlock block = engine.prepareBlock(120.0, 0.0, p.values);
    EXPECT_FLOAT_EQ(block.increment, 0.00018140589f);
    EXPECT_NEAR(1.0 / block.increment, 5512.5, 1e-3);
    EXPECT_FLOAT_EQ(block.rampStep, 0.011337868f);
    EXPECT_FLOAT_EQ(block.rampStart, 0.984f);
    EXPECT_EQ(block.start, 0.0f);
    EXPECT_EQ(block.bound, 2.0f);
}

TEST(GateEngine, SongPositionWrapsOntoTheSixteenSteps)
{
    GateEngine engine;
    Params p;
    EXPECT_EQ(engine.prepareBlock(120, 4.0, p.values).start, 0.0f);
    EXPECT_NEAR(engine.prepareBlock(120, 7.9, p.values).start, 15.6f, 1e-5);
    EXPECT_EQ(engine.prepareBlock(120, 1000.25, p.values).start, 1.0f);
    // Pre-roll: a sixteenth before the song start is the last step.
    EXPECT_EQ(engine.prepareBlock(120, -0.25, p.values).start, 15.0f);
    EXPECT_EQ(engine.prepareBlock(120, -4.0, p.values).start, 0.0f);
    for (double bad : {std::nan(""), double(INFINITY), -double(INFINITY), 1e30, -1e30, 1e300})
    {
        double position = engine.prepareBlock(120, bad, p.values).start;
        EXPECT_GE(position, 0.0) << bad;
        EXPECT_LT(position, 16.0) << bad;
    }
    // Just below zero rounds up to 16 in float; it must land on step 1 instead.
    double tiny = engine.prepareBlock(120, -1e-9, p.values).start;
    EXPECT_TRUE(tiny >= 0.0f && tiny < 16.0f) << tiny;
}

TEST(GateEngine, WrapMatchesRepeatedSubtractionWhereThatEnds)
{
    for (float x : {16.0f, 16.5f, 31.999f, 100.3f, 12345.678f, 1048575.9f})
    {
        float literal = x;
        while (literal >= 16.0f)
            literal -= 16.0f;
        EXPECT_EQ(wrapToPattern(x), literal) << x;
    }
}

TEST(GateEngine, UnusableTempoHoldsThePositionWithoutRamps)
{
    GateEngine engine;
    Params p;
    for (double tempo : {0.0, -120.0, std::nan(""), double(INFINITY), -double(INFINITY), 1e300})
    {
        GateBlock block = engine.prepareBlock(tempo, 1.0, p.values);
        EXPECT_EQ(block.increment, 0.0f) << tempo;
        EXPECT_EQ(block.rampStart, 1.0f) << tempo;
        EXPECT_EQ(block.start, 4.0f);
    }
}

TEST(GateEngine, TempoSoSlowThatAStepOverflowsNeverRamps)
{
    GateEngine engine;
    Params p;
    GateBlock block = engine.prepareBlock(1e-40, 0.0, p.values);
    EXPECT_TRUE(std::isfinite(block.increment) && block.increment >= 0.0f);
    EXPECT_EQ(block.rampStart, 1.0f);
}

TEST(GateEngine, RefusesUnusableSampleRates)
{
    GateEngine engine;
    for (float rate : {0.0f, -44100.0f, std::nanf(""), INFINITY, 0.5f})
        EXPECT_FALSE(engine.setSampleRate(rate)) << rate;
    EXPECT_EQ(engine.getEngineRate(), 44100.0f);
    EXPECT_TRUE(engine.setSampleRate(96000.0f));
    EXPECT_EQ(engine.getEngineRate(), 96000.0f);
}

TEST(GateEngine, StepValuesBeyondReasonAreTamedInTheSnapshotOnly)
{
    GateEngine engine;
    Params p;
    p.values[0].store(std::nanf(""));
    p.values[1].store(INFINITY);
    p.values[2].store(-1e20f);
    p.values[3].store(3.0f);
    GateBlock block = engine.prepareBlock(120, 0, p.values);
    EXPECT_EQ(block.snapshot[0], 0.0f);
    EXPECT_EQ(block.snapshot[1], 0.0f);
    EXPECT_EQ(block.snapshot[2], -GateEngine::kMaxStepGain);
    EXPECT_EQ(block.snapshot[3], 3.0f);
    EXPECT_EQ(block.bound, 1.0f + GateEngine::kMaxStepGain);
}

TEST(GateEngine, WithoutTimeInformationAudioPassesThrough)
{
    GateEngine engine;
    Params p;
    std::vector<float> l{0.5f, -0.25f, 1.0f}, r{0.1f, 0.2f, 0.3f}, ol(3, 9.0f), orr(3, 9.0f);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    engine.process(Transport{}, p.values, in, out, 3);
    EXPECT_EQ(ol, l);
    EXPECT_EQ(orr, r);
    engine.process(Transport{}, p.values, in, in, 3);  // in place
    EXPECT_EQ(ol, l);
    EXPECT_EQ(engine.getEnvelope(), 0.0f);
}
}  // namespace
