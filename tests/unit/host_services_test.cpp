// The host-callback wrappers of the effect base classes: opcode, argument
// placement, conversion of the host's answer, and the answer without a host.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "host/audio_effect_x.h"
#include "recording_host.h"

namespace
{
struct PlainEffect : AudioEffectX
{
    explicit PlainEffect(audioMasterCallback host) : AudioEffectX(host, 4, 3) {}
    void processReplacing(float**, float**, VstInt32) override {}
    using AudioEffect::blockSize;
    using AudioEffect::sampleRate;
};

char textBuffer[64];
char sizeWindowText[] = "sizeWindow";
void* const kPtr = textBuffer;

struct WrapperCase
{
    const char* name;
    std::function<VstIntPtr(PlainEffect&)> call;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr hostAnswer;      // what the host answers
    VstIntPtr withHost;        // what the wrapper then answers
    VstIntPtr withoutHost;     // what it answers with no callback
};

VstIntPtr b(bool v) { return v ? 1 : 0; }
VstIntPtr p(const void* v) { return reinterpret_cast<VstIntPtr>(v); }

auto* const kSelect = reinterpret_cast<VstFileSelect*>(textBuffer);
auto* const kTask = reinterpret_cast<VstOfflineTask*>(textBuffer);
auto* const kFile = reinterpret_cast<VstAudioFile*>(textBuffer);
auto* const kWindow = reinterpret_cast<VstWindow*>(textBuffer);

const WrapperCase kCases[] = {
    {"getMasterVersion", [](PlainEffect& e) { return VstIntPtr(e.getMasterVersion()); }, audioMasterVersion, 0, 0, nullptr, 0, 2400, 2400, 1},
    {"getMasterVersion of 0", [](PlainEffect& e) { return VstIntPtr(e.getMasterVersion()); }, audioMasterVersion, 0, 0, nullptr, 0, 0, 1, 1},
    {"getCurrentUniqueId", [](PlainEffect& e) { return VstIntPtr(e.getCurrentUniqueId()); }, audioMasterCurrentId, 0, 0, nullptr, 0, 77, 77, 0},
    {"isInputConnected", [](PlainEffect& e) { return b(e.isInputConnected(3)); }, audioMasterPinConnected, 3, 0, nullptr, 0, 0, 1, 1},
    {"isInputConnected, host says no", [](PlainEffect& e) { return b(e.isInputConnected(3)); }, audioMasterPinConnected, 3, 0, nullptr, 0, 1, 0, 1},
    {"isOutputConnected", [](PlainEffect& e) { return b(e.isOutputConnected(1)); }, audioMasterPinConnected, 1, 1, nullptr, 0, 5, 0, 1},
    {"wantEvents", [](PlainEffect& e) { return VstIntPtr(e.wantEvents(1)); }, audioMasterWantMidi, 0, 1, nullptr, 0, 1, 1, 0},
    {"getTimeInfo", [](PlainEffect& e) { return p(e.getTimeInfo(0x600)); }, audioMasterGetTime, 0, 0x600, nullptr, 0, p(kPtr), p(kPtr), 0},
    {"tempoAt", [](PlainEffect& e) { return VstIntPtr(e.tempoAt(960)); }, audioMasterTempoAt, 0, 960, nullptr, 0, 1200000, 1200000, 0},
    {"getNumAutomatableParameters", [](PlainEffect& e) { return VstIntPtr(e.getNumAutomatableParameters()); }, audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0, 9, 9, 0},
    {"getParameterQuantization", [](PlainEffect& e) { return VstIntPtr(e.getParameterQuantization()); }, audioMasterGetParameterQuantization, 0, 0, nullptr, 0, 127, 127, 0},
    {"ioChanged", [](PlainEffect& e) { return b(e.ioChanged()); }, audioMasterIOChanged, 0, 0, nullptr, 0, -1, 1, 0},
    {"needIdle", [](PlainEffect& e) { return b(e.needIdle()); }, audioMasterNeedIdle, 0, 0, nullptr, 0, 0, 0, 0},
    {"sizeWindow", [](PlainEffect& e) { return b(e.sizeWindow(600, 36)); }, audioMasterSizeWindow, 600, 36, nullptr, 0, 1, 1, 0},
    {"getInputLatency", [](PlainEffect& e) { return VstIntPtr(e.getInputLatency()); }, audioMasterGetInputLatency, 0, 0, nullptr, 0, 256, 256, 0},
    {"getOutputLatency", [](PlainEffect& e) { return VstIntPtr(e.getOutputLatency()); }, audioMasterGetOutputLatency, 0, 0, nullptr, 0, 512, 512, 0},
    {"getPreviousPlug", [](PlainEffect& e) { return p(e.getPreviousPlug(4)); }, audioMasterGetPreviousPlug, 0, 0, nullptr, 0, p(kPtr), p(kPtr), 0},
    {"getNextPlug", [](PlainEffect& e) { return p(e.getNextPlug(4)); }, audioMasterGetNextPlug, 0, 0, nullptr, 0, p(kPtr), p(kPtr), 0},
    {"willProcessReplacing", [](PlainEffect& e) { return VstIntPtr(e.willProcessReplacing()); }, audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0, 2, 2, 0},
    {"getCurrentProcessLevel", [](PlainEffect& e) { return VstIntPtr(e.getCurrentProcessLevel()); }, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0, 2, 2, 0},
    {"getAutomationState", [](PlainEffect& e) { return VstIntPtr(e.getAutomationState()); }, audioMasterGetAutomationState, 0, 0, nullptr, 0, 3, 3, 0},
    {"offlineStart", [](PlainEffect& e) { return b(e.offlineStart(kFile, 5, 2)); }, audioMasterOfflineStart, 2, 5, kFile, 0, 1, 1, 0},
    {"offlineRead", [](PlainEffect& e) { return b(e.offlineRead(kTask, 7, true)); }, audioMasterOfflineRead, 1, 7, kTask, 0, 1, 1, 0},
    {"offlineRead of the destination", [](PlainEffect& e) { return b(e.offlineRead(kTask, 7, false)); }, audioMasterOfflineRead, 0, 7, kTask, 0, 0, 0, 0},
    {"offlineWrite", [](PlainEffect& e) { return b(e.offlineWrite(kTask, 3)); }, audioMasterOfflineWrite, 0, 3, kTask, 0, 4, 1, 0},
    {"offlineGetCurrentPass", [](PlainEffect& e) { return VstIntPtr(e.offlineGetCurrentPass()); }, audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0, 9, 1, 0},
    {"offlineGetCurrentMetaPass", [](PlainEffect& e) { return VstIntPtr(e.offlineGetCurrentMetaPass()); }, audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0, -3, 1, 0},
    {"getOutputSpeakerArrangement", [](PlainEffect& e) { return p(e.getOutputSpeakerArrangement()); }, audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0, p(kPtr), p(kPtr), 0},
    {"getInputSpeakerArrangement", [](PlainEffect& e) { return p(e.getInputSpeakerArrangement()); }, audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0, p(kPtr), p(kPtr), 0},
    {"getHostVendorString", [](PlainEffect& e) { return b(e.getHostVendorString(textBuffer)); }, audioMasterGetVendorString, 0, 0, kPtr, 0, 1, 1, 0},
    {"getHostProductString", [](PlainEffect& e) { return b(e.getHostProductString(textBuffer)); }, audioMasterGetProductString, 0, 0, kPtr, 0, 0, 0, 0},
    {"getHostVendorVersion", [](PlainEffect& e) { return VstIntPtr(e.getHostVendorVersion()); }, audioMasterGetVendorVersion, 0, 0, nullptr, 0, 1100, 1100, 0},
    {"hostVendorSpecific", [](PlainEffect& e) { return e.hostVendorSpecific(11, 22, textBuffer, 0.5f); }, audioMasterVendorSpecific, 11, 22, kPtr, 0.5f, 33, 33, 0},
    {"canHostDo", [](PlainEffect& e) { return VstIntPtr(e.canHostDo(sizeWindowText)); }, audioMasterCanDo, 0, 0, sizeWindowText, 0, -1, 1, 0},
    {"getHostLanguage", [](PlainEffect& e) { return VstIntPtr(e.getHostLanguage()); }, audioMasterGetLanguage, 0, 0, nullptr, 0, 2, 2, 0},
    {"openWindow", [](PlainEffect& e) { return p(e.openWindow(kWindow)); }, audioMasterOpenWindow, 0, 0, kWindow, 0, p(kPtr), p(kPtr), 0},
    {"closeWindow", [](PlainEffect& e) { return b(e.closeWindow(kWindow)); }, audioMasterCloseWindow, 0, 0, kWindow, 0, 1, 1, 0},
    {"getDirectory", [](PlainEffect& e) { return p(e.getDirectory()); }, audioMasterGetDirectory, 0, 0, nullptr, 0, p(kPtr), p(kPtr), 0},
    {"updateDisplay", [](PlainEffect& e) { return b(e.updateDisplay()); }, audioMasterUpdateDisplay, 0, 0, nullptr, 0, 1, 1, 0},
    {"beginEdit", [](PlainEffect& e) { return b(e.beginEdit(6)); }, audioMasterBeginEdit, 6, 0, nullptr, 0, 1, 1, 0},
    {"endEdit", [](PlainEffect& e) { return b(e.endEdit(6)); }, audioMasterEndEdit, 6, 0, nullptr, 0, 0, 0, 0},
    {"openFileSelector", [](PlainEffect& e) { return b(e.openFileSelector(kSelect)); }, audioMasterOpenFileSelector, 0, 0, kSelect, 0, 1, 1, 0},
    {"closeFileSelector", [](PlainEffect& e) { return b(e.closeFileSelector(kSelect)); }, audioMasterCloseFileSelector, 0, 0, kSelect, 0, 1, 1, 0},
    {"getChunkFile", [](PlainEffect& e) { return b(e.getChunkFile(textBuffer)); }, audioMasterGetChunkFile, 0, 0, kPtr, 0, 1, 1, 0},
};

TEST(HostServices, EachWrapperSendsItsOpcodeAndConvertsTheAnswer)
{
    for (const WrapperCase& c : kCases)
    {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        host.answer = [&](const RecordedCall&) { return c.hostAnswer; };
        PlainEffect effect(RecordingHost::callback);
        EXPECT_EQ(c.call(effect), c.withHost);
        ASSERT_EQ(host.calls.size(), 1u);
        const RecordedCall& sent = host.calls[0];
        EXPECT_EQ(sent.effect, effect.getAeffect()) << "the record, never the object";
        EXPECT_EQ(sent.opcode, c.opcode);
        EXPECT_EQ(sent.index, c.index);
        EXPECT_EQ(sent.value, c.value);
        EXPECT_EQ(sent.ptr, c.ptr);
        EXPECT_EQ(sent.opt, c.opt);
    }
}

TEST(HostServices, WithoutAHostNothingIsSentAndDefaultsAreAnswered)
{
    for (const WrapperCase& c : kCases)
    {
        SCOPED_TRACE(c.name);
        RecordingHost host;  // present but not handed to the effect
        PlainEffect effect(nullptr);
        EXPECT_EQ(c.call(effect), c.withoutHost);
        EXPECT_TRUE(host.calls.empty());
    }
}

TEST(HostServices, NullSelectorsAndPathsAreRefusedWithoutAsking)
{
    RecordingHost host;
    host.answer = [](const RecordedCall&) { return 1; };
    PlainEffect effect(RecordingHost::callback);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(host.calls.empty());
}

TEST(HostServices, SetOutputSamplerateSendsTheRateAsOpt)
{
    RecordingHost host;
    PlainEffect effect(RecordingHost::callback);
    effect.setOutputSamplerate(48000.0f);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterSetOutputSampleRate);
    EXPECT_EQ(host.calls[0].opt, 48000.0f);
    PlainEffect unhosted(nullptr);
    unhosted.setOutputSamplerate(48000.0f);  // nothing to call, nothing to crash
}

TEST(HostServices, UpdateSampleRateAndBlockSizeKeepTheStoredValueUnlessPositive)
{
    RecordingHost host;
    VstIntPtr answer = 0;
    host.answer = [&](const RecordedCall&) { return answer; };
    PlainEffect effect(RecordingHost::callback);
    EXPECT_EQ(effect.updateSampleRate(), 44100.0);
    answer = -5;
    EXPECT_EQ(effect.updateSampleRate(), 44100.0);
    answer = 48000;
    EXPECT_EQ(effect.updateSampleRate(), 48000.0);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);

    answer = 0;
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    answer = 256;
    EXPECT_EQ(effect.updateBlockSize(), 256);
    answer = -1;
    EXPECT_EQ(effect.updateBlockSize(), 256);
    EXPECT_EQ(host.calls.front().opcode, audioMasterGetSampleRate);
    EXPECT_EQ(host.calls.back().opcode, audioMasterGetBlockSize);

    PlainEffect unhosted(nullptr);
    EXPECT_EQ(unhosted.updateSampleRate(), 44100.0);
    EXPECT_EQ(unhosted.updateBlockSize(), 1024);
}

TEST(HostServices, SetParameterAutomatedSetsTheEffectFirstThenTellsTheHost)
{
    struct Recorder : PlainEffect
    {
        using PlainEffect::PlainEffect;
        void setParameter(VstInt32 index, float value) override
        {
            order.push_back("set " + std::to_string(index) + " " + std::to_string(value));
        }
        std::vector<std::string> order;
    };
    RecordingHost host;
    Recorder* seen = nullptr;
    host.answer = [&](const RecordedCall&) {
        seen->order.push_back("host");
        return 0;
    };
    Recorder effect(RecordingHost::callback);
    seen = &effect;
    effect.setParameterAutomated(5, 0.0f);
    ASSERT_EQ(effect.order.size(), 2u);
    EXPECT_EQ(effect.order[0], "set 5 0.000000");
    EXPECT_EQ(effect.order[1], "host");
    EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(host.calls[0].index, 5);
    EXPECT_EQ(host.calls[0].opt, 0.0f);

    Recorder unhosted(nullptr);
    unhosted.setParameterAutomated(3, 1.0f);
    EXPECT_EQ(unhosted.order, std::vector<std::string>{"set 3 1.000000"});
}

TEST(HostServices, MasterIdleAsksTheHostForIdleTime)
{
    RecordingHost host;
    PlainEffect effect(RecordingHost::callback);
    effect.masterIdle();
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterIdle);
}
}  // namespace
