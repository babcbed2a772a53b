// The part of CLAP 1.2's C interface that the Ondulaxis plug-ins and the
// project's host use, declared after CLAP's MIT-licensed headers
// (Copyright (c) 2021 Alexandre BIQUE; MIT License): the same layouts,
// constants and string identifiers, so either side meets any other CLAP
// module or host. Only what is used is declared; transport events stay
// opaque. Plain structs in extern "C", as the C interface has them.
#pragma once

#include <cstdint>

#if defined(_WIN32) || defined(__CYGWIN__)
#define CLAP_ABI __cdecl
#else
#define CLAP_ABI
#endif

extern "C" {

// ---- version, identifiers, strings ---------------------------------------

typedef struct clap_version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
} clap_version_t;

inline constexpr clap_version_t CLAP_VERSION = {1, 2, 0};

// A module or host of any 1.x version speaks this interface.
inline constexpr bool clap_version_is_compatible(const clap_version_t v) { return v.major >= 1; }

typedef uint32_t clap_id;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

enum {
    CLAP_NAME_SIZE = 256,
    CLAP_PATH_SIZE = 1024,
};

// ---- streams --------------------------------------------------------------

// Both return the bytes moved, 0 at the end of an input, negative on error.
typedef struct clap_istream {
    void* ctx;
    int64_t(CLAP_ABI* read)(const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;

typedef struct clap_ostream {
    void* ctx;
    int64_t(CLAP_ABI* write)(const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;

// ---- events ---------------------------------------------------------------

typedef struct clap_event_header {
    uint32_t size;      // of the whole event, this header included
    uint32_t time;      // sample offset within the block
    uint16_t space_id;  // CLAP_CORE_EVENT_SPACE_ID for the events below
    uint16_t type;
    uint32_t flags;
} clap_event_header_t;

inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

enum clap_event_flags {
    CLAP_EVENT_IS_LIVE = 1 << 0,
    CLAP_EVENT_DONT_RECORD = 1 << 1,
};

enum {
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
    CLAP_EVENT_MIDI2 = 12,
};

typedef struct clap_event_param_value {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;  // the one param info gave, or null
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
} clap_event_param_value_t;

typedef struct clap_event_param_gesture {
    clap_event_header_t header;
    clap_id param_id;
} clap_event_param_gesture_t;

// Only passed along by pointer here.
typedef struct clap_event_transport clap_event_transport_t;

// Events sorted by time; valid during the call they come with.
typedef struct clap_input_events {
    void* ctx;
    uint32_t(CLAP_ABI* size)(const struct clap_input_events* list);
    const clap_event_header_t*(CLAP_ABI* get)(const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

typedef struct clap_output_events {
    void* ctx;
    // False when the event could not be queued.
    bool(CLAP_ABI* try_push)(const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

// ---- processing -----------------------------------------------------------

typedef struct clap_audio_buffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
} clap_audio_buffer_t;

enum {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};
typedef int32_t clap_process_status;

typedef struct clap_process {
    int64_t steady_time;  // -1 when not available
    uint32_t frames_count;
    const clap_event_transport_t* transport;  // may be null
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
} clap_process_t;

// ---- host -----------------------------------------------------------------

typedef struct clap_host {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // [thread-safe]
    const void*(CLAP_ABI* get_extension)(const struct clap_host* host, const char* extension_id);
    // [thread-safe] deactivate and reactivate the plug-in
    void(CLAP_ABI* request_restart)(const struct clap_host* host);
    // [thread-safe] activate and start processing
    void(CLAP_ABI* request_process)(const struct clap_host* host);
    // [thread-safe] call plugin->on_main_thread on the main thread
    void(CLAP_ABI* request_callback)(const struct clap_host* host);
} clap_host_t;

// ---- plug-in --------------------------------------------------------------

typedef struct clap_plugin_descriptor {
    clap_version_t clap_version;
    const char* id;    // mandatory
    const char* name;  // mandatory
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;  // null-terminated
} clap_plugin_descriptor_t;

typedef struct clap_plugin {
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    // [main-thread]
    bool(CLAP_ABI* init)(const struct clap_plugin* plugin);
    // [main-thread & !active]
    void(CLAP_ABI* destroy)(const struct clap_plugin* plugin);
    // [main-thread & !active] frame counts within [1, INT32_MAX]
    bool(CLAP_ABI* activate)(const struct clap_plugin* plugin, double sample_rate,
                             uint32_t min_frames_count, uint32_t max_frames_count);
    // [main-thread & active]
    void(CLAP_ABI* deactivate)(const struct clap_plugin* plugin);
    // [audio-thread & active & !processing]
    bool(CLAP_ABI* start_processing)(const struct clap_plugin* plugin);
    // [audio-thread & active & processing]
    void(CLAP_ABI* stop_processing)(const struct clap_plugin* plugin);
    // [audio-thread & active]
    void(CLAP_ABI* reset)(const struct clap_plugin* plugin);
    // [audio-thread & active & processing]
    clap_process_status(CLAP_ABI* process)(const struct clap_plugin* plugin, const clap_process_t* process);
    // [thread-safe]
    const void*(CLAP_ABI* get_extension)(const struct clap_plugin* plugin, const char* id);
    // [main-thread]
    void(CLAP_ABI* on_main_thread)(const struct clap_plugin* plugin);
} clap_plugin_t;

// ---- factory and entry ------------------------------------------------------

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

typedef struct clap_plugin_factory {
    uint32_t(CLAP_ABI* get_plugin_count)(const struct clap_plugin_factory* factory);
    const clap_plugin_descriptor_t*(CLAP_ABI* get_plugin_descriptor)(const struct clap_plugin_factory* factory,
                                                                     uint32_t index);
    const clap_plugin_t*(CLAP_ABI* create_plugin)(const struct clap_plugin_factory* factory,
                                                  const clap_host_t* host, const char* plugin_id);
} clap_plugin_factory_t;

// The one symbol a module exports, named clap_entry.
typedef struct clap_plugin_entry {
    clap_version_t clap_version;
    bool(CLAP_ABI* init)(const char* plugin_path);
    void(CLAP_ABI* deinit)(void);
    const void*(CLAP_ABI* get_factory)(const char* factory_id);
} clap_plugin_entry_t;

// ---- feature strings ------------------------------------------------------

#define CLAP_PLUGIN_FEATURE_AUDIO_EFFECT "audio-effect"
#define CLAP_PLUGIN_FEATURE_DISTORTION "distortion"
#define CLAP_PLUGIN_FEATURE_MONO "mono"
#define CLAP_PLUGIN_FEATURE_STEREO "stereo"

// ---- audio ports ------------------------------------------------------------

inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_PORT_MONO[] = "mono";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

enum {
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};

typedef struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, or null
    clap_id in_place_pair;  // CLAP_INVALID_ID when none
} clap_audio_port_info_t;

typedef struct clap_plugin_audio_ports {
    // [main-thread]
    uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin, bool is_input);
    // [main-thread]
    bool(CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

enum {
    CLAP_AUDIO_PORTS_RESCAN_NAMES = 1 << 0,
    CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1 << 1,
    CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1 << 2,
    CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1 << 3,
    CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1 << 4,
    CLAP_AUDIO_PORTS_RESCAN_LIST = 1 << 5,
};

typedef struct clap_host_audio_ports {
    // [main-thread]
    bool(CLAP_ABI* is_rescan_flag_supported)(const clap_host_t* host, uint32_t flag);
    // [main-thread]
    void(CLAP_ABI* rescan)(const clap_host_t* host, uint32_t flags);
} clap_host_audio_ports_t;

// ---- audio port configurations ---------------------------------------------

inline constexpr char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";

typedef struct clap_audio_ports_config {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t input_port_count;
    uint32_t output_port_count;
    bool has_main_input;
    uint32_t main_input_channel_count;
    const char* main_input_port_type;
    bool has_main_output;
    uint32_t main_output_channel_count;
    const char* main_output_port_type;
} clap_audio_ports_config_t;

typedef struct clap_plugin_audio_ports_config {
    // [main-thread]
    uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin);
    // [main-thread]
    bool(CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index, clap_audio_ports_config_t* config);
    // [main-thread & !active] the host scans the audio ports again after it
    bool(CLAP_ABI* select)(const clap_plugin_t* plugin, clap_id config_id);
} clap_plugin_audio_ports_config_t;

typedef struct clap_host_audio_ports_config {
    // [main-thread]
    void(CLAP_ABI* rescan)(const clap_host_t* host);
} clap_host_audio_ports_config_t;

// ---- parameters -------------------------------------------------------------

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

enum {
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    CLAP_PARAM_IS_PERIODIC = 1 << 1,
    CLAP_PARAM_IS_HIDDEN = 1 << 2,
    CLAP_PARAM_IS_READONLY = 1 << 3,
    CLAP_PARAM_IS_BYPASS = 1 << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
    CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1 << 6,
    CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1 << 7,
    CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1 << 8,
    CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1 << 9,
    CLAP_PARAM_IS_MODULATABLE = 1 << 10,
    CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1 << 11,
    CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1 << 12,
    CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1 << 13,
    CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1 << 14,
    CLAP_PARAM_REQUIRES_PROCESS = 1 << 15,
    CLAP_PARAM_IS_ENUM = 1 << 16,
};
typedef uint32_t clap_param_info_flags;

typedef struct clap_param_info {
    clap_id id;
    clap_param_info_flags flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
} clap_param_info_t;

typedef struct clap_plugin_params {
    // [main-thread]
    uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin);
    // [main-thread]
    bool(CLAP_ABI* get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);
    // [main-thread]
    bool(CLAP_ABI* get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
    // [main-thread]
    bool(CLAP_ABI* value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value,
                                  char* out_buffer, uint32_t out_buffer_capacity);
    // [main-thread]
    bool(CLAP_ABI* text_to_value)(const clap_plugin_t* plugin, clap_id param_id,
                                  const char* param_value_text, double* out_value);
    // [active ? audio-thread : main-thread] never while process runs
    void(CLAP_ABI* flush)(const clap_plugin_t* plugin, const clap_input_events_t* in,
                          const clap_output_events_t* out);
} clap_plugin_params_t;

enum {
    CLAP_PARAM_RESCAN_VALUES = 1 << 0,
    CLAP_PARAM_RESCAN_TEXT = 1 << 1,
    CLAP_PARAM_RESCAN_INFO = 1 << 2,
    CLAP_PARAM_RESCAN_ALL = 1 << 3,
};
typedef uint32_t clap_param_rescan_flags;

enum {
    CLAP_PARAM_CLEAR_ALL = 1 << 0,
    CLAP_PARAM_CLEAR_AUTOMATIONS = 1 << 1,
    CLAP_PARAM_CLEAR_MODULATIONS = 1 << 2,
};
typedef uint32_t clap_param_clear_flags;

typedef struct clap_host_params {
    // [main-thread]
    void(CLAP_ABI* rescan)(const clap_host_t* host, clap_param_rescan_flags flags);
    // [main-thread]
    void(CLAP_ABI* clear)(const clap_host_t* host, clap_id param_id, clap_param_clear_flags flags);
    // [thread-safe, !audio-thread]
    void(CLAP_ABI* request_flush)(const clap_host_t* host);
} clap_host_params_t;

// ---- state ------------------------------------------------------------------

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

typedef struct clap_plugin_state {
    // [main-thread]
    bool(CLAP_ABI* save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    // [main-thread]
    bool(CLAP_ABI* load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;

typedef struct clap_host_state {
    // [main-thread]
    void(CLAP_ABI* mark_dirty)(const clap_host_t* host);
} clap_host_state_t;

// ---- latency ----------------------------------------------------------------

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

typedef struct clap_plugin_latency {
    // [main-thread & (being-activated | active)] in samples
    uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_latency_t;

typedef struct clap_host_latency {
    // [main-thread & being-activated]; an active plug-in requests a restart instead
    void(CLAP_ABI* changed)(const clap_host_t* host);
} clap_host_latency_t;

// ---- tail -------------------------------------------------------------------

inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";

typedef struct clap_plugin_tail {
    // [main-thread, audio-thread] in samples; INT32_MAX or more is endless
    uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;

typedef struct clap_host_tail {
    // [audio-thread]
    void(CLAP_ABI* changed)(const clap_host_t* host);
} clap_host_tail_t;

// ---- render mode ------------------------------------------------------------

inline constexpr char CLAP_EXT_RENDER[] = "clap.render";

enum {
    CLAP_RENDER_REALTIME = 0,
    CLAP_RENDER_OFFLINE = 1,
};
typedef int32_t clap_plugin_render_mode;

typedef struct clap_plugin_render {
    // [main-thread]
    bool(CLAP_ABI* has_hard_realtime_requirement)(const clap_plugin_t* plugin);
    // [main-thread]
    bool(CLAP_ABI* set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);
} clap_plugin_render_t;

// ---- log ----------------------------------------------------------------------

inline constexpr char CLAP_EXT_LOG[] = "clap.log";

enum {
    CLAP_LOG_DEBUG = 0,
    CLAP_LOG_INFO = 1,
    CLAP_LOG_WARNING = 2,
    CLAP_LOG_ERROR = 3,
    CLAP_LOG_FATAL = 4,
    CLAP_LOG_HOST_MISBEHAVING = 5,
    CLAP_LOG_PLUGIN_MISBEHAVING = 6,
};
typedef int32_t clap_log_severity;

typedef struct clap_host_log {
    // [thread-safe]
    void(CLAP_ABI* log)(const clap_host_t* host, clap_log_severity severity, const char* msg);
} clap_host_log_t;

}  // extern "C"
