#include "ClapInstance.h"

#include "HostError.h"

#include <cstring>

namespace ondulaxis::host {

namespace {

// The host's identity and the parts of it a plug-in may ask for. The
// callbacks only record: a plug-in calls them from any thread, and what
// they ask for is done on the main thread between blocks.
constexpr const char* kHostName = "ondulaxis";
constexpr const char* kHostVendor = "Ondulaxis";
constexpr const char* kHostUrl = "";
constexpr const char* kHostVersion = "1.0.0";

std::string boundedText(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

}  // namespace

ClapInstance* ClapInstance::fromHost(const ClapHostRecord* host) {
    return host != nullptr ? static_cast<ClapInstance*>(host->host_data) : nullptr;
}

const void* ClapInstance::hostExtension(const ClapHostRecord* host, const char* id) {
    // The latency is read after every activation, when a plug-in may say it
    // changed; later it has to ask for a restart.
    static const ClapHostLatency latency{[](const ClapHostRecord*) {}};
    static const ClapHostParams params{
        [](const ClapHostRecord*, uint32_t) {},
        [](const ClapHostRecord*, ClapId, uint32_t) {},
        // The values the host sends go out with the next block anyway.
        [](const ClapHostRecord*) {},
    };
    static const ClapHostState state{[](const ClapHostRecord*) {}};
    static const ClapHostAudioPorts audioPorts{
        [](const ClapHostRecord*, uint32_t) { return false; },
        [](const ClapHostRecord*, uint32_t) {},
    };
    static const ClapHostAudioPortsConfig portsConfig{[](const ClapHostRecord*) {}};
    if (fromHost(host) == nullptr || id == nullptr) return nullptr;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &latency;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &params;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &state;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &audioPorts;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS_CONFIG) == 0) return &portsConfig;
    return nullptr;
}

ClapInstance::ClapInstance(std::shared_ptr<const ClapLibrary> library, const std::string& pluginId)
    : library_(std::move(library)), mainThread_(std::this_thread::get_id()) {
    description_ = library_->choose(pluginId);
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = kHostName;
    host_.vendor = kHostVendor;
    host_.url = kHostUrl;
    host_.version = kHostVersion;
    host_.get_extension = &ClapInstance::hostExtension;
    host_.request_restart = [](const ClapHostRecord* host) {
        if (ClapInstance* self = fromHost(host)) self->restartRequested_ = true;
    };
    // Offline, every block is processed anyway.
    host_.request_process = [](const ClapHostRecord*) {};
    host_.request_callback = [](const ClapHostRecord* host) {
        if (ClapInstance* self = fromHost(host)) self->callbackRequested_ = true;
    };
    const ClapPluginFactory& factory = library_->factory();
    plugin_ = factory.create_plugin(&factory, &host_, description_.id.c_str());
    if (plugin_ == nullptr || plugin_->init == nullptr || plugin_->destroy == nullptr ||
        plugin_->activate == nullptr || plugin_->deactivate == nullptr || plugin_->process == nullptr ||
        plugin_->start_processing == nullptr || plugin_->stop_processing == nullptr) {
        throw HostError("plug-in " + displayName() + " could not be created");
    }
    if (!plugin_->init(plugin_)) {
        plugin_->destroy(plugin_);
        throw HostError("plug-in " + displayName() + " failed to initialise");
    }
    params_ = static_cast<const ClapPluginParams*>(extension(CLAP_EXT_PARAMS));
    latency_ = static_cast<const ClapPluginLatency*>(extension(CLAP_EXT_LATENCY));
    audioPorts_ = static_cast<const ClapPluginAudioPorts*>(extension(CLAP_EXT_AUDIO_PORTS));
    portsConfig_ = static_cast<const ClapPluginAudioPortsConfig*>(extension(CLAP_EXT_AUDIO_PORTS_CONFIG));
    readParameters();
}

ClapInstance::~ClapInstance() {
    // Destroyed where it was made; no thread check that could throw here.
    if (processing_) plugin_->stop_processing(plugin_);
    if (active_) plugin_->deactivate(plugin_);
    plugin_->destroy(plugin_);
}

std::string ClapInstance::displayName() const {
    return description_.id + " in " + library_->path().string();
}

const void* ClapInstance::extension(const char* id) const {
    return plugin_->get_extension != nullptr ? plugin_->get_extension(plugin_, id) : nullptr;
}

void ClapInstance::requireMainThread(const char* call) const {
    if (std::this_thread::get_id() != mainThread_) {
        throw HostError(std::string("the host called ") + call + " of plug-in " + displayName() +
                        " away from its main thread");
    }
}

void ClapInstance::readParameters() {
    requireMainThread("params.get_info");
    parameters_.clear();
    if (params_ == nullptr || params_->count == nullptr || params_->get_info == nullptr) return;
    const uint32_t count = params_->count(plugin_);
    for (uint32_t index = 0; index < count; ++index) {
        ClapParamInfo info{};
        if (!params_->get_info(plugin_, index, &info)) {
            throw HostError("plug-in " + displayName() + " gave no information on parameter " + std::to_string(index));
        }
        parameters_.push_back({info.id, info.flags, info.cookie, boundedText(info.name, sizeof info.name),
                               info.min_value, info.max_value, info.default_value});
    }
}

double ClapInstance::value(std::size_t index) const {
    requireMainThread("params.get_value");
    double result = 0.0;
    if (index >= parameters_.size() || params_->get_value == nullptr ||
        !params_->get_value(plugin_, parameters_[index].id, &result)) {
        return index < parameters_.size() ? parameters_[index].defaultValue : 0.0;
    }
    return result;
}

std::string ClapInstance::valueText(std::size_t index, double value) const {
    requireMainThread("params.value_to_text");
    // Far larger than a display needs, and terminated whatever the plug-in writes.
    char text[CLAP_NAME_SIZE + 1] = {};
    if (index >= parameters_.size() || params_->value_to_text == nullptr ||
        !params_->value_to_text(plugin_, parameters_[index].id, value, text, CLAP_NAME_SIZE)) {
        return {};
    }
    return boundedText(text, CLAP_NAME_SIZE);
}

std::optional<double> ClapInstance::textToValue(std::size_t index, const std::string& text) const {
    requireMainThread("params.text_to_value");
    double result = 0.0;
    if (index >= parameters_.size() || params_->text_to_value == nullptr ||
        !params_->text_to_value(plugin_, parameters_[index].id, text.c_str(), &result)) {
        return std::nullopt;
    }
    return result;
}

void ClapInstance::flushParameters(const ClapInputEvents& in, const ClapOutputEvents& out) const {
    if (!active_) requireMainThread("params.flush");
    if (hasParameterFlush()) params_->flush(plugin_, &in, &out);
}

std::vector<ClapPort> ClapInstance::ports(bool input) const {
    requireMainThread("audio_ports.get");
    std::vector<ClapPort> result;
    if (audioPorts_ == nullptr || audioPorts_->count == nullptr || audioPorts_->get == nullptr) return result;
    const uint32_t count = audioPorts_->count(plugin_, input);
    for (uint32_t index = 0; index < count; ++index) {
        ClapAudioPortInfo info{};
        if (!audioPorts_->get(plugin_, index, input, &info)) {
            throw HostError("plug-in " + displayName() + " gave no information on audio " +
                            (input ? "input " : "output ") + std::to_string(index));
        }
        result.push_back({info.id, boundedText(info.name, sizeof info.name), info.flags, info.channel_count,
                          info.port_type != nullptr ? info.port_type : ""});
    }
    return result;
}

std::vector<ClapPortsConfig> ClapInstance::portsConfigs() const {
    requireMainThread("audio_ports_config.get");
    std::vector<ClapPortsConfig> result;
    if (portsConfig_ == nullptr || portsConfig_->count == nullptr || portsConfig_->get == nullptr) return result;
    const uint32_t count = portsConfig_->count(plugin_);
    for (uint32_t index = 0; index < count; ++index) {
        ClapAudioPortsConfig config{};
        if (!portsConfig_->get(plugin_, index, &config)) continue;
        result.push_back({config.id, boundedText(config.name, sizeof config.name), config.has_main_input,
                          config.main_input_channel_count, config.has_main_output, config.main_output_channel_count});
    }
    return result;
}

bool ClapInstance::selectPortsConfig(ClapId id) {
    requireMainThread("audio_ports_config.select");
    if (active_ || portsConfig_ == nullptr || portsConfig_->select == nullptr) return false;
    return portsConfig_->select(plugin_, id);
}

bool ClapInstance::activate(double sampleRate, uint32_t maxFrames) {
    requireMainThread("activate");
    if (active_) return true;
    active_ = plugin_->activate(plugin_, sampleRate, 1, maxFrames);
    return active_;
}

void ClapInstance::deactivate() {
    requireMainThread("deactivate");
    if (processing_) stopProcessing();
    if (active_) plugin_->deactivate(plugin_);
    active_ = false;
}

bool ClapInstance::startProcessing() {
    if (!active_) return false;
    if (!processing_) processing_ = plugin_->start_processing(plugin_);
    return processing_;
}

void ClapInstance::stopProcessing() {
    if (processing_) plugin_->stop_processing(plugin_);
    processing_ = false;
}

ClapProcessStatus ClapInstance::process(const ClapProcessBlock& process) {
    if (!processing_) return CLAP_PROCESS_ERROR;
    return plugin_->process(plugin_, &process);
}

uint32_t ClapInstance::latency() const {
    requireMainThread("latency.get");
    if (!active_ || latency_ == nullptr || latency_->get == nullptr) return 0;
    return latency_->get(plugin_);
}

void ClapInstance::setOfflineRendering() {
    requireMainThread("render.set");
    const auto* render = static_cast<const ClapPluginRender*>(extension(CLAP_EXT_RENDER));
    if (render != nullptr && render->set != nullptr) render->set(plugin_, CLAP_RENDER_OFFLINE);
}

void ClapInstance::runMainThreadCallback() {
    requireMainThread("on_main_thread");
    if (takeCallbackRequest() && plugin_->on_main_thread != nullptr) plugin_->on_main_thread(plugin_);
}

}  // namespace ondulaxis::host
