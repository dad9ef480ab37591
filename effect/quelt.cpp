#include "effect/quelt.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "effect/denormal_guard.h"
#include "effect/editor_link.h"
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

Quelt::Quelt(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams), programs(new QueltProgram[kNumPrograms])
{
    for (int i = 0; i < kNumPrograms; ++i)
        std::snprintf(programs[i].name, sizeof programs[i].name, "Program %02d", i + 1);
    curProgram.store(0, std::memory_order_relaxed);
    applyProgram(0);

    canProcessReplacing();
    noTail();
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('O', 'm', 'b', 'q'));

    engine.reset();
    engine.watchSteps(&stepsVersion);

    attachEditor(this);

    engine.setSampleRate(GateEngine::kDefaultRate);
}

Quelt::~Quelt()
{
    programs.reset();
}

void Quelt::suspend() { engine.reset(); }

void Quelt::resume()
{
    char midiEvents[] = "receiveVstMidiEvent";
    if ((cEffect.flags & effFlagsIsSynth) || canDo(midiEvents) == 1)
        wantEvents(1);
}

void Quelt::setSampleRate(float rate)
{
    if (engine.setSampleRate(rate))
        AudioEffectX::setSampleRate(rate);
}

void Quelt::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const DenormalGuard noSubnormals(mxcsr);
    engine.process(getTimeInfo(kVstPpqPosValid | kVstTempoValid), params, inputs, outputs, sampleFrames);
}

void Quelt::setParameter(VstInt32 index, float value)
{
    if (index < 0)
        return;
    const int slot = paramSlot(index);
    programs[getProgram()].params[slot].store(value);
    params[slot].store(value);
    if (slot < kNumSteps)
        stepsVersion.fetch_add(1, std::memory_order_release);
    editorParameterChanged(editor, index, value);
}

float Quelt::getParameter(VstInt32 index)
{
    return index < 0 ? 0.0f : params[paramSlot(index)].load();
}

void Quelt::setProgram(VstInt32 program)
{
    if (static_cast<uint32_t>(program) >= static_cast<uint32_t>(kNumPrograms))
        return;
    curProgram.store(program, std::memory_order_relaxed);
    applyProgram(program);
}

void Quelt::applyProgram(VstInt32 program)
{
    const QueltProgram& source = programs[program];
    for (int i = 0; i < kNumSteps; ++i)
        setParameter(i, source.params[i].load());
    setParameter(kModeParam, source.params[kModeParam].load());
}

void Quelt::setProgramName(char* name)
{
    if (name)
        vsttext::copy(programs[getProgram()].name, name, kProgramNameSize);
}

void Quelt::getProgramName(char* name) { vsttext::copy(name, programs[getProgram()].name, kVstMaxProgNameLen); }

void Quelt::getParameterLabel(VstInt32, char* label) { vsttext::copy(label, " ", kVstMaxParamStrLen); }

void Quelt::getParameterDisplay(VstInt32 index, char* text)
{
    const char* display = "";
    if (index >= kModeParam)
        display = params[kModeParam].load() < 0.5f ? "HOLD" : "DECAY";
    else if (index >= 0)
        display = params[index].load() < 0.5f ? "CLOSED" : "OPEN";
    vsttext::copy(text, display, kVstMaxParamStrLen);
}

void Quelt::getParameterName(VstInt32 index, char* text)
{
    if (!text || static_cast<uint32_t>(index) > static_cast<uint32_t>(kModeParam))
        return;
    char name[kVstMaxParamStrLen];
    if (index == kModeParam)
        vsttext::copy(name, "Mode", sizeof name);
    else
        std::snprintf(name, sizeof name, "Gate %d", static_cast<int>(index) + 1);
    vsttext::copy(text, name, kVstMaxParamStrLen);
}

bool Quelt::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (!text || static_cast<uint32_t>(index) >= static_cast<uint32_t>(kNumPrograms))
        return false;
    const char* name = programs[index].name;
    // Programs the host reset to "Default" are told apart by their number.
    if (std::strcmp(name, "Default") == 0)
        std::snprintf(text, kVstMaxProgNameLen, "Default %d", static_cast<int>(index) + 1);
    else
        vsttext::copy(text, name, kVstMaxProgNameLen);
    return true;
}

bool Quelt::copyProgram(VstInt32 destination)
{
    const VstInt32 current = getProgram();
    if (destination < 0 || destination >= kNumPrograms || destination == current)
        return false;
    programs[destination] = programs[current];
    return true;
}
