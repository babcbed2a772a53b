// A plug-in placed on a file's channels the way hosts do it: one instance,
// or one per channel group when the plug-in has fewer pins than the file
// has channels (see ChannelLayout).
#pragma once

#include "ChannelLayout.h"
#include "EffectSession.h"
#include "RenderedEffect.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace ondulaxis::host {

class LayoutSession : public RenderedEffect {
public:
    // More pins than any plug-in has; a record claiming more is broken.
    static constexpr int32_t kMaxPins = 1024;

    // settings.channels is the file's. Reads the plug-in's pins from a first
    // instance, plans the layout, and prepares every instance as
    // EffectSession does. Throws HostError, also for a refused layout.
    LayoutSession(std::shared_ptr<const PluginLibrary> library, const SessionSettings& settings);

    const ChannelLayout& layout() const override { return layout_; }
    // The first instance, which stands for all of them in reports.
    PluginInstance& instance() { return sessions_.front()->instance(); }
    BypassMode bypassMode() const override { return sessions_.front()->bypassMode(); }
    // The delay the plug-in reports (the record's initialDelay) once the
    // settings are handed over, in frames at the rate it runs at; none when
    // the host passes the input on itself.
    int32_t latency() override {
        return bypassMode() == BypassMode::host ? 0 : std::max(0, instance().record().initialDelay);
    }

    int32_t parameterCount() override { return instance().record().numParams; }
    std::string parameterName(int32_t index) override { return instance().parameterName(index); }
    double parameterValue(int32_t index) override { return instance().getParameter(index); }
    std::string parameterDisplay(int32_t index) override { return instance().parameterDisplay(index); }
    std::string parameterLabel(int32_t index) override { return instance().parameterLabel(index); }

    // Processes `frames` interleaved frames of all the file's channels.
    void processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames) override;
    // Suspends and closes every instance.
    void finish() override;

private:
    ChannelLayout layout_;
    std::atomic<int64_t>* blockCounter_ = nullptr;
    std::vector<std::unique_ptr<EffectSession>> sessions_;
};

// A library of the record interface as an EffectSource: LayoutSessions.
class PluginLibrarySource : public EffectSource {
public:
    explicit PluginLibrarySource(std::shared_ptr<const PluginLibrary> library) : library_(std::move(library)) {}
    std::string name() const override { return library_->path().string(); }
    // Creates an instance to read its pins.
    ChannelLayout planLayout(int channels) const override;
    std::unique_ptr<RenderedEffect> open(const SessionSettings& settings) const override {
        return std::make_unique<LayoutSession>(library_, settings);
    }

private:
    std::shared_ptr<const PluginLibrary> library_;
};

}  // namespace ondulaxis::host
