// A small CLAP host for the tests: loads the built Quelt.clap through
// clap_entry, creates the plug-in, and processes blocks with events at chosen
// frames on a thread of its own, as hosts do. Every call the plug-in makes
// back into the host is checked against CLAP's threading rules.
#pragma once

#include "clap/clap_abi.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifndef QUELT_CLAP_PATH
#error "QUELT_CLAP_PATH must name the built plug-in"
#endif

namespace claptest {

// The library and its entry, initialised once per process.
const clap_plugin_entry_t* entry();
const void* factory(const char* id);

// Events in the order added, each copied whole.
class EventList
{
public:
    EventList();
    template <typename Event>
    void add(const Event& e)
    {
        std::vector<uint8_t> bytes(sizeof e);
        std::memcpy(bytes.data(), &e, sizeof e);
        events.push_back(std::move(bytes));
    }
    void clear() { events.clear(); }
    const clap_input_events_t* list() const { return &view; }

private:
    std::vector<std::vector<uint8_t>> events;
    clap_input_events_t view;
};

clap_event_param_value_t paramAt(uint32_t frame, clap_id id, double value);
clap_event_midi_t midiAt(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2);
// Playing at `quarters` and `qpm` quarter notes a minute, at a frame of the block.
clap_event_transport_t transportAt(uint32_t frame, double quarters, double qpm, bool playing = true);

class Host
{
public:
    struct Options
    {
        bool timers = true;
        bool fds = true;
    };

    explicit Host(Options options);
    Host() : Host(Options{}) {}
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    const clap_plugin_t* plugin() const { return plugin_; }
    template <typename T>
    const T* extension(const char* id) const
    {
        return static_cast<const T*>(plugin_->get_extension(plugin_, id));
    }

    bool activate(double rate = 44100.0);
    // One block on the audio thread: in place when out is null.
    clap_process_status process(float* const in[2], float* const out[2], uint32_t frames,
                                const clap_event_transport_t* transport, const EventList& events);
    double value(clap_id id) const;

    // What the plug-in sent: "begin P", "value P V", "end P", in order.
    std::vector<std::string> takeOutput();
    // A flush on the main thread, as a host does after request_flush.
    void flush();
    // Calls of the plug-in that broke a threading rule, and how often it asked for things.
    std::vector<std::string> violations() const;
    int flushRequests() const { return flushRequests_; }
    int callbacksRequested() const { return callbacks_; }
    // The host's timers and the watched descriptors that have events, fired as its loop would.
    void runTimers();
    void runFds();
    void runCallbacks();
    std::vector<std::string> presetReports;  // "loaded KEY" or "error KEY"

private:
    static Host& of(const clap_host_t* h) { return *static_cast<Host*>(h->host_data); }
    static const void* hostExtension(const clap_host_t* h, const char* id);
    void expectMain(const char* call);
    void record(const clap_event_header_t* e);

    Options options_;
    clap_host_t host_;
    const clap_plugin_t* plugin_ = nullptr;
    std::thread::id mainThread_;
    std::thread::id audioThread_;
    mutable std::mutex lock_;
    std::vector<std::string> output_, violations_;
    std::vector<clap_id> timers_;
    std::vector<int> fds_;
    int flushRequests_ = 0, callbacks_ = 0;
    bool active_ = false;
};

} // namespace claptest
