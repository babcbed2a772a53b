#include "LayoutSession.h"

#include "HostError.h"

namespace ondulaxis::host {

LayoutSession::LayoutSession(std::shared_ptr<const PluginLibrary> library, const SessionSettings& settings)
    : blockCounter_(settings.blockCounter) {
    auto first = std::make_unique<PluginInstance>(library, static_cast<float>(settings.sampleRate),
                                                  settings.blockSize);
    const PluginRecord& record = first->record();
    // A count no plug-in has: a broken record, not a request for memory.
    if (record.numInputs < 0 || record.numOutputs < 0 || record.numInputs > kMaxPins ||
        record.numOutputs > kMaxPins) {
        throw HostError("plug-in " + library->path().string() + " claims " + std::to_string(record.numInputs) +
                        " inputs and " + std::to_string(record.numOutputs) + " outputs; more than " +
                        std::to_string(kMaxPins) + " or fewer than 0 is a broken record");
    }
    layout_ = planChannelLayout(first->record().numInputs, first->record().numOutputs, settings.channels);
    if (!layout_.usable()) {
        throw HostError("cannot render through " + library->path().string() + ": " + layout_.refusal);
    }
    SessionSettings group = settings;
    group.channels = layout_.groupChannels;
    sessions_.push_back(std::make_unique<EffectSession>(std::move(first), group));
    while (static_cast<int>(sessions_.size()) < layout_.instances) {
        sessions_.push_back(std::make_unique<EffectSession>(library, group));
    }
}

void LayoutSession::processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames) {
    const int stride = layout_.fileChannels;
    if (blockCounter_ != nullptr) {
        blockCounter_->store(blockCounter_->load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    for (std::size_t index = 0; index < sessions_.size(); ++index) {
        const std::size_t first = index * static_cast<std::size_t>(layout_.groupChannels);
        sessions_[index]->processBlock(interleavedIn + first, interleavedOut + first, frames, stride);
    }
}

void LayoutSession::finish() {
    for (auto& session : sessions_) session->finish();
}

ChannelLayout PluginLibrarySource::planLayout(int channels) const {
    PluginInstance probe(library_);
    return planChannelLayout(probe.record().numInputs, probe.record().numOutputs, channels);
}

}  // namespace ondulaxis::host
