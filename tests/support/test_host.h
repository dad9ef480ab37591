// A minimal VST 2.4 host for the tests: loads the built plug-in, instantiates it through
// its exported entry point and drives it only through the AEffect record, as a real host does.
#pragma once

#include "host/vst_interface.h"
#include "support/host_call.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#ifndef QUELT_PLUGIN_PATH
#error "QUELT_PLUGIN_PATH must name the built plug-in"
#endif

namespace quelt_test {

typedef AEffect*(VSTCALLBACK* PluginEntryProc)(audioMasterCallback host);

// A three-byte MIDI message; `deltaFrames` goes into the event unchanged.
struct MidiMessage
{
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
    VstInt32 deltaFrames;
};

// Control change on `channel` (0-15).
inline MidiMessage controlChange(int channel, int controller, int value, VstInt32 deltaFrames = 0)
{
    return MidiMessage{static_cast<unsigned char>(0xB0 | (channel & 0x0F)), static_cast<unsigned char>(controller),
                       static_cast<unsigned char>(value), deltaFrames};
}

// A VstEvents block with real VstMidiEvent entries. Storage is kept between uses, so
// refilling a block that has already held as many events does not allocate.
class EventBlock
{
public:
    explicit EventBlock(std::size_t capacity = 0) { reserve(capacity); }
    EventBlock(const EventBlock&) = delete;
    EventBlock& operator=(const EventBlock&) = delete;

    void reserve(std::size_t events);
    void clear() { count_ = 0; }
    void add(const MidiMessage& message);
    // Any other event (sysex, unknown types); copied as given.
    void addRaw(const VstEvent& event);
    std::size_t size() const { return count_; }
    VstMidiEvent& midi(std::size_t i) { return events_[i]; }
    // The block as the plug-in sees it; valid until the next add/reserve.
    VstEvents* events();

private:
    std::vector<VstMidiEvent> events_;  // VstEvent and VstMidiEvent share one 32-byte layout
    std::vector<unsigned char> header_;
    std::size_t count_ = 0;
};

class TestHost
{
public:
    // Answer for one host opcode; replaces the built-in answer.
    using Answer = std::function<VstIntPtr(const HostCall&)>;

    // Loads the library and resolves the entry points; instantiates the effect unless told not to.
    // A load failure leaves loaded() false and loadError() set; tests should ASSERT on it.
    explicit TestHost(bool instantiateNow = true, const std::string& path = QUELT_PLUGIN_PATH);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    bool loaded() const { return entry_ != nullptr; }
    const std::string& loadError() const { return loadError_; }
    PluginEntryProc entryPoint() const { return entry_; }     // VSTPluginMain
    PluginEntryProc mainExport() const { return mainEntry_; }  // "main", null when absent

    // Calls VSTPluginMain (or `entry`) with this host's callback; returns the record or null.
    // Any effect still open is closed first.
    AEffect* instantiate();
    AEffect* instantiate(PluginEntryProc entry);

    AEffect* effect() const { return effect_; }
    bool isOpen() const { return effect_ != nullptr; }

    // effClose through the record's dispatcher; the record is gone afterwards.
    VstIntPtr close();

    // ---- what the host answers ----
    void setHostVersion(VstIntPtr version) { hostVersion_ = version; }
    // The record handed out for audioMasterGetTime; tests edit it between blocks.
    VstTimeInfo& timeInfo() { return timeInfo_; }
    // Without time info the host answers audioMasterGetTime with null.
    void setTimeInfoAvailable(bool available) { timeAvailable_ = available; }
    void setTransport(double ppqPos, double tempo);
    // Advances samplePos and ppqPos as a playing host does after a block of `frames`.
    void advanceTransport(int frames);
    // Replaces the answer for `opcode`; an empty function restores the built-in one.
    // Set answers before processing starts: the audio thread reads them without a lock.
    void setAnswer(VstInt32 opcode, Answer answer);

    // ---- recording of host calls ----
    // Recording takes a lock; the concurrency tests turn it off so that the harness adds no
    // synchronisation between the plug-in's threads. Reserve capacity before allocation checks.
    void setRecording(bool on) { recording_ = on; }
    void reserveCalls(std::size_t n);
    std::vector<HostCall> calls() const;
    std::size_t countCalls(VstInt32 opcode) const;
    void clearCalls();
    // Callbacks that arrived with a record no live TestHost owns (process-wide).
    static std::size_t strayCalls();

    // ---- through the record ----
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    // Dispatches with a text buffer prefilled with `fill` and returns the text up to its terminator.
    std::string dispatchText(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, std::size_t bufferSize = 256,
                             char fill = '\x7f', VstIntPtr* result = nullptr);
    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);
    void setSampleRate(float rate) { dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
    void suspend() { dispatch(effMainsChanged, 0, 0); }
    void resume() { dispatch(effMainsChanged, 0, 1); }

    // ---- audio ----
    // Owned stereo buffers, at least `frames` long afterwards; processing never grows them
    // once reserved, so it allocates nothing.
    void reserveFrames(int frames);
    float* input(int channel) { return in_[channel & 1].data(); }
    float* output(int channel) { return out_[channel & 1].data(); }
    void fillInput(float left, float right);
    void fillOutput(float value);
    // processReplacing from the owned inputs into the owned outputs.
    void process(int frames);
    // processReplacing with inputs and outputs the same buffers: the owned inputs are copied
    // to the outputs, which are then processed in place.
    void processInPlace(int frames);
    // processReplacing with caller-supplied channel arrays.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);

    // ---- MIDI ----
    VstIntPtr sendMidi(std::initializer_list<MidiMessage> messages);
    VstIntPtr sendMidi(const std::vector<MidiMessage>& messages);
    VstIntPtr sendMidi(const MidiMessage* messages, std::size_t count);
    VstIntPtr sendEvents(VstEvents* events) { return dispatch(effProcessEvents, 0, 0, events, 0.0f); }
    // The block sendMidi fills; reserve it before allocation checks.
    EventBlock& eventBlock() { return events_; }

private:
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);
    VstIntPtr answer(const HostCall& call);
    void unload();

    void* library_ = nullptr;
    PluginEntryProc entry_ = nullptr;
    PluginEntryProc mainEntry_ = nullptr;
    std::string loadError_;
    AEffect* effect_ = nullptr;

    std::atomic<VstIntPtr> hostVersion_{2400};
    VstTimeInfo timeInfo_{};
    std::atomic<bool> timeAvailable_{true};
    std::array<Answer, 64> answers_;                        // opcodes 0-63
    std::vector<std::pair<VstInt32, Answer>> otherAnswers_;  // any other opcode

    std::atomic<bool> recording_{true};
    mutable std::mutex callsMutex_;
    std::vector<HostCall> calls_;

    std::vector<float> in_[2];
    std::vector<float> out_[2];
    EventBlock events_;
};

}  // namespace quelt_test
