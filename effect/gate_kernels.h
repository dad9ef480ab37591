// The gate's inner loops over stretches of a step where the envelope needs no
// memory: HOLD multiplies by the step's value, DECAY by g × (1 − frac) with
// frac formed from the sample's own position. Each sample is computed exactly
// as the per-sample rules compute it, so the results are the same to the bit.
#pragma once

#include <cstdint>

#include "effect/shared_float.h"

// The mode is read at the start of every this many frames of a block.
constexpr int32_t kGateModeInterval = 64;

// The mode as a kernel sees it.
struct ModeWatch
{
    const SharedFloat* mode;
    bool hold;
    bool changed() const { return (mode->load() < 0.5f) != hold; }
};

struct GateChannels
{
    const float* inL;
    const float* inR;
    float* outL;
    float* outR;
};

// One implementation of the loops, chosen once from the processor's features.
struct GateKernels
{
    // Both channels of frames [from, to) times gain. At each multiple of
    // kGateModeInterval inside the range the mode is read again; where it is no longer what the
    // watch holds the loop stops, and the answer is where it stopped (or to).
    int32_t (*hold)(const GateChannels& io, int32_t from, int32_t to, float gain, const ModeWatch& watch);
    // The same with the gain g × (1 − float(base + j × increment − step)) for
    // frame j; last gets the gain of the last frame done.
    int32_t (*decay)(const GateChannels& io, int32_t from, int32_t to, double base, double increment, double step,
                     float g, const ModeWatch& watch, float& last);
    const char* name;
};

// SSE2, which every x86 processor the plug-in runs on has.
const GateKernels& sse2Kernels();
// AVX, or null where the processor or the build lacks it.
const GateKernels* avxKernels();
// The widest that this processor runs.
const GateKernels& bestKernels();
