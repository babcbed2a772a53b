// A CLAP module of small test plug-ins, each plain or misbehaving in one
// way, for the CLAP host's tests. Built as ClapStub.clap; ClapStubNoFactory
// and ClapStubNoEntry build the module without its factory or its entry.
#include "ClapAbi.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#define EXPORTED __attribute__((visibility("default")))

namespace {

enum class Kind { gain, delay, crash, badLatency, failInit, restart, constant };

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, nullptr};

// id, name, and what it does.
struct Entry {
    Kind kind;
    ClapPluginDescriptor descriptor;
};

const Entry kEntries[] = {
    {Kind::gain, {CLAP_VERSION, "test.gain", "Gain", "Test", "", "", "", "1.0", "stereo gain in dB", kFeatures}},
    {Kind::delay, {CLAP_VERSION, "test.delay", "Delay", "Test", "", "", "", "1.0", "mono delay line", kFeatures}},
    {Kind::crash, {CLAP_VERSION, "test.crash", "Crash", "Test", "", "", "", "1.0", "dies in block 3", kFeatures}},
    {Kind::badLatency, {CLAP_VERSION, "test.bad-latency", "Bad latency", "Test", "", "", "", "1.0", "", kFeatures}},
    {Kind::failInit, {CLAP_VERSION, "test.fail-init", "Fail init", "Test", "", "", "", "1.0", "", kFeatures}},
    // Asks for a main-thread callback in block 2, which its read-only
    // parameter counts, and for a restart in block 4, after which its
    // latency has grown by its Gain in samples.
    {Kind::restart, {CLAP_VERSION, "test.restart", "Restart", "Test", "", "", "", "1.0", "", kFeatures}},
    // Outputs 0.25 times its gain, writing only the first sample of each
    // channel and marking the channels constant.
    {Kind::constant, {CLAP_VERSION, "test.constant", "Constant", "Test", "", "", "", "1.0", "", kFeatures}},
};

struct Stub {
    ClapPluginRecord plugin{};
    Kind kind = Kind::gain;
    const ClapHostRecord* host = nullptr;
    // Gain: dB. Delay: frames, and the bypass switch.
    double value = 0.0;
    double bypass = 0.0;
    uint32_t channels = 2;
    uint32_t activeDelay = 0;
    std::vector<float> line;  // delay line, sized at activation
    std::size_t position = 0;
    int blocks = 0;
    int activations = 0;
    int callbacks = 0;
    bool active = false;
};

Stub* self(const ClapPluginRecord* plugin) { return static_cast<Stub*>(plugin->plugin_data); }

constexpr ClapId kValueId = 7;
constexpr ClapId kBypassId = 9;
constexpr ClapId kCallbacksId = 11;

uint32_t paramCount(const ClapPluginRecord* plugin) {
    const Kind kind = self(plugin)->kind;
    return kind == Kind::delay || kind == Kind::restart ? 2 : 1;
}

bool paramInfo(const ClapPluginRecord* plugin, uint32_t index, ClapParamInfo* info) {
    if (index >= paramCount(plugin) || info == nullptr) return false;
    *info = {};
    const bool delay = self(plugin)->kind == Kind::delay;
    if (index == 1 && self(plugin)->kind == Kind::restart) {
        info->id = kCallbacksId;
        info->flags = CLAP_PARAM_IS_READONLY | CLAP_PARAM_IS_STEPPED;
        std::snprintf(info->name, sizeof info->name, "Callbacks");
        info->max_value = 1000.0;
        return true;
    }
    if (index == 1) {
        info->id = kBypassId;
        info->flags = CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED;
        std::snprintf(info->name, sizeof info->name, "Bypass");
        info->max_value = 1.0;
        return true;
    }
    info->id = kValueId;
    info->flags = delay ? CLAP_PARAM_IS_STEPPED : 0;
    std::snprintf(info->name, sizeof info->name, delay ? "Delay" : "Gain");
    info->min_value = delay ? 0.0 : -24.0;
    info->max_value = delay ? 1000.0 : 24.0;
    info->default_value = delay ? 3.0 : 0.0;
    return true;
}

bool paramValue(const ClapPluginRecord* plugin, ClapId id, double* value) {
    if (value == nullptr || (id != kValueId && id != kBypassId && id != kCallbacksId)) return false;
    *value = id == kValueId ? self(plugin)->value : id == kBypassId ? self(plugin)->bypass : self(plugin)->callbacks;
    return true;
}

bool valueToText(const ClapPluginRecord* plugin, ClapId id, double value, char* text, uint32_t capacity) {
    if (text == nullptr || capacity == 0) return false;
    if (id == kBypassId) return std::snprintf(text, capacity, "%s", value >= 0.5 ? "On" : "Off") >= 0;
    if (id != kValueId) return false;
    if (self(plugin)->kind == Kind::delay) return std::snprintf(text, capacity, "%.0f smp", value) >= 0;
    return std::snprintf(text, capacity, "%.2f dB", value) >= 0;
}

// "6dB", "-3.5 dB", "12 smp"; the unit must be the parameter's.
bool textToValue(const ClapPluginRecord* plugin, ClapId id, const char* text, double* value) {
    if (text == nullptr || value == nullptr) return false;
    if (id == kBypassId) {
        if (std::strcmp(text, "On") == 0 || std::strcmp(text, "Off") == 0) {
            *value = text[1] == 'n' ? 1.0 : 0.0;
            return true;
        }
        return false;
    }
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text) return false;
    while (*end == ' ') ++end;
    const char* unit = self(plugin)->kind == Kind::delay ? "smp" : "dB";
    if (*end != '\0' && std::strcmp(end, unit) != 0) return false;
    *value = number;
    return true;
}

void takeEvents(Stub* stub, const ClapInputEvents* events) {
    if (events == nullptr) return;
    const uint32_t count = events->size(events);
    for (uint32_t index = 0; index < count; ++index) {
        const ClapEventHeader* header = events->get(events, index);
        if (header == nullptr || header->space_id != CLAP_CORE_EVENT_SPACE_ID || header->type != CLAP_EVENT_PARAM_VALUE) {
            continue;
        }
        const auto* event = reinterpret_cast<const ClapParamValueEvent*>(header);
        if (event->param_id == kValueId) stub->value = event->value;
        if (event->param_id == kBypassId) stub->bypass = event->value;
    }
}

void flush(const ClapPluginRecord* plugin, const ClapInputEvents* in, const ClapOutputEvents*) {
    takeEvents(self(plugin), in);
}

// The delay plug-in has no flush: its values arrive with the first block,
// and a new delay asks the host for a restart.
const ClapPluginParams kParams = {paramCount, paramInfo, paramValue, valueToText, textToValue, flush};
const ClapPluginParams kParamsWithoutFlush = {paramCount, paramInfo, paramValue, valueToText, textToValue,
                                                  nullptr};

uint32_t latency(const ClapPluginRecord* plugin) {
    Stub* stub = self(plugin);
    if (stub->kind == Kind::badLatency) return 0xfffffff0u;
    if (stub->kind == Kind::restart) return static_cast<uint32_t>(stub->activations > 1 ? std::fabs(stub->value) : 0.0);
    return stub->kind == Kind::delay ? stub->activeDelay : 0;
}
const ClapPluginLatency kLatency = {latency};

uint32_t portCount(const ClapPluginRecord*, bool) { return 1; }
bool portInfo(const ClapPluginRecord* plugin, uint32_t index, bool input, ClapAudioPortInfo* info) {
    if (index != 0 || info == nullptr) return false;
    *info = {};
    info->id = input ? 0 : 1;
    std::snprintf(info->name, sizeof info->name, input ? "In" : "Out");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = self(plugin)->channels;
    info->port_type = self(plugin)->channels == 1 ? CLAP_PORT_MONO : CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}
const ClapPluginAudioPorts kPorts = {portCount, portInfo};

// The gain offers mono and stereo configurations; it starts in stereo.
uint32_t configCount(const ClapPluginRecord*) { return 2; }
bool configInfo(const ClapPluginRecord*, uint32_t index, ClapAudioPortsConfig* config) {
    if (index > 1 || config == nullptr) return false;
    *config = {};
    config->id = index + 1;
    std::snprintf(config->name, sizeof config->name, index == 0 ? "Mono" : "Stereo");
    config->input_port_count = 1;
    config->output_port_count = 1;
    config->has_main_input = config->has_main_output = true;
    config->main_input_channel_count = config->main_output_channel_count = index + 1;
    config->main_input_port_type = config->main_output_port_type = index == 0 ? CLAP_PORT_MONO : CLAP_PORT_STEREO;
    return true;
}
bool selectConfig(const ClapPluginRecord* plugin, ClapId id) {
    if (self(plugin)->active || (id != 1 && id != 2)) return false;
    self(plugin)->channels = id;
    return true;
}
const ClapPluginAudioPortsConfig kConfigs = {configCount, configInfo, selectConfig};

bool init(const ClapPluginRecord* plugin) { return self(plugin)->kind != Kind::failInit; }
void destroy(const ClapPluginRecord* plugin) { delete self(plugin); }

bool activate(const ClapPluginRecord* plugin, double, uint32_t minFrames, uint32_t maxFrames) {
    Stub* stub = self(plugin);
    if (minFrames < 1 || maxFrames < minFrames) return false;
    stub->activeDelay = stub->kind == Kind::delay ? static_cast<uint32_t>(stub->value) : 0;
    stub->line.assign(static_cast<std::size_t>(stub->activeDelay + 1) * stub->channels, 0.0f);
    stub->position = 0;
    stub->active = true;
    ++stub->activations;
    // Said while being activated, as the latency protocol allows.
    const auto* latency = static_cast<const ClapHostLatency*>(stub->host->get_extension(stub->host, CLAP_EXT_LATENCY));
    if (latency != nullptr && stub->kind == Kind::delay) latency->changed(stub->host);
    return true;
}
void deactivate(const ClapPluginRecord* plugin) { self(plugin)->active = false; }
bool startProcessing(const ClapPluginRecord*) { return true; }
void stopProcessing(const ClapPluginRecord*) {}
void reset(const ClapPluginRecord*) {}

ClapProcessStatus process(const ClapPluginRecord* plugin, const ClapProcessBlock* process) {
    Stub* stub = self(plugin);
    takeEvents(stub, process->in_events);
    if (stub->kind == Kind::crash && process->frames_count > 1 && ++stub->blocks == 3) std::raise(SIGSEGV);
    if (stub->kind == Kind::restart && process->frames_count > 1) {
        ++stub->blocks;
        if (stub->blocks == 2) stub->host->request_callback(stub->host);
        if (stub->blocks == 4) stub->host->request_restart(stub->host);
    }
    if (process->audio_inputs_count < 1 || process->audio_outputs_count < 1) return CLAP_PROCESS_ERROR;
    const ClapAudioBuffer& in = process->audio_inputs[0];
    ClapAudioBuffer& out = process->audio_outputs[0];
    const uint32_t channels = std::min(in.channel_count, out.channel_count);
    if (stub->kind == Kind::delay) {
        // Bypassed, it still delays, as a plug-in that keeps its latency does.
        const std::size_t length = stub->activeDelay + 1;
        for (uint32_t frame = 0; frame < process->frames_count; ++frame) {
            for (uint32_t channel = 0; channel < channels; ++channel) {
                stub->line[stub->position * channels + channel] = in.data32[channel][frame];
                const std::size_t read = (stub->position + 1) % length;
                const float delayed = stub->line[read * channels + channel];
                out.data32[channel][frame] = stub->bypass >= 0.5 ? delayed : 0.5f * delayed;
            }
            stub->position = (stub->position + 1) % length;
        }
        if (static_cast<uint32_t>(stub->value) != stub->activeDelay) stub->host->request_restart(stub->host);
        return CLAP_PROCESS_CONTINUE;
    }
    const float gain = static_cast<float>(std::pow(10.0, stub->value / 20.0));
    if (stub->kind == Kind::constant) {
        for (uint32_t channel = 0; channel < out.channel_count; ++channel) out.data32[channel][0] = 0.25f * gain;
        out.constant_mask = (uint64_t{1} << out.channel_count) - 1;
        return CLAP_PROCESS_CONTINUE;
    }
    for (uint32_t channel = 0; channel < channels; ++channel) {
        for (uint32_t frame = 0; frame < process->frames_count; ++frame) {
            out.data32[channel][frame] = gain * in.data32[channel][frame];
        }
    }
    return CLAP_PROCESS_CONTINUE;
}

const void* extension(const ClapPluginRecord* plugin, const char* id) {
    const Kind kind = self(plugin)->kind;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return kind == Kind::delay ? &kParamsWithoutFlush : &kParams;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kPorts;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS_CONFIG) == 0 && kind == Kind::gain) return &kConfigs;
    return nullptr;
}
void onMainThread(const ClapPluginRecord* plugin) { ++self(plugin)->callbacks; }

uint32_t pluginCount(const ClapPluginFactory*) { return sizeof kEntries / sizeof kEntries[0]; }
const ClapPluginDescriptor* descriptor(const ClapPluginFactory*, uint32_t index) {
    return index < sizeof kEntries / sizeof kEntries[0] ? &kEntries[index].descriptor : nullptr;
}
const ClapPluginRecord* create(const ClapPluginFactory*, const ClapHostRecord* host, const char* id) {
    for (const Entry& entry : kEntries) {
        if (std::strcmp(entry.descriptor.id, id) != 0) continue;
        Stub* stub = new Stub{};
        stub->plugin = {&entry.descriptor, stub, init, destroy, activate, deactivate, startProcessing,
                        stopProcessing, reset, process, extension, onMainThread};
        stub->kind = entry.kind;
        stub->host = host;
        stub->channels = entry.kind == Kind::delay ? 1 : 2;
        stub->value = entry.kind == Kind::delay ? 3.0 : 0.0;
        return &stub->plugin;
    }
    return nullptr;
}
const ClapPluginFactory kFactory = {pluginCount, descriptor, create};

#if !defined(CLAP_STUB_NoEntry)
bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* factory(const char* id) {
#if defined(CLAP_STUB_NoFactory)
    (void)id;
    (void)kFactory;
    return nullptr;
#else
    return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
#endif
}
#endif

}  // namespace

#if !defined(CLAP_STUB_NoEntry)
extern "C" EXPORTED const ClapEntryTable clap_entry = {CLAP_VERSION, entryInit, entryDeinit, factory};
#else
// A valid shared library, but no CLAP module.
extern "C" EXPORTED int notClapEntry() { return (void)kFactory, 0; }
#endif
