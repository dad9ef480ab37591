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

float wrapToPattern(double sixteenths)
{
    if (!std::isfinite(sixteenths))
        return 0.0f;
    // Equal to subtracting 16 until below 16, for every value where that ends.
    double wrapped = std::fmod(sixteenths, 16.0);
    if (wrapped < 0.0)
        wrapped += 16.0;
    float position = static_cast<float>(wrapped);
    return position < 16.0f ? position : 0.0f;
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
        block.increment = static_cast<float>(T / (15.0 * rate));
        const float stepMs = static_cast<float>(15000.0 / T);
        block.rampStart = static_cast<float>((stepMs - 2.0) / stepMs);
        // A tempo so slow that a step overflows float: the ramp is beyond reach.
        if (!std::isfinite(stepMs))
            block.rampStart = 1.0f;
    }
    else
    {
        // No usable tempo: hold the reported position and never ramp.
        block.increment = 0.0f;
        block.rampStart = 1.0f;
    }

    const float sixteenths = narrow(ppqPos) * 4.0f;
    block.position = sixteenths >= 0.0f && sixteenths < 16.0f ? sixteenths : wrapToPattern(sixteenths);

    float largest = 0.0f;
    for (int i = 0; i < kNumSteps; ++i)
    {
        block.snapshot[i] = stepGain(params[i].load());
        largest = std::max(largest, std::fabs(block.snapshot[i]));
    }
    // DECAY's ramp peaks at g * (1 - rampStart) + 1, below this bound, so the bound
    // only binds where a step is shorter than the ramp and the rules climb without end.
    block.bound = 1.0f + largest;
    return block;
}

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
    position = block.position;
    if (sampleFrames <= 0)
        return;

    const float* inL = inputs[0];
    const float* inR = inputs[1];
    float* outL = outputs[0];
    float* outR = outputs[1];
    const SharedFloat& mode = params[kModeParam];

    float pos = block.position;
    float env = envelope;
    for (VstInt32 i = 0; i < sampleFrames; ++i)
    {
        if (pos >= 16.0f)
        {
            pos -= 16.0f;
            if (pos >= 16.0f)  // more than a whole pattern per sample
                pos = wrapToPattern(pos);
        }
        const int idx = static_cast<int>(pos);
        const float g = block.snapshot[idx];
        const float diff = block.snapshot[(idx + 1) & 15] - g;
        const float frac = pos - static_cast<float>(idx);

        if (mode.load() < 0.5f)
            env = frac < block.rampStart ? g : env + diff * block.rampStep;
        else
            env = frac >= block.rampStart && g + diff > 0.5f ? env + block.rampStep : g * (1.0f - frac);
        env = std::min(std::max(env, -block.bound), block.bound);

        const float left = inL[i];
        const float right = inR[i];
        outL[i] = left * env;
        outR[i] = right * env;
        // Single-precision addition rounds exactly as the sum taken in double and narrowed.
        pos += block.increment;
    }
    position = pos;
    envelope = env;
}
