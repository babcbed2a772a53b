// What the render pipeline drives, whatever the plug-in format: an effect
// placed on a file's channels, prepared with its settings, fed interleaved
// blocks; and the loaded plug-in that makes such effects.
#pragma once

#include "ChannelLayout.h"
#include "SessionSettings.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ondulaxis::host {

// Parameters by index as a host shows them. Values are the format's own:
// normalised 0..1 for the record interface, the plug-in's plain values for
// CLAP.
class EffectParameters {
public:
    virtual ~EffectParameters() = default;
    // [main thread] all of them
    virtual int32_t parameterCount() = 0;
    virtual std::string parameterName(int32_t index) = 0;
    virtual double parameterValue(int32_t index) = 0;
    virtual std::string parameterDisplay(int32_t index) = 0;
    virtual std::string parameterLabel(int32_t index) = 0;
};

class RenderedEffect : public EffectParameters {
public:
    virtual const ChannelLayout& layout() const = 0;
    virtual BypassMode bypassMode() const = 0;
    // Frames the output lags the input by, at the rate the effect runs at;
    // 0 when the host bypasses it (the copy is not delayed).
    virtual int32_t latency() = 0;
    // Processes `frames` interleaved frames of all the file's channels, at
    // most the block size.
    virtual void processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames) = 0;
    // Switches processing off and releases the plug-in.
    virtual void finish() = 0;
};

// A loaded plug-in (one of a file's, for formats whose files hold several).
class EffectSource {
public:
    virtual ~EffectSource() = default;
    // The file, and the plug-in chosen in it where that matters.
    virtual std::string name() const = 0;
    // The layout a file of `channels` channels would get; refusal set when
    // the plug-in cannot take it.
    virtual ChannelLayout planLayout(int channels) const = 0;
    // [main thread] prepares an effect for settings.channels file channels
    // as LayoutSession does. Throws HostError.
    virtual std::unique_ptr<RenderedEffect> open(const SessionSettings& settings) const = 0;
};

}  // namespace ondulaxis::host
