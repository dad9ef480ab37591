#include "clap/clap_host.h"

#include <algorithm>
#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <poll.h>
#endif

namespace claptest {

const clap_plugin_entry_t* entry()
{
    static const clap_plugin_entry_t* found = [] {
        std::string path = QUELT_CLAP_PATH;
#if defined(_WIN32)
        HMODULE module = LoadLibraryA(path.c_str());
        if (!module && path[0] == '/')
        {
            std::string converted = "Z:" + path;
            std::replace(converted.begin(), converted.end(), '/', '\\');
            module = LoadLibraryA(converted.c_str());
        }
        void* symbol = module ? reinterpret_cast<void*>(GetProcAddress(module, "clap_entry")) : nullptr;
#else
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        void* symbol = module ? dlsym(module, "clap_entry") : nullptr;
#endif
        const auto* e = static_cast<const clap_plugin_entry_t*>(symbol);
        return e && e->init(path.c_str()) ? e : nullptr;
    }();
    return found;
}

const void* factory(const char* id) { return entry() ? entry()->get_factory(id) : nullptr; }

EventList::EventList()
{
    view.ctx = this;
    view.size = [](const clap_input_events_t* l) {
        return static_cast<uint32_t>(static_cast<const EventList*>(l->ctx)->events.size());
    };
    view.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
        const auto& events = static_cast<const EventList*>(l->ctx)->events;
        return i < events.size() ? reinterpret_cast<const clap_event_header_t*>(events[i].data()) : nullptr;
    };
}

clap_event_param_value_t paramAt(uint32_t frame, clap_id id, double value)
{
    clap_event_param_value_t e{};
    e.header = {sizeof e, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = id;
    e.note_id = e.port_index = e.channel = e.key = -1;
    e.value = value;
    return e;
}

clap_event_midi_t midiAt(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
{
    clap_event_midi_t e{};
    e.header = {sizeof e, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    e.data[0] = status, e.data[1] = data1, e.data[2] = data2;
    return e;
}

clap_event_transport_t transportAt(uint32_t frame, double quarters, double qpm, bool playing)
{
    clap_event_transport_t e{};
    e.header = {sizeof e, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    e.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
              (playing ? CLAP_TRANSPORT_IS_PLAYING : 0);
    e.song_pos_beats = static_cast<clap_beattime>(quarters * static_cast<double>(CLAP_BEATTIME_FACTOR));
    e.tempo = qpm;
    e.tsig_num = 4, e.tsig_denom = 4;
    return e;
}

Host::Host(Options options) : options_(options), mainThread_(std::this_thread::get_id())
{
    host_ = clap_host_t{CLAP_VERSION_INIT, this, "Quelt test host", "Quelt", "", "1.0", hostExtension,
                        [](const clap_host_t* h) { of(h).expectMain("request_restart"); },
                        [](const clap_host_t*) {},
                        [](const clap_host_t* h) {
                            std::lock_guard<std::mutex> hold(of(h).lock_);
                            ++of(h).callbacks_;
                        }};
    const auto* f = static_cast<const clap_plugin_factory_t*>(factory(CLAP_PLUGIN_FACTORY_ID));
    plugin_ = f ? f->create_plugin(f, &host_, "quelt.gate") : nullptr;
    if (plugin_ && !plugin_->init(plugin_))
    {
        plugin_->destroy(plugin_);
        plugin_ = nullptr;
    }
}

Host::~Host()
{
    if (!plugin_)
        return;
    if (active_)
        plugin_->deactivate(plugin_);
    plugin_->destroy(plugin_);
}

void Host::expectMain(const char* call)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (std::this_thread::get_id() != mainThread_)
        violations_.push_back(std::string(call) + " off the main thread");
}

const void* Host::hostExtension(const clap_host_t* h, const char* id)
{
    Host& self = of(h);
    static const clap_host_params_t params = {
        [](const clap_host_t* h, uint32_t) { of(h).expectMain("params.rescan"); },
        [](const clap_host_t* h, clap_id, uint32_t) { of(h).expectMain("params.clear"); },
        [](const clap_host_t* h) {
            Host& self = of(h);
            std::lock_guard<std::mutex> hold(self.lock_);
            // Thread-safe, but never from the audio thread: the plug-in is in process there already.
            if (std::this_thread::get_id() == self.audioThread_)
                self.violations_.push_back("params.request_flush on the audio thread");
            ++self.flushRequests_;
        }};
    static const clap_host_timer_support_t timers = {
        [](const clap_host_t* h, uint32_t period, clap_id* id) {
            Host& self = of(h);
            self.expectMain("register_timer");
            if (period == 0 || !id)
                return false;
            *id = static_cast<clap_id>(self.timers_.size() + 7);
            self.timers_.push_back(*id);
            return true;
        },
        [](const clap_host_t* h, clap_id id) {
            Host& self = of(h);
            self.expectMain("unregister_timer");
            const auto at = std::find(self.timers_.begin(), self.timers_.end(), id);
            if (at == self.timers_.end())
                return false;
            self.timers_.erase(at);
            return true;
        }};
    static const clap_host_posix_fd_support_t fds = {
        [](const clap_host_t* h, int fd, uint32_t) {
            of(h).expectMain("register_fd");
            of(h).fds_.push_back(fd);
            return fd >= 0;
        },
        [](const clap_host_t* h, int, uint32_t) {
            of(h).expectMain("modify_fd");
            return true;
        },
        [](const clap_host_t* h, int fd) {
            Host& self = of(h);
            self.expectMain("unregister_fd");
            const auto at = std::find(self.fds_.begin(), self.fds_.end(), fd);
            if (at == self.fds_.end())
                return false;
            self.fds_.erase(at);
            return true;
        }};
    static const clap_host_thread_check_t threads = {
        [](const clap_host_t* h) { return std::this_thread::get_id() == of(h).mainThread_; },
        [](const clap_host_t* h) { return std::this_thread::get_id() == of(h).audioThread_; }};
    static const clap_host_preset_load_t presets = {
        [](const clap_host_t* h, uint32_t, const char*, const char* key, int32_t, const char*) {
            of(h).expectMain("preset_load.on_error");
            of(h).presetReports.push_back(std::string("error ") + (key ? key : "(null)"));
        },
        [](const clap_host_t* h, uint32_t, const char*, const char* key) {
            of(h).expectMain("preset_load.loaded");
            of(h).presetReports.push_back(std::string("loaded ") + (key ? key : "(null)"));
        }};
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &params;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return self.options_.timers ? &timers : nullptr;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0)
        return self.options_.fds ? &fds : nullptr;
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0)
        return &threads;
    if (std::strcmp(id, CLAP_EXT_PRESET_LOAD) == 0)
        return &presets;
    return nullptr;
}

bool Host::activate(double rate)
{
    active_ = plugin_->activate(plugin_, rate, 1, 65536);
    return active_;
}

void Host::record(const clap_event_header_t* e)
{
    char line[64];
    if (e->type == CLAP_EVENT_PARAM_VALUE)
    {
        const auto* v = reinterpret_cast<const clap_event_param_value_t*>(e);
        std::snprintf(line, sizeof line, "value %u %g", v->param_id, v->value);
    }
    else if (e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || e->type == CLAP_EVENT_PARAM_GESTURE_END)
    {
        const auto* g = reinterpret_cast<const clap_event_param_gesture_t*>(e);
        std::snprintf(line, sizeof line, "%s %u", e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin" : "end",
                      g->param_id);
    }
    else
        std::snprintf(line, sizeof line, "type %u", e->type);
    std::lock_guard<std::mutex> hold(lock_);
    output_.push_back(line);
}

clap_process_status Host::process(float* const in[2], float* const out[2], uint32_t frames,
                                  const clap_event_transport_t* transport, const EventList& events)
{
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out ? out[0] : in[0], out ? out[1] : in[1]};
    const clap_audio_buffer_t input{inputs, nullptr, 2, 0, 0};
    clap_audio_buffer_t output{outputs, nullptr, 2, 0, 0};
    const clap_output_events_t outEvents{this, [](const clap_output_events_t* l, const clap_event_header_t* e) {
                                             static_cast<Host*>(l->ctx)->record(e);
                                             return true;
                                         }};
    const clap_process_t p{0, frames, transport, &input, &output, 1, 1, events.list(), &outEvents};
    clap_process_status status = CLAP_PROCESS_ERROR;
    std::thread audio([&] {
        {
            std::lock_guard<std::mutex> hold(lock_);
            audioThread_ = std::this_thread::get_id();
        }
        plugin_->start_processing(plugin_);
        status = plugin_->process(plugin_, &p);
        plugin_->stop_processing(plugin_);
    });
    audio.join();
    std::lock_guard<std::mutex> hold(lock_);
    audioThread_ = std::thread::id();
    return status;
}

double Host::value(clap_id id) const
{
    double v = -1.0;
    extension<clap_plugin_params_t>(CLAP_EXT_PARAMS)->get_value(plugin_, id, &v);
    return v;
}

std::vector<std::string> Host::takeOutput()
{
    std::lock_guard<std::mutex> hold(lock_);
    return std::move(output_);
}

void Host::flush()
{
    const EventList none;
    const clap_output_events_t out{this, [](const clap_output_events_t* l, const clap_event_header_t* e) {
                                       static_cast<Host*>(l->ctx)->record(e);
                                       return true;
                                   }};
    extension<clap_plugin_params_t>(CLAP_EXT_PARAMS)->flush(plugin_, none.list(), &out);
}

std::vector<std::string> Host::violations() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return violations_;
}

void Host::runTimers()
{
    const auto* t = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    for (clap_id id : std::vector<clap_id>(timers_))
        t->on_timer(plugin_, id);
}

void Host::runFds()
{
#if !defined(_WIN32)
    const auto* f = extension<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
    for (int fd : std::vector<int>(fds_))
    {
        pollfd watched{fd, POLLIN, 0};
        if (poll(&watched, 1, 0) == 1)
            f->on_fd(plugin_, fd, CLAP_POSIX_FD_READ);
    }
#endif
}

void Host::runCallbacks()
{
    int pending = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        std::swap(pending, callbacks_);
    }
    if (pending)
        plugin_->on_main_thread(plugin_);
}

} // namespace claptest
