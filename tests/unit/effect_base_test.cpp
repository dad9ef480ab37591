// The effect base classes: the record they build, the flag setters, the text
// formatters, the speaker-arrangement tools and the editor interface.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/aeff_editor.h"
#include "host/audio_effect_x.h"
#include "recording_host.h"

namespace
{
struct PlainEffect : AudioEffectX
{
    explicit PlainEffect(audioMasterCallback host = nullptr) : AudioEffectX(host, 4, 3) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

TEST(EffectBase, BuildsTheRecordAHostExpects)
{
    PlainEffect effect;
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsCanReplacing);
    EXPECT_EQ(e->uniqueID, fourCharCode('N', 'o', 'E', 'f'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, &effect);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->initialDelay, 0);
    for (char c : e->future)
        EXPECT_EQ(c, 0);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
}

TEST(EffectBase, SettersWriteTheRecord)
{
    PlainEffect effect;
    AEffect* e = effect.getAeffect();
    effect.setUniqueID(fourCharCode('A', 'b', 'c', 'd'));
    effect.setNumInputs(6);
    effect.setNumOutputs(8);
    effect.setInitialDelay(64);
    effect.setRealtimeQualities(3);
    effect.setOfflineQualities(4);
    EXPECT_EQ(e->uniqueID, 0x41626364);
    EXPECT_EQ(e->numInputs, 6);
    EXPECT_EQ(e->numOutputs, 8);
    EXPECT_EQ(e->initialDelay, 64);
    EXPECT_EQ(e->realQualities, 3);
    EXPECT_EQ(e->offQualities, 4);
}

TEST(EffectBase, FlagSettersSetAndClearOneBitEach)
{
    struct Setter
    {
        const char* name;
        void (*set)(PlainEffect&, bool);
        VstInt32 bit;
    };
    const Setter setters[] = {
        {"canProcessReplacing", [](PlainEffect& e, bool s) { e.canProcessReplacing(s); }, 0x10},
        {"canDoubleReplacing", [](PlainEffect& e, bool s) { e.canDoubleReplacing(s); }, 0x1000},
        {"programsAreChunks", [](PlainEffect& e, bool s) { e.programsAreChunks(s); }, 0x20},
        {"hasVu", [](PlainEffect& e, bool s) { e.hasVu(s); }, 0x4},
        {"hasClip", [](PlainEffect& e, bool s) { e.hasClip(s); }, 0x2},
        {"canMono", [](PlainEffect& e, bool s) { e.canMono(s); }, 0x8},
        {"isSynth", [](PlainEffect& e, bool s) { e.isSynth(s); }, 0x100},
        {"noTail", [](PlainEffect& e, bool s) { e.noTail(s); }, 0x200},
        {"wantAsyncOperation", [](PlainEffect& e, bool s) { e.wantAsyncOperation(s); }, 0x400},
        {"hasExternalBuffer", [](PlainEffect& e, bool s) { e.hasExternalBuffer(s); }, 0x800},
    };
    for (const Setter& s : setters)
    {
        SCOPED_TRACE(s.name);
        PlainEffect effect;
        const VstInt32 before = effect.getAeffect()->flags;
        s.set(effect, true);
        EXPECT_EQ(effect.getAeffect()->flags, before | s.bit);
        s.set(effect, false);
        EXPECT_EQ(effect.getAeffect()->flags, before & ~s.bit);
    }
}

TEST(EffectBase, DefaultOperationsAnswerNothingMuch)
{
    PlainEffect effect;
    char text[16];
    std::memset(text, 'x', sizeof text);
    effect.getProgramName(text);
    EXPECT_STREQ(text, "");
    std::memset(text, 'x', sizeof text);
    effect.getParameterDisplay(0, text);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(effect.getParameter(0), 0.0f);
    EXPECT_EQ(effect.getVu(), 0.0f);
    void* chunk = nullptr;
    EXPECT_EQ(effect.getChunk(&chunk, true), 0);
    EXPECT_EQ(effect.setChunk(nullptr, 0, false), 0);
    effect.setProgram(3);
    EXPECT_EQ(effect.getProgram(), 3);
    effect.setSampleRate(96000.0f);
    effect.setBlockSize(32);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(effect.getBlockSize(), 32);
    effect.setBlockSizeAndSampleRate(64, 22050.0f);
    EXPECT_EQ(effect.getSampleRate(), 22050.0f);
    EXPECT_EQ(effect.getBlockSize(), 64);
    EXPECT_EQ(effect.getNumCategories(), 1);
    EXPECT_FALSE(effect.copyProgram(1));
    EXPECT_EQ(effect.reportDestinationBuffer(), nullptr);
    EXPECT_EQ(effect.getIcon(), nullptr);
}

std::string format(void (AudioEffect::*formatter)(float, char*, VstInt32), float value, VstInt32 maxLen)
{
    PlainEffect effect;
    char text[32];
    std::memset(text, '#', sizeof text);
    (effect.*formatter)(value, text, maxLen);
    // Nothing past maxLen bytes may be touched.
    for (int i = maxLen; i < 32; ++i)
        EXPECT_EQ(text[i], '#') << "byte " << i << " written";
    return std::string(text, strnlen(text, static_cast<size_t>(maxLen)));
}

TEST(EffectBase, TextFormattersStayInsideTheirBuffer)
{
    EXPECT_EQ(format(&AudioEffect::dB2string, 1.0f, 8), "0.00");
    EXPECT_EQ(format(&AudioEffect::dB2string, 0.5f, 8), "-6.02");
    EXPECT_EQ(format(&AudioEffect::dB2string, 0.0f, 8), "-oo");
    EXPECT_EQ(format(&AudioEffect::dB2string, -1.0f, 8), "-oo");
    EXPECT_EQ(format(&AudioEffect::float2string, 0.25f, 8), "0.25");
    EXPECT_EQ(format(&AudioEffect::float2string, 123456.0f, 8), "Huge!");
    EXPECT_EQ(format(&AudioEffect::float2string, 1e30f, 8), "Huge!");
    EXPECT_EQ(format(&AudioEffect::float2string, 1.5f, 3), "Hu");
    EXPECT_EQ(format(&AudioEffect::Hz2string, 441.0f, 8), "100.00");  // period in samples at 44100 Hz
    EXPECT_EQ(format(&AudioEffect::Hz2string, 0.0f, 8), "Huge!");
    EXPECT_EQ(format(&AudioEffect::ms2string, 4410.0f, 8), "100.00");
    PlainEffect effect;
    char text[8];
    effect.int2string(1234567, text, 8);
    EXPECT_STREQ(text, "1234567");
    effect.int2string(12345678, text, 8);
    EXPECT_STREQ(text, "Huge!");
    effect.int2string(-42, text, 8);
    EXPECT_STREQ(text, "-42");
    effect.int2string(5, text, 0);  // no room: nothing written
    EXPECT_STREQ(text, "-42");
}

VstSpeakerArrangement* makeArrangement(VstInt32 channels)
{
    auto* a = static_cast<VstSpeakerArrangement*>(
        std::calloc(1, offsetof(VstSpeakerArrangement, speakers) + sizeof(VstSpeakerProperties) * channels));
    a->numChannels = channels;
    a->type = 42;
    for (VstInt32 i = 0; i < channels; ++i)
    {
        VstSpeakerProperties* s = a->speakers + i;
        s->azimuth = 0.1f * i;
        s->elevation = 0.2f;
        s->radius = 1.0f + i;
        s->reserved = 3.0f;
        s->type = 100 + i;
        std::snprintf(s->name, sizeof s->name, "Speaker %d", i);
        std::memset(s->future, 0x5A, sizeof s->future);
    }
    return a;
}

TEST(EffectBase, ArrangementToolsCopyEverySpeaker)
{
    PlainEffect effect;
    VstSpeakerArrangement* target = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&target, 3));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->numChannels, 3);
    EXPECT_EQ(target->speakers[2].type, 0);

    // Twelve channels: more than the record declares, as real surround layouts have.
    VstSpeakerArrangement* source = makeArrangement(12);
    ASSERT_TRUE(effect.matchArrangement(&target, source));
    EXPECT_EQ(target->numChannels, 12);
    EXPECT_EQ(target->type, 42);
    const VstSpeakerProperties* copied = target->speakers;
    for (int i = 0; i < 12; ++i)
    {
        EXPECT_EQ(copied[i].type, 100 + i);
        EXPECT_EQ(copied[i].radius, 1.0f + i);
        EXPECT_EQ(std::string(copied[i].name), "Speaker " + std::to_string(i));
        EXPECT_EQ(std::memcmp(copied[i].future, source->speakers[0].future, sizeof copied[i].future), 0);
    }
    EXPECT_FALSE(effect.matchArrangement(&target, nullptr));
    EXPECT_TRUE(effect.deallocateArrangement(&target));
    EXPECT_EQ(target, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&target));
    std::free(source);
}

TEST(EffectBase, CopySpeakerTerminatesTheName)
{
    PlainEffect effect;
    VstSpeakerProperties from{}, to{};
    std::memset(from.name, 'n', sizeof from.name);  // no terminator at all
    EXPECT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::strlen(to.name), 63u);
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
}

TEST(EffectBase, SpeakerArrangementDefaultStoresNull)
{
    PlainEffect effect;
    char dummy;
    auto* in = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
    auto* out = in;
    EXPECT_FALSE(effect.getSpeakerArrangement(&in, &out));
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(effect.getSpeakerArrangement(nullptr, nullptr));
}

TEST(EditorInterface, BareEditorHasDoNothingDefaults)
{
    PlainEffect effect;
    AEffEditor editor(&effect);
    EXPECT_EQ(editor.getEffect(), &effect);
    ERect dummy{};
    ERect* rect = &dummy;
    EXPECT_FALSE(editor.getRect(&rect));
    EXPECT_EQ(rect, nullptr);
    EXPECT_FALSE(editor.isOpen());
    int window;
    EXPECT_FALSE(editor.open(&window));
    EXPECT_TRUE(editor.isOpen());
    editor.close();
    EXPECT_FALSE(editor.isOpen());
    VstKeyCode key{};
    EXPECT_FALSE(editor.onKeyDown(key));
    EXPECT_FALSE(editor.onKeyUp(key));
    EXPECT_FALSE(editor.onWheel(1.0f));
    EXPECT_FALSE(editor.setKnobMode(1));
}

TEST(EditorInterface, TheEffectDeletesItsEditor)
{
    static int destroyed = 0;
    struct CountedEditor : AEffEditor
    {
        using AEffEditor::AEffEditor;
        ~CountedEditor() override { ++destroyed; }
    };
    struct OwningEffect : PlainEffect
    {
        OwningEffect() { editor = new CountedEditor(this); }
    };
    destroyed = 0;
    {
        OwningEffect effect;
        EXPECT_NE(effect.getEditor(), nullptr);
    }
    EXPECT_EQ(destroyed, 1);
}
}  // namespace
