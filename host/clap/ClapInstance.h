// One CLAP plug-in created from a module's factory, with the host record
// it talks back through. Main-thread calls are refused from any thread but
// the one that created the instance.
#pragma once

#include "ClapLibrary.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ondulaxis::host {

struct ClapParameter {
    ClapId id = CLAP_INVALID_ID;
    uint32_t flags = 0;
    void* cookie = nullptr;
    std::string name;
    double minimum = 0.0;
    double maximum = 0.0;
    double defaultValue = 0.0;
};

struct ClapPort {
    ClapId id = CLAP_INVALID_ID;
    std::string name;
    uint32_t flags = 0;
    uint32_t channels = 0;
    std::string type;
};

struct ClapPortsConfig {
    ClapId id = CLAP_INVALID_ID;
    std::string name;
    bool hasMainInput = false;
    uint32_t mainInputChannels = 0;
    bool hasMainOutput = false;
    uint32_t mainOutputChannels = 0;
};

class ClapInstance {
public:
    // [main thread] create_plugin, then init. Throws HostError naming the
    // plug-in when the factory gives none or init fails (destroying it).
    ClapInstance(std::shared_ptr<const ClapLibrary> library, const std::string& pluginId);
    // [main thread] stops, deactivates and destroys what is still running.
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    // "ID in FILE", for messages.
    std::string displayName() const;

    // [main thread] read once, at creation.
    const std::vector<ClapParameter>& parameters() const { return parameters_; }
    double value(std::size_t index) const;
    // The plug-in's text for `value`; empty when it has none.
    std::string valueText(std::size_t index, double value) const;
    std::optional<double> textToValue(std::size_t index, const std::string& text) const;
    bool hasParameterFlush() const { return params_ != nullptr && params_->flush != nullptr; }
    // [main thread while inactive, audio thread while active]
    void flushParameters(const ClapInputEvents& in, const ClapOutputEvents& out) const;

    // [main thread] without the audio-ports extension: none.
    std::vector<ClapPort> ports(bool input) const;
    std::vector<ClapPortsConfig> portsConfigs() const;
    // [main thread, inactive]
    bool selectPortsConfig(ClapId id);

    // [main thread] activate(rate, 1, maxFrames). False when refused.
    bool activate(double sampleRate, uint32_t maxFrames);
    void deactivate();
    bool isActive() const { return active_; }
    // [audio thread, active]
    bool startProcessing();
    void stopProcessing();
    ClapProcessStatus process(const ClapProcessBlock& process);
    // [main thread, active] the latency extension's answer; 0 without it.
    uint32_t latency() const;
    // [main thread] tells the plug-in the render is offline, if it listens.
    void setOfflineRendering();

    // What the plug-in asked for since the last take; [any thread].
    bool takeRestartRequest() { return restartRequested_.exchange(false); }
    bool takeCallbackRequest() { return callbackRequested_.exchange(false); }
    // [main thread] on_main_thread, when the plug-in asked for it.
    void runMainThreadCallback();

private:
    static ClapInstance* fromHost(const ClapHostRecord* host);
    static const void* hostExtension(const ClapHostRecord* host, const char* id);
    void requireMainThread(const char* call) const;
    void readParameters();
    const void* extension(const char* id) const;

    std::shared_ptr<const ClapLibrary> library_;
    ClapPluginDescription description_;
    ClapHostRecord host_{};
    const ClapPluginRecord* plugin_ = nullptr;
    std::thread::id mainThread_;
    const ClapPluginParams* params_ = nullptr;
    const ClapPluginLatency* latency_ = nullptr;
    const ClapPluginAudioPorts* audioPorts_ = nullptr;
    const ClapPluginAudioPortsConfig* portsConfig_ = nullptr;
    std::vector<ClapParameter> parameters_;
    bool active_ = false;
    bool processing_ = false;
    std::atomic<bool> restartRequested_{false};
    std::atomic<bool> callbackRequested_{false};
};

}  // namespace ondulaxis::host
