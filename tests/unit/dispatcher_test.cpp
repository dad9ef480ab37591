// The two-level dispatcher: which operation each opcode reaches, with which
// arguments, and what reaches the host as the answer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "host/aeff_editor.h"
#include "host/audio_effect_x.h"

namespace
{
struct PlainEffect : AudioEffectX
{
    PlainEffect() : AudioEffectX(nullptr, 16, 17) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// Records the last operation the dispatcher called and its arguments.
struct Probe : PlainEffect
{
    std::string last;
    VstIntPtr a = 0, b = 0;
    const void* p = nullptr;
    const void* q = nullptr;
    float f = 0;

    void note(const char* name, VstIntPtr x = 0, VstIntPtr y = 0, const void* ptr = nullptr, float opt = 0,
              const void* ptr2 = nullptr)
    {
        last = name;
        a = x;
        b = y;
        p = ptr;
        f = opt;
        q = ptr2;
    }

    void suspend() override { note("suspend"); }
    void resume() override { note("resume"); }
    void setProgram(VstInt32 program) override { note("setProgram", program); }
    void setProgramName(char* name) override { note("setProgramName", 0, 0, name); }
    void getProgramName(char* name) override { note("getProgramName", 0, 0, name); }
    void getParameterLabel(VstInt32 i, char* t) override { note("getParameterLabel", i, 0, t); }
    void getParameterDisplay(VstInt32 i, char* t) override { note("getParameterDisplay", i, 0, t); }
    void getParameterName(VstInt32 i, char* t) override { note("getParameterName", i, 0, t); }
    void setSampleRate(float rate) override { note("setSampleRate", 0, 0, nullptr, rate); }
    void setBlockSize(VstInt32 size) override { note("setBlockSize", size); }
    VstInt32 getChunk(void** data, bool preset) override { note("getChunk", preset, 0, data); return 99; }
    VstInt32 setChunk(void* data, VstInt32 size, bool preset) override { note("setChunk", size, preset, data); return 7; }
    VstInt32 processEvents(VstEvents* e) override { note("processEvents", 0, 0, e); return 1; }
    bool canParameterBeAutomated(VstInt32 i) override { note("canParameterBeAutomated", i); return i != 3; }
    bool string2parameter(VstInt32 i, char* t) override { note("string2parameter", i, 0, t); return true; }
    bool getProgramNameIndexed(VstInt32 c, VstInt32 i, char* t) override { note("getProgramNameIndexed", c, i, t); return true; }
    bool getInputProperties(VstInt32 i, VstPinProperties* pp) override { note("getInputProperties", i, 0, pp); return true; }
    bool getOutputProperties(VstInt32 i, VstPinProperties* pp) override { note("getOutputProperties", i, 0, pp); return true; }
    bool offlineNotify(VstAudioFile* file, VstInt32 n, bool start) override { note("offlineNotify", n, start, file); return true; }
    bool offlinePrepare(VstOfflineTask* t, VstInt32 n) override { note("offlinePrepare", n, 0, t); return true; }
    bool offlineRun(VstOfflineTask* t, VstInt32 n) override { note("offlineRun", n, 0, t); return true; }
    bool processVariableIo(VstVariableIo* io) override { note("processVariableIo", 0, 0, io); return true; }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override { note("setSpeakerArrangement", 0, 0, in, 0, out); return true; }
    bool setBypass(bool on) override { note("setBypass", on); return true; }
    bool getEffectName(char* t) override { note("getEffectName", 0, 0, t); return true; }
    bool getVendorString(char* t) override { note("getVendorString", 0, 0, t); return true; }
    bool getProductString(char* t) override { note("getProductString", 0, 0, t); return true; }
    VstInt32 getVendorVersion() override { note("getVendorVersion"); return 4321; }
    VstIntPtr vendorSpecific(VstInt32 i, VstIntPtr v, void* ptr, float o) override { note("vendorSpecific", i, v, ptr, o); return 55; }
    VstInt32 canDo(char* t) override { note("canDo", 0, 0, t); return -1; }
    VstInt32 getGetTailSize() override { note("getGetTailSize"); return 128; }
    bool getParameterProperties(VstInt32 i, VstParameterProperties* pp) override { note("getParameterProperties", i, 0, pp); return true; }
    VstInt32 getMidiProgramName(VstInt32 ch, MidiProgramName* m) override { note("getMidiProgramName", ch, 0, m); return 5; }
    VstInt32 getCurrentMidiProgram(VstInt32 ch, MidiProgramName* m) override { note("getCurrentMidiProgram", ch, 0, m); return 6; }
    VstInt32 getMidiProgramCategory(VstInt32 ch, MidiProgramCategory* m) override { note("getMidiProgramCategory", ch, 0, m); return 7; }
    bool hasMidiProgramsChanged(VstInt32 ch) override { note("hasMidiProgramsChanged", ch); return true; }
    bool getMidiKeyName(VstInt32 ch, MidiKeyName* k) override { note("getMidiKeyName", ch, 0, k); return true; }
    bool beginSetProgram() override { note("beginSetProgram"); return true; }
    bool endSetProgram() override { note("endSetProgram"); return true; }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override { note("getSpeakerArrangement", 0, 0, in, 0, out); return true; }
    VstInt32 shellGetNextPlugin(char* t) override { note("shellGetNextPlugin", 0, 0, t); return 8; }
    VstInt32 startProcess() override { note("startProcess"); return 9; }
    VstInt32 stopProcess() override { note("stopProcess"); return 10; }
    VstInt32 setTotalSampleToProcess(VstInt32 v) override { note("setTotalSampleToProcess", v); return v + 1; }
    bool setPanLaw(VstInt32 type, float gain) override { note("setPanLaw", type, 0, nullptr, gain); return true; }
    VstInt32 beginLoadBank(VstPatchChunkInfo* c) override { note("beginLoadBank", 0, 0, c); return 11; }
    VstInt32 beginLoadProgram(VstPatchChunkInfo* c) override { note("beginLoadProgram", 0, 0, c); return 12; }
    bool setProcessPrecision(VstInt32 precision) override { note("setProcessPrecision", precision); return true; }
    VstInt32 getNumMidiInputChannels() override { note("getNumMidiInputChannels"); return 16; }
    VstInt32 getNumMidiOutputChannels() override { note("getNumMidiOutputChannels"); return 15; }
    VstInt32 getVstVersion() override { note("getVstVersion"); return 2400; }
    VstPlugCategory getPlugCategory() override { note("getPlugCategory"); return kPlugCategAnalysis; }
    void open() override { note("open"); }
    void close() override { note("close"); }
};

struct RoutingCase
{
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
    const char* operation;
    VstIntPtr a, b;        // the operation's first two integer arguments as seen
    bool ptrPassed;        // ptr arrives as the operation's pointer argument
    VstIntPtr answer;
};

char buffer[256];

TEST(Dispatcher, EachOpcodeReachesItsOperationWithItsArguments)
{
    const RoutingCase cases[] = {
        {effOpen, 0, 0, 0, "open", 0, 0, false, 0},
        {effClose, 0, 0, 0, "close", 0, 0, false, 0},
        {effSetProgram, 0, 15, 0, "setProgram", 15, 0, false, 0},
        {effSetProgram, 0, -2, 0, "setProgram", -2, 0, false, 0},
        {effSetProgramName, 0, 0, 0, "setProgramName", 0, 0, true, 0},
        {effGetProgramName, 0, 0, 0, "getProgramName", 0, 0, true, 0},
        {effGetParamLabel, 4, 0, 0, "getParameterLabel", 4, 0, true, 0},
        {effGetParamDisplay, 5, 0, 0, "getParameterDisplay", 5, 0, true, 0},
        {effGetParamName, 6, 0, 0, "getParameterName", 6, 0, true, 0},
        {effSetSampleRate, 0, 0, 48000.0f, "setSampleRate", 0, 0, false, 0},
        {effSetBlockSize, 0, 256, 0, "setBlockSize", 256, 0, false, 0},
        {effMainsChanged, 0, 0, 0, "suspend", 0, 0, false, 0},
        {effMainsChanged, 0, 1, 0, "resume", 0, 0, false, 0},
        {effMainsChanged, 0, -7, 0, "resume", 0, 0, false, 0},
        {effGetChunk, 1, 0, 0, "getChunk", 1, 0, true, 99},
        {effGetChunk, 0, 0, 0, "getChunk", 0, 0, true, 99},
        {effSetChunk, 2, 300, 0, "setChunk", 300, 1, true, 7},
        {effProcessEvents, 0, 0, 0, "processEvents", 0, 0, true, 1},
        {effCanBeAutomated, 3, 0, 0, "canParameterBeAutomated", 3, 0, false, 0},
        {effCanBeAutomated, 99, 0, 0, "canParameterBeAutomated", 99, 0, false, 1},
        {effString2Parameter, 2, 0, 0, "string2parameter", 2, 0, true, 1},
        {effGetProgramNameIndexed, 9, 4, 0, "getProgramNameIndexed", 4, 9, true, 1},
        {effGetInputProperties, 1, 0, 0, "getInputProperties", 1, 0, true, 1},
        {effGetOutputProperties, 1, 0, 0, "getOutputProperties", 1, 0, true, 1},
        {effGetPlugCategory, 0, 0, 0, "getPlugCategory", 0, 0, false, kPlugCategAnalysis},
        {effOfflineNotify, 1, 3, 0, "offlineNotify", 3, 1, true, 1},
        {effOfflinePrepare, 0, 4, 0, "offlinePrepare", 4, 0, true, 1},
        {effOfflineRun, 0, 5, 0, "offlineRun", 5, 0, true, 1},
        {effProcessVarIo, 0, 0, 0, "processVariableIo", 0, 0, true, 1},
        {effSetBypass, 0, 1, 0, "setBypass", 1, 0, false, 1},
        {effGetEffectName, 0, 0, 0, "getEffectName", 0, 0, true, 1},
        {effGetVendorString, 0, 0, 0, "getVendorString", 0, 0, true, 1},
        {effGetProductString, 0, 0, 0, "getProductString", 0, 0, true, 1},
        {effGetVendorVersion, 0, 0, 0, "getVendorVersion", 0, 0, false, 4321},
        {effVendorSpecific, 7, 8, 0.5f, "vendorSpecific", 7, 8, true, 55},
        {effCanDo, 0, 0, 0, "canDo", 0, 0, true, -1},
        {effGetTailSize, 0, 0, 0, "getGetTailSize", 0, 0, false, 128},
        {effGetParameterProperties, 3, 0, 0, "getParameterProperties", 3, 0, true, 1},
        {effGetVstVersion, 0, 0, 0, "getVstVersion", 0, 0, false, 2400},
        {effGetMidiProgramName, 2, 0, 0, "getMidiProgramName", 2, 0, true, 5},
        {effGetCurrentMidiProgram, 2, 0, 0, "getCurrentMidiProgram", 2, 0, true, 6},
        {effGetMidiProgramCategory, 2, 0, 0, "getMidiProgramCategory", 2, 0, true, 7},
        {effHasMidiProgramsChanged, 2, 0, 0, "hasMidiProgramsChanged", 2, 0, false, 1},
        {effGetMidiKeyName, 2, 0, 0, "getMidiKeyName", 2, 0, true, 1},
        {effBeginSetProgram, 0, 0, 0, "beginSetProgram", 0, 0, false, 1},
        {effEndSetProgram, 0, 0, 0, "endSetProgram", 0, 0, false, 1},
        {effShellGetNextPlugin, 0, 0, 0, "shellGetNextPlugin", 0, 0, true, 8},
        {effStartProcess, 0, 0, 0, "startProcess", 0, 0, false, 9},
        {effStopProcess, 0, 0, 0, "stopProcess", 0, 0, false, 10},
        {effSetTotalSampleToProcess, 0, 512, 0, "setTotalSampleToProcess", 512, 0, false, 513},
        {effSetPanLaw, 0, 2, 0.7f, "setPanLaw", 2, 0, false, 1},
        {effBeginLoadBank, 0, 0, 0, "beginLoadBank", 0, 0, true, 11},
        {effBeginLoadProgram, 0, 0, 0, "beginLoadProgram", 0, 0, true, 12},
        {effSetProcessPrecision, 0, 1, 0, "setProcessPrecision", 1, 0, false, 1},
        {effGetNumMidiInputChannels, 0, 0, 0, "getNumMidiInputChannels", 0, 0, false, 16},
        {effGetNumMidiOutputChannels, 0, 0, 0, "getNumMidiOutputChannels", 0, 0, false, 15},
    };
    for (const RoutingCase& c : cases)
    {
        SCOPED_TRACE(std::string("opcode ") + std::to_string(c.opcode) + " -> " + c.operation);
        Probe probe;
        EXPECT_EQ(probe.dispatcher(c.opcode, c.index, c.value, buffer, c.opt), c.answer);
        EXPECT_EQ(probe.last, c.operation);
        EXPECT_EQ(probe.a, c.a);
        EXPECT_EQ(probe.b, c.b);
        if (c.ptrPassed)
        {
            EXPECT_EQ(probe.p, buffer);
        }
        EXPECT_EQ(probe.f, c.opt);
    }
}

TEST(Dispatcher, SpeakerArrangementArgumentsKeepTheirOrder)
{
    Probe probe;
    char in, out;
    probe.dispatcher(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out, 0);
    EXPECT_EQ(probe.last, "setSpeakerArrangement");
    EXPECT_EQ(probe.p, &in);
    EXPECT_EQ(probe.q, &out);
    probe.dispatcher(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out, 0);
    EXPECT_EQ(probe.last, "getSpeakerArrangement");
    EXPECT_EQ(probe.p, &in);
    EXPECT_EQ(probe.q, &out);
}

TEST(Dispatcher, SetProgramIgnoresValuesAtOrAboveTheProgramCount)
{
    Probe probe;
    probe.dispatcher(effSetProgram, 0, 16, nullptr, 0);
    EXPECT_EQ(probe.last, "");
    // On 64-bit hosts a value that only truncates to a program number names none.
    if (sizeof(VstIntPtr) == 8)
    {
        probe.dispatcher(effSetProgram, 0, static_cast<VstIntPtr>(-4294967293LL), nullptr, 0);
        EXPECT_EQ(probe.last, "");
    }
}

TEST(Dispatcher, PlainBaseAnswersEveryOpcodeWithItsDefault)
{
    std::map<VstInt32, VstIntPtr> expected = {
        {effIdentify, 0x4E764566}, {effCanBeAutomated, 1}, {effGetPlugCategory, 1},
        {effGetVstVersion, 2400}, {effGetCurrentMidiProgram, -1}, {effSetTotalSampleToProcess, 512},
    };
    for (VstInt32 opcode = -3; opcode <= 85; ++opcode)
    {
        if (opcode == effClose)
            continue;  // the record's entry deletes the effect; checked elsewhere
        SCOPED_TRACE("opcode " + std::to_string(opcode));
        PlainEffect effect;
        std::memset(buffer, 0, sizeof buffer);
        auto it = expected.find(opcode);
        const VstIntPtr value = opcode == effSetTotalSampleToProcess ? 512 : 0;
        EXPECT_EQ(effect.dispatcher(opcode, 0, value, buffer, 0.0f), it == expected.end() ? 0 : it->second);
    }
}

// Records the editor calls the dispatcher makes.
struct ProbeEditor : AEffEditor
{
    using AEffEditor::AEffEditor;
    bool getRect(ERect** r) override
    {
        *r = &rect;
        return true;
    }
    bool open(void* w) override
    {
        AEffEditor::open(w);
        return true;
    }
    void idle() override { ++idles; }
    bool onKeyDown(VstKeyCode& key) override
    {
        last = key;
        return true;
    }
    bool onKeyUp(VstKeyCode& key) override
    {
        last = key;
        return false;
    }
    bool setKnobMode(VstInt32 mode) override
    {
        knob = mode;
        return true;
    }
    ERect rect{0, 0, 36, 600};
    VstKeyCode last{};
    int idles = 0;
    VstInt32 knob = -1;
};

struct EditedEffect : PlainEffect
{
    EditedEffect() { editor = probe = new ProbeEditor(this); }
    ProbeEditor* probe;
};

TEST(Dispatcher, EditorOpcodesReachTheEditor)
{
    EditedEffect effect;
    ERect* rect = nullptr;
    EXPECT_EQ(effect.dispatcher(effEditGetRect, 0, 0, &rect, 0), 1);
    ASSERT_EQ(rect, &effect.probe->rect);
    int window;
    EXPECT_EQ(effect.dispatcher(effEditOpen, 0, 0, &window, 0), 1);
    EXPECT_TRUE(effect.probe->isOpen());
    effect.dispatcher(effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(effect.probe->idles, 1);
    EXPECT_EQ(effect.dispatcher(effEditClose, 0, 0, nullptr, 0), 0);
    EXPECT_FALSE(effect.probe->isOpen());

    EXPECT_EQ(effect.dispatcher(effEditKeyDown, 'a', 0x141, nullptr, 2.9f), 1);
    EXPECT_EQ(effect.probe->last.character, 'a');
    EXPECT_EQ(effect.probe->last.virt, 0x41);
    EXPECT_EQ(effect.probe->last.modifier, 2);
    EXPECT_EQ(effect.dispatcher(effEditKeyUp, 'b', 0x0d, nullptr, 260.0f), 0);
    EXPECT_EQ(effect.probe->last.character, 'b');
    EXPECT_EQ(effect.probe->last.modifier, 4);  // low byte of 260
    // A modifier that is no number at all must not become undefined behaviour.
    EXPECT_EQ(effect.dispatcher(effEditKeyDown, 'c', 0, nullptr, NAN), 1);
    EXPECT_EQ(effect.probe->last.modifier, 0);
    EXPECT_EQ(effect.dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0), 1);
    EXPECT_EQ(effect.probe->knob, 2);
}

TEST(Dispatcher, EditorOpcodesWithoutAnEditorAnswerZero)
{
    PlainEffect effect;
    ERect* rect = reinterpret_cast<ERect*>(buffer);
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effEditGetRect, effEditOpen, effEditClose, effEditIdle, effEditKeyDown, effEditKeyUp,
                            effSetEditKnobMode})
        EXPECT_EQ(effect.dispatcher(opcode, 0, 1, &rect, 1.0f), 0) << opcode;
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(buffer)) << "nothing stored without an editor";
}
}  // namespace
