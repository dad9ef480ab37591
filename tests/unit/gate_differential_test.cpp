// The engine against the per-sample rules, bit for bit: random sessions of
// random blocks at any tempo, rate and song position, with the steps, mode,
// tempo and rate changed between blocks. The rules are kept here in their
// plain form, one frame at a time, as the oracle. Besides the output and the
// carried envelope and position, every cut the engine makes between a step's
// flat part and its ramp is checked against where the rules put it.
//
// QUELT_DIFFERENTIAL_SECONDS sets how long it runs (10 s by default).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "effect/gate_engine.h"
#include "effect/gate_kernels.h"

namespace
{
// The per-sample rules, and for each frame its step and whether it lies before rampStart.
struct Oracle
{
    float envelope = 0.0f;
    float position = 0.0f;
    std::vector<int> step;
    std::vector<char> flat;

    static double wrap(double x)
    {
        if (!std::isfinite(x))
            return 0.0;
        double w = std::fmod(x, 16.0);
        if (w < 0.0)
            w += 16.0;
        return w < 16.0 ? w : 0.0;
    }

    // modeAt(i) is the mode a per-sample read sees at frame i.
    template <typename Mode>
    void process(const GateBlock& b, double ppqPos, Mode modeAt, const float* inL, const float* inR, float* outL,
                 float* outR, int n)
    {
        const double start = wrap(ppqPos * 4.0);
        double base = start;
        const bool coarse = !(b.increment < 16.0);
        auto at = [&](int i) {
            const double offset = static_cast<double>(i) * b.increment;
            if (coarse)
                return wrap(start + offset);
            double w = base + offset;
            if (w >= 16.0)
            {
                base -= 16.0;
                w -= 16.0;
            }
            return w;
        };
        step.assign(n, 0);
        flat.assign(n, 0);
        float env = envelope;
        for (int i = 0; i < n; ++i)
        {
            const double w = at(i);
            const int idx = static_cast<int>(w) & 15;
            const float g = b.snapshot[idx];
            const float next = b.snapshot[(idx + 1) & 15];
            const float diff = next - g;
            const float frac = static_cast<float>(w - idx);
            step[i] = idx;
            flat[i] = frac < b.rampStart;
            if (modeAt(i) < 0.5f)
            {
                const float s = std::fabs(diff) * b.rampStep;
                env = frac < b.rampStart ? g : env < next ? std::min(env + s, next) : std::max(env - s, next);
            }
            else if (frac >= b.rampStart && g + diff > 0.5f)
            {
                if (env < b.decayPeak[idx])
                    env = std::min(env + b.rampStep, b.decayPeak[idx]);
            }
            else
                env = g * (1.0f - frac);
            env = std::min(std::max(env, -b.bound), b.bound);
            const float left = inL[i], right = inR[i];
            outL[i] = left * env;
            outR[i] = right * env;
        }
        envelope = env;
        position = static_cast<float>(at(n));
    }
};

struct Segments final : GateTrace
{
    struct Cut
    {
        int32_t from, to;
        int step;
        bool flat;
    };
    std::vector<Cut> cuts;
    void segment(int32_t from, int32_t to, int step, bool flat) override { cuts.push_back({from, to, step, flat}); }
};

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class Session
{
public:
    explicit Session(uint64_t seed) : rng(seed) {}

    template <typename T>
    T pick(std::initializer_list<T> list)
    {
        return *(list.begin() + std::uniform_int_distribution<size_t>(0, list.size() - 1)(rng));
    }
    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    bool chance(double p) { return uniform(0, 1) < p; }

    // Now and then one outside any host's range: none, backwards, or a pattern per frame.
    double tempo()
    {
        if (chance(0.02))
            return pick({0.0, -5.0, 1e-30, 1e7, 1e12});
        return chance(0.5) ? pick({20.0, 60.0, 90.0, 120.0, 128.0, 140.0, 174.0, 999.0}) : uniform(20, 999);
    }
    float rate()
    {
        return chance(0.6) ? pick({8000.0f, 8192.0f, 16384.0f, 22050.0f, 32768.0f, 44100.0f, 48000.0f, 65536.0f,
                                   88200.0f, 96000.0f, 131072.0f, 192000.0f, 262144.0f, 384000.0f})
                           : static_cast<float>(uniform(8000, 384000));
    }
    float stepValue()
    {
        return chance(0.7) ? pick({0.0f, 1.0f, 0.5f, std::nextafter(0.5f, 0.0f), std::nextafter(0.5f, 1.0f), -0.0f,
                                   1000.0f, -1000.0f, 1e6f, 0.25f})
                           : static_cast<float>(uniform(-2, 2));
    }
    // Song positions where the rules are most easily upset.
    double position(double tempo)
    {
        const double k = std::floor(uniform(-40, 4e7));
        const double stepMs = 15000.0 / static_cast<float>(tempo);
        const float rampStart = static_cast<float>((stepMs - 2.0) / stepMs);
        switch (std::uniform_int_distribution<int>(0, 4)(rng))
        {
        case 0: return k / 4;                                              // a step boundary
        case 1: return (k + rampStart) / 4;                                // a ramp start
        case 2: return std::nextafter(4 * std::floor(k / 16), -1e300);     // just before a wrap
        case 3: return std::round(uniform(-10, 1e7) * 1920) / 1920;        // a tick grid
        default: return uniform(-10, 1e7);
        }
    }
    int blockSize() { return chance(0.5) ? std::uniform_int_distribution<int>(1, 64)(rng)
                                         : std::uniform_int_distribution<int>(1, 8192)(rng); }

    std::mt19937_64 rng;
};

TEST(GateDifferential, TheEngineMatchesThePerSampleRulesBitForBit)
{
    const char* env = std::getenv("QUELT_DIFFERENTIAL_SECONDS");
    const double seconds = env ? std::atof(env) : 10.0;
    std::vector<const GateKernels*> kernels{&sse2Kernels()};
    if (avxKernels())
        kernels.push_back(avxKernels());

    const auto begin = std::chrono::steady_clock::now();
    uint64_t frames = 0, blocks = 0, cuts = 0;
    std::vector<float> inL(8192), inR(8192), outL(8192), outR(8192), refL(8192), refR(8192);
    for (uint64_t seed = 1; std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() < seconds;
         ++seed)
    {
        Session s(seed);
        GateEngine engine;
        engine.setKernels(*kernels[seed % kernels.size()]);
        Segments segments;
        engine.setTrace(&segments);
        Oracle oracle;
        SharedFloat params[kNumParams];
        for (int i = 0; i < kNumParams; ++i)
            params[i].store(s.chance(0.5) ? 1.0f : 0.0f);
        float rate = s.rate();
        engine.setSampleRate(rate);
        Transport time = Transport::at(0.0, 0.0);
        time.tempo = s.tempo();
        time.position = s.position(time.tempo);
        for (int block = 0; block < 24; ++block)
        {
            const int n = s.blockSize();
            for (int i = 0; i < n; ++i)
            {
                inL[i] = static_cast<float>(s.uniform(-1, 1));
                inR[i] = s.chance(0.01) ? 1e-40f : static_cast<float>(s.uniform(-1, 1));
            }
            const GateBlock expected = engine.prepareBlock(time.tempo, time.position, params);
            const float mode = params[kModeParam].load();
            oracle.process(
                expected, time.position, [mode](int) { return mode; }, inL.data(), inR.data(), refL.data(),
                refR.data(), n);
            const bool inPlace = s.chance(0.3);
            std::copy(inL.begin(), inL.begin() + n, outL.begin());
            std::copy(inR.begin(), inR.begin() + n, outR.begin());
            float* in[2] = {inPlace ? outL.data() : inL.data(), inPlace ? outR.data() : inR.data()};
            float* out[2] = {outL.data(), outR.data()};
            segments.cuts.clear();
            engine.process(time, params, in, out, n);

            const std::string where = "seed " + std::to_string(seed) + " block " + std::to_string(block) +
                                      ", tempo " + std::to_string(time.tempo) + ", rate " + std::to_string(rate) +
                                      ", ppq " + std::to_string(time.position) + ", frames " + std::to_string(n);
            ASSERT_EQ(std::memcmp(outL.data(), refL.data(), n * sizeof(float)), 0) << where;
            ASSERT_EQ(std::memcmp(outR.data(), refR.data(), n * sizeof(float)), 0) << where;
            ASSERT_TRUE(sameBits(engine.getEnvelope(), oracle.envelope)) << where;
            ASSERT_TRUE(sameBits(engine.getPosition(), oracle.position)) << where;
            int32_t covered = 0;
            for (const Segments::Cut& c : segments.cuts)
            {
                ASSERT_EQ(c.from, covered) << where;
                for (int32_t j = c.from; j < c.to; ++j)
                    ASSERT_TRUE(oracle.step[j] == c.step && (oracle.flat[j] != 0) == c.flat)
                        << where << ", frame " << j << " in a cut from " << c.from << " to " << c.to;
                covered = c.to;
            }
            // A pattern or more per frame leaves nothing to cut.
            ASSERT_EQ(covered, expected.increment < 16.0 ? n : 0) << where;
            frames += n;
            cuts += segments.cuts.size();
            ++blocks;

            // What hosts and users change between blocks.
            time.position += n * time.tempo / (60.0 * rate);
            if (s.chance(0.2))
                time.position = std::round(time.position * 1920) / 1920;
            if (s.chance(0.2))
                params[std::uniform_int_distribution<int>(0, 15)(s.rng)].store(s.stepValue());
            if (s.chance(0.2))
                params[kModeParam].store(s.pick({0.0f, 1.0f, 0.5f, std::nextafter(0.5f, 0.0f)}));
            if (s.chance(0.05))
                time.tempo = s.tempo();
            if (s.chance(0.05))
                engine.setSampleRate(rate = s.rate());
            if (s.chance(0.05))
                time.position = s.position(time.tempo);
        }
    }
    std::printf("[differential] %llu frames in %llu blocks, %llu cuts, kernels:", static_cast<unsigned long long>(frames),
                static_cast<unsigned long long>(blocks), static_cast<unsigned long long>(cuts));
    for (const GateKernels* k : kernels)
        std::printf(" %s", k->name);
    std::printf("\n");
    EXPECT_GT(cuts, blocks) << "the sessions reach the flat and ramp parts alike";
}
// Another thread switches HOLD to DECAY while the first 64 frames are being
// processed: the block follows the rules with HOLD up to frame 64 and with
// DECAY from there on.
SharedFloat* gModeToFlip = nullptr;

int32_t holdThenFlip(const GateChannels& io, int32_t from, int32_t to, float gain, const ModeWatch& watch)
{
    gModeToFlip->store(1.0f);
    return sse2Kernels().hold(io, from, to, gain, watch);
}

TEST(GateDifferential, AModeChangeDuringABlockLandsAtTheNextMultipleOf64Frames)
{
    GateKernels flipping = sse2Kernels();
    flipping.hold = holdThenFlip;
    for (int frames : {65, 200, 1000})
    {
        GateEngine engine;
        engine.setKernels(flipping);
        SharedFloat params[kNumParams];
        for (int i = 0; i < kNumSteps; ++i)
            params[i].store(1.0f);
        gModeToFlip = &params[kModeParam];
        Transport time = Transport::at(0.0, 0.0);
        time.tempo = 120.0;
        time.position = 0.01;  // early in step 1, far from its ramp
        std::vector<float> in(frames, 0.5f), out(2 * frames), ref(2 * frames);
        float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {out.data(), out.data() + frames};
        const GateBlock block = engine.prepareBlock(time.tempo, time.position, params);
        engine.process(time, params, ins, outs, frames);
        Oracle oracle;
        oracle.process(
            block, time.position, [](int i) { return i < 64 ? 0.0f : 1.0f; }, in.data(), in.data(), ref.data(),
            ref.data() + frames, frames);
        EXPECT_EQ(std::memcmp(out.data(), ref.data(), out.size() * sizeof(float)), 0) << frames << " frames";
        EXPECT_LT(out[frames - 1], 0.5f) << "DECAY has taken over";
    }
}
}  // namespace
