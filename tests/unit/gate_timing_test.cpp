// The pattern as a listener hears it late in long sessions, at any block size, and with
// hosts that round their song position to a tick grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "effect/gate_engine.h"

namespace
{
enum class Grid { Exact, NearestTick, FloorTick };  // ticks of 1/1920 quarter

struct Session
{
    double startQuarters;
    double tempo;
    float rate;
    std::vector<int> blocks;  // cycled
    Grid grid = Grid::Exact;
};

const float kAlternating[kNumSteps] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
const float kSparse[kNumSteps] = {1, 0, 0, 1, 1, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0};
const float kAllOpen[kNumSteps] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

class Gate
{
public:
    Gate(const float (&steps)[kNumSteps], float mode)
    {
        for (int i = 0; i < kNumSteps; ++i)
            params[i].store(steps[i]);
        params[kModeParam].store(mode);
    }

    // Gains of one pattern cycle (16 sixteenths) from the session's start, input 1.
    std::vector<float> cycle(const Session& s)
    {
        GateEngine engine;
        engine.setSampleRate(s.rate);
        const double quartersPerFrame = s.tempo / (60.0 * s.rate);
        const auto frames = static_cast<std::int64_t>(std::ceil(4.0 / quartersPerFrame));
        std::vector<float> gains(static_cast<size_t>(frames));
        std::vector<float> ones(65536, 1.0f);
        size_t b = 0;
        for (std::int64_t done = 0; done < frames; ++b)
        {
            const int n = static_cast<int>(std::min<std::int64_t>(s.blocks[b % s.blocks.size()], frames - done));
            Transport time = Transport::at(0.0, 0.0);
            time.tempo = s.tempo;
            time.position = onGrid(s.startQuarters + static_cast<double>(done) * quartersPerFrame, s.grid);
            float* in[2] = {ones.data(), ones.data()};
            float* out[2] = {gains.data() + done, gains.data() + done};
            engine.process(time, params, in, out, n);
            done += n;
        }
        return gains;
    }

    SharedFloat params[kNumParams];

private:
    static double onGrid(double quarters, Grid grid)
    {
        if (grid == Grid::NearestTick)
            return std::round(quarters * 1920.0) / 1920.0;
        if (grid == Grid::FloorTick)
            return std::floor(quarters * 1920.0) / 1920.0;
        return quarters;
    }
};

// Sample i of a cycle that starts on step 1 lies i * sixteenthsPerFrame into the pattern.
double sixteenthsPerFrame(const Session& s) { return s.tempo / (15.0 * s.rate); }
float rampStep(const Session& s) { return static_cast<float>(1.0 / (s.rate * 0.002)); }
double rampStart(const Session& s)
{
    const double stepMs = 15000.0 / s.tempo;
    return (stepMs - 2.0) / stepMs;
}

std::vector<double> stepMeans(const std::vector<float>& gains, const Session& s)
{
    std::vector<double> sum(kNumSteps), count(kNumSteps);
    for (size_t i = 0; i < gains.size(); ++i)
    {
        const int step = std::min(kNumSteps - 1, static_cast<int>(static_cast<double>(i) * sixteenthsPerFrame(s)));
        sum[step] += gains[i];
        count[step] += 1;
    }
    for (int k = 0; k < kNumSteps; ++k)
        sum[k] /= count[k];
    return sum;
}

// Last sample before each step boundary, skipping boundaries that fall within a
// thousandth of a sample of a sample, where either side is a fair answer.
std::vector<std::pair<int, size_t>> lastSamplesOfSteps(const Session& s)
{
    std::vector<std::pair<int, size_t>> result;
    for (int k = 1; k <= kNumSteps; ++k)
    {
        const double boundary = k / sixteenthsPerFrame(s);
        const double below = std::ceil(boundary) - 1.0;
        if (boundary - below < 1e-3 || boundary - below > 1.0 - 1e-3)
            continue;
        result.emplace_back(k - 1, static_cast<size_t>(below));
    }
    return result;
}

const Session kSessions[] = {
    {0, 120, 44100, {512}},
    {4096, 120, 44100, {512}},
    {8192, 120, 44100, {512}},
    {131072, 97.3, 48000, {64}},
    {1e7, 174, 96000, {4096}},
    {8192, 60, 192000, {65536}},
    {131072, 300, 44100, {1}},
    {1e7, 300, 192000, {1, 7, 64, 511, 4096, 65536}},
    {999936, 120, 44100, {65536}},
    {1e7, 60, 44100, {3, 1000, 17, 65536}},
};

TEST(GateTiming, HoldIsTheSameAtAnySongPositionAndBlockSize)
{
    for (const Session& late : kSessions)
    {
        SCOPED_TRACE(testing::Message() << "start " << late.startQuarters << " q, " << late.tempo << " BPM, "
                                        << late.rate << " Hz, first block " << late.blocks[0]);
        Gate gate(kSparse, 0.0f);
        Session early = late;
        early.startQuarters = 0;
        early.blocks = {512};
        const std::vector<double> want = stepMeans(gate.cycle(early), early);
        const std::vector<float> gains = gate.cycle(late);
        const std::vector<double> got = stepMeans(gains, late);
        for (int k = 0; k < kNumSteps; ++k)
            EXPECT_NEAR(got[k], want[k], 1e-6) << "step " << k + 1;

        for (float g : gains)
            ASSERT_TRUE(g >= 0.0f && g <= 1.0f) << g;
        for (const auto& [step, last] : lastSamplesOfSteps(late))
            EXPECT_NEAR(gains[last], kSparse[(step + 1) % kNumSteps], rampStep(late) * 1.0001f)
                << "end of step " << step + 1;
    }
}

TEST(GateTiming, DecayRisesToItsPeakBeforeEveryOpenStep)
{
    for (const Session& s : kSessions)
    {
        SCOPED_TRACE(testing::Message() << "start " << s.startQuarters << " q, " << s.tempo << " BPM, " << s.rate);
        for (const auto* steps : {&kAllOpen, &kAlternating})
        {
            Gate gate(*steps, 1.0f);
            const std::vector<float> gains = gate.cycle(s);
            for (const auto& [step, last] : lastSamplesOfSteps(s))
            {
                const float next = (*steps)[(step + 1) % kNumSteps];
                if (next < 0.5f)
                {
                    EXPECT_LT(gains[last], 0.01f) << "an open step before a closed one decays to 0";
                    continue;
                }
                // The peak: the next step's level plus what was left of the fall at rampStart.
                const double peak = next + (*steps)[step] * (1.0 - rampStart(s));
                EXPECT_LE(gains[last], peak + 1e-6) << "end of step " << step + 1;
                EXPECT_GE(gains[last], peak - rampStep(s)) << "end of step " << step + 1;
            }
        }
    }
}

// A host that rounds its position to ticks moves each block start by up to a
// tick, back or forth: a ramp may then run longer or shorter, never past its end.
TEST(GateTiming, RampsStopAtTheirEndWhenTheHostRoundsToTicks)
{
    for (Grid grid : {Grid::NearestTick, Grid::FloorTick})
        for (float rate : {44100.0f, 48000.0f})
            for (int block : {64, 100, 512, 4096})
                for (double tempo : {90.0, 128.0, 174.0})
                {
                    SCOPED_TRACE(testing::Message() << rate << " Hz, block " << block << ", " << tempo << " BPM");
                    const Session s{8192.0 + 1.0 / 3.0, tempo, rate, {block}, grid};
                    Gate hold(kAlternating, 0.0f);
                    const std::vector<float> held = hold.cycle(s);
                    const auto [low, high] = std::minmax_element(held.begin(), held.end());
                    EXPECT_GE(*low, 0.0f);
                    EXPECT_LE(*high, 1.0f);

                    Gate decay(kAllOpen, 1.0f);
                    const std::vector<float> decayed = decay.cycle(s);
                    const float peak = static_cast<float>(1.0 + (1.0 - rampStart(s)));
                    EXPECT_LE(*std::max_element(decayed.begin(), decayed.end()), peak + 1e-6f);
                }
}
}  // namespace
