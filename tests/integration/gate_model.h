// Reference model of the step gate engine, written sample by sample and kept deliberately plain,
// plus a runner that drives the real plug-in and the model with the same blocks and compares
// every output sample bit for bit.
#pragma once

#include "support/test_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quelt_model {

constexpr int kSteps = 16;
constexpr int kModeIndex = 16;
constexpr int kNumParams = 17;

// Per-block values derived from tempo and rate.
struct BlockConstants
{
    bool tempoUsable;  // false: tempo not finite or not above zero, so no advance and no ramps
    float tempo;       // T
    double increment;  // sixteenths per sample
    float rampStep;    // gain change per sample in the final 2 ms
    float stepMs;
    float rampStart;   // fraction of a step where the ramp begins
};

BlockConstants blockConstants(double tempo, float engineRate);
// Song position in quarter notes -> step position in [0, 16).
double blockStartPosition(double ppqPos);

class GateModel
{
public:
    GateModel();  // a fresh effect: factory pattern, HOLD, 44100 Hz, position and envelope 0

    void setParameter(int index, float value);
    float parameter(int index) const;
    void setSampleRate(float rate);
    float engineRate() const { return engineRate_; }
    void suspend();
    // MIDI as the effect takes it: control changes 45-61 set parameters 0-16 to 0 or 1.
    void receive(const quelt_test::MidiMessage& message);

    // One processReplacing call; `time` null is a host without time information.
    // Outputs may alias inputs.
    void process(const VstTimeInfo* time, const float* inL, const float* inR, float* outL, float* outR, int frames);

    float envelope() const { return envelope_; }
    float position() const { return position_; }
    const BlockConstants& lastConstants() const { return constants_; }
    float lastBound() const { return bound_; }
    // Start position of every sample of the last block, when tracing is on.
    void setTracing(bool on) { tracing_ = on; }
    const std::vector<double>& trace() const { return trace_; }

private:
    float params_[kNumParams];
    float position_ = 0.0f;
    float envelope_ = 0.0f;
    float engineRate_ = 44100.0f;

    BlockConstants constants_{};
    float snapshot_[kSteps] = {};
    float bound_ = 1.0f;
    bool tracing_ = false;
    std::vector<double> trace_;
};

// Drives one plug-in instance and one model with identical calls.
class Lockstep
{
public:
    Lockstep(quelt_test::TestHost& host, GateModel& model, uint32_t seed = 1);

    void setParameter(int index, float value);
    void setPattern(const float (&steps)[kSteps], float mode);
    void setSampleRate(float rate);
    void suspend();
    void resume();
    void sendMidi(const std::vector<quelt_test::MidiMessage>& messages);
    void setTime(double ppqPos, double tempo);
    void setTimeAvailable(bool available);

    // Left input: constant 1 (the output is the gain itself). Right input: noise in [-1, 1].
    // Runs one block through both and compares each output sample exactly.
    ::testing::AssertionResult block(int frames, bool inPlace = false);

    // Gains of the last block as the plug-in produced them (left channel).
    const std::vector<float>& lastGains() const { return gains_; }
    int blocksRun() const { return blocks_; }

private:
    quelt_test::TestHost& host_;
    GateModel& model_;
    bool timeAvailable_ = true;
    uint32_t noise_;
    int blocks_ = 0;
    std::vector<float> inL_, inR_, outL_, outR_, gains_;
};

// Readable form of a float with its bit pattern, for failure messages.
std::string describe(float value);
std::string describe(double value);

}  // namespace quelt_model
