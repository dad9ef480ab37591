// Quelt's parameters, program bank, names and displays.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/quelt.h"
#include "recording_host.h"

namespace
{
constexpr float kFactory[16] = {1, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};

// Returns the text and checks that nothing was written past `size` bytes.
template <typename Fn>
std::string text(Fn write, size_t size)
{
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    write(buffer);
    for (size_t i = size; i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], '#') << "byte " << i << " written past the " << size << "-byte field";
    return buffer[0] == '#' ? std::string("<untouched>") : std::string(buffer, strnlen(buffer, size));
}

TEST(QueltParameters, FreshEffectHoldsTheFactoryPatternInHold)
{
    Quelt q(nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(q.getParameter(i), kFactory[i]) << "step " << i + 1;
    EXPECT_EQ(q.getParameter(16), 0.0f);
    EXPECT_EQ(q.getProgram(), 0);
    EXPECT_EQ(text([&](char* t) { q.getProgramName(t); }, 24), "Program 01");
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(0, t); }, 8), "OPEN");
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(2, t); }, 8), "CLOSED");
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(16, t); }, 8), "HOLD");
    for (int i = 0; i < 16; ++i)
    {
        char expected[24];
        std::snprintf(expected, sizeof expected, "Program %02d", i + 1);
        EXPECT_EQ(text([&](char* t) { q.getProgramNameIndexed(0, i, t); }, 24), expected);
    }
}

TEST(QueltParameters, NamesLabelsAndDisplays)
{
    Quelt q(nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(text([&](char* t) { q.getParameterName(i, t); }, 8), "Gate " + std::to_string(i + 1));
    EXPECT_EQ(text([&](char* t) { q.getParameterName(16, t); }, 8), "Mode");
    EXPECT_EQ(text([&](char* t) { q.getParameterName(17, t); }, 8), "<untouched>");
    EXPECT_EQ(text([&](char* t) { q.getParameterName(-1, t); }, 8), "<untouched>");
    for (int i : {-1, 0, 16, 40})
        EXPECT_EQ(text([&](char* t) { q.getParameterLabel(i, t); }, 8), " ");

    q.setParameter(4, 0.5f);  // exactly the threshold counts as open
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(4, t); }, 8), "OPEN");
    q.setParameter(4, 0.4999f);
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(4, t); }, 8), "CLOSED");
    q.setParameter(16, 0.5f);
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(16, t); }, 8), "DECAY");
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(99, t); }, 8), "DECAY");
}

TEST(QueltParameters, IndicesFromSixteenUpAddressTheMode)
{
    Quelt q(nullptr);
    q.setParameter(20, 1.0f);
    EXPECT_EQ(q.getParameter(16), 1.0f);
    EXPECT_EQ(q.getParameter(99), 1.0f);
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(16, t); }, 8), "DECAY");
}

TEST(QueltParameters, ValuesAreStoredUnclamped)
{
    Quelt q(nullptr);
    q.setParameter(7, 2.5f);
    q.setParameter(8, -3.0f);
    EXPECT_EQ(q.getParameter(7), 2.5f);
    EXPECT_EQ(q.getParameter(8), -3.0f);
}

TEST(QueltParameters, NegativeIndicesChangeNothingAndAnswerHarmlessly)
{
    Quelt q(nullptr);
    q.setParameter(-1, 0.25f);
    q.setParameter(-2147483647 - 1, 0.25f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(q.getParameter(i), kFactory[i]);
    EXPECT_EQ(q.getParameter(16), 0.0f);
    EXPECT_EQ(q.getParameter(-1), 0.0f);
    EXPECT_EQ(text([&](char* t) { q.getParameterDisplay(-5, t); }, 8), "");
}

TEST(QueltPrograms, EveryChangeLandsInTheCurrentProgram)
{
    Quelt q(nullptr);
    q.setParameter(0, 0.0f);
    q.setProgram(5);
    EXPECT_EQ(q.getParameter(0), 1.0f) << "program 5 untouched";
    q.setParameter(1, 0.0f);
    q.setProgram(0);
    EXPECT_EQ(q.getParameter(0), 0.0f) << "program 0 keeps its change";
    EXPECT_EQ(q.getParameter(1), 1.0f);
    q.setProgram(5);
    EXPECT_EQ(q.getParameter(1), 0.0f);
    EXPECT_EQ(q.getParameter(0), 1.0f);
}

TEST(QueltPrograms, OutOfRangeProgramsAreIgnored)
{
    Quelt q(nullptr);
    q.setProgram(3);
    for (int p : {16, -1, 1000})
    {
        q.setProgram(p);
        EXPECT_EQ(q.getProgram(), 3);
    }
    char name[24] = "untouched";
    EXPECT_FALSE(q.getProgramNameIndexed(0, 16, name));
    EXPECT_FALSE(q.getProgramNameIndexed(0, -1, name));
    EXPECT_STREQ(name, "untouched");
}

TEST(QueltPrograms, DefaultNamesAreNumberedWhenListed)
{
    Quelt q(nullptr);
    q.setProgram(2);
    char name[] = "Default";
    q.setProgramName(name);
    EXPECT_EQ(text([&](char* t) { q.getProgramNameIndexed(0, 2, t); }, 24), "Default 3");
    EXPECT_EQ(text([&](char* t) { q.getProgramName(t); }, 24), "Default");
    char other[] = "Defaults";
    q.setProgramName(other);
    EXPECT_EQ(text([&](char* t) { q.getProgramNameIndexed(7, 2, t); }, 24), "Defaults");
}

TEST(QueltPrograms, LongNamesAreCutToTwentyThreeCharacters)
{
    Quelt q(nullptr);
    char longName[64];
    std::memset(longName, 'L', sizeof longName - 1);
    longName[63] = '\0';
    q.setProgramName(longName);
    EXPECT_EQ(text([&](char* t) { q.getProgramName(t); }, 24), std::string(23, 'L'));
    EXPECT_EQ(text([&](char* t) { q.getProgramNameIndexed(0, 0, t); }, 24), std::string(23, 'L'));
    char exact[25];
    std::memset(exact, 'E', 24);
    exact[24] = '\0';
    q.setProgramName(exact);
    EXPECT_EQ(text([&](char* t) { q.getProgramName(t); }, 24), std::string(23, 'E'));
}

TEST(QueltPrograms, CopyProgramCopiesValuesAndName)
{
    Quelt q(nullptr);
    q.setParameter(2, 1.0f);
    q.setParameter(16, 1.0f);
    char name[] = "Busy";
    q.setProgramName(name);
    EXPECT_FALSE(q.copyProgram(0)) << "onto itself";
    EXPECT_FALSE(q.copyProgram(16));
    EXPECT_FALSE(q.copyProgram(-1));
    EXPECT_TRUE(q.copyProgram(9));
    q.setProgram(9);
    EXPECT_EQ(q.getParameter(2), 1.0f);
    EXPECT_EQ(q.getParameter(16), 1.0f);
    EXPECT_EQ(text([&](char* t) { q.getProgramName(t); }, 24), "Busy");
    q.setProgram(4);
    EXPECT_EQ(q.getParameter(2), 0.0f) << "only the destination changed";
}

TEST(QueltPrograms, AutomatedChangesAreRecordedAfterTheEffectTookThem)
{
    RecordingHost host;
    Quelt* effect = nullptr;
    float seenByHost = -1;
    host.answer = [&](const RecordedCall& call) {
        if (call.opcode == audioMasterAutomate)
            seenByHost = effect->getParameter(call.index);
        return VstIntPtr(0);
    };
    Quelt q(RecordingHost::callback);
    effect = &q;
    q.setParameterAutomated(3, 0.0f);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(host.calls[0].index, 3);
    EXPECT_EQ(host.calls[0].opt, 0.0f);
    EXPECT_EQ(seenByHost, 0.0f);
}
}  // namespace
