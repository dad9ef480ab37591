// The part of the CLAP 1.2 C ABI this plug-in uses, written from the published
// interface: the entry, the plug-in and preset-discovery factories, the plug-in
// and host records, processing with its events and transport, and the
// extensions audio-ports, note-ports, params, state, gui, timer-support,
// posix-fd-support, thread-check and preset-load. Every record's size and
// field offsets are checked below for the 64-bit ABIs and 32-bit Windows.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// ---------------------------------------------------------------- basics

typedef uint32_t clap_id;
static const clap_id CLAP_INVALID_ID = UINT32_MAX;
enum { CLAP_NAME_SIZE = 256, CLAP_PATH_SIZE = 1024 };

typedef struct clap_version
{
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
} clap_version_t;
#define CLAP_VERSION_INIT {1, 2, 2}

struct clap_host;
struct clap_plugin;
struct clap_plugin_descriptor;

typedef struct clap_plugin_entry
{
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)(void);
    const void* (*get_factory)(const char* factory_id);
} clap_plugin_entry_t;

typedef struct clap_plugin_descriptor
{
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;
} clap_plugin_descriptor_t;

#define CLAP_PLUGIN_FACTORY_ID "clap.plugin-factory"
typedef struct clap_plugin_factory
{
    uint32_t (*get_plugin_count)(const struct clap_plugin_factory* factory);
    const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const struct clap_plugin_factory* factory, uint32_t index);
    const struct clap_plugin* (*create_plugin)(const struct clap_plugin_factory* factory, const struct clap_host* host,
                                               const char* plugin_id);
} clap_plugin_factory_t;

typedef struct clap_host
{
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const struct clap_host* host, const char* extension_id);
    void (*request_restart)(const struct clap_host* host);
    void (*request_process)(const struct clap_host* host);
    void (*request_callback)(const struct clap_host* host);
} clap_host_t;

// ---------------------------------------------------------------- events

typedef struct clap_event_header
{
    uint32_t size;
    uint32_t time;  // frame of the block
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
} clap_event_header_t;

static const uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
enum
{
    CLAP_EVENT_IS_LIVE = 1 << 0,
    CLAP_EVENT_DONT_RECORD = 1 << 1
};
enum
{
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12
};

typedef struct clap_event_param_value
{
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
} clap_event_param_value_t;

typedef struct clap_event_param_gesture
{
    clap_event_header_t header;
    clap_id param_id;
} clap_event_param_gesture_t;

typedef struct clap_event_midi
{
    clap_event_header_t header;
    uint16_t port_index;
    uint8_t data[3];
} clap_event_midi_t;

typedef int64_t clap_beattime;
typedef int64_t clap_sectime;
static const int64_t CLAP_BEATTIME_FACTOR = int64_t(1) << 31;
static const int64_t CLAP_SECTIME_FACTOR = int64_t(1) << 31;
enum
{
    CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
    CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
    CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
    CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7
};

typedef struct clap_event_transport
{
    clap_event_header_t header;
    uint32_t flags;
    clap_beattime song_pos_beats;  // quarter notes, fixed point
    clap_sectime song_pos_seconds;
    double tempo;  // quarter notes per minute
    double tempo_inc;
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
} clap_event_transport_t;

typedef struct clap_input_events
{
    void* ctx;
    uint32_t (*size)(const struct clap_input_events* list);
    const clap_event_header_t* (*get)(const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

typedef struct clap_output_events
{
    void* ctx;
    bool (*try_push)(const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

// ---------------------------------------------------------------- processing

typedef struct clap_audio_buffer
{
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
} clap_audio_buffer_t;

typedef int32_t clap_process_status;
enum
{
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4
};

typedef struct clap_process
{
    int64_t steady_time;
    uint32_t frames_count;
    const clap_event_transport_t* transport;
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
} clap_process_t;

typedef struct clap_plugin
{
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    bool (*init)(const struct clap_plugin* plugin);
    void (*destroy)(const struct clap_plugin* plugin);
    bool (*activate)(const struct clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                     uint32_t max_frames_count);
    void (*deactivate)(const struct clap_plugin* plugin);
    bool (*start_processing)(const struct clap_plugin* plugin);
    void (*stop_processing)(const struct clap_plugin* plugin);
    void (*reset)(const struct clap_plugin* plugin);
    clap_process_status (*process)(const struct clap_plugin* plugin, const clap_process_t* process);
    const void* (*get_extension)(const struct clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const struct clap_plugin* plugin);
} clap_plugin_t;

// ---------------------------------------------------------------- audio-ports, note-ports

#define CLAP_EXT_AUDIO_PORTS "clap.audio-ports"
#define CLAP_PORT_STEREO "stereo"
enum
{
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0
};
typedef struct clap_audio_port_info
{
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
} clap_audio_port_info_t;
typedef struct clap_plugin_audio_ports
{
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

#define CLAP_EXT_NOTE_PORTS "clap.note-ports"
enum
{
    CLAP_NOTE_DIALECT_CLAP = 1 << 0,
    CLAP_NOTE_DIALECT_MIDI = 1 << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1 << 3
};
typedef struct clap_note_port_info
{
    clap_id id;
    uint32_t supported_dialects;
    uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
} clap_note_port_info_t;
typedef struct clap_plugin_note_ports
{
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_note_port_info_t* info);
} clap_plugin_note_ports_t;

// ---------------------------------------------------------------- params

#define CLAP_EXT_PARAMS "clap.params"
enum
{
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
    CLAP_PARAM_IS_ENUM = 1 << 16
};
enum
{
    CLAP_PARAM_RESCAN_VALUES = 1 << 0,
    CLAP_PARAM_RESCAN_TEXT = 1 << 1
};
typedef struct clap_param_info
{
    clap_id id;
    uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
} clap_param_info_t;
typedef struct clap_plugin_params
{
    uint32_t (*count)(const clap_plugin_t* plugin);
    bool (*get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);
    bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
    bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value, char* out_buffer,
                          uint32_t out_buffer_capacity);
    bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* param_value_text,
                          double* out_value);
    void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out);
} clap_plugin_params_t;
typedef struct clap_host_params
{
    void (*rescan)(const clap_host_t* host, uint32_t flags);
    void (*clear)(const clap_host_t* host, clap_id param_id, uint32_t flags);
    void (*request_flush)(const clap_host_t* host);
} clap_host_params_t;

// ---------------------------------------------------------------- state

#define CLAP_EXT_STATE "clap.state"
typedef struct clap_istream
{
    void* ctx;
    int64_t (*read)(const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;
typedef struct clap_ostream
{
    void* ctx;
    int64_t (*write)(const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;
typedef struct clap_plugin_state
{
    bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;

// ---------------------------------------------------------------- gui, timers, file descriptors, threads

#define CLAP_EXT_GUI "clap.gui"
#define CLAP_WINDOW_API_WIN32 "win32"
#define CLAP_WINDOW_API_X11 "x11"
typedef struct clap_window
{
    const char* api;
    union
    {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
} clap_window_t;
typedef struct clap_gui_resize_hints
{
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
} clap_gui_resize_hints_t;
typedef struct clap_plugin_gui
{
    bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin_t* plugin);
    bool (*set_scale)(const clap_plugin_t* plugin, double scale);
    bool (*get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool (*can_resize)(const clap_plugin_t* plugin);
    bool (*get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
    bool (*adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool (*set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
    bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
    bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
    void (*suggest_title)(const clap_plugin_t* plugin, const char* title);
    bool (*show)(const clap_plugin_t* plugin);
    bool (*hide)(const clap_plugin_t* plugin);
} clap_plugin_gui_t;
typedef struct clap_host_gui
{
    void (*resize_hints_changed)(const clap_host_t* host);
    bool (*request_resize)(const clap_host_t* host, uint32_t width, uint32_t height);
    bool (*request_show)(const clap_host_t* host);
    bool (*request_hide)(const clap_host_t* host);
    void (*closed)(const clap_host_t* host, bool was_destroyed);
} clap_host_gui_t;

#define CLAP_EXT_TIMER_SUPPORT "clap.timer-support"
typedef struct clap_plugin_timer_support
{
    void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
} clap_plugin_timer_support_t;
typedef struct clap_host_timer_support
{
    bool (*register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);
} clap_host_timer_support_t;

#define CLAP_EXT_POSIX_FD_SUPPORT "clap.posix-fd-support"
enum
{
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2
};
typedef struct clap_plugin_posix_fd_support
{
    void (*on_fd)(const clap_plugin_t* plugin, int fd, uint32_t flags);
} clap_plugin_posix_fd_support_t;
typedef struct clap_host_posix_fd_support
{
    bool (*register_fd)(const clap_host_t* host, int fd, uint32_t flags);
    bool (*modify_fd)(const clap_host_t* host, int fd, uint32_t flags);
    bool (*unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

#define CLAP_EXT_THREAD_CHECK "clap.thread-check"
typedef struct clap_host_thread_check
{
    bool (*is_main_thread)(const clap_host_t* host);
    bool (*is_audio_thread)(const clap_host_t* host);
} clap_host_thread_check_t;

// ---------------------------------------------------------------- presets

#define CLAP_PRESET_DISCOVERY_FACTORY_ID "clap.preset-discovery-factory/2"
#define CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT "clap.preset-discovery-factory/draft-2"
#define CLAP_EXT_PRESET_LOAD "clap.preset-load/2"
#define CLAP_EXT_PRESET_LOAD_COMPAT "clap.preset-load.draft/2"
enum
{
    CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1
};
enum
{
    CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
    CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
    CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
    CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3
};
typedef uint64_t clap_timestamp;
typedef struct clap_universal_plugin_id
{
    const char* abi;
    const char* id;
} clap_universal_plugin_id_t;

typedef struct clap_preset_discovery_metadata_receiver
{
    void* receiver_data;
    void (*on_error)(const struct clap_preset_discovery_metadata_receiver* receiver, int32_t os_error,
                     const char* error_message);
    bool (*begin_preset)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* name,
                         const char* load_key);
    void (*add_plugin_id)(const struct clap_preset_discovery_metadata_receiver* receiver,
                          const clap_universal_plugin_id_t* plugin_id);
    void (*set_soundpack_id)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* soundpack_id);
    void (*set_flags)(const struct clap_preset_discovery_metadata_receiver* receiver, uint32_t flags);
    void (*add_creator)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* creator);
    void (*set_description)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* description);
    void (*set_timestamps)(const struct clap_preset_discovery_metadata_receiver* receiver,
                           clap_timestamp creation_time, clap_timestamp modification_time);
    void (*add_feature)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* feature);
    void (*add_extra_info)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* key,
                           const char* value);
} clap_preset_discovery_metadata_receiver_t;

typedef struct clap_preset_discovery_filetype
{
    const char* name;
    const char* description;
    const char* file_extension;
} clap_preset_discovery_filetype_t;
typedef struct clap_preset_discovery_location
{
    uint32_t flags;
    const char* name;
    uint32_t kind;
    const char* location;
} clap_preset_discovery_location_t;
typedef struct clap_preset_discovery_soundpack
{
    uint32_t flags;
    const char* id;
    const char* name;
    const char* description;
    const char* homepage_url;
    const char* vendor;
    const char* image_path;
    clap_timestamp release_timestamp;
} clap_preset_discovery_soundpack_t;

typedef struct clap_preset_discovery_provider_descriptor
{
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
} clap_preset_discovery_provider_descriptor_t;

typedef struct clap_preset_discovery_indexer
{
    clap_version_t clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool (*declare_filetype)(const struct clap_preset_discovery_indexer* indexer,
                             const clap_preset_discovery_filetype_t* filetype);
    bool (*declare_location)(const struct clap_preset_discovery_indexer* indexer,
                             const clap_preset_discovery_location_t* location);
    bool (*declare_soundpack)(const struct clap_preset_discovery_indexer* indexer,
                              const clap_preset_discovery_soundpack_t* soundpack);
    const void* (*get_extension)(const struct clap_preset_discovery_indexer* indexer, const char* extension_id);
} clap_preset_discovery_indexer_t;

typedef struct clap_preset_discovery_provider
{
    const clap_preset_discovery_provider_descriptor_t* desc;
    void* provider_data;
    bool (*init)(const struct clap_preset_discovery_provider* provider);
    void (*destroy)(const struct clap_preset_discovery_provider* provider);
    bool (*get_metadata)(const struct clap_preset_discovery_provider* provider, uint32_t location_kind,
                         const char* location, const clap_preset_discovery_metadata_receiver_t* metadata_receiver);
    const void* (*get_extension)(const struct clap_preset_discovery_provider* provider, const char* extension_id);
} clap_preset_discovery_provider_t;

typedef struct clap_preset_discovery_factory
{
    uint32_t (*count)(const struct clap_preset_discovery_factory* factory);
    const clap_preset_discovery_provider_descriptor_t* (*get_descriptor)(
        const struct clap_preset_discovery_factory* factory, uint32_t index);
    const clap_preset_discovery_provider_t* (*create)(const struct clap_preset_discovery_factory* factory,
                                                      const clap_preset_discovery_indexer_t* indexer,
                                                      const char* provider_id);
} clap_preset_discovery_factory_t;

typedef struct clap_plugin_preset_load
{
    bool (*from_location)(const clap_plugin_t* plugin, uint32_t location_kind, const char* location,
                          const char* load_key);
} clap_plugin_preset_load_t;
typedef struct clap_host_preset_load
{
    void (*on_error)(const clap_host_t* host, uint32_t location_kind, const char* location, const char* load_key,
                     int32_t os_error, const char* msg);
    void (*loaded)(const clap_host_t* host, uint32_t location_kind, const char* location, const char* load_key);
} clap_host_preset_load_t;

} // extern "C"

// ---------------------------------------------------------------- the layout, as published

namespace clap_abi_check {

// Offsets that differ only with the size of a pointer (and, in records, the
// 8-byte alignment of 64-bit integers and doubles that both ABIs share).
constexpr size_t P = sizeof(void*);
constexpr bool k64 = P == 8;
constexpr size_t pick(size_t on64, size_t on32) { return k64 ? on64 : on32; }

#define QUELT_CLAP_AT(type, field, on64, on32) static_assert(offsetof(type, field) == pick(on64, on32), #type "." #field)
#define QUELT_CLAP_SIZE(type, on64, on32) static_assert(sizeof(type) == pick(on64, on32), "sizeof " #type)

static_assert(P == 8 || P == 4, "a 64-bit or a 32-bit ABI");
static_assert(sizeof(bool) == 1, "bool is one byte");

QUELT_CLAP_SIZE(clap_version_t, 12, 12);
QUELT_CLAP_AT(clap_plugin_entry_t, init, 16, 12);
QUELT_CLAP_AT(clap_plugin_entry_t, deinit, 24, 16);
QUELT_CLAP_AT(clap_plugin_entry_t, get_factory, 32, 20);
QUELT_CLAP_SIZE(clap_plugin_entry_t, 40, 24);
QUELT_CLAP_AT(clap_plugin_descriptor_t, id, 16, 12);
QUELT_CLAP_AT(clap_plugin_descriptor_t, version, 64, 36);
QUELT_CLAP_AT(clap_plugin_descriptor_t, features, 80, 44);
QUELT_CLAP_SIZE(clap_plugin_descriptor_t, 88, 48);
QUELT_CLAP_SIZE(clap_plugin_factory_t, 24, 12);
QUELT_CLAP_AT(clap_host_t, host_data, 16, 12);
QUELT_CLAP_AT(clap_host_t, get_extension, 56, 32);
QUELT_CLAP_AT(clap_host_t, request_callback, 80, 44);
QUELT_CLAP_SIZE(clap_host_t, 88, 48);

QUELT_CLAP_SIZE(clap_event_header_t, 16, 16);
QUELT_CLAP_AT(clap_event_header_t, time, 4, 4);
QUELT_CLAP_AT(clap_event_header_t, space_id, 8, 8);
QUELT_CLAP_AT(clap_event_header_t, type, 10, 10);
QUELT_CLAP_AT(clap_event_header_t, flags, 12, 12);
QUELT_CLAP_AT(clap_event_param_value_t, param_id, 16, 16);
QUELT_CLAP_AT(clap_event_param_value_t, cookie, 24, 20);
QUELT_CLAP_AT(clap_event_param_value_t, note_id, 32, 24);
QUELT_CLAP_AT(clap_event_param_value_t, port_index, 36, 28);
QUELT_CLAP_AT(clap_event_param_value_t, channel, 38, 30);
QUELT_CLAP_AT(clap_event_param_value_t, key, 40, 32);
QUELT_CLAP_AT(clap_event_param_value_t, value, 48, 40);
QUELT_CLAP_SIZE(clap_event_param_value_t, 56, 48);
QUELT_CLAP_SIZE(clap_event_param_gesture_t, 20, 20);
QUELT_CLAP_AT(clap_event_midi_t, port_index, 16, 16);
QUELT_CLAP_AT(clap_event_midi_t, data, 18, 18);
QUELT_CLAP_SIZE(clap_event_midi_t, 24, 24);
QUELT_CLAP_AT(clap_event_transport_t, flags, 16, 16);
QUELT_CLAP_AT(clap_event_transport_t, song_pos_beats, 24, 24);
QUELT_CLAP_AT(clap_event_transport_t, song_pos_seconds, 32, 32);
QUELT_CLAP_AT(clap_event_transport_t, tempo, 40, 40);
QUELT_CLAP_AT(clap_event_transport_t, tempo_inc, 48, 48);
QUELT_CLAP_AT(clap_event_transport_t, loop_start_beats, 56, 56);
QUELT_CLAP_AT(clap_event_transport_t, loop_end_seconds, 80, 80);
QUELT_CLAP_AT(clap_event_transport_t, bar_start, 88, 88);
QUELT_CLAP_AT(clap_event_transport_t, bar_number, 96, 96);
QUELT_CLAP_AT(clap_event_transport_t, tsig_num, 100, 100);
QUELT_CLAP_AT(clap_event_transport_t, tsig_denom, 102, 102);
QUELT_CLAP_SIZE(clap_event_transport_t, 104, 104);
QUELT_CLAP_SIZE(clap_input_events_t, 24, 12);
QUELT_CLAP_SIZE(clap_output_events_t, 16, 8);

QUELT_CLAP_AT(clap_audio_buffer_t, channel_count, 16, 8);
QUELT_CLAP_AT(clap_audio_buffer_t, latency, 20, 12);
QUELT_CLAP_AT(clap_audio_buffer_t, constant_mask, 24, 16);
QUELT_CLAP_SIZE(clap_audio_buffer_t, 32, 24);
QUELT_CLAP_AT(clap_process_t, frames_count, 8, 8);
QUELT_CLAP_AT(clap_process_t, transport, 16, 12);
QUELT_CLAP_AT(clap_process_t, audio_inputs, 24, 16);
QUELT_CLAP_AT(clap_process_t, audio_outputs, 32, 20);
QUELT_CLAP_AT(clap_process_t, audio_inputs_count, 40, 24);
QUELT_CLAP_AT(clap_process_t, audio_outputs_count, 44, 28);
QUELT_CLAP_AT(clap_process_t, in_events, 48, 32);
QUELT_CLAP_AT(clap_process_t, out_events, 56, 36);
QUELT_CLAP_SIZE(clap_process_t, 64, 40);
QUELT_CLAP_AT(clap_plugin_t, init, 16, 8);
QUELT_CLAP_AT(clap_plugin_t, process, 72, 36);
QUELT_CLAP_AT(clap_plugin_t, on_main_thread, 88, 44);
QUELT_CLAP_SIZE(clap_plugin_t, 96, 48);

QUELT_CLAP_AT(clap_audio_port_info_t, name, 4, 4);
QUELT_CLAP_AT(clap_audio_port_info_t, flags, 260, 260);
QUELT_CLAP_AT(clap_audio_port_info_t, channel_count, 264, 264);
QUELT_CLAP_AT(clap_audio_port_info_t, port_type, 272, 268);
QUELT_CLAP_AT(clap_audio_port_info_t, in_place_pair, 280, 272);
QUELT_CLAP_SIZE(clap_audio_port_info_t, 288, 276);
QUELT_CLAP_SIZE(clap_plugin_audio_ports_t, 16, 8);
QUELT_CLAP_AT(clap_note_port_info_t, name, 12, 12);
QUELT_CLAP_SIZE(clap_note_port_info_t, 268, 268);
QUELT_CLAP_SIZE(clap_plugin_note_ports_t, 16, 8);
QUELT_CLAP_AT(clap_param_info_t, cookie, 8, 8);
QUELT_CLAP_AT(clap_param_info_t, name, 16, 12);
QUELT_CLAP_AT(clap_param_info_t, module, 272, 268);
QUELT_CLAP_AT(clap_param_info_t, min_value, 1296, 1296);
QUELT_CLAP_AT(clap_param_info_t, max_value, 1304, 1304);
QUELT_CLAP_AT(clap_param_info_t, default_value, 1312, 1312);
QUELT_CLAP_SIZE(clap_param_info_t, 1320, 1320);
QUELT_CLAP_SIZE(clap_plugin_params_t, 48, 24);
QUELT_CLAP_SIZE(clap_host_params_t, 24, 12);
QUELT_CLAP_SIZE(clap_istream_t, 16, 8);
QUELT_CLAP_SIZE(clap_ostream_t, 16, 8);
QUELT_CLAP_SIZE(clap_plugin_state_t, 16, 8);
QUELT_CLAP_AT(clap_window_t, x11, 8, 4);
QUELT_CLAP_SIZE(clap_window_t, 16, 8);
QUELT_CLAP_AT(clap_gui_resize_hints_t, aspect_ratio_width, 4, 4);
QUELT_CLAP_SIZE(clap_gui_resize_hints_t, 12, 12);
QUELT_CLAP_SIZE(clap_plugin_gui_t, 120, 60);
QUELT_CLAP_SIZE(clap_host_gui_t, 40, 20);
QUELT_CLAP_SIZE(clap_plugin_timer_support_t, 8, 4);
QUELT_CLAP_SIZE(clap_host_timer_support_t, 16, 8);
QUELT_CLAP_SIZE(clap_plugin_posix_fd_support_t, 8, 4);
QUELT_CLAP_SIZE(clap_host_posix_fd_support_t, 24, 12);
QUELT_CLAP_SIZE(clap_host_thread_check_t, 16, 8);

QUELT_CLAP_SIZE(clap_universal_plugin_id_t, 16, 8);
QUELT_CLAP_SIZE(clap_preset_discovery_metadata_receiver_t, 88, 44);
QUELT_CLAP_SIZE(clap_preset_discovery_filetype_t, 24, 12);
QUELT_CLAP_AT(clap_preset_discovery_location_t, name, 8, 4);
QUELT_CLAP_AT(clap_preset_discovery_location_t, kind, 16, 8);
QUELT_CLAP_AT(clap_preset_discovery_location_t, location, 24, 12);
QUELT_CLAP_SIZE(clap_preset_discovery_location_t, 32, 16);
QUELT_CLAP_AT(clap_preset_discovery_soundpack_t, release_timestamp, 56, 32);
QUELT_CLAP_SIZE(clap_preset_discovery_soundpack_t, 64, 40);
QUELT_CLAP_AT(clap_preset_discovery_provider_descriptor_t, id, 16, 12);
QUELT_CLAP_SIZE(clap_preset_discovery_provider_descriptor_t, 40, 24);
QUELT_CLAP_AT(clap_preset_discovery_indexer_t, indexer_data, 48, 28);
QUELT_CLAP_AT(clap_preset_discovery_indexer_t, get_extension, 80, 44);
QUELT_CLAP_SIZE(clap_preset_discovery_indexer_t, 88, 48);
QUELT_CLAP_SIZE(clap_preset_discovery_provider_t, 48, 24);
QUELT_CLAP_SIZE(clap_preset_discovery_factory_t, 24, 12);
QUELT_CLAP_SIZE(clap_plugin_preset_load_t, 8, 4);
QUELT_CLAP_SIZE(clap_host_preset_load_t, 16, 8);

#undef QUELT_CLAP_AT
#undef QUELT_CLAP_SIZE

} // namespace clap_abi_check
