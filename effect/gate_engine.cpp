#include "effect/gate_engine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
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

void passThrough(float** inputs, float** outputs, VstInt32 sampleFrames)
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
    // Equal to subtracting 16 until below 16, for every value where that ends.
    double wrapped = std::fmod(sixteenths, 16.0);
    if (wrapped < 0.0)
        wrapped += 16.0;
    return wrapped < 16.0 ? wrapped : 0.0;
}

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

GateBlock GateEngine::prepareBlock(double tempo, double ppqPos, const SharedFloat* params) const
{
    GateBlock block;
    const float T = narrow(tempo);
    const double rate = engineRate;
    block.rampStep = static_cast<float>(1.0 / (rate * static_cast<double>(kRampSeconds)));
    if (std::isfinite(T) && T > 0.0f)
    {
        block.increment = T / (15.0 * rate);
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
        block.rampStart = 1.0f;
    }
    block.start = wrapToPattern(ppqPos * 4.0);

    float largest = 0.0f;
    for (int i = 0; i < kNumSteps; ++i)
    {
        block.snapshot[i] = stepGain(params[i].load());
        largest = std::max(largest, std::fabs(block.snapshot[i]));
    }
    const double rest = 1.0 - static_cast<double>(block.rampStart);
    for (int i = 0; i < kNumSteps; ++i)
        block.decayPeak[i] = static_cast<float>(block.snapshot[(i + 1) & 15] + block.snapshot[i] * rest);
    // DECAY's ramp peaks at g * (1 - rampStart) + 1, below this bound, so the bound
    // only binds where a step is shorter than the ramp and the rules climb without end.
    block.bound = 1.0f + largest;
    return block;
}

namespace
{
// Sample i sits at start + i * increment, less 16 for every pass through the
// pattern. Forming each position from the block start, rather than adding the
// increment sample by sample, keeps the error far below one sample.
class PatternClock
{
public:
    explicit PatternClock(const GateBlock& block)
        : start(block.start), base(block.start), increment(block.increment), coarse(!(block.increment < 16.0))
    {
    }

    double at(VstInt32 i)
    {
        const double offset = static_cast<double>(i) * increment;
        if (coarse)  // a whole pattern or more per sample: no phase left to track
            return wrapToPattern(start + offset);
        double w = base + offset;
        if (w >= 16.0)
        {
            base -= 16.0;
            w -= 16.0;
        }
        return w;
    }

private:
    double start;
    double base;
    double increment;
    bool coarse;
};

// The final 2 ms of a HOLD step move toward the next step's value and stop there.
float holdRamp(float env, float next, float diff, float rampStep)
{
    const float step = std::fabs(diff) * rampStep;
    return env < next ? std::min(env + step, next) : std::max(env - step, next);
}
}  // namespace

void GateEngine::process(const VstTimeInfo* time, const SharedFloat* params, float** inputs, float** outputs,
                         VstInt32 sampleFrames)
{
    if (!time)
    {
        if (sampleFrames > 0)
            passThrough(inputs, outputs, sampleFrames);
        return;
    }

    const GateBlock block = prepareBlock(time->tempo, time->ppqPos, params);
    position = static_cast<float>(block.start);
    if (sampleFrames <= 0)
        return;

    const float* inL = inputs[0];
    const float* inR = inputs[1];
    float* outL = outputs[0];
    float* outR = outputs[1];
    const SharedFloat& mode = params[kModeParam];

    PatternClock clock(block);
    float env = envelope;
    for (VstInt32 i = 0; i < sampleFrames; ++i)
    {
        const double w = clock.at(i);
        // Rounding may leave w a hair outside [0, 16); the mask keeps the index in the pattern.
        const int idx = static_cast<int>(w) & 15;
        const float g = block.snapshot[idx];
        const float next = block.snapshot[(idx + 1) & 15];
        const float diff = next - g;
        const float frac = static_cast<float>(w - idx);

        if (mode.load() < 0.5f)
        {
            env = frac < block.rampStart ? g : holdRamp(env, next, diff, block.rampStep);
        }
        else if (frac >= block.rampStart && g + diff > 0.5f)
        {
            const float peak = block.decayPeak[idx];
            if (env < peak)
                env = std::min(env + block.rampStep, peak);
        }
        else
        {
            env = g * (1.0f - frac);
        }
        env = std::min(std::max(env, -block.bound), block.bound);

        const float left = inL[i];
        const float right = inR[i];
        outL[i] = left * env;
        outR[i] = right * env;
    }
    position = static_cast<float>(clock.at(sampleFrames));
    envelope = env;
}
