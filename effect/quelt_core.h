// What the effect core provides to every plug-in format: the gate processing a
// block at the host's transport, the 17 parameters and the bank of 16 programs,
// the MIDI controllers that switch steps, and the panel's side of the edits it
// makes. A format's adapter translates its host's calls into these and nothing
// else; the core knows no plug-in format.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "effect/denormal_guard.h"
#include "effect/gate_engine.h"
#include "effect/playhead.h"
#include "effect/quelt_program.h"
#include "effect/transport.h"

// Told of every parameter set, whatever its source (host, program, MIDI, panel).
class ParameterListener
{
public:
    virtual void parameterChanged(int32_t index, float value) = 0;

protected:
    ~ParameterListener() = default;
};

// What the panel needs of whatever controls it: a value to show, and the
// user's edits, each a value set between the begin and the end of an edit.
class PanelController
{
public:
    virtual float getParameter(int32_t index) = 0;
    // The playing step as the audio side last reported it (see playhead.h).
    virtual uint32_t playhead() = 0;
    virtual void beginEdit(int32_t index) = 0;
    virtual void setParameterAutomated(int32_t index, float value) = 0;
    virtual void endEdit(int32_t index) = 0;

protected:
    ~PanelController() = default;
};

class QueltCore
{
public:
    static constexpr int kFirstStepController = 45;  // 45-60: steps 1-16
    static constexpr int kModeController = 61;
    static constexpr const char* kVendor = "Ombrelux";

    QueltCore();

    // Engine. suspend starts the envelope and the pattern afresh, as after the
    // host stopped processing; rates that are not finite or below 1 Hz are refused.
    void suspend();
    bool setSampleRate(float rate) { return engine.setSampleRate(rate); }
    void process(const Transport& transport, float** inputs, float** outputs, int32_t frames);
    const GateEngine& getEngine() const { return engine; }
    // The step the engine played at the start of the latest block while the
    // song moved, with the count of blocks; none after a suspend. Any thread.
    uint32_t playhead() const { return playheadReport.load(std::memory_order_relaxed); }

    // Parameters 0-15 are the steps, 16 and every index above it the mode. A
    // value lands in the live values and the current program, unclamped.
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index) const;
    // "Gate 1" to "Gate 16" and "Mode"; null beyond 16.
    static bool parameterName(int32_t index, char* text, size_t size);
    // "OPEN"/"CLOSED" for a step, "HOLD"/"DECAY" for the mode; 0.5 is open and DECAY.
    const char* parameterDisplay(int32_t index) const { return displayOf(index, getParameter(index)); }
    // The same text for a value the parameter could have.
    static const char* displayOf(int32_t index, float value);

    // Programs: selecting one applies its values.
    int32_t getProgram() const { return current.load(std::memory_order_relaxed); }
    bool setProgram(int32_t program);
    const char* programName(int32_t program) const;
    void setProgramName(const char* name);  // of the current program, cut to 23 characters
    bool copyProgram(int32_t destination);  // the current program onto another
    const QueltProgram& program(int32_t program) const { return programs[program]; }

    // MIDI control change: controllers 45 to 60 switch steps 1 to 16, 61 the
    // mode; a data value of 64 or more is 1.
    void controlChange(int controller, int value);

    // Set once, before the host can reach the effect.
    void setListener(ParameterListener* listener) { this->listener = listener; }

private:
    static int32_t slot(int32_t index) { return index >= kModeParam ? kModeParam : index; }
    void applyProgram(int32_t program);

    std::unique_ptr<QueltProgram[]> programs;
    std::atomic<int32_t> current{0};  // switched by the host while MIDI may set parameters
    SharedFloat params[kNumParams];
    std::atomic<uint32_t> stepsVersion{0};  // raised after every write of a step value
    GateEngine engine;
    MxcsrValues mxcsr;  // audio thread only
    ParameterListener* listener = nullptr;
    std::atomic<uint32_t> playheadReport{0};
};
