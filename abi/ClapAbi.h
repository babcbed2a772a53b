// The CLAP interface as Ondulaxis uses it, on both sides: the plug-in module
// and the command's host. The types carry the project's names; their
// layouts, the constants and the identifier strings are CLAP 1.2's (MIT
// License, Copyright (c) 2021 Alexandre BIQUE), so either side meets any
// other CLAP module or host. Only what the project uses is declared here. The function pointers use the platform's C calling
// convention, which is what the C interface specifies.
#pragma once

#include <cstdint>

extern "C" {

// ---- version, identifiers, strings ---------------------------------------

struct ClapVersion {  // clap_version_t
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};

inline constexpr ClapVersion CLAP_VERSION = {1, 2, 0};

// A module or host of any 1.x version speaks this interface.
inline constexpr bool clapVersionIsCompatible(const ClapVersion v) { return v.major >= 1; }

using ClapId = uint32_t;  // clap_id
inline constexpr ClapId CLAP_INVALID_ID = UINT32_MAX;

inline constexpr uint32_t CLAP_NAME_SIZE = 256;
inline constexpr uint32_t CLAP_PATH_SIZE = 1024;

// ---- streams --------------------------------------------------------------

// Both return the bytes moved, 0 at the end of an input, negative on error.
struct ClapInputStream {  // clap_istream_t
    void* ctx;
    int64_t (*read)(const ClapInputStream* stream, void* buffer, uint64_t size);
};

struct ClapOutputStream {  // clap_ostream_t
    void* ctx;
    int64_t (*write)(const ClapOutputStream* stream, const void* buffer, uint64_t size);
};

// ---- events ---------------------------------------------------------------

struct ClapEventHeader {  // clap_event_header_t
    uint32_t size;      // of the whole event, this header included
    uint32_t time;      // sample offset within the block
    uint16_t space_id;  // CLAP_CORE_EVENT_SPACE_ID for the events below
    uint16_t type;
    uint32_t flags;
};

inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
// The event types of the core space used here.
inline constexpr uint16_t CLAP_EVENT_PARAM_VALUE = 5;
inline constexpr uint16_t CLAP_EVENT_PARAM_GESTURE_BEGIN = 7;
inline constexpr uint16_t CLAP_EVENT_PARAM_GESTURE_END = 8;

struct ClapParamValueEvent {  // clap_event_param_value_t
    ClapEventHeader header;
    ClapId param_id;
    void* cookie;  // the one param info gave, or null
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

// A user's gesture on a parameter begins or ends.
struct ClapParamGestureEvent {  // clap_event_param_gesture_t
    ClapEventHeader header;
    ClapId param_id;
};

struct ClapInputEvents {  // clap_input_events_t
    void* ctx;
    uint32_t (*size)(const ClapInputEvents* list);
    const ClapEventHeader* (*get)(const ClapInputEvents* list, uint32_t index);
};

struct ClapOutputEvents {  // clap_output_events_t
    void* ctx;
    // False when the event could not be queued.
    bool (*try_push)(const ClapOutputEvents* list, const ClapEventHeader* event);
};

// ---- processing -----------------------------------------------------------

struct ClapAudioBuffer {  // clap_audio_buffer_t
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

inline constexpr int32_t CLAP_PROCESS_ERROR = 0;
inline constexpr int32_t CLAP_PROCESS_CONTINUE = 1;
using ClapProcessStatus = int32_t;  // clap_process_status

struct ClapProcessBlock {  // clap_process_t
    int64_t steady_time;  // -1 when not available
    uint32_t frames_count;
    const void* transport;  // the host's transport; not read here
    const ClapAudioBuffer* audio_inputs;
    ClapAudioBuffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const ClapInputEvents* in_events;
    const ClapOutputEvents* out_events;
};

// ---- host -----------------------------------------------------------------

struct ClapHostRecord {  // clap_host_t
    ClapVersion clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // [thread-safe]
    const void* (*get_extension)(const ClapHostRecord* host, const char* extension_id);
    // [thread-safe] deactivate and reactivate the plug-in
    void (*request_restart)(const ClapHostRecord* host);
    // [thread-safe] activate and start processing
    void (*request_process)(const ClapHostRecord* host);
    // [thread-safe] call plugin->on_main_thread on the main thread
    void (*request_callback)(const ClapHostRecord* host);
};

// ---- plug-in --------------------------------------------------------------

struct ClapPluginDescriptor {  // clap_plugin_descriptor_t
    ClapVersion clap_version;
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

struct ClapPluginRecord {  // clap_plugin_t
    const ClapPluginDescriptor* desc;
    void* plugin_data;
    // [main-thread]
    bool (*init)(const ClapPluginRecord* plugin);
    // [main-thread & !active]
    void (*destroy)(const ClapPluginRecord* plugin);
    // [main-thread & !active] frame counts within [1, INT32_MAX]
    bool (*activate)(const ClapPluginRecord* plugin, double sample_rate,
                             uint32_t min_frames_count, uint32_t max_frames_count);
    // [main-thread & active]
    void (*deactivate)(const ClapPluginRecord* plugin);
    // [audio-thread & active & !processing]
    bool (*start_processing)(const ClapPluginRecord* plugin);
    // [audio-thread & active & processing]
    void (*stop_processing)(const ClapPluginRecord* plugin);
    // [audio-thread & active]
    void (*reset)(const ClapPluginRecord* plugin);
    // [audio-thread & active & processing]
    ClapProcessStatus (*process)(const ClapPluginRecord* plugin, const ClapProcessBlock* process);
    // [thread-safe]
    const void* (*get_extension)(const ClapPluginRecord* plugin, const char* id);
    // [main-thread]
    void (*on_main_thread)(const ClapPluginRecord* plugin);
};

// ---- factory and entry ------------------------------------------------------

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct ClapPluginFactory {  // clap_plugin_factory_t
    uint32_t (*get_plugin_count)(const ClapPluginFactory* factory);
    const ClapPluginDescriptor* (*get_plugin_descriptor)(const ClapPluginFactory* factory,
                                                                     uint32_t index);
    const ClapPluginRecord* (*create_plugin)(const ClapPluginFactory* factory,
                                                  const ClapHostRecord* host, const char* plugin_id);
};

// The one symbol a module exports, named clap_entry.
struct ClapEntryTable {  // clap_plugin_entry_t
    ClapVersion clap_version;
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

struct ClapAudioPortInfo {  // clap_audio_port_info_t
    ClapId id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, or null
    ClapId in_place_pair;  // CLAP_INVALID_ID when none
};

struct ClapPluginAudioPorts {  // clap_plugin_audio_ports_t
    // [main-thread]
    uint32_t (*count)(const ClapPluginRecord* plugin, bool is_input);
    // [main-thread]
    bool (*get)(const ClapPluginRecord* plugin, uint32_t index, bool is_input, ClapAudioPortInfo* info);
};

struct ClapHostAudioPorts {  // clap_host_audio_ports_t
    // [main-thread]
    bool (*is_rescan_flag_supported)(const ClapHostRecord* host, uint32_t flag);
    // [main-thread]
    void (*rescan)(const ClapHostRecord* host, uint32_t flags);
};

// ---- audio port configurations ---------------------------------------------

inline constexpr char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";

struct ClapAudioPortsConfig {  // clap_audio_ports_config_t
    ClapId id;
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

struct ClapPluginAudioPortsConfig {  // clap_plugin_audio_ports_config_t
    // [main-thread]
    uint32_t (*count)(const ClapPluginRecord* plugin);
    // [main-thread]
    bool (*get)(const ClapPluginRecord* plugin, uint32_t index, ClapAudioPortsConfig* config);
    // [main-thread & !active] the host scans the audio ports again after it
    bool (*select)(const ClapPluginRecord* plugin, ClapId config_id);
};

struct ClapHostAudioPortsConfig {  // clap_host_audio_ports_config_t
    // [main-thread]
    void (*rescan)(const ClapHostRecord* host);
};

// ---- parameters -------------------------------------------------------------

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

inline constexpr uint32_t CLAP_PARAM_IS_STEPPED = 1 << 0;
inline constexpr uint32_t CLAP_PARAM_IS_HIDDEN = 1 << 2;
inline constexpr uint32_t CLAP_PARAM_IS_READONLY = 1 << 3;
inline constexpr uint32_t CLAP_PARAM_IS_BYPASS = 1 << 4;
inline constexpr uint32_t CLAP_PARAM_IS_AUTOMATABLE = 1 << 5;
inline constexpr uint32_t CLAP_PARAM_IS_ENUM = 1 << 16;

struct ClapParamInfo {  // clap_param_info_t
    ClapId id;
    uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct ClapPluginParams {  // clap_plugin_params_t
    // [main-thread]
    uint32_t (*count)(const ClapPluginRecord* plugin);
    // [main-thread]
    bool (*get_info)(const ClapPluginRecord* plugin, uint32_t param_index, ClapParamInfo* param_info);
    // [main-thread]
    bool (*get_value)(const ClapPluginRecord* plugin, ClapId param_id, double* out_value);
    // [main-thread]
    bool (*value_to_text)(const ClapPluginRecord* plugin, ClapId param_id, double value,
                                  char* out_buffer, uint32_t out_buffer_capacity);
    // [main-thread]
    bool (*text_to_value)(const ClapPluginRecord* plugin, ClapId param_id,
                                  const char* param_value_text, double* out_value);
    // [active ? audio-thread : main-thread] never while process runs
    void (*flush)(const ClapPluginRecord* plugin, const ClapInputEvents* in,
                          const ClapOutputEvents* out);
};

inline constexpr uint32_t CLAP_PARAM_RESCAN_VALUES = 1 << 0;

struct ClapHostParams {  // clap_host_params_t
    // [main-thread]
    void (*rescan)(const ClapHostRecord* host, uint32_t flags);
    // [main-thread]
    void (*clear)(const ClapHostRecord* host, ClapId param_id, uint32_t flags);
    // [thread-safe, !audio-thread]
    void (*request_flush)(const ClapHostRecord* host);
};

// ---- state ------------------------------------------------------------------

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

struct ClapPluginState {  // clap_plugin_state_t
    // [main-thread]
    bool (*save)(const ClapPluginRecord* plugin, const ClapOutputStream* stream);
    // [main-thread]
    bool (*load)(const ClapPluginRecord* plugin, const ClapInputStream* stream);
};

struct ClapHostState {  // clap_host_state_t
    // [main-thread]
    void (*mark_dirty)(const ClapHostRecord* host);
};

// ---- latency ----------------------------------------------------------------

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

struct ClapPluginLatency {  // clap_plugin_latency_t
    // [main-thread & (being-activated | active)] in samples
    uint32_t (*get)(const ClapPluginRecord* plugin);
};

struct ClapHostLatency {  // clap_host_latency_t
    // [main-thread & being-activated]; an active plug-in requests a restart instead
    void (*changed)(const ClapHostRecord* host);
};

// ---- tail -------------------------------------------------------------------

inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";

struct ClapPluginTail {  // clap_plugin_tail_t
    // [main-thread, audio-thread] in samples; INT32_MAX or more is endless
    uint32_t (*get)(const ClapPluginRecord* plugin);
};

struct ClapHostTail {  // clap_host_tail_t
    // [audio-thread]
    void (*changed)(const ClapHostRecord* host);
};

// ---- render mode ------------------------------------------------------------

inline constexpr char CLAP_EXT_RENDER[] = "clap.render";

inline constexpr int32_t CLAP_RENDER_REALTIME = 0;
inline constexpr int32_t CLAP_RENDER_OFFLINE = 1;
using ClapRenderMode = int32_t;  // clap_plugin_render_mode

struct ClapPluginRender {  // clap_plugin_render_t
    // [main-thread]
    bool (*has_hard_realtime_requirement)(const ClapPluginRecord* plugin);
    // [main-thread]
    bool (*set)(const ClapPluginRecord* plugin, ClapRenderMode mode);
};

}  // extern "C"
