// CLAP plug-ins placed on a file's channels and driven block by block, the
// way EffectSession and LayoutSession drive the record interface: ports
// chosen for the file, settings handed over as parameter events,
// activation, latency and the plug-in's requests handled between blocks.
#pragma once

#include "ClapInstance.h"
#include "RenderedEffect.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace ondulaxis::host {

struct ClapParameterAssignment {
    std::size_t index;
    double value;
};

// Finds each setting's parameter by name (any case). A setting whose text
// is a bare number, or that has no text, gives the plug-in's own value; any
// other text goes through the plug-in's text_to_value. Throws HostError for
// an unknown name (listing the names), a text the plug-in does not read, or
// a value outside the parameter's range (giving it).
std::vector<ClapParameterAssignment> resolveClapSettings(const ClapInstance& instance,
                                                         const std::vector<ParameterSetting>& settings);

class ClapSession : public RenderedEffect {
public:
    // [main thread] settings.channels is the file's. Creates the plug-in
    // (one per channel group when its main ports are narrower than the
    // file), selects a ports configuration the file fits, hands the values
    // over (params flush, then again as events in the first process call,
    // a one-frame silent check that the plug-in writes its outputs),
    // activates with (rate, 1, block size) and reads the latency. Throws
    // HostError naming the plug-in when any step fails.
    ClapSession(std::shared_ptr<const ClapLibrary> library, const std::string& pluginId,
                const SessionSettings& settings);
    ~ClapSession() override;

    ClapInstance& instance() { return *groups_.front().instance; }
    const ChannelLayout& layout() const override { return layout_; }
    BypassMode bypassMode() const override { return bypassMode_; }
    int32_t latency() override { return bypassMode_ == BypassMode::host ? 0 : static_cast<int32_t>(latency_); }

    int32_t parameterCount() override { return static_cast<int32_t>(instance().parameters().size()); }
    std::string parameterName(int32_t index) override;
    double parameterValue(int32_t index) override;
    std::string parameterDisplay(int32_t index) override;
    std::string parameterLabel(int32_t) override { return {}; }

    // [main thread: this host renders offline on one thread] First the
    // requests the plug-in made since the last block: a restart is a
    // deactivate and activate, after which the latency must not have
    // changed (HostError otherwise: the output could no longer be aligned).
    void processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames) override;
    void finish() override;

private:
    // One plug-in and the buffers of all its ports; the file's channels of
    // the group go to the first channels of the main (first) ports.
    struct Group {
        std::unique_ptr<ClapInstance> instance;
        std::size_t firstChannel = 0;
        std::vector<std::vector<float>> inputs;  // every channel of every input port, in order
        std::vector<std::vector<float>> outputs;
        std::vector<float*> inputPointers;
        std::vector<float*> outputPointers;
        std::vector<ClapAudioBuffer> inputPorts;
        std::vector<ClapAudioBuffer> outputPorts;
    };
    // The values as events, handed to the first process call and to flush.
    struct EventList {
        std::vector<ClapParamValueEvent> events;
        uint32_t count = 0;  // events visible now: all of them, or none
        ClapInputEvents in{};
        ClapOutputEvents out{};
    };

    void prepare(Group& group);
    void activate(Group& group);
    void run(Group& group, uint32_t frames, bool withEvents);
    // True when it restarted the plug-in.
    bool handleRequests(Group& group);

    ChannelLayout layout_;
    int32_t blockSize_;
    double sampleRate_;
    std::atomic<int64_t>* blockCounter_;
    BypassMode bypassMode_ = BypassMode::none;
    uint32_t latency_ = 0;
    int64_t steadyTime_ = 0;
    EventList events_;
    std::vector<Group> groups_;
};

// A plug-in of a CLAP module as an EffectSource: ClapSessions.
class ClapSource : public EffectSource {
public:
    ClapSource(std::shared_ptr<const ClapLibrary> library, std::string pluginId)
        : library_(std::move(library)), pluginId_(std::move(pluginId)) {}
    std::string name() const override { return library_->path().string() + " (" + pluginId_ + ")"; }
    ChannelLayout planLayout(int channels) const override;
    std::unique_ptr<RenderedEffect> open(const SessionSettings& settings) const override {
        return std::make_unique<ClapSession>(library_, pluginId_, settings);
    }

private:
    std::shared_ptr<const ClapLibrary> library_;
    std::string pluginId_;
};

// The main ports' channels after choosing the configuration that suits a
// file of `channels` channels, as ClapSession plans with them.
ChannelLayout planClapLayout(ClapInstance& instance, int channels);

}  // namespace ondulaxis::host
