// Quelt as a CLAP plug-in: the effect core behind CLAP's plug-in record and
// extensions. Parameter, MIDI and transport events take effect at their own
// frame; the panel's edits go back to the host as gesture and value events.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "clap/clap_abi.h"
#include "clap/clap_song.h"
#include "editor/quelt_panel.h"
#include "effect/quelt_core.h"
#include "vstgui/platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#define QUELT_CLAP_EXPORT __declspec(dllexport)
#else
#include "vstgui/platform/x11.h"
#define QUELT_CLAP_EXPORT __attribute__((visibility("default")))
#endif

#ifndef QUELT_VERSION
#error "QUELT_VERSION must give the project's version"
#endif

namespace {

constexpr const char* kPluginId = "quelt.gate";
constexpr const char* kPresetProviderId = "quelt.factory-programs";
constexpr uint32_t kIdleMs = 20;
#if defined(_WIN32)
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#endif

const char* const kFeatures[] = {"audio-effect", "gate", "stereo", nullptr};
const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT, kPluginId, "Quelt", QueltCore::kVendor, "", "", "", QUELT_VERSION,
    "A tempo-synced 16-step gate", kFeatures};

template <typename T>
const T* hostExtension(const clap_host_t* host, const char* id)
{
    return static_cast<const T*>(host->get_extension ? host->get_extension(host, id) : nullptr);
}

// The panel's edits on their way from the main thread to the host: one writer
// (the main thread), one reader (whichever thread the host flushes or processes
// on). A full queue drops the edit's report; the value itself is already set.
class EditQueue
{
public:
    struct Edit
    {
        uint16_t type;  // CLAP_EVENT_PARAM_VALUE or a gesture
        clap_id param;
        double value;
    };

    bool push(const Edit& edit)
    {
        const uint32_t w = written.load(std::memory_order_relaxed);
        if (w - read.load(std::memory_order_acquire) == kSize)
            return false;
        edits[w % kSize] = edit;
        written.store(w + 1, std::memory_order_release);
        return true;
    }

    // Every waiting edit, as events at the block's first frame.
    void sendTo(const clap_output_events_t* out)
    {
        uint32_t r = read.load(std::memory_order_relaxed);
        const uint32_t w = written.load(std::memory_order_acquire);
        for (; r != w; ++r)
        {
            const Edit& e = edits[r % kSize];
            if (out && out->try_push)
            {
                if (e.type == CLAP_EVENT_PARAM_VALUE)
                {
                    clap_event_param_value_t v{};
                    v.header = {sizeof v, 0, CLAP_CORE_EVENT_SPACE_ID, e.type, CLAP_EVENT_IS_LIVE};
                    v.param_id = e.param;
                    v.note_id = v.port_index = v.channel = v.key = -1;
                    v.value = e.value;
                    out->try_push(out, &v.header);
                }
                else
                {
                    clap_event_param_gesture_t g{{sizeof g, 0, CLAP_CORE_EVENT_SPACE_ID, e.type, CLAP_EVENT_IS_LIVE},
                                                 e.param};
                    out->try_push(out, &g.header);
                }
            }
        }
        read.store(r, std::memory_order_release);
    }

private:
    static constexpr uint32_t kSize = 256;
    Edit edits[kSize];
    std::atomic<uint32_t> written{0}, read{0};
};

// The saved state: "QLTS", the format's version, the 17 values and the
// program's name, little-endian, 100 bytes.
struct SavedState
{
    static constexpr char kMagic[4] = {'Q', 'L', 'T', 'S'};
    static constexpr uint32_t kVersion = 1;
    static constexpr size_t kBytes = 4 + 4 + 4 * kNumParams + kProgramNameSize;
    static_assert(kBytes == 100, "the format's size is fixed");

    float values[kNumParams];
    char name[kProgramNameSize];

    void write(unsigned char* bytes) const
    {
        std::memcpy(bytes, kMagic, 4);
        put(bytes + 4, kVersion);
        for (int i = 0; i < kNumParams; ++i)
        {
            uint32_t bits;
            std::memcpy(&bits, &values[i], 4);
            put(bytes + 8 + 4 * i, bits);
        }
        std::memcpy(bytes + 8 + 4 * kNumParams, name, kProgramNameSize);
    }

    // False for anything but this format's version with values from 0 to 1
    // and a terminated name.
    bool read(const unsigned char* bytes)
    {
        if (std::memcmp(bytes, kMagic, 4) != 0 || get(bytes + 4) != kVersion)
            return false;
        for (int i = 0; i < kNumParams; ++i)
        {
            const uint32_t bits = get(bytes + 8 + 4 * i);
            std::memcpy(&values[i], &bits, 4);
            if (!(values[i] >= 0.0f && values[i] <= 1.0f))
                return false;
        }
        std::memcpy(name, bytes + 8 + 4 * kNumParams, kProgramNameSize);
        return std::memchr(name, '\0', kProgramNameSize) != nullptr;
    }

private:
    static void put(unsigned char* at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            at[i] = static_cast<unsigned char>(v >> (8 * i));
    }
    static uint32_t get(const unsigned char* at)
    {
        return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
    }
};

// A parameter value from the host within the range every parameter declares.
// VST hosts may set any float, and the engine bounds what they set; a CLAP
// host must stay within 0 to 1, so a value beyond is held to it.
float toFloat(double value) { return static_cast<float>(std::clamp(value, 0.0, 1.0)); }

#if defined(_WIN32)
class QueltClap;
void startWindowsTimer(QueltClap* plugin);
void stopWindowsTimer(QueltClap* plugin);
#endif

class QueltClap : private ParameterListener, private PanelController, private VSTGUI::EditorBinding
{
public:
    explicit QueltClap(const clap_host_t* host) : host(host)
    {
        plugin.desc = &kDescriptor;
        plugin.plugin_data = this;
        plugin.init = [](const clap_plugin_t* p) { return self(p)->init(); };
        plugin.destroy = [](const clap_plugin_t* p) { delete self(p); };
        plugin.activate = [](const clap_plugin_t* p, double rate, uint32_t, uint32_t) { return self(p)->activate(rate); };
        plugin.deactivate = [](const clap_plugin_t* p) { self(p)->deactivate(); };
        plugin.start_processing = [](const clap_plugin_t*) { return true; };
        plugin.stop_processing = [](const clap_plugin_t* p) { self(p)->wakeMainThread(); };
        plugin.reset = [](const clap_plugin_t* p) { self(p)->core.suspend(); };
        plugin.process = [](const clap_plugin_t* p, const clap_process_t* process) { return self(p)->process(process); };
        plugin.get_extension = [](const clap_plugin_t*, const char* id) { return extension(id); };
        plugin.on_main_thread = [](const clap_plugin_t* p) { self(p)->idle(); };
        core.setListener(this);
    }

    ~QueltClap()
    {
        destroyGui();
        core.setListener(nullptr);
    }

    const clap_plugin_t* record() const { return &plugin; }

    static QueltClap* self(const clap_plugin_t* p) { return static_cast<QueltClap*>(p->plugin_data); }

    // ---- lifecycle

    bool init()
    {
        hostParams = hostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
        hostTimers = hostExtension<clap_host_timer_support_t>(host, CLAP_EXT_TIMER_SUPPORT);
        hostFds = hostExtension<clap_host_posix_fd_support_t>(host, CLAP_EXT_POSIX_FD_SUPPORT);
        hostPresets = hostExtension<clap_host_preset_load_t>(host, CLAP_EXT_PRESET_LOAD);
        if (!hostPresets)
            hostPresets = hostExtension<clap_host_preset_load_t>(host, CLAP_EXT_PRESET_LOAD_COMPAT);
        return true;
    }

    bool activate(double rate)
    {
        const bool usable = rate >= 1.0 && rate <= std::numeric_limits<float>::max();
        if (!usable || !core.setSampleRate(static_cast<float>(rate)))
            return false;
        song.setRate(rate);
        core.suspend();
        active.store(true);
        return true;
    }

    void deactivate()
    {
        active.store(false);
        core.suspend();
        wakeMainThread();
    }

    // ---- audio

    clap_process_status process(const clap_process_t* p)
    {
        if (!active.load(std::memory_order_relaxed) || !p)
            return CLAP_PROCESS_ERROR;
        if (p->transport)
            song.tell(*p->transport);
        else
            song.forget();
        io = Io{};
        if (p->audio_inputs_count >= 1 && p->audio_outputs_count >= 1 && p->audio_inputs && p->audio_outputs)
        {
            const clap_audio_buffer_t &in = p->audio_inputs[0], &out = p->audio_outputs[0];
            if (in.channel_count >= 2 && out.channel_count >= 2 && in.data32 && out.data32 && in.data32[0] &&
                in.data32[1] && out.data32[0] && out.data32[1])
                io = Io{{in.data32[0], in.data32[1]}, {out.data32[0], out.data32[1]}, true};
            else if (out.channel_count >= 2 && out.data32 && out.data32[0] && out.data32[1])
                for (float* channel : {out.data32[0], out.data32[1]})
                    std::fill(channel, channel + p->frames_count, 0.0f);
        }
        const uint32_t frames = io.valid ? p->frames_count : 0;
        uint32_t done = 0;
        const uint32_t count = p->in_events && p->in_events->size ? p->in_events->size(p->in_events) : 0;
        for (uint32_t i = 0; i < count; ++i)
        {
            const clap_event_header_t* e = p->in_events->get ? p->in_events->get(p->in_events, i) : nullptr;
            if (!e)
                continue;
            // Events out of order or beyond the block take effect where the block has got to.
            const uint32_t at = std::min(std::max(e->time, done), frames);
            render(done, at);
            done = at;
            handle(*e);
        }
        render(done, frames);
        edits.sendTo(p->out_events);
        if (gui && !timed)
        {
            // Hosts that only watch the window's connection learn of a new step here.
            const int step = playhead::step(core.playhead());
            if (step != lastStep)
            {
                lastStep = step;
                wakeMainThread();
            }
        }
        return CLAP_PROCESS_CONTINUE;
    }

    // ---- parameters

    static bool paramInfo(uint32_t index, clap_param_info_t* info)
    {
        if (index >= static_cast<uint32_t>(kNumParams) || !info)
            return false;
        static const QueltCore defaults;
        *info = clap_param_info_t{};
        info->id = index;
        info->flags = CLAP_PARAM_IS_AUTOMATABLE;
        QueltCore::parameterName(static_cast<int32_t>(index), info->name, sizeof info->name);
        info->min_value = 0.0;
        info->max_value = 1.0;
        info->default_value = defaults.getParameter(static_cast<int32_t>(index));
        return true;
    }

    bool paramValue(clap_id id, double* value) const
    {
        if (id >= static_cast<clap_id>(kNumParams) || !value)
            return false;
        *value = core.getParameter(static_cast<int32_t>(id));
        return true;
    }

    static bool valueToText(clap_id id, double value, char* text, uint32_t capacity)
    {
        if (id >= static_cast<clap_id>(kNumParams) || !text || capacity == 0)
            return false;
        std::snprintf(text, capacity, "%s", QueltCore::displayOf(static_cast<int32_t>(id), toFloat(value)));
        return true;
    }

    static bool textToValue(clap_id id, const char* text, double* value)
    {
        if (id >= static_cast<clap_id>(kNumParams) || !text || !value)
            return false;
        for (float v : {0.0f, 1.0f})
            if (std::strcmp(text, QueltCore::displayOf(static_cast<int32_t>(id), v)) == 0)
            {
                *value = v;
                return true;
            }
        char* end = nullptr;
        const double number = std::strtod(text, &end);
        if (end == text || *end != '\0' || !std::isfinite(number))
            return false;
        *value = number;
        return true;
    }

    // Outside processing: the host's events now, the panel's edits out.
    void flush(const clap_input_events_t* in, const clap_output_events_t* out)
    {
        const uint32_t count = in && in->size ? in->size(in) : 0;
        for (uint32_t i = 0; i < count; ++i)
            if (const clap_event_header_t* e = in->get ? in->get(in, i) : nullptr)
                handle(*e);
        edits.sendTo(out);
    }

    // ---- state and presets

    bool save(const clap_ostream_t* stream) const
    {
        if (!stream || !stream->write)
            return false;
        SavedState state{};
        for (int i = 0; i < kNumParams; ++i)
            state.values[i] = core.getParameter(i);
        std::snprintf(state.name, sizeof state.name, "%s", core.programName(core.getProgram()));
        unsigned char bytes[SavedState::kBytes];
        state.write(bytes);
        for (uint64_t written = 0; written < sizeof bytes;)
        {
            const int64_t n = stream->write(stream, bytes + written, sizeof bytes - written);
            if (n <= 0)
                return false;
            written += static_cast<uint64_t>(n);
        }
        return true;
    }

    bool load(const clap_istream_t* stream)
    {
        if (!stream || !stream->read)
            return false;
        // One byte more than the format holds: a longer stream is not this format.
        unsigned char bytes[SavedState::kBytes + 1];
        uint64_t got = 0;
        while (got < sizeof bytes)
        {
            const int64_t n = stream->read(stream, bytes + got, sizeof bytes - got);
            if (n < 0)
                return false;
            if (n == 0)
                break;
            got += static_cast<uint64_t>(std::min<uint64_t>(static_cast<uint64_t>(n), sizeof bytes - got));
        }
        SavedState state;
        if (got != SavedState::kBytes || !state.read(bytes))
            return false;
        for (int i = 0; i < kNumParams; ++i)
            core.setParameter(i, state.values[i]);
        core.setProgramName(state.name);
        return true;
    }

    bool loadPreset(uint32_t kind, const char* location, const char* key)
    {
        char* end = nullptr;
        const long program = key ? std::strtol(key, &end, 10) : -1;
        const bool found = kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN && !location && end != key && *end == '\0' &&
                           program >= 0 && program < kNumPrograms && core.setProgram(static_cast<int32_t>(program));
        if (!found)
        {
            if (hostPresets && hostPresets->on_error)
                hostPresets->on_error(host, kind, location, key, 0, "Quelt has no such program");
            return false;
        }
        if (hostParams && hostParams->rescan)
            hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
        if (hostPresets && hostPresets->loaded)
            hostPresets->loaded(host, kind, location, key);
        return true;
    }

    // ---- the panel

    bool createGui(const char* api, bool floating)
    {
        if (!api || std::strcmp(api, kWindowApi) != 0 || floating)
            return false;
        if (!panel)
            panel.reset(new (std::nothrow) QueltPanel(*this));
        return panel != nullptr;
    }

    bool setParent(const clap_window_t* window)
    {
        if (!panel || gui || !window || !window->api || std::strcmp(window->api, kWindowApi) != 0)
            return false;
#if defined(_WIN32)
        void* parent = window->win32;
#else
        void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
#endif
        if (!parent || !panel->open(parent, this))
            return false;
        gui.store(true);
        timed = hostTimers && hostTimers->register_timer && hostTimers->register_timer(host, kIdleMs, &timer);
        if (timed)
            return true;
#if defined(_WIN32)
        startWindowsTimer(this);
#else
        watchedFd = VSTGUI::platform::x11Platform().connectionFd();
        if (!hostFds || !hostFds->register_fd || watchedFd < 0 ||
            !hostFds->register_fd(host, watchedFd, CLAP_POSIX_FD_READ))
            watchedFd = -1;
        // The window's first events may be queued already.
        wakeMainThread();
#endif
        return true;
    }

    void destroyGui()
    {
        if (!gui)
            return;
        if (timed)
            hostTimers->unregister_timer(host, timer);
        timed = false;
#if defined(_WIN32)
        stopWindowsTimer(this);
#else
        if (watchedFd >= 0)
            hostFds->unregister_fd(host, watchedFd);
        watchedFd = -1;
#endif
        gui.store(false);
        panel->close();
    }

    void idle()
    {
        if (!gui)
            return;
        panel->idle();
#if !defined(_WIN32)
        // Events the connection read while the panel drew wait in its queue,
        // where the descriptor the host watches no longer shows them.
        if (VSTGUI::platform::x11Platform().eventsQueued())
            wakeMainThread();
#endif
    }

private:
    struct Io
    {
        float* in[2];
        float* out[2];
        bool valid = false;
    };

    static const void* extension(const char* id);

    void render(uint32_t from, uint32_t to)
    {
        if (to <= from)
            return;
        float* in[2] = {io.in[0] + from, io.in[1] + from};
        float* out[2] = {io.out[0] + from, io.out[1] + from};
        core.process(song.now(), in, out, static_cast<int32_t>(to - from));
        song.advance(to - from);
    }

    void handle(const clap_event_header_t& e)
    {
        if (e.space_id != CLAP_CORE_EVENT_SPACE_ID)
            return;
        if (e.type == CLAP_EVENT_PARAM_VALUE && e.size >= sizeof(clap_event_param_value_t))
        {
            const auto& v = reinterpret_cast<const clap_event_param_value_t&>(e);
            if (v.param_id < static_cast<clap_id>(kNumParams) && !std::isnan(v.value))
                core.setParameter(static_cast<int32_t>(v.param_id), toFloat(v.value));
        }
        else if (e.type == CLAP_EVENT_MIDI && e.size >= sizeof(clap_event_midi_t))
        {
            const auto& m = reinterpret_cast<const clap_event_midi_t&>(e);
            // As the VST plug-in reads a VstMidiEvent's data bytes: signed.
            if ((m.data[0] & 0xF0) == 0xB0)
                core.controlChange(static_cast<signed char>(m.data[1]), static_cast<signed char>(m.data[2]));
        }
        else if (e.type == CLAP_EVENT_TRANSPORT && e.size >= sizeof(clap_event_transport_t))
            song.tell(reinterpret_cast<const clap_event_transport_t&>(e));
    }

    void wakeMainThread()
    {
        if (gui && !timed && host->request_callback)
            host->request_callback(host);
    }

    void queue(uint16_t type, int32_t index, double value = 0.0)
    {
        edits.push({type, static_cast<clap_id>(index), value});
        if (hostParams && hostParams->request_flush)
            hostParams->request_flush(host);
    }

    // ParameterListener: any thread.
    void parameterChanged(int32_t index, float) override
    {
        if (gui.load())
        {
            panel->parameterChanged(index);
            wakeMainThread();
        }
    }

    // PanelController and EditorBinding: the panel's reads and the user's edits, main thread.
    float getParameter(int32_t index) override { return core.getParameter(index); }
    uint32_t playhead() override { return core.playhead(); }
    void beginEdit(int32_t index) override
    {
        if (index >= 0 && index < kNumParams)
        {
            inGesture[index] = true;
            queue(CLAP_EVENT_PARAM_GESTURE_BEGIN, index);
        }
    }
    void setParameterAutomated(int32_t index, float value) override
    {
        if (index < 0 || index >= kNumParams)
            return;
        // An edit outside a gesture (the random fill) is a gesture of its own.
        const bool own = !inGesture[index];
        if (own)
            queue(CLAP_EVENT_PARAM_GESTURE_BEGIN, index);
        core.setParameter(index, value);
        queue(CLAP_EVENT_PARAM_VALUE, index, value);
        if (own)
            queue(CLAP_EVENT_PARAM_GESTURE_END, index);
    }
    void endEdit(int32_t index) override
    {
        if (index >= 0 && index < kNumParams && inGesture[index])
        {
            inGesture[index] = false;
            queue(CLAP_EVENT_PARAM_GESTURE_END, index);
        }
    }
    void doIdleStuff() override { panel->idleWhileTracking(); }
    bool sizeWindow(int32_t, int32_t) override { return false; }
    int32_t getKnobMode() const override { return 0; }

    clap_plugin_t plugin{};
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;
    const clap_host_posix_fd_support_t* hostFds = nullptr;
    const clap_host_preset_load_t* hostPresets = nullptr;
    QueltCore core;
    ClapSong song;
    Io io;
    EditQueue edits;
    std::atomic<bool> active{false};
    std::unique_ptr<QueltPanel> panel;  // made with the first panel, kept for the audio thread's reports
    std::atomic<bool> gui{false};       // the panel's window is open
    bool inGesture[kNumParams] = {};
    clap_id timer = CLAP_INVALID_ID;
    std::atomic<bool> timed{false};  // the host's timer idles the panel
    int watchedFd = -1;
    int lastStep = -1;  // audio thread
};

// ---- extensions

const clap_plugin_audio_ports_t kAudioPorts = {
    [](const clap_plugin_t*, bool) -> uint32_t { return 1; },
    [](const clap_plugin_t*, uint32_t index, bool, clap_audio_port_info_t* info) {
        if (index != 0 || !info)
            return false;
        *info = clap_audio_port_info_t{};
        info->id = 0;
        std::snprintf(info->name, sizeof info->name, "Main");
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        info->channel_count = 2;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = 0;
        return true;
    }};

const clap_plugin_note_ports_t kNotePorts = {
    [](const clap_plugin_t*, bool input) -> uint32_t { return input ? 1 : 0; },
    [](const clap_plugin_t*, uint32_t index, bool input, clap_note_port_info_t* info) {
        if (index != 0 || !input || !info)
            return false;
        *info = clap_note_port_info_t{};
        info->id = 0;
        info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
        info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
        std::snprintf(info->name, sizeof info->name, "MIDI controllers");
        return true;
    }};

const clap_plugin_params_t kParams = {
    [](const clap_plugin_t*) -> uint32_t { return kNumParams; },
    [](const clap_plugin_t*, uint32_t index, clap_param_info_t* info) { return QueltClap::paramInfo(index, info); },
    [](const clap_plugin_t* p, clap_id id, double* value) { return QueltClap::self(p)->paramValue(id, value); },
    [](const clap_plugin_t*, clap_id id, double value, char* text, uint32_t capacity) {
        return QueltClap::valueToText(id, value, text, capacity);
    },
    [](const clap_plugin_t*, clap_id id, const char* text, double* value) {
        return QueltClap::textToValue(id, text, value);
    },
    [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
        QueltClap::self(p)->flush(in, out);
    }};

const clap_plugin_state_t kState = {
    [](const clap_plugin_t* p, const clap_ostream_t* stream) { return QueltClap::self(p)->save(stream); },
    [](const clap_plugin_t* p, const clap_istream_t* stream) { return QueltClap::self(p)->load(stream); }};

const clap_plugin_preset_load_t kPresetLoad = {
    [](const clap_plugin_t* p, uint32_t kind, const char* location, const char* key) {
        return QueltClap::self(p)->loadPreset(kind, location, key);
    }};

const clap_plugin_gui_t kGui = {
    [](const clap_plugin_t*, const char* api, bool floating) {
        return api && std::strcmp(api, kWindowApi) == 0 && !floating;
    },
    [](const clap_plugin_t*, const char** api, bool* floating) {
        if (!api || !floating)
            return false;
        *api = kWindowApi;
        *floating = false;
        return true;
    },
    [](const clap_plugin_t* p, const char* api, bool floating) { return QueltClap::self(p)->createGui(api, floating); },
    [](const clap_plugin_t* p) { QueltClap::self(p)->destroyGui(); },
    [](const clap_plugin_t*, double) { return false; },  // drawn in pixels, one size
    [](const clap_plugin_t*, uint32_t* width, uint32_t* height) {
        if (!width || !height)
            return false;
        *width = QueltPanel::kWidth;
        *height = QueltPanel::kHeight;
        return true;
    },
    [](const clap_plugin_t*) { return false; },
    [](const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; },
    [](const clap_plugin_t*, uint32_t* width, uint32_t* height) {
        if (!width || !height)
            return false;
        *width = QueltPanel::kWidth;
        *height = QueltPanel::kHeight;
        return true;
    },
    [](const clap_plugin_t*, uint32_t width, uint32_t height) {
        return width == static_cast<uint32_t>(QueltPanel::kWidth) && height == static_cast<uint32_t>(QueltPanel::kHeight);
    },
    [](const clap_plugin_t* p, const clap_window_t* window) { return QueltClap::self(p)->setParent(window); },
    [](const clap_plugin_t*, const clap_window_t*) { return false; },  // embedded only
    [](const clap_plugin_t*, const char*) {},
    [](const clap_plugin_t*) { return true; },  // the panel shows with the host's window
    [](const clap_plugin_t*) { return true; }};

const clap_plugin_timer_support_t kTimers = {[](const clap_plugin_t* p, clap_id) { QueltClap::self(p)->idle(); }};
const clap_plugin_posix_fd_support_t kFds = {
    [](const clap_plugin_t* p, int, uint32_t) { QueltClap::self(p)->idle(); }};

const void* QueltClap::extension(const char* id)
{
    if (!id)
        return nullptr;
    const std::pair<const char*, const void*> extensions[] = {
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts},   {CLAP_EXT_NOTE_PORTS, &kNotePorts},
        {CLAP_EXT_PARAMS, &kParams},            {CLAP_EXT_STATE, &kState},
        {CLAP_EXT_PRESET_LOAD, &kPresetLoad},   {CLAP_EXT_PRESET_LOAD_COMPAT, &kPresetLoad},
        {CLAP_EXT_GUI, &kGui},                  {CLAP_EXT_TIMER_SUPPORT, &kTimers},
        {CLAP_EXT_POSIX_FD_SUPPORT, &kFds}};
    for (const auto& [name, table] : extensions)
        if (std::strcmp(id, name) == 0)
            return table;
    return nullptr;
}

#if defined(_WIN32)
// Hosts without timer-support: the panel idles on a thread timer of the window's thread.
struct WindowsTimer
{
    UINT_PTR id;
    QueltClap* plugin;
};
WindowsTimer gTimers[64];

void CALLBACK onWindowsTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    for (const WindowsTimer& t : gTimers)
        if (t.id == id && t.plugin)
            t.plugin->idle();
}

void startWindowsTimer(QueltClap* plugin)
{
    for (WindowsTimer& t : gTimers)
        if (!t.plugin)
        {
            t = {SetTimer(nullptr, 0, kIdleMs, onWindowsTimer), plugin};
            return;
        }
}

void stopWindowsTimer(QueltClap* plugin)
{
    for (WindowsTimer& t : gTimers)
        if (t.plugin == plugin)
        {
            KillTimer(nullptr, t.id);
            t = {};
        }
}
#endif

// ---- factories

const clap_plugin_factory_t kPluginFactory = {
    [](const clap_plugin_factory_t*) -> uint32_t { return 1; },
    [](const clap_plugin_factory_t*, uint32_t index) { return index == 0 ? &kDescriptor : nullptr; },
    [](const clap_plugin_factory_t*, const clap_host_t* host, const char* id) -> const clap_plugin_t* {
        if (!host || !id || std::strcmp(id, kPluginId) != 0)
            return nullptr;
        auto* plugin = new (std::nothrow) QueltClap(host);
        return plugin ? plugin->record() : nullptr;
    }};

// The 16 factory programs, found inside the plug-in itself; a program's load
// key is its number, 0 to 15.
const clap_preset_discovery_provider_descriptor_t kProviderDescriptor = {CLAP_VERSION_INIT, kPresetProviderId,
                                                                         "Quelt factory programs", QueltCore::kVendor};

struct PresetProvider
{
    clap_preset_discovery_provider_t record;
    const clap_preset_discovery_indexer_t* indexer;
};

bool getPresets(const clap_preset_discovery_provider_t*, uint32_t kind, const char* location,
                const clap_preset_discovery_metadata_receiver_t* receiver)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location || !receiver || !receiver->begin_preset)
        return false;
    const QueltCore factory;
    const clap_universal_plugin_id_t id = {"clap", kPluginId};
    for (int32_t program = 0; program < kNumPrograms; ++program)
    {
        char key[4];
        std::snprintf(key, sizeof key, "%d", static_cast<int>(program));
        if (!receiver->begin_preset(receiver, factory.programName(program), key))
            return false;
        if (receiver->add_plugin_id)
            receiver->add_plugin_id(receiver, &id);
        if (receiver->set_flags)
            receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        if (receiver->add_creator)
            receiver->add_creator(receiver, QueltCore::kVendor);
    }
    return true;
}

const clap_preset_discovery_provider_t* createProvider(const clap_preset_discovery_factory_t*,
                                                       const clap_preset_discovery_indexer_t* indexer, const char* id)
{
    if (!indexer || !id || std::strcmp(id, kPresetProviderId) != 0)
        return nullptr;
    auto* provider = new (std::nothrow) PresetProvider{};
    if (!provider)
        return nullptr;
    provider->indexer = indexer;
    provider->record.desc = &kProviderDescriptor;
    provider->record.provider_data = provider;
    provider->record.init = [](const clap_preset_discovery_provider_t* p) {
        const auto* indexer = static_cast<PresetProvider*>(p->provider_data)->indexer;
        const clap_preset_discovery_location_t location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT,
                                                           "Quelt factory programs",
                                                           CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
        return indexer->declare_location && indexer->declare_location(indexer, &location);
    };
    provider->record.destroy = [](const clap_preset_discovery_provider_t* p) {
        delete static_cast<PresetProvider*>(p->provider_data);
    };
    provider->record.get_metadata = getPresets;
    provider->record.get_extension = [](const clap_preset_discovery_provider_t*, const char*) -> const void* {
        return nullptr;
    };
    return &provider->record;
}

const clap_preset_discovery_factory_t kPresetFactory = {
    [](const clap_preset_discovery_factory_t*) -> uint32_t { return 1; },
    [](const clap_preset_discovery_factory_t*, uint32_t index) { return index == 0 ? &kProviderDescriptor : nullptr; },
    createProvider};

const void* getFactory(const char* id)
{
    if (!id)
        return nullptr;
    if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0)
        return &kPluginFactory;
    if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
        std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
        return &kPresetFactory;
    return nullptr;
}

} // namespace

#if defined(_WIN32)
// The panel's bitmaps are this module's resources.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        VSTGUI::platform::setModuleHandle(instance);
    return TRUE;
}
#endif

extern "C" QUELT_CLAP_EXPORT const clap_plugin_entry_t clap_entry = {
    CLAP_VERSION_INIT, [](const char*) { return true; }, [] {}, getFactory};
