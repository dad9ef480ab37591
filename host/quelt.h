// Quelt as a VST 2.4 effect: the effect core behind the AudioEffectX interface.
// Parameters 0-15 are the step gates, 16 (and every index above) the mode,
// HOLD below 0.5, DECAY from 0.5 up.
#pragma once

#include "effect/quelt_core.h"
#include "host/audio_effect_x.h"

class Quelt : public AudioEffectX, private ParameterListener
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

    const GateEngine& getEngine() const { return core.getEngine(); }
    // The playing step for the panel (see effect/playhead.h).
    uint32_t getPlayhead() const { return core.playhead(); }

private:
    // Every parameter set reaches the panel, whatever its source.
    void parameterChanged(int32_t index, float value) override;

    QueltCore core;
};
