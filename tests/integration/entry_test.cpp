// The plug-in as a host meets it: the exported entry points, the record they
// return, the record's entries and the dispatcher, and the end through effClose.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/test_host.h"

using quelt_test::HostCall;
using quelt_test::TestHost;

namespace
{
TEST(Entry, ExportsVSTPluginMainAndMainAsOneFunction)
{
    TestHost host(false);
    ASSERT_TRUE(host.loaded()) << host.loadError();
    ASSERT_NE(host.mainExport(), nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(host.mainExport()), reinterpret_cast<void*>(host.entryPoint()));
}

TEST(Entry, ProbesTheHostVersionBeforeCreatingAnything)
{
    TestHost host(false);
    ASSERT_TRUE(host.loaded()) << host.loadError();
    host.setHostVersion(0);
    EXPECT_EQ(host.instantiate(), nullptr);
    auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].effect, nullptr);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);

    host.setHostVersion(2400);
    EXPECT_NE(host.instantiate(), nullptr);
    // The same through "main", as older hosts call it.
    EXPECT_NE(host.instantiate(host.mainExport()), nullptr);
}

TEST(Entry, ANullHostCallbackGetsNoEffect)
{
    TestHost host(false);
    ASSERT_TRUE(host.loaded()) << host.loadError();
    EXPECT_EQ(host.entryPoint()(nullptr), nullptr);
}

TEST(Entry, TheRecordIsFilledAsPublished)
{
    TestHost host;
    AEffect* e = host.effect();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 17);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsCanReplacing | effFlagsNoSoundInStop);
    EXPECT_EQ(e->uniqueID, 0x4F6D6271);  // 'Ombq'
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_NE(e->object, nullptr);
    for (char c : e->future)
        EXPECT_EQ(c, 0);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
}

TEST(Entry, EachInstanceIsItsOwn)
{
    TestHost a, b;
    ASSERT_TRUE(a.isOpen() && b.isOpen());
    EXPECT_NE(a.effect(), b.effect());
    a.setParameter(3, 0.0f);
    EXPECT_EQ(a.getParameter(3), 0.0f);
    EXPECT_EQ(b.getParameter(3), 1.0f);
}

TEST(Entry, CloseThroughTheRecordAnswersOneAndEndsTheEffect)
{
    TestHost host;
    ASSERT_TRUE(host.isOpen());
    EXPECT_EQ(host.close(), 1);
    EXPECT_FALSE(host.isOpen());
    // Repeated open/close cycles leave nothing behind (the sanitizer build checks leaks).
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_NE(host.instantiate(), nullptr);
        host.dispatch(effOpen);
        host.dispatch(effMainsChanged, 0, 1);
        EXPECT_EQ(host.close(), 1);
    }
}

TEST(Dispatcher, AnswersTheHostsQuestions)
{
    TestHost host;
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), 1);
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1200);
    EXPECT_EQ(host.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, 512), 512);
    EXPECT_EQ(host.dispatch(effGetTailSize), 0);
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effGetNumProgramCategories, effGetVu, effCopyProgram, effGetErrorText,
                            effKeysRequired, effEditDraw, effEditTop, 80, -1, 1000})
        EXPECT_EQ(host.dispatch(opcode, 0, 0, nullptr, 0), 0) << opcode;
    for (VstInt32 index : {-5, 0, 16, 99})
        EXPECT_EQ(host.dispatch(effCanBeAutomated, index), 1) << index;
    char capability[] = "receiveVstTimeInfo";
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, capability), 1);
    char unknown[] = "sendVstMidiEvent";
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, unknown), -1);
    EXPECT_EQ(host.dispatchText(effGetEffectName), "Quelt");
    EXPECT_EQ(host.dispatchText(effGetProductString), "Quelt");
    EXPECT_EQ(host.dispatchText(effGetVendorString), "Ombrelux");
}

TEST(Dispatcher, TheEditorReportsItsSizeBeforeItOpens)
{
    TestHost host;
    ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 36);
    EXPECT_EQ(rect->right, 600);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 1), 1);
}

#if !defined(_WIN32)
// A host scanning plug-ins on a machine without an X server: everything but the
// panel works, and opening the panel answers 0.
TEST(Dispatcher, WithoutADisplayTheEditorDoesNotOpenAndNothingElseChanges)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    TestHost host;
    void* hostWindow = reinterpret_cast<void*>(static_cast<uintptr_t>(0x400001));
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, hostWindow), 0);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    host.dispatch(effEditClose);
    host.setTransport(0.0, 120.0);
    host.fillInput(1.0f, 1.0f);
    host.process(64);
    EXPECT_EQ(host.output(0)[0], host.getParameter(0) > 0.5f ? 1.0f : 0.0f);
    if (display)
        setenv("DISPLAY", saved.c_str(), 1);
}
#endif

TEST(Dispatcher, ProgramsAreSwitchedNamedAndListed)
{
    TestHost host;
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.dispatchText(effGetProgramName, 0, 0, 24), "Program 01");
    host.dispatch(effSetProgram, 0, 16);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    host.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    host.dispatch(effSetProgram, 0, 15);
    EXPECT_EQ(host.dispatch(effGetProgram), 15);
    EXPECT_EQ(host.dispatchText(effGetProgramName, 0, 0, 24), "Program 16");

    char name[] = "A name far longer than twenty-three characters";
    host.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(host.dispatchText(effGetProgramName, 0, 0, 24), "A name far longer than ");
    VstIntPtr ok = 0;
    EXPECT_EQ(host.dispatchText(effGetProgramNameIndexed, 15, 0, 24, '\x7f', &ok), "A name far longer than ");
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(host.dispatchText(effGetProgramNameIndexed, 3, 0, 24, '\x7f', &ok), "Program 04");
    host.dispatchText(effGetProgramNameIndexed, 16, 0, 24, '\x7f', &ok);
    EXPECT_EQ(ok, 0);
}

TEST(Dispatcher, ParameterTextsFitTheirFields)
{
    TestHost host;
    for (VstInt32 i = 0; i < 17; ++i)
    {
        std::string name = host.dispatchText(effGetParamName, i, 0, 8);
        EXPECT_EQ(name, i < 16 ? "Gate " + std::to_string(i + 1) : std::string("Mode"));
        EXPECT_EQ(host.dispatchText(effGetParamLabel, i, 0, 8), " ");
    }
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 2, 0, 8), "CLOSED");
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 3, 0, 8), "OPEN");
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 16, 0, 8), "HOLD");
    host.setParameter(40, 1.0f);
    EXPECT_EQ(host.dispatchText(effGetParamDisplay, 16, 0, 8), "DECAY");
    EXPECT_EQ(host.getParameter(16), 1.0f);
}

TEST(Dispatcher, PinsThroughTheRecord)
{
    TestHost host;
    VstPinProperties pin;
    std::memset(&pin, 0, sizeof pin);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Quelt output 2");
    EXPECT_STREQ(pin.shortLabel, "out 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(host.dispatch(effGetInputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Quelt input 1");
}

TEST(Dispatcher, MainsOnAsksForMidiAndMidiSwitchesSteps)
{
    TestHost host;
    host.clearCalls();
    host.resume();
    EXPECT_EQ(host.countCalls(audioMasterWantMidi), 1u);
    EXPECT_EQ(host.sendMidi({quelt_test::controlChange(5, 45, 63)}), 1);
    EXPECT_EQ(host.getParameter(0), 0.0f);
    host.sendMidi({quelt_test::controlChange(0, 61, 127)});
    EXPECT_EQ(host.getParameter(16), 1.0f);
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, nullptr), 1);
}
}  // namespace
