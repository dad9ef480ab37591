#include "host/quelt.h"

#include <cstdio>
#include <cstring>

#include "host/editor_link.h"
#include "host/vst_text.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    // Nothing may escape into the host: an effect that cannot be built is no effect.
    try
    {
        return new Quelt(audioMaster);
    }
    catch (...)
    {
        return nullptr;
    }
}

Quelt::Quelt(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams)
{
    curProgram.store(core.getProgram(), std::memory_order_relaxed);
    canProcessReplacing();
    noTail();
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('O', 'm', 'b', 'q'));
    attachEditor(this);
    core.setListener(this);
}

Quelt::~Quelt() { core.setListener(nullptr); }

void Quelt::suspend() { core.suspend(); }

void Quelt::resume()
{
    char midiEvents[] = "receiveVstMidiEvent";
    if ((cEffect.flags & effFlagsIsSynth) || canDo(midiEvents) == 1)
        wantEvents(1);
}

void Quelt::setSampleRate(float rate)
{
    if (core.setSampleRate(rate))
        AudioEffectX::setSampleRate(rate);
}

void Quelt::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    // The host's time information as it stands, whatever its flags say; none: no position.
    const VstTimeInfo* time = getTimeInfo(kVstPpqPosValid | kVstTempoValid);
    Transport transport = time ? Transport::at(time->ppqPos, time->tempo) : Transport{};
    transport.playing = time && (time->flags & kVstTransportPlaying);
    core.process(transport, inputs, outputs, sampleFrames);
}

void Quelt::setParameter(VstInt32 index, float value) { core.setParameter(index, value); }

void Quelt::parameterChanged(int32_t index, float value) { editorParameterChanged(editor, index, value); }

float Quelt::getParameter(VstInt32 index) { return core.getParameter(index); }

void Quelt::setProgram(VstInt32 program)
{
    if (static_cast<uint32_t>(program) >= static_cast<uint32_t>(kNumPrograms))
        return;
    curProgram.store(program, std::memory_order_relaxed);
    core.setProgram(program);
}

void Quelt::setProgramName(char* name) { core.setProgramName(name); }

void Quelt::getProgramName(char* name) { vsttext::copy(name, core.programName(core.getProgram()), kVstMaxProgNameLen); }

void Quelt::getParameterLabel(VstInt32, char* label) { vsttext::copy(label, " ", kVstMaxParamStrLen); }

void Quelt::getParameterDisplay(VstInt32 index, char* text)
{
    vsttext::copy(text, core.parameterDisplay(index), kVstMaxParamStrLen);
}

void Quelt::getParameterName(VstInt32 index, char* text)
{
    char name[kVstMaxParamStrLen];
    if (text && QueltCore::parameterName(index, name, sizeof name))
        vsttext::copy(text, name, kVstMaxParamStrLen);
}

bool Quelt::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    const char* name = core.programName(index);
    if (!text || !name)
        return false;
    // Programs the host reset to "Default" are told apart by their number.
    if (std::strcmp(name, "Default") == 0)
        std::snprintf(text, kVstMaxProgNameLen, "Default %d", static_cast<int>(index) + 1);
    else
        vsttext::copy(text, name, kVstMaxProgNameLen);
    return true;
}

bool Quelt::copyProgram(VstInt32 destination) { return core.copyProgram(destination); }
