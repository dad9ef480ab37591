#include "effect/gate_engine.h"

#include "effect/gate_kernels.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
constexpr float kRampSeconds = 0.002f;

// Narrows to float, sending values beyond float range to infinity like the FPU
// would, without the undefined conversion.
float narrow(double value)
{
    if (std::isnan(value))
        return NAN;
    if (std::fabs(value) > FLT_MAX)
        return value > 0 ? INFINITY : -INFINITY;
    return static_cast<float>(value);
}

float stepGain(float value)
{
    if (!std::isfinite(value))
        return 0.0f;
    return std::min(std::max(value, -GateEngine::kMaxStepGain), GateEngine::kMaxStepGain);
}

void passThrough(float** inputs, float** outputs, int32_t sampleFrames)
{
    for (int channel = 0; channel < 2; ++channel)
        if (outputs[channel] != inputs[channel])
            std::memmove(outputs[channel], inputs[channel], sizeof(float) * static_cast<size_t>(sampleFrames));
}
}  // namespace

double wrapToPattern(double sixteenths)
{
    if (!std::isfinite(sixteenths))
        return 0.0;
    // Exactly fmod(sixteenths, 16) (x - 16k is exact for the nearest k toward
    // zero, and the sign of a zero follows x), without the library call.
    const double quotient = sixteenths / 16.0;
    double wrapped = std::fabs(quotient) < 2147483648.0
                         ? std::copysign(sixteenths - 16.0 * static_cast<int32_t>(quotient), sixteenths)
                         : std::fmod(sixteenths, 16.0);
    if (wrapped < 0.0)
        wrapped += 16.0;
    return wrapped < 16.0 ? wrapped : 0.0;
}

GateEngine::GateEngine() : kernels(&bestKernels()) {}

void GateEngine::reset()
{
    position = 0.0f;
    envelope = 0.0f;
}

bool GateEngine::setSampleRate(float rate)
{
    if (!std::isfinite(rate) || rate < 1.0f)
        return false;
    engineRate = rate;
    return true;
}

namespace
{
void setTiming(GateBlock& block, float T, double rate)
{
    block.rampStep = static_cast<float>(1.0 / (rate * static_cast<double>(kRampSeconds)));
    if (std::isfinite(T) && T > 0.0f)
    {
        block.increment = T / (15.0 * rate);
        block.inverseIncrement = 1.0 / block.increment;
        const float stepMs = static_cast<float>(15000.0 / T);
        block.rampStart = static_cast<float>((stepMs - 2.0) / stepMs);
        // A tempo so slow that a step overflows float: the ramp is beyond reach.
        if (!std::isfinite(stepMs))
            block.rampStart = 1.0f;
    }
    else
    {
        // No usable tempo: hold the reported position and never ramp.
        block.increment = 0.0;
        block.inverseIncrement = INFINITY;
        block.rampStart = 1.0f;
    }
}

// Needs the block's rampStart.
void setSteps(GateBlock& block, const float* steps)
{
    float largest = 0.0f;
    for (int i = 0; i < kNumSteps; ++i)
    {
        block.snapshot[i] = stepGain(steps[i]);
        largest = std::max(largest, std::fabs(block.snapshot[i]));
    }
    const double rest = 1.0 - static_cast<double>(block.rampStart);
    for (int i = 0; i < kNumSteps; ++i)
        block.decayPeak[i] = static_cast<float>(block.snapshot[(i + 1) & 15] + block.snapshot[i] * rest);
    // DECAY's ramp peaks at g * (1 - rampStart) + 1, below this bound, so the bound
    // only binds where a step is shorter than the ramp and the rules climb without end.
    block.bound = 1.0f + largest;
}

void loadSteps(const SharedFloat* params, float* steps)
{
    for (int i = 0; i < kNumSteps; ++i)
        steps[i] = params[i].load();
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

GateBlock GateEngine::prepareBlock(double tempo, double ppqPos, const SharedFloat* params) const
{
    GateBlock block;
    float steps[kNumSteps];
    loadSteps(params, steps);
    setTiming(block, narrow(tempo), engineRate);
    setSteps(block, steps);
    block.start = wrapToPattern(ppqPos * 4.0);
    return block;
}

const GateBlock& GateEngine::updateBlock(double tempo, double ppqPos, const SharedFloat* params)
{
    // Compared bit for bit (a NaN step equals itself here) without storing
    // anything: at small blocks the stores still draining from the last block
    // make every store here wait. Changed steps are read again for the snapshot.
    bool stepsChanged = !cacheValid;
    const uint32_t version = stepsVersion ? stepsVersion->load(std::memory_order_acquire) : 0;
    if (!stepsVersion || version != cachedVersion)
        for (int i = 0; i < kNumSteps; ++i)
            stepsChanged |= !sameBits(params[i].load(), cachedSteps[i]);
    cachedVersion = version;
    const float T = narrow(tempo);
    const bool timing = !cacheValid || !sameBits(T, cachedTempo) || !sameBits(engineRate, cachedRate);
    if (timing)
    {
        setTiming(cached, T, engineRate);
        cachedTempo = T;
        cachedRate = engineRate;
    }
    if (timing || stepsChanged)
    {
        loadSteps(params, cachedSteps);
        setSteps(cached, cachedSteps);
    }
    cacheValid = true;
    cached.start = wrapToPattern(ppqPos * 4.0);
    return cached;
}

namespace
{
// The final 2 ms of a HOLD step move toward the next step's value and stop there.
float holdRamp(float env, float next, float diff, float rampStep)
{
    const float step = std::fabs(diff) * rampStep;
    return env < next ? std::min(env + step, next) : std::max(env - step, next);
}

// One block's frames. Sample j sits at start + j × increment, less 16 for every
// pass through the pattern, formed from the block start rather than added up
// sample by sample so that the error stays far below one sample.
//
// The block is cut where the envelope needs its memory: a step's last 2 ms
// (the ramps) run frame by frame, the rest of the step (about 98% of the frames
// at 120 BPM) runs through the loops of GateKernels, which need only each
// frame's own position. Where a cut falls is found by evaluating the same
// per-frame test at a frame estimated from the tempo and its neighbours, so the
// cuts are exactly where the per-frame rules change their minds.
class GateRun
{
public:
    GateRun(const GateBlock& block, const GateChannels& io, const GateKernels& kernels, const SharedFloat& mode,
            int32_t frames, float envelope, GateTrace* trace)
        : block(block), io(io), kernels(kernels), mode(mode), frames(frames), trace(trace), base(block.start),
          env(envelope)
    {
    }

    float envelope() const { return env; }

    // Less than a whole pattern per frame.
    double runFine()
    {
        int32_t segmentEnd = 0;
        bool flat = false;
        int idx = 0;
        for (int32_t i = 0; i < frames;)
        {
            if (i == segmentEnd)
            {
                const double formed = raw(i);
                const double w = enter(i);
                idx = static_cast<int>(w) & 15;
                flat = static_cast<float>(w - idx) < block.rampStart;
                segmentEnd = flat ? firstWhere(i, idx + static_cast<double>(block.rampStart) - w,
                                               [&](int32_t j) { return pastFlat(j, idx); })
                                  : firstWhere(i, idx + 1.0 - w, [&](int32_t j) { return pastStep(j, idx); });
                if (trace)
                    trace->segment(i, segmentEnd, idx, flat);
                // A frame that took 16 off the position runs by the rules with
                // the position as it was formed, and so does a ramp's first
                // frame: the envelope it carries in may lie outside this
                // block's bounds, which the ramp loops take for granted.
                if (w != formed || !flat)
                {
                    frame(i, w);
                    ++i;
                }
                continue;
            }
            readMode(i);
            const float g = block.snapshot[idx];
            const float next = block.snapshot[(idx + 1) & 15];
            if (flat || (!hold && !(g + (next - g) > 0.5f)))
            {
                // Flat, or DECAY falling into a closed step: no memory needed.
                const ModeWatch watch{&mode, hold};
                // A closed step (g = ±0) falls from zero to zero: g × (1 − frac) is g.
                float last = g;
                const int32_t stop =
                    hold || g == 0.0f
                        ? kernels.hold(io, i, segmentEnd, g, watch)
                        : kernels.decay(io, i, segmentEnd, base, block.increment, idx, g, watch, last);
                env = last;
                // The loop read the mode at every 64th frame it passed.
                readChunk = (stop - 1) / GateEngine::kModeInterval;
                i = stop;
            }
            else
            {
                const int32_t stop = std::min(segmentEnd, (i | (GateEngine::kModeInterval - 1)) + 1);
                if (hold)
                    runHoldRamp(i, stop, next, std::fabs(next - g) * block.rampStep);
                else
                    runDecayRise(i, stop, block.decayPeak[idx]);
                i = stop;
            }
        }
        return enter(frames);
    }

    // A whole pattern or more per frame: no phase left to track.
    double runCoarse()
    {
        for (int32_t j = 0; j < frames; ++j)
            frame(j, wrapToPattern(block.start + static_cast<double>(j) * block.increment));
        return wrapToPattern(block.start + static_cast<double>(frames) * block.increment);
    }

private:
    // The mode holds for the 64 frames from each multiple of 64 in the block.
    void readMode(int32_t j)
    {
        const int32_t chunk = j / GateEngine::kModeInterval;
        if (chunk != readChunk)
        {
            hold = mode.load() < 0.5f;
            readChunk = chunk;
        }
    }

    double raw(int32_t j) const { return base + static_cast<double>(j) * block.increment; }

    // The position of frame j, asked for in order: passing 16 takes 16 off for good.
    double enter(int32_t j)
    {
        double w = raw(j);
        if (w >= 16.0)
        {
            base -= 16.0;
            w -= 16.0;
        }
        return w;
    }

    // Frame j is no longer in the flat part of step idx.
    bool pastFlat(int32_t j, int idx) const
    {
        const double w = raw(j);
        if (!(w < 16.0))
            return true;
        const int k = static_cast<int>(w) & 15;
        return k != idx || !(static_cast<float>(w - k) < block.rampStart);
    }

    bool pastStep(int32_t j, int idx) const
    {
        const double w = raw(j);
        return !(w < 16.0) || (static_cast<int>(w) & 15) != idx;
    }

    // The first frame after `from` where the monotone test `past` holds, or
    // the block's end; `distance` (in sixteenths) gives the first guess.
    template <typename Past>
    int32_t firstWhere(int32_t from, double distance, Past past) const
    {
        int32_t lo = from;    // past(lo) is false
        int32_t hi = frames;  // past(hi) is true, or hi is the end
        // Past the end (or no tempo at all): try the last frame first.
        const double guess = static_cast<double>(from) + 1.0 + distance * block.inverseIncrement;
        const double last = static_cast<double>(hi - 1);
        int32_t probe = static_cast<int32_t>(guess < last ? std::max(guess, from + 1.0) : last);
        // The guess is right or one off nearly always; bisect what is left.
        for (int tries = 0; hi - lo > 1; ++tries)
        {
            if (tries >= 2 || probe <= lo || probe >= hi)
                probe = lo + (hi - lo) / 2;
            if (past(probe))
            {
                hi = probe;
                probe = hi - 1;
            }
            else
            {
                lo = probe;
                probe = lo + 1;
            }
        }
        return hi;
    }

    // HOLD's ramp toward next, by step per frame. Which way it goes is fixed by
    // the first frame: once the envelope meets next it stays there either way.
    // The envelope already lies within the block's bounds and moves toward a
    // step value, which does too, so the bounds cannot bind.
    void runHoldRamp(int32_t from, int32_t to, float next, float step)
    {
        if (env < next)
            env = rise(from, to, env, step, next, next);
        else
        {
            float e = env;
            for (int32_t j = from; j < to; ++j)
            {
                e = std::max(e - step, next);
                scale(j, e);
            }
            env = e;
        }
    }

    // DECAY's rise toward peak before an open step; only the upper bound can
    // bind, and min(min(x, peak), bound) is min(x, min(peak, bound)).
    void runDecayRise(int32_t from, int32_t to, float peak)
    {
        env = rise(from, to, env, block.rampStep, peak, std::min(peak, block.bound));
    }

    // Frames [from, to) of the rule "while e < guard, e = min(e + amount, top)",
    // top <= guard; answers the last e. Inside one binade of a positive e,
    // adding amount always adds the same rounded r (unless amount falls exactly
    // halfway on the binade's grid), so e + r, e + 2r, e + 3r and e + 4r are
    // the next four frames, each an exact sum: no chain of dependent additions.
    float rise(int32_t from, int32_t to, float e, float amount, float guard, float top)
    {
        int32_t j = from;
        while (j < to)
        {
            const float before = e;
            if (e < guard)
                e = std::min(e + amount, top);
            scale(j++, e);
            // Near the top the frames go one by one; only then is the binade asked.
            float lower = 0.0f, upper = 0.0f;
            if (!(e + 4.0f * amount < top) || !steadyBinade(before, amount, lower, upper) || !(e < upper))
                continue;
            const float r = e - before;  // exact: both lie in one binade
            const float r2 = r + r;
            for (; j + 4 <= to; j += 4)
            {
                const float c4 = e + (r2 + r2);
                // The sum that makes the fourth frame must stay below the binade's top.
                if (!(c4 < upper) || !(c4 < top))
                    break;
                const float c1 = e + r;
                scale(j, c1);
                scale(j + 1, e + r2);
                scale(j + 2, c1 + r2);
                scale(j + 3, c4);
                e = c4;
            }
        }
        return e;
    }

    // Whether every value x of e's binade gives x + amount = x + r for one r:
    // e is a positive normal number, its grid is coarser than the smallest
    // normal step, and amount is not an odd multiple of half the grid.
    static bool steadyBinade(float e, float amount, float& lower, float& upper)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &e, sizeof bits);
        const uint32_t exponent = bits >> 23;  // the sign bit is 0 for positive e
        if (!(e > 0.0f) || exponent < 24 || exponent > 253)
            return false;
        lower = fromBits(exponent << 23);
        upper = fromBits((exponent + 1) << 23);
        // amount / grid × 2, exact: the grid is 2^(exponent - 150)
        const float twiceInGrid = amount * fromBits((278 - exponent) << 23);
        if (twiceInGrid < 2147483648.0f)
        {
            const int32_t whole = static_cast<int32_t>(twiceInGrid);
            if (static_cast<float>(whole) == twiceInGrid && (whole & 1))
                return false;
        }
        return true;
    }

    static float fromBits(uint32_t bits)
    {
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    void scale(int32_t j, float gain)
    {
        const float left = io.inL[j];
        const float right = io.inR[j];
        io.outL[j] = left * gain;
        io.outR[j] = right * gain;
    }

    // Frame j by the per-sample rules.
    void frame(int32_t j, double w)
    {
        readMode(j);
        // Rounding may leave w a hair outside [0, 16); the mask keeps the index in the pattern.
        const int idx = static_cast<int>(w) & 15;
        const float g = block.snapshot[idx];
        const float next = block.snapshot[(idx + 1) & 15];
        const float diff = next - g;
        const float frac = static_cast<float>(w - idx);
        if (hold)
            env = frac < block.rampStart ? g : holdRamp(env, next, diff, block.rampStep);
        else if (frac >= block.rampStart && g + diff > 0.5f)
        {
            const float peak = block.decayPeak[idx];
            if (env < peak)
                env = std::min(env + block.rampStep, peak);
        }
        else
            env = g * (1.0f - frac);
        env = std::min(std::max(env, -block.bound), block.bound);
        scale(j, env);
    }

    const GateBlock& block;
    const GateChannels& io;
    const GateKernels& kernels;
    const SharedFloat& mode;
    const int32_t frames;
    GateTrace* trace;
    double base;
    float env;
    int32_t readChunk = -1;
    bool hold = false;
};
}  // namespace

void GateEngine::process(const Transport& transport, const SharedFloat* params, float** inputs, float** outputs,
                         int32_t sampleFrames)
{
    if (!transport.positionKnown)
    {
        if (sampleFrames > 0)
            passThrough(inputs, outputs, sampleFrames);
        return;
    }

    const double tempo = transport.tempoKnown ? transport.tempo : NAN;
    const GateBlock& block = updateBlock(tempo, transport.position, params);
    position = static_cast<float>(block.start);
    if (sampleFrames <= 0)
        return;

    const GateChannels io{inputs[0], inputs[1], outputs[0], outputs[1]};
    GateRun run(block, io, *kernels, params[kModeParam], sampleFrames, envelope, trace);
    const double end = block.increment < 16.0 ? run.runFine() : run.runCoarse();
    position = static_cast<float>(end);
    envelope = run.envelope();
}
