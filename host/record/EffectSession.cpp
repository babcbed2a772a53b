#include "EffectSession.h"

#include "HostError.h"
#include "ParameterResolution.h"
#include "UntouchedOutput.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace ondulaxis::host {

EffectSession::EffectSession(std::shared_ptr<const PluginLibrary> library, const SessionSettings& settings)
    : EffectSession(std::make_unique<PluginInstance>(std::move(library), static_cast<float>(settings.sampleRate),
                                                      settings.blockSize),
                    settings) {}

EffectSession::EffectSession(std::unique_ptr<PluginInstance> instance, const SessionSettings& settings)
    : instance_(std::move(instance)), channels_(settings.channels), blockSize_(settings.blockSize) {
    if (channels_ < 1 || channels_ > 2) {
        throw HostError("cannot process " + std::to_string(channels_) +
                        " channels: only mono and stereo are supported");
    }
    if (blockSize_ < 1) throw HostError("block size must be at least 1");
    const PluginRecord& record = instance_->record();
    if (record.numInputs < channels_ || record.numOutputs < channels_) {
        throw HostError("the plug-in has " + std::to_string(record.numInputs) + " input(s) and " +
                        std::to_string(record.numOutputs) + " output(s); " + std::to_string(channels_) +
                        " of each are needed");
    }
    replacing_ = !settings.accumulate && (record.flags & effFlagsCanReplacing) != 0;

    // The plug-in may index any channel it announces, connected or not.
    const std::size_t inputCount = static_cast<std::size_t>(std::max(record.numInputs, 2));
    const std::size_t outputCount = static_cast<std::size_t>(std::max(record.numOutputs, 2));
    const std::size_t length = static_cast<std::size_t>(blockSize_);
    inputs_.assign(inputCount, std::vector<float>(length, 0.0f));
    outputs_.assign(outputCount, std::vector<float>(length, 0.0f));
    for (auto& buffer : inputs_) inputPointers_.push_back(buffer.data());
    for (auto& buffer : outputs_) outputPointers_.push_back(buffer.data());

    try {
        instance_->open();
        instance_->setSampleRate(static_cast<float>(settings.sampleRate));
        instance_->setBlockSize(blockSize_);
        const std::vector<ParameterAssignment> assignments =
            resolveParameterSettings(*instance_, settings.parameters);
        instance_->setConnections(PinConnections::forChannels(channels_));
        instance_->mainsChanged(true);
        switchedOn_ = true;
        checkProcessing();
        for (const ParameterAssignment& assignment : assignments) {
            instance_->setParameter(assignment.index, assignment.value);
        }
        if (settings.bypass) {
            // A plug-in that does not say it can bypass may ignore the
            // request and go on processing; the host then bypasses it.
            const bool ownBypass = instance_->canDo("bypass") == 1 && instance_->setBypass(true) != 0;
            bypassMode_ = ownBypass ? BypassMode::plugin : BypassMode::host;
        }
        // Some plug-ins take values only at a block, and show and save the
        // older ones until then; an empty block hands them over without
        // touching audio.
        runBlock(0);
    } catch (...) {
        if (switchedOn_) instance_->mainsChanged(false);
        switchedOn_ = false;
        throw;
    }
}

EffectSession::~EffectSession() {
    if (instance_ != nullptr && instance_->isOpen()) {
        if (switchedOn_) instance_->mainsChanged(false);
        instance_->close();
    }
}

void EffectSession::checkProcessing() {
    // Only a replacing plug-in shows whether it wrote its outputs; the
    // interface gives a host no other sign that resume was refused.
    if ((instance_->record().flags & effFlagsCanReplacing) == 0) return;
    prepareOutputCheck(inputs_, outputs_);
    instance_->processReplacing(inputPointers_.data(), outputPointers_.data(), 1);
    if (anyOutputUntouched(outputs_, static_cast<std::size_t>(channels_))) {
        throw HostError("the plug-in did not switch on for " + std::string(channels_ == 1 ? "mono" : "stereo") +
                        " audio: it produced no output after resume");
    }
}

void EffectSession::runBlock(int32_t frames) {
    if (replacing_) {
        instance_->processReplacing(inputPointers_.data(), outputPointers_.data(), frames);
    } else {
        for (auto& buffer : outputs_) std::fill_n(buffer.begin(), frames, 0.0f);
        instance_->process(inputPointers_.data(), outputPointers_.data(), frames);
    }
}

void EffectSession::processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames, int stride) {
    if (frames < 0 || frames > blockSize_) throw HostError("block longer than the announced block size");
    const std::size_t count = static_cast<std::size_t>(frames);
    const std::size_t step = static_cast<std::size_t>(std::max(stride, channels_));
    const std::size_t own = static_cast<std::size_t>(channels_);
    if (bypassMode_ == BypassMode::host) {
        for (std::size_t frame = 0; frame < count; ++frame) {
            std::copy_n(interleavedIn + frame * step, own, interleavedOut + frame * step);
        }
        return;
    }
    for (std::size_t channel = 0; channel < own; ++channel) {
        float* __restrict input = inputs_[channel].data();
        for (std::size_t frame = 0; frame < count; ++frame) input[frame] = interleavedIn[frame * step + channel];
    }
    runBlock(frames);
    for (std::size_t channel = 0; channel < own; ++channel) {
        const float* __restrict output = outputs_[channel].data();
        for (std::size_t frame = 0; frame < count; ++frame) interleavedOut[frame * step + channel] = output[frame];
    }
}

void EffectSession::finish() {
    if (switchedOn_) instance_->mainsChanged(false);
    switchedOn_ = false;
    instance_->close();
}

}  // namespace ondulaxis::host
