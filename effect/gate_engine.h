// The step gate: one gain envelope, locked to the host's song position and
// tempo, that follows 16 steps of a sixteenth note each.
#pragma once

#include "effect/quelt_program.h"
#include "host/vst_interface.h"

// Values that hold for one processing block.
struct GateBlock
{
    float position;   // sixteenths into the pattern, 0 <= position < 16
    float increment;  // sixteenths per sample
    float rampStep;   // gain change per sample of a full 2 ms swing
    float rampStart;  // fraction of a step where its final 2 ms begin
    float bound;      // the envelope never leaves [-bound, bound]
    float snapshot[kNumSteps];
};

class GateEngine
{
public:
    static constexpr float kDefaultRate = 44100.0f;
    static constexpr float kMaxStepGain = 1000.0f;

    // Silence and the pattern start, as after the host stops processing.
    void reset();

    // Rates that are not finite or below 1 Hz are refused; the last good rate stays.
    bool setSampleRate(float rate);
    float getEngineRate() const { return engineRate; }

    // Multiplies both channels by the envelope. Without time information the
    // host gives no position to lock to, so the audio passes through unchanged.
    void process(const VstTimeInfo* time, const SharedFloat* params, float** inputs, float** outputs,
                 VstInt32 sampleFrames);

    GateBlock prepareBlock(double tempo, double ppqPos, const SharedFloat* params) const;

    float getPosition() const { return position; }
    float getEnvelope() const { return envelope; }

private:
    float position = 0.0f;
    float envelope = 0.0f;
    float engineRate = kDefaultRate;
};

// Brings any finite position (in sixteenths) into [0, 16); non-finite gives 0.
float wrapToPattern(double sixteenths);
