// The step gate: one gain envelope, locked to the host's song position and
// tempo, that follows 16 steps of a sixteenth note each.
#pragma once

#include <atomic>
#include <cstdint>

#include "effect/gate_kernels.h"
#include "effect/quelt_program.h"
#include "effect/transport.h"

// Values that hold for one processing block.
struct GateBlock
{
    // Sixteenths into the pattern, 0 <= start < 16, and sixteenths per sample.
    // Both stay in double: a float position loses whole samples late in a song.
    double start;
    double increment;
    double inverseIncrement;  // for first guesses only
    float rampStep;   // gain change per sample of a full 2 ms swing
    float rampStart;  // fraction of a step where its final 2 ms begin
    float bound;      // the envelope never leaves [-bound, bound]
    float snapshot[kNumSteps];
    // DECAY's rise before an open step stops here: the next step's value plus
    // what is left of the fall at rampStart.
    float decayPeak[kNumSteps];
};

// Told how process cut each block, for tests that check the cuts against the
// per-sample rules: frames [from, to) lie in step `step`, before its final 2 ms
// (flat) or inside them.
class GateTrace
{
public:
    virtual void segment(int32_t from, int32_t to, int step, bool flat) = 0;

protected:
    ~GateTrace() = default;
};

class GateEngine
{
public:
    GateEngine();

    static constexpr float kDefaultRate = 44100.0f;
    static constexpr float kMaxStepGain = 1000.0f;

    // Silence and the pattern start, as after the host stops processing.
    void reset();

    // Rates that are not finite or below 1 Hz are refused; the last good rate stays.
    bool setSampleRate(float rate);
    float getEngineRate() const { return engineRate; }

    // Multiplies both channels by the envelope. Without a song position there
    // is nothing to lock to, so the audio passes through unchanged; without a
    // tempo the pattern stands still at the position. The mode is read at the
    // start of every 64 frames of the block.
    void process(const Transport& transport, const SharedFloat* params, float** inputs, float** outputs,
                 int32_t sampleFrames);

    GateBlock prepareBlock(double tempo, double ppqPos, const SharedFloat* params) const;

    // The loops process uses (the widest this processor runs unless told otherwise).
    void setKernels(const GateKernels& kernels) { this->kernels = &kernels; }
    void setTrace(GateTrace* trace) { this->trace = trace; }
    // A count that every write of a step value raises after the write (with
    // release ordering); while it stands still the steps are not read again.
    // Without it every block compares all sixteen.
    void watchSteps(const std::atomic<uint32_t>* version) { stepsVersion = version; }
    static constexpr int32_t kModeInterval = kGateModeInterval;

    // Position of the next sample, in sixteenths.
    float getPosition() const { return position; }
    float getEnvelope() const { return envelope; }

private:
    // The block's values, recomputed only where the tempo, rate or steps changed.
    const GateBlock& updateBlock(double tempo, double ppqPos, const SharedFloat* params);

    float position = 0.0f;
    float envelope = 0.0f;
    float engineRate = kDefaultRate;
    const GateKernels* kernels;
    GateTrace* trace = nullptr;

    GateBlock cached{};
    float cachedTempo = 0.0f;
    float cachedRate = 0.0f;
    float cachedSteps[kNumSteps] = {};
    bool cacheValid = false;
    const std::atomic<uint32_t>* stepsVersion = nullptr;
    uint32_t cachedVersion = 0;
};

// Brings any finite position (in sixteenths) into [0, 16); non-finite gives 0.
double wrapToPattern(double sixteenths);
