// A plug-in placed on a file's channels the way hosts do it: one instance,
// or one per channel group when the plug-in has fewer pins than the file
// has channels (see ChannelLayout).
#pragma once

#include "ChannelLayout.h"
#include "EffectSession.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace ondulaxis::host {

class LayoutSession {
public:
    // settings.channels is the file's. Reads the plug-in's pins from a first
    // instance, plans the layout, and prepares every instance as
    // EffectSession does. Throws HostError, also for a refused layout.
    LayoutSession(std::shared_ptr<const PluginLibrary> library, const SessionSettings& settings);

    const ChannelLayout& layout() const { return layout_; }
    // The first instance, which stands for all of them in reports.
    PluginInstance& instance() { return sessions_.front()->instance(); }
    BypassMode bypassMode() const { return sessions_.front()->bypassMode(); }
    // The delay the plug-in reports (the record's initialDelay) once the
    // settings are handed over, in frames at the rate it runs at.
    int32_t latency() { return std::max(0, instance().record().initialDelay); }

    // Processes `frames` interleaved frames of all the file's channels.
    void processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames);
    // Suspends and closes every instance.
    void finish();

private:
    ChannelLayout layout_;
    std::atomic<int64_t>* blockCounter_ = nullptr;
    std::vector<std::unique_ptr<EffectSession>> sessions_;
};

}  // namespace ondulaxis::host
