#include "ClapPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "ClapParameters.h"
#include "ParameterRecords.h"

namespace {

// Values pass between the audio thread and the main thread without a lock.
static_assert(std::atomic<double>::is_always_lock_free);

bool isParameterValue(const ClapEventHeader* header) noexcept {
    return header != nullptr && header->space_id == CLAP_CORE_EVENT_SPACE_ID &&
           header->type == CLAP_EVENT_PARAM_VALUE && header->size >= sizeof(ClapParamValueEvent);
}

const char* portTypeFor(uint32_t channels) noexcept { return channels == 1 ? CLAP_PORT_MONO : CLAP_PORT_STEREO; }

template <class Extension>
const Extension* hostExtension(const ClapHostRecord* host, const char* id) noexcept {
    return host->get_extension != nullptr ? static_cast<const Extension*>(host->get_extension(host, id)) : nullptr;
}

}  // namespace

// The C entry points: each finds the instance through fromPlugin, forwards,
// and answers neutrally for a null or unknown plug-in or argument. All of
// them and all they call are noexcept: the effect's record entries contain
// its exceptions, and its construction reports failure as a null record.
struct ClapForwarders {
    static bool init(const ClapPluginRecord* plugin) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && self->init();
    }

    static void destroy(const ClapPluginRecord* plugin) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        if (self != nullptr) {
            self->deactivate();  // nothing while inactive
            delete self;
        }
    }

    static bool activate(const ClapPluginRecord* plugin, double sampleRate, uint32_t, uint32_t) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && self->activate(sampleRate);
    }

    static void deactivate(const ClapPluginRecord* plugin) noexcept {
        if (ClapPlugin* self = ClapPlugin::fromPlugin(plugin)) self->deactivate();
    }

    static bool startProcessing(const ClapPluginRecord* plugin) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && self->active.load();
    }

    static void stopProcessing(const ClapPluginRecord*) noexcept {}

    static void reset(const ClapPluginRecord* plugin) noexcept {
        if (ClapPlugin* self = ClapPlugin::fromPlugin(plugin)) self->reset();
    }

    static ClapProcessStatus process(const ClapPluginRecord* plugin, const ClapProcessBlock* process) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        if (self == nullptr || process == nullptr || !self->active.load(std::memory_order_relaxed)) {
            return CLAP_PROCESS_ERROR;
        }
        return self->process(*process);
    }

    static const void* extension(const ClapPluginRecord* plugin, const char* id) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && id != nullptr ? self->extension(id) : nullptr;
    }

    static void onMainThread(const ClapPluginRecord*) noexcept {}

    // ---- audio ports: one main input and one main output, a pair in place ----

    static uint32_t portCount(const ClapPluginRecord* plugin, bool) noexcept {
        return ClapPlugin::fromPlugin(plugin) != nullptr ? 1 : 0;
    }

    static bool portInfo(const ClapPluginRecord* plugin, uint32_t index, bool isInput,
                         ClapAudioPortInfo* info) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        if (self == nullptr || index != 0 || info == nullptr) {
            return false;
        }
        std::memset(info, 0, sizeof *info);
        info->id = 0;
        std::strcpy(info->name, isInput ? "Input" : "Output");
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        info->channel_count = self->effect.channels();
        info->port_type = portTypeFor(self->effect.channels());
        info->in_place_pair = 0;  // the other direction's port 0
        return true;
    }

    // ---- audio port configurations: stereo and mono ----

    static uint32_t configCount(const ClapPluginRecord* plugin) noexcept {
        return ClapPlugin::fromPlugin(plugin) != nullptr ? 2 : 0;
    }

    static bool configInfo(const ClapPluginRecord* plugin, uint32_t index, ClapAudioPortsConfig* config) noexcept {
        if (ClapPlugin::fromPlugin(plugin) == nullptr || index > 1 || config == nullptr) {
            return false;
        }
        const uint32_t channels = index == ClapPlugin::monoConfig ? 1 : 2;
        std::memset(config, 0, sizeof *config);
        config->id = index;
        std::strcpy(config->name, channels == 1 ? "Mono" : "Stereo");
        config->input_port_count = 1;
        config->output_port_count = 1;
        config->has_main_input = true;
        config->main_input_channel_count = channels;
        config->main_input_port_type = portTypeFor(channels);
        config->has_main_output = true;
        config->main_output_channel_count = channels;
        config->main_output_port_type = portTypeFor(channels);
        return true;
    }

    static bool selectConfig(const ClapPluginRecord* plugin, ClapId id) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        if (self == nullptr || id > ClapPlugin::monoConfig || self->active.load()) {
            return false;
        }
        self->effect.setChannels(id == ClapPlugin::monoConfig ? 1 : 2);
        return true;
    }

    // ---- parameters ----

    static uint32_t paramCount(const ClapPluginRecord* plugin) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr ? clapParameters::count(self->kind.parameters) : 0;
    }

    static bool paramInfo(const ClapPluginRecord* plugin, uint32_t index, ClapParamInfo* info) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && clapParameters::describe(self->kind.parameters, index, info);
    }

    static bool paramValue(const ClapPluginRecord* plugin, ClapId id, double* out) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && out != nullptr && self->value(id, *out);
    }

    static bool valueToText(const ClapPluginRecord* plugin, ClapId id, double value, char* text,
                            uint32_t capacity) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        const ParameterRecord* record =
            self != nullptr ? clapParameters::find(self->kind.parameters, id) : nullptr;
        if (record == nullptr) {
            if (text != nullptr && capacity > 0) text[0] = '\0';
            return false;
        }
        return clapParameters::toText(*record, value, text, capacity);
    }

    static bool textToValue(const ClapPluginRecord* plugin, ClapId id, const char* text, double* out) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        const ParameterRecord* record =
            self != nullptr ? clapParameters::find(self->kind.parameters, id) : nullptr;
        return record != nullptr && out != nullptr && clapParameters::fromText(*record, text, *out);
    }

    static void flush(const ClapPluginRecord* plugin, const ClapInputEvents* in,
                      const ClapOutputEvents* out) noexcept {
        if (ClapPlugin* self = ClapPlugin::fromPlugin(plugin)) self->flush(in, out);
    }

    // ---- state, latency, tail, render ----

    static bool save(const ClapPluginRecord* plugin, const ClapOutputStream* stream) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && self->saveState(stream);
    }

    static bool load(const ClapPluginRecord* plugin, const ClapInputStream* stream) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr && self->loadState(stream);
    }

    static uint32_t latency(const ClapPluginRecord* plugin) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr ? self->latency() : 0;
    }

    static uint32_t tail(const ClapPluginRecord* plugin) noexcept {
        const ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        return self != nullptr ? self->tail() : 0;
    }

    static bool hardRealtime(const ClapPluginRecord*) noexcept { return false; }

    static bool setRender(const ClapPluginRecord* plugin, ClapRenderMode mode) noexcept {
        ClapPlugin* self = ClapPlugin::fromPlugin(plugin);
        if (self == nullptr || (mode != CLAP_RENDER_REALTIME && mode != CLAP_RENDER_OFFLINE)) {
            return false;
        }
        // The effect asks for it as the interface's process level: Ondulaxis
        // HQ takes its Render factor offline.
        self->effect.setOffline(mode == CLAP_RENDER_OFFLINE);
        return true;
    }

    static constexpr ClapPluginAudioPorts audioPorts{portCount, portInfo};
    static constexpr ClapPluginAudioPortsConfig audioPortsConfig{configCount, configInfo, selectConfig};
    static constexpr ClapPluginParams params{paramCount, paramInfo, paramValue, valueToText, textToValue, flush};
    static constexpr ClapPluginState state{save, load};
    static constexpr ClapPluginLatency latencyExtension{latency};
    static constexpr ClapPluginTail tailExtension{tail};
    static constexpr ClapPluginRender render{hardRealtime, setRender};
};

const ClapPluginRecord* ClapPlugin::create(const ClapPluginKind& kind, const ClapHostRecord* host) noexcept {
    if (host == nullptr || !clapVersionIsCompatible(host->clap_version)) {
        return nullptr;
    }
    auto* self = new (std::nothrow) ClapPlugin(kind, host);
    if (self != nullptr && !self->effect.isOpen()) {
        delete self;
        return nullptr;
    }
    return self != nullptr ? &self->plugin : nullptr;
}

GestureSink* ClapPlugin::gestureSink(const ClapPluginRecord* plugin) noexcept {
    ClapPlugin* self = fromPlugin(plugin);
    return self != nullptr ? static_cast<GestureSink*>(self) : nullptr;
}

ClapPlugin::ClapPlugin(const ClapPluginKind& kind, const ClapHostRecord* host) noexcept : kind(kind), host(host) {
    plugin = {kind.descriptor,
              this,
              ClapForwarders::init,
              ClapForwarders::destroy,
              ClapForwarders::activate,
              ClapForwarders::deactivate,
              ClapForwarders::startProcessing,
              ClapForwarders::stopProcessing,
              ClapForwarders::reset,
              ClapForwarders::process,
              ClapForwarders::extension,
              ClapForwarders::onMainThread};
    const ParameterTable& table = kind.parameters;
    for (uint32_t id = 0; id < clapState::maxValues; ++id) {
        const ParameterRecord* parameter = clapParameters::find(table, id);
        values[id].store(parameter != nullptr ? clapParameters::defaultValue(*parameter) : 0.0);
    }
    if (effect.open(kind.createEffect)) {
        reportedLatency = effect.latency();
    }
}

ClapPlugin* ClapPlugin::fromPlugin(const ClapPluginRecord* plugin) noexcept {
    if (plugin == nullptr || plugin->init != ClapForwarders::init) {
        return nullptr;
    }
    return static_cast<ClapPlugin*>(plugin->plugin_data);
}

bool ClapPlugin::init() noexcept {
    hostLatency = hostExtension<ClapHostLatency>(host, CLAP_EXT_LATENCY);
    hostParams = hostExtension<ClapHostParams>(host, CLAP_EXT_PARAMS);
    hostTail = hostExtension<ClapHostTail>(host, CLAP_EXT_TAIL);
    return true;
}

bool ClapPlugin::activate(double rate) noexcept {
    if (active.load() || !effect.setSampleRate(rate)) {
        return false;
    }
    // The effect asks for its pins while resuming; the layout answers.
    effect.resume();
    const uint32_t now = effect.latency();
    if (now != reportedLatency) {
        reportedLatency = now;
        if (hostLatency != nullptr && hostLatency->changed != nullptr) {
            hostLatency->changed(host);
        }
    }
    effect.takeChanges(tailChanges);
    reportedTail = tail();
    active.store(true);
    return true;
}

void ClapPlugin::deactivate() noexcept {
    if (!active.load()) {
        return;
    }
    effect.suspend();
    active.store(false);
}

void ClapPlugin::reset() noexcept {
    // Resuming again clears the effect's history at its next block; the
    // layout is the one it runs with, so the pins it asks for are the same.
    if (active.load()) {
        effect.resume();
    }
}

const void* ClapPlugin::extension(const char* id) const noexcept {
    const std::string_view name = id;
    if (name == CLAP_EXT_AUDIO_PORTS) return &ClapForwarders::audioPorts;
    if (name == CLAP_EXT_AUDIO_PORTS_CONFIG) return &ClapForwarders::audioPortsConfig;
    if (name == CLAP_EXT_PARAMS) return &ClapForwarders::params;
    if (name == CLAP_EXT_STATE) return &ClapForwarders::state;
    if (name == CLAP_EXT_LATENCY) return &ClapForwarders::latencyExtension;
    if (name == CLAP_EXT_TAIL) return &ClapForwarders::tailExtension;
    if (name == CLAP_EXT_RENDER) return &ClapForwarders::render;
    return nullptr;
}

void ClapPlugin::setValue(ClapId id, double value) noexcept {
    const ParameterRecord* parameter = clapParameters::find(kind.parameters, id);
    double display = 0.0;
    if (parameter == nullptr || !clapParameters::settle(*parameter, value, display)) {
        return;
    }
    values[id].store(display, std::memory_order_relaxed);
    effect.setParameter(id, clapParameters::normalised(*parameter, display));
}

bool ClapPlugin::value(ClapId id, double& out) const noexcept {
    if (clapParameters::find(kind.parameters, id) == nullptr) {
        return false;
    }
    out = values[id].load(std::memory_order_relaxed);
    return true;
}

void ClapPlugin::flush(const ClapInputEvents* in, const ClapOutputEvents* out) noexcept {
    toHost.sendTo(out);
    if (in == nullptr || in->size == nullptr || in->get == nullptr) {
        return;
    }
    const uint32_t count = in->size(in);
    for (uint32_t index = 0; index < count; ++index) {
        const ClapEventHeader* header = in->get(in, index);
        if (isParameterValue(header)) {
            const auto* event = reinterpret_cast<const ClapParamValueEvent*>(header);
            setValue(event->param_id, event->value);
        }
    }
}

ClapProcessStatus ClapPlugin::process(const ClapProcessBlock& block) noexcept {
    toHost.sendTo(block.out_events);
    const uint32_t frames = block.frames_count;
    const uint32_t channels = effect.channels();
    float* in[2] = {};
    float* out[2] = {};
    bool audio = block.audio_inputs_count >= 1 && block.audio_outputs_count >= 1 &&
                 block.audio_inputs != nullptr && block.audio_outputs != nullptr &&
                 block.audio_inputs[0].data32 != nullptr && block.audio_outputs[0].data32 != nullptr &&
                 block.audio_inputs[0].channel_count >= channels &&
                 block.audio_outputs[0].channel_count >= channels;
    for (uint32_t channel = 0; audio && channel < channels; ++channel) {
        in[channel] = block.audio_inputs[0].data32[channel];
        out[channel] = block.audio_outputs[0].data32[channel];
        audio = in[channel] != nullptr && out[channel] != nullptr;
    }

    // Each parameter event splits the block where it falls: the effect takes
    // a value at the start of its next call. Events at one time all apply
    // before that sample; an event out of order applies where the block is.
    const ClapInputEvents* events = block.in_events;
    const uint32_t count =
        events != nullptr && events->size != nullptr && events->get != nullptr ? events->size(events) : 0;
    uint32_t done = 0;
    for (uint32_t index = 0; index < count; ++index) {
        const ClapEventHeader* header = events->get(events, index);
        if (!isParameterValue(header)) {
            continue;
        }
        const uint32_t at = std::min(header->time, frames);
        if (audio && at > done) {
            effect.process(in, out, done, at - done);
            done = at;
        }
        const auto* event = reinterpret_cast<const ClapParamValueEvent*>(header);
        setValue(event->param_id, event->value);
    }
    if (audio && done < frames) {
        effect.process(in, out, done, frames - done);
    }

    // The tail follows the values: worked out again only after they changed.
    if (hostTail != nullptr && hostTail->changed != nullptr &&
        effect.takeChanges(tailChanges)) {
        const uint32_t now = tail();
        if (now != reportedTail) {
            reportedTail = now;
            hostTail->changed(host);
        }
    }
    // Without buffers the values wait in the effect for a block that has them.
    return audio || frames == 0 ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR;
}

uint32_t ClapPlugin::tail() const noexcept {
    float now[EmbeddedEffect::maxParameters];
    effect.copyValues(now);
    return kind.tailFrames(now);
}

bool ClapPlugin::saveState(const ClapOutputStream* stream) const noexcept {
    double saved[clapState::maxValues];
    const uint32_t count = clapParameters::count(kind.parameters);
    for (uint32_t id = 0; id < count; ++id) {
        saved[id] = values[id].load(std::memory_order_relaxed);
    }
    return clapState::save(stream, kind.stateTag, saved, count);
}

bool ClapPlugin::loadState(const ClapInputStream* stream) noexcept {
    const ParameterTable& table = kind.parameters;
    const uint32_t count = clapParameters::count(table);
    // Values a shorter (earlier) state lacks stay as they are.
    double loaded[clapState::maxValues];
    for (uint32_t id = 0; id < count; ++id) loaded[id] = values[id].load();
    if (!clapState::load(stream, kind.stateTag, loaded, count)) {
        return false;
    }
    // Only values a parameter can hold: nothing is applied unless all are.
    for (uint32_t id = 0; id < count; ++id) {
        double settled = 0.0;
        if (!clapParameters::settle(*clapParameters::find(table, id), loaded[id], settled) ||
            settled != loaded[id]) {
            return false;
        }
    }
    for (uint32_t id = 0; id < count; ++id) {
        setValue(id, loaded[id]);
    }
    if (hostParams != nullptr && hostParams->rescan != nullptr) {
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    }
    return true;
}

void ClapPlugin::begin(int32_t index) noexcept { sendToHost(CLAP_EVENT_PARAM_GESTURE_BEGIN, index); }

void ClapPlugin::change(int32_t index, float normalised) noexcept {
    const ParameterRecord* parameter = clapParameters::find(kind.parameters, static_cast<ClapId>(index));
    if (parameter == nullptr || std::isnan(normalised)) {
        return;
    }
    // In range already, so the value kept is the one the host hears of.
    const double display = clapParameters::fromNormalised(*parameter, normalised);
    setValue(static_cast<ClapId>(index), display);
    sendToHost(CLAP_EVENT_PARAM_VALUE, index, display);
}

void ClapPlugin::end(int32_t index) noexcept { sendToHost(CLAP_EVENT_PARAM_GESTURE_END, index); }

void ClapPlugin::sendToHost(uint16_t type, int32_t index, double value) noexcept {
    if (clapParameters::find(kind.parameters, static_cast<ClapId>(index)) == nullptr) {
        return;
    }
    // A full queue loses the event, not the value: the host still reads it.
    toHost.push(type, static_cast<ClapId>(index), value);
    if (hostParams != nullptr && hostParams->request_flush != nullptr) {
        hostParams->request_flush(host);
    }
}
