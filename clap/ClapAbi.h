// The CLAP interface as Ondulaxis uses it, on both sides: the plug-in module
// and the command's host. Layouts, constants and identifier strings follow
// CLAP 1.2 (MIT License, Copyright (c) 2021 Alexandre BIQUE), so either side
// meets any other CLAP module or host; only what the project uses is
// declared here. The function pointers use the platform's C calling
// convention, which is what the C interface specifies.
#pragma once

#include <cstdint>

extern "C" {

// ---- version, identifiers, strings ---------------------------------------

struct clap_version_t {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};

inline constexpr clap_version_t CLAP_VERSION = {1, 2, 0};

// A module or host of any 1.x version speaks this interface.
inline constexpr bool clap_version_is_compatible(const clap_version_t v) { return v.major >= 1; }

using clap_id = uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

inline constexpr uint32_t CLAP_NAME_SIZE = 256;
inline constexpr uint32_t CLAP_PATH_SIZE = 1024;

// ---- streams --------------------------------------------------------------

// Both return the bytes moved, 0 at the end of an input, negative on error.
struct clap_istream_t {
    void* ctx;
    int64_t (*read)(const clap_istream_t* stream, void* buffer, uint64_t size);
};

struct clap_ostream_t {
    void* ctx;
    int64_t (*write)(const clap_ostream_t* stream, const void* buffer, uint64_t size);
};

// ---- events ---------------------------------------------------------------

struct clap_event_header_t {
    uint32_t size;      // of the whole event, this header included
    uint32_t time;      // sample offset within the block
    uint16_t space_id;  // CLAP_CORE_EVENT_SPACE_ID for the events below
    uint16_t type;
    uint32_t flags;
};

inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
// The one event type of the core space used here.
inline constexpr uint16_t CLAP_EVENT_PARAM_VALUE = 5;

struct clap_event_param_value_t {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;  // the one param info gave, or null
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

struct clap_input_events_t {
    void* ctx;
    uint32_t (*size)(const clap_input_events_t* list);
    const clap_event_header_t* (*get)(const clap_input_events_t* list, uint32_t index);
};

struct clap_output_events_t {
    void* ctx;
    // False when the event could not be queued.
    bool (*try_push)(const clap_output_events_t* list, const clap_event_header_t* event);
};

// ---- processing -----------------------------------------------------------

struct clap_audio_buffer_t {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

inline constexpr int32_t CLAP_PROCESS_ERROR = 0;
inline constexpr int32_t CLAP_PROCESS_CONTINUE = 1;
using clap_process_status = int32_t;

struct clap_process_t {
    int64_t steady_time;  // -1 when not available
    uint32_t frames_count;
    const void* transport;  // the host's transport; not read here
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
};

// ---- host -----------------------------------------------------------------

struct clap_host_t {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // [thread-safe]
    const void* (*get_extension)(const clap_host_t* host, const char* extension_id);
    // [thread-safe] deactivate and reactivate the plug-in
    void (*request_restart)(const clap_host_t* host);
    // [thread-safe] activate and start processing
    void (*request_process)(const clap_host_t* host);
    // [thread-safe] call plugin->on_main_thread on the main thread
    void (*request_callback)(const clap_host_t* host);
};

// ---- plug-in --------------------------------------------------------------

struct clap_plugin_descriptor_t {
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
};

struct clap_plugin_t {
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    // [main-thread]
    bool (*init)(const clap_plugin_t* plugin);
    // [main-thread & !active]
    void (*destroy)(const clap_plugin_t* plugin);
    // [main-thread & !active] frame counts within [1, INT32_MAX]
    bool (*activate)(const clap_plugin_t* plugin, double sample_rate,
                             uint32_t min_frames_count, uint32_t max_frames_count);
    // [main-thread & active]
    void (*deactivate)(const clap_plugin_t* plugin);
    // [audio-thread & active & !processing]
    bool (*start_processing)(const clap_plugin_t* plugin);
    // [audio-thread & active & processing]
    void (*stop_processing)(const clap_plugin_t* plugin);
    // [audio-thread & active]
    void (*reset)(const clap_plugin_t* plugin);
    // [audio-thread & active & processing]
    clap_process_status (*process)(const clap_plugin_t* plugin, const clap_process_t* process);
    // [thread-safe]
    const void* (*get_extension)(const clap_plugin_t* plugin, const char* id);
    // [main-thread]
    void (*on_main_thread)(const clap_plugin_t* plugin);
};

// ---- factory and entry ------------------------------------------------------

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct clap_plugin_factory_t {
    uint32_t (*get_plugin_count)(const clap_plugin_factory_t* factory);
    const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const clap_plugin_factory_t* factory,
                                                                     uint32_t index);
    const clap_plugin_t* (*create_plugin)(const clap_plugin_factory_t* factory,
                                                  const clap_host_t* host, const char* plugin_id);
};

// The one symbol a module exports, named clap_entry.
struct clap_plugin_entry_t {
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)(void);
    const void* (*get_factory)(const char* factory_id);
};

// ---- feature strings ------------------------------------------------------

inline constexpr char CLAP_PLUGIN_FEATURE_AUDIO_EFFECT[] = "audio-effect";
inline constexpr char CLAP_PLUGIN_FEATURE_DISTORTION[] = "distortion";
inline constexpr char CLAP_PLUGIN_FEATURE_MONO[] = "mono";
inline constexpr char CLAP_PLUGIN_FEATURE_STEREO[] = "stereo";

// ---- audio ports ------------------------------------------------------------

inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_PORT_MONO[] = "mono";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

inline constexpr uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1 << 0;

struct clap_audio_port_info_t {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, or null
    clap_id in_place_pair;  // CLAP_INVALID_ID when none
};

struct clap_plugin_audio_ports_t {
    // [main-thread]
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    // [main-thread]
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
};

struct clap_host_audio_ports_t {
    // [main-thread]
    bool (*is_rescan_flag_supported)(const clap_host_t* host, uint32_t flag);
    // [main-thread]
    void (*rescan)(const clap_host_t* host, uint32_t flags);
};

// ---- audio port configurations ---------------------------------------------

inline constexpr char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";

struct clap_audio_ports_config_t {
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
};

struct clap_plugin_audio_ports_config_t {
    // [main-thread]
    uint32_t (*count)(const clap_plugin_t* plugin);
    // [main-thread]
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, clap_audio_ports_config_t* config);
    // [main-thread & !active] the host scans the audio ports again after it
    bool (*select)(const clap_plugin_t* plugin, clap_id config_id);
};

struct clap_host_audio_ports_config_t {
    // [main-thread]
    void (*rescan)(const clap_host_t* host);
};

// ---- parameters -------------------------------------------------------------

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

inline constexpr uint32_t CLAP_PARAM_IS_STEPPED = 1 << 0;
inline constexpr uint32_t CLAP_PARAM_IS_HIDDEN = 1 << 2;
inline constexpr uint32_t CLAP_PARAM_IS_READONLY = 1 << 3;
inline constexpr uint32_t CLAP_PARAM_IS_BYPASS = 1 << 4;
inline constexpr uint32_t CLAP_PARAM_IS_AUTOMATABLE = 1 << 5;
inline constexpr uint32_t CLAP_PARAM_IS_ENUM = 1 << 16;

struct clap_param_info_t {
    clap_id id;
    uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params_t {
    // [main-thread]
    uint32_t (*count)(const clap_plugin_t* plugin);
    // [main-thread]
    bool (*get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);
    // [main-thread]
    bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
    // [main-thread]
    bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value,
                                  char* out_buffer, uint32_t out_buffer_capacity);
    // [main-thread]
    bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id,
                                  const char* param_value_text, double* out_value);
    // [active ? audio-thread : main-thread] never while process runs
    void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in,
                          const clap_output_events_t* out);
};

inline constexpr uint32_t CLAP_PARAM_RESCAN_VALUES = 1 << 0;

struct clap_host_params_t {
    // [main-thread]
    void (*rescan)(const clap_host_t* host, uint32_t flags);
    // [main-thread]
    void (*clear)(const clap_host_t* host, clap_id param_id, uint32_t flags);
    // [thread-safe, !audio-thread]
    void (*request_flush)(const clap_host_t* host);
};

// ---- state ------------------------------------------------------------------

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

struct clap_plugin_state_t {
    // [main-thread]
    bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    // [main-thread]
    bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
};

struct clap_host_state_t {
    // [main-thread]
    void (*mark_dirty)(const clap_host_t* host);
};

// ---- latency ----------------------------------------------------------------

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

struct clap_plugin_latency_t {
    // [main-thread & (being-activated | active)] in samples
    uint32_t (*get)(const clap_plugin_t* plugin);
};

struct clap_host_latency_t {
    // [main-thread & being-activated]; an active plug-in requests a restart instead
    void (*changed)(const clap_host_t* host);
};

// ---- tail -------------------------------------------------------------------

inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";

struct clap_plugin_tail_t {
    // [main-thread, audio-thread] in samples; INT32_MAX or more is endless
    uint32_t (*get)(const clap_plugin_t* plugin);
};

struct clap_host_tail_t {
    // [audio-thread]
    void (*changed)(const clap_host_t* host);
};

// ---- render mode ------------------------------------------------------------

inline constexpr char CLAP_EXT_RENDER[] = "clap.render";

inline constexpr int32_t CLAP_RENDER_REALTIME = 0;
inline constexpr int32_t CLAP_RENDER_OFFLINE = 1;
using clap_plugin_render_mode = int32_t;

struct clap_plugin_render_t {
    // [main-thread]
    bool (*has_hard_realtime_requirement)(const clap_plugin_t* plugin);
    // [main-thread]
    bool (*set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);
};

}  // extern "C"
