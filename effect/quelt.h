// Quelt: a tempo-synced 16-step gate. Parameters 0-15 are the step gates,
// 16 (and every index above) the mode, HOLD below 0.5, DECAY from 0.5 up.
#pragma once

#include <memory>

#include "effect/denormal_guard.h"
#include "effect/gate_engine.h"
#include "effect/quelt_program.h"
#include "host/audio_effect_x.h"

class Quelt : public AudioEffectX
{
public:
    explicit Quelt(audioMasterCallback audioMaster);
    ~Quelt() override;

    // Engine
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

    // Parameters and programs
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // Identity, capabilities and MIDI
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;

    bool copyProgram(VstInt32 destination) override;

    const GateEngine& getEngine() const { return engine; }

private:
    static int paramSlot(VstInt32 index) { return index >= kModeParam ? kModeParam : index; }
    void applyProgram(VstInt32 program);

    std::unique_ptr<QueltProgram[]> programs;
    SharedFloat params[kNumParams];
    std::atomic<uint32_t> stepsVersion{0};  // raised after every write of a step value
    GateEngine engine;
    MxcsrValues mxcsr;  // audio thread only
};
