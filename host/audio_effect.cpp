#include "host/audio_effect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/aeff_editor.h"
#include "host/vst_text.h"

namespace
{
AudioEffect* effectOf(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

VstIntPtr VSTCALLBACK dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt)
{
    AudioEffect* effect = effectOf(e);
    if (!effect)
        return 0;
    VstIntPtr result = effect->dispatcher(opcode, index, value, ptr, opt);
    if (opcode == effClose)
    {
        delete effect;
        return 1;
    }
    return result;
}

void VSTCALLBACK processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (AudioEffect* effect = effectOf(e))
        effect->process(inputs, outputs, sampleFrames);
}

void VSTCALLBACK processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (AudioEffect* effect = effectOf(e))
        effect->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs, VstInt32 sampleFrames)
{
    if (AudioEffect* effect = effectOf(e))
        effect->processDoubleReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK setParameterEntry(AEffect* e, VstInt32 index, float value)
{
    if (AudioEffect* effect = effectOf(e))
        effect->setParameter(index, value);
}

float VSTCALLBACK getParameterEntry(AEffect* e, VstInt32 index)
{
    AudioEffect* effect = effectOf(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

// Writes a formatted number, or "Huge!" when it does not fit in maxLen bytes.
void writeNumber(char* text, VstInt32 maxLen, const char* format, double value)
{
    if (!text || maxLen <= 0)
        return;
    char buffer[64];
    int length = std::isfinite(value) && std::fabs(value) < 1e15 ? std::snprintf(buffer, sizeof buffer, format, value)
                                                                  : -1;
    if (length < 0 || length >= maxLen)
        vsttext::copy(text, "Huge!", static_cast<std::size_t>(maxLen));
    else
        vsttext::copy(text, buffer, static_cast<std::size_t>(maxLen));
}
}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0)
{
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.magic = kEffectMagic;
    cEffect.numInputs = 1;
    cEffect.version = 1;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleReplacingEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numOutputs = 2;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
}

AudioEffect::~AudioEffect() { delete editor; }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    VstIntPtr result = 0;
    switch (static_cast<uint32_t>(opcode))
    {
    case effOpen: open(); break;
    case effClose: close(); break;
    case effSetProgram:
        // Values that do not fit a program number cannot name one.
        if (value < numPrograms && value >= INT32_MIN)
            setProgram(static_cast<VstInt32>(value));
        break;
    case effGetProgram: result = getProgram(); break;
    case effSetProgramName: setProgramName(static_cast<char*>(ptr)); break;
    case effGetProgramName: getProgramName(static_cast<char*>(ptr)); break;
    case effGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); break;
    case effGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); break;
    case effGetParamName: getParameterName(index, static_cast<char*>(ptr)); break;
    case effSetSampleRate: setSampleRate(opt); break;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); break;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        break;
    case effEditGetRect:
        if (editor)
            result = editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        break;
    case effEditOpen:
        if (editor)
            result = editor->open(ptr) ? 1 : 0;
        break;
    case effEditClose:
        if (editor)
            editor->close();
        break;
    case effEditIdle:
        if (editor)
            editor->idle();
        break;
    case effIdentify: result = fourCharCode('N', 'v', 'E', 'f'); break;
    case effGetChunk: result = getChunk(static_cast<void**>(ptr), index != 0); break;
    case effSetChunk: result = setChunk(ptr, static_cast<VstInt32>(value), index != 0); break;
    default: break;
    }
    return result;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    if (hasHost())
        callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::getProgramName(char* name)
{
    if (name)
        *name = '\0';
}

void AudioEffect::getParameterLabel(VstInt32, char* label)
{
    if (label)
        *label = '\0';
}

void AudioEffect::getParameterDisplay(VstInt32, char* text)
{
    if (text)
        *text = '\0';
}

void AudioEffect::getParameterName(VstInt32, char* text)
{
    if (text)
        *text = '\0';
}

VstInt32 AudioEffect::getMasterVersion()
{
    VstInt32 version = 1;
    if (hasHost())
    {
        version = static_cast<VstInt32>(callHost(audioMasterVersion));
        if (version == 0)
            version = 1;
    }
    return version;
}

VstInt32 AudioEffect::getCurrentUniqueId() { return static_cast<VstInt32>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(VstInt32 input)
{
    return hasHost() ? callHost(audioMasterPinConnected, input, 0) == 0 : true;
}

bool AudioEffect::isOutputConnected(VstInt32 output)
{
    return hasHost() ? callHost(audioMasterPinConnected, output, 1) == 0 : true;
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen)
{
    if (!(value > 0.0f))
        vsttext::copy(text, "-oo", maxLen > 0 ? static_cast<std::size_t>(maxLen) : 0);
    else
        writeNumber(text, maxLen, "%.2f", 20.0 * std::log10(static_cast<double>(value)));
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen)
{
    // A period of zero samples has no finite frequency.
    double hz = samples != 0.0f ? static_cast<double>(sampleRate) / samples : HUGE_VAL;
    writeNumber(text, maxLen, "%.2f", hz);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen)
{
    double ms = sampleRate > 0.0f ? samples * 1000.0 / sampleRate : HUGE_VAL;
    writeNumber(text, maxLen, "%.2f", ms);
}

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen)
{
    writeNumber(text, maxLen, "%.2f", value);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen)
{
    writeNumber(text, maxLen, "%.0f", value);
}

void AudioEffect::setFlag(VstInt32 flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}
