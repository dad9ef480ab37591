// What Quelt tells the host about itself, and its MIDI step control.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/quelt.h"
#include "recording_host.h"

namespace
{
VstInt32 canDo(Quelt& q, std::string s) { return q.canDo(&s[0]); }

TEST(QueltIdentity, NamesAndVersions)
{
    Quelt q(nullptr);
    char name[64] = {}, product[64] = {}, vendor[64] = {};
    EXPECT_TRUE(q.getEffectName(name));
    EXPECT_TRUE(q.getProductString(product));
    EXPECT_TRUE(q.getVendorString(vendor));
    EXPECT_STREQ(name, "Quelt");
    EXPECT_STREQ(product, name);
    EXPECT_STREQ(vendor, "Ombrelux");
    EXPECT_EQ(q.getVendorVersion(), 1200);
    EXPECT_EQ(q.getVstVersion(), 2400);
    EXPECT_EQ(q.getPlugCategory(), kPlugCategEffect);
    EXPECT_EQ(q.vendorSpecific(1, 2, name, 3.0f), 0);
    EXPECT_EQ(q.getGetTailSize(), 0);
    EXPECT_EQ(q.getCurrentMidiProgram(0, nullptr), -1);
    EXPECT_EQ(q.setTotalSampleToProcess(512), 512);
    EXPECT_TRUE(q.canParameterBeAutomated(-3));
    EXPECT_TRUE(q.canParameterBeAutomated(200));
    EXPECT_FALSE(q.getEffectName(nullptr));
}

TEST(QueltIdentity, CapabilitiesMatchExactly)
{
    Quelt q(nullptr);
    for (const char* yes : {"receiveVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent", "1in2out", "2in2out"})
        EXPECT_EQ(canDo(q, yes), 1) << yes;
    for (const char* no : {"sendVstMidiEvent", "2in2out ", "2in2ou", "ReceiveVstEvents", "", "plugAsChannelInsert"})
        EXPECT_EQ(canDo(q, no), -1) << '"' << no << '"';
    EXPECT_EQ(q.canDo(nullptr), -1);
}

TEST(QueltIdentity, PinsAreTwoStereoInputsAndOutputs)
{
    Quelt q(nullptr);
    const char* labels[2][2] = {{"Quelt input 1", "Quelt input 2"}, {"Quelt output 1", "Quelt output 2"}};
    const char* shorts[2][2] = {{"in 1", "in 2"}, {"out 1", "out 2"}};
    for (int output = 0; output < 2; ++output)
        for (int index = 0; index < 2; ++index)
        {
            VstPinProperties pin;
            std::memset(&pin, 0x33, sizeof pin);
            bool ok = output ? q.getOutputProperties(index, &pin) : q.getInputProperties(index, &pin);
            EXPECT_TRUE(ok);
            EXPECT_STREQ(pin.label, labels[output][index]);
            EXPECT_STREQ(pin.shortLabel, shorts[output][index]);
            EXPECT_EQ(pin.flags, 3);
            EXPECT_EQ(pin.arrangementType, 0x33333333) << "left as the host gave it";
        }
    VstPinProperties pin;
    std::memset(&pin, 0x33, sizeof pin);
    EXPECT_FALSE(q.getOutputProperties(2, &pin));
    EXPECT_FALSE(q.getInputProperties(-1, &pin));
    EXPECT_EQ(pin.flags, 0x33333333) << "nothing written";
    EXPECT_FALSE(q.getInputProperties(0, nullptr));
}

TEST(QueltIdentity, TakesNoPartInSpeakerArrangements)
{
    Quelt q(nullptr);
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* in = &dummy;
    VstSpeakerArrangement* out = &dummy;
    EXPECT_FALSE(q.getSpeakerArrangement(&in, &out));
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(q.setSpeakerArrangement(&dummy, &dummy));
}

// Builds a VstEvents block of any length, as hosts do past the declared two entries.
struct Events
{
    explicit Events(std::vector<VstMidiEvent> list) : midi(std::move(list))
    {
        storage.resize(sizeof(VstEvents) + sizeof(VstEvent*) * midi.size());
        block = reinterpret_cast<VstEvents*>(storage.data());
        block->numEvents = static_cast<VstInt32>(midi.size());
        VstEvent** slots = block->events;
        for (size_t i = 0; i < midi.size(); ++i)
            slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    std::vector<VstMidiEvent> midi;
    std::vector<unsigned char> storage;
    VstEvents* block;
};

VstMidiEvent message(int status, int data1, int data2, VstInt32 type = kVstMidiType)
{
    VstMidiEvent e{};
    e.type = type;
    e.byteSize = sizeof e;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return e;
}

TEST(QueltMidi, ControlChangesSwitchStepsAndMode)
{
    Quelt q(nullptr);
    EXPECT_EQ(q.processEvents(Events({message(0xB5, 45, 63)}).block), 1);
    EXPECT_EQ(q.getParameter(0), 0.0f);
    EXPECT_EQ(q.processEvents(Events({message(0xB5, 45, 64)}).block), 1);
    EXPECT_EQ(q.getParameter(0), 1.0f);
    q.processEvents(Events({message(0xB0, 47, 127), message(0xBF, 60, 100)}).block);
    EXPECT_EQ(q.getParameter(2), 1.0f);
    EXPECT_EQ(q.getParameter(15), 1.0f);
    q.processEvents(Events({message(0xB3, 61, 127)}).block);
    EXPECT_EQ(q.getParameter(16), 1.0f);
    q.processEvents(Events({message(0xB3, 61, 0)}).block);
    EXPECT_EQ(q.getParameter(16), 0.0f);
}

TEST(QueltMidi, LastMessageForAControllerWins)
{
    Quelt q(nullptr);
    q.processEvents(Events({message(0xB0, 50, 100), message(0xB0, 50, 10)}).block);
    EXPECT_EQ(q.getParameter(5), 0.0f);
    // Many events: the pointer list is longer than the record declares.
    std::vector<VstMidiEvent> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(message(0xB0, 45 + (i % 16), (i / 16) % 2 ? 0 : 127));
    q.processEvents(Events(many).block);
    for (int step = 0; step < 16; ++step)
        EXPECT_EQ(q.getParameter(step), step < 8 ? 1.0f : 0.0f) << step;
}

TEST(QueltMidi, EverythingElseIsSkipped)
{
    Quelt q(nullptr);
    float before[17];
    for (int i = 0; i < 17; ++i)
        before[i] = q.getParameter(i);
    Events ignored({message(0xB0, 44, 127), message(0xB0, 62, 127), message(0x90, 45, 100), message(0x80, 46, 0),
                    message(0xE0, 45, 127), message(0xB0, 45 + 128, 127), message(0xB0, 47, 127, kVstSysExType)});
    EXPECT_EQ(q.processEvents(ignored.block), 1);
    // A data value above 127 reads as negative: closed.
    q.processEvents(Events({message(0xB0, 46, 200)}).block);
    EXPECT_EQ(q.getParameter(1), 0.0f);
    for (int i = 0; i < 17; ++i)
        if (i != 1)
        {
            EXPECT_EQ(q.getParameter(i), before[i]) << i;
        }
}

TEST(QueltMidi, MalformedBlocksAreHarmless)
{
    Quelt q(nullptr);
    EXPECT_EQ(q.processEvents(nullptr), 1);
    Events negative({message(0xB0, 47, 127)});
    negative.block->numEvents = -5;
    EXPECT_EQ(q.processEvents(negative.block), 1);
    EXPECT_EQ(q.getParameter(2), 0.0f);
    Events withHole({message(0xB0, 47, 127), message(0xB0, 49, 127)});
    withHole.block->events[0] = nullptr;
    EXPECT_EQ(q.processEvents(withHole.block), 1);
    EXPECT_EQ(q.getParameter(4), 1.0f);
}

TEST(QueltMidi, ResumeAsksForMidiEveryTime)
{
    RecordingHost host;
    Quelt q(RecordingHost::callback);
    q.resume();
    q.resume();
    ASSERT_EQ(host.calls.size(), 2u);
    for (const RecordedCall& c : host.calls)
    {
        EXPECT_EQ(c.opcode, audioMasterWantMidi);
        EXPECT_EQ(c.value, 1);
    }
}
}  // namespace
