// The LV2 face of an effect of this project: one effect instance per LV2
// instance, driven through its record exactly as a host of the C interface
// drives it. This adapter plays that host: it answers the effect's requests,
// turns port values into normalised parameter values and runs the replacing
// process call. Each plug-in library describes its ports in a small struct:
//
//   using Effect;                         the effect class
//   stereoUri, monoUri                    the two plug-ins' URIs
//   controlCount                          control inputs, ports 0 on, in parameter order
//   latencyPort                           an output the latency goes to, or noPort
//   firstAudioPort                        then the audio inputs, then the outputs
//   hasEnabledPort                        a bypass switch after the audio outputs
//   toNormalised(port, value)             a control port's value as the effect takes it
#pragma once

#include <lv2/core/lv2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>

#include "EmbeddedEffectHost.h"
#include "PluginEntry.h"

namespace lv2adapter {

inline constexpr uint32_t noPort = std::numeric_limits<uint32_t>::max();

// Frames of an input copied aside when an output of another channel shares
// its buffer; longer runs go through in calls of this many frames.
inline constexpr uint32_t asideFrames = 1024;

// Whether [a, a + frames) and [b, b + frames) share a sample.
inline bool overlap(const float* a, const float* b, uint32_t frames) noexcept {
    const auto start = reinterpret_cast<uintptr_t>(a);
    const auto other = reinterpret_cast<uintptr_t>(b);
    const uintptr_t bytes = uintptr_t{frames} * sizeof(float);
    return a != nullptr && b != nullptr && start < other + bytes && other < start + bytes;
}

template <class Ports>
class Instance {
public:
    Instance(uint32_t channels, double sampleRate) noexcept : channels(channels), sampleRate(sampleRate) {
        std::fill(std::begin(sentValues), std::end(sentValues), std::numeric_limits<float>::quiet_NaN());
    }

    // [instantiation thread] creates the effect; false when it cannot be made.
    bool open() noexcept {
        record = createEffectRecord<typename Ports::Effect>(answerEffect);
        if (record == nullptr) {
            return false;
        }
        record->user = this;
        record->dispatcher(record, effOpen, 0, 0, nullptr, 0.0f);
        record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
        // The pins follow from the layout alone, so the effect learns them
        // now: a host that runs before activating gets this layout's route,
        // not the mono one the effect starts on.
        record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f);
        record->dispatcher(record, effMainsChanged, 0, 0, nullptr, 0.0f);
        return true;
    }

    ~Instance() {
        if (record != nullptr) {
            record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);  // deletes the effect
        }
    }

    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void connect(uint32_t port, void* data) noexcept {
        constexpr uint32_t firstAudio = Ports::firstAudioPort;
        if (port < Ports::controlCount) {
            controls[port] = static_cast<const float*>(data);
        } else if (port == Ports::latencyPort) {
            latency = static_cast<float*>(data);
        } else if (port >= firstAudio && port < firstAudio + channels) {
            inputs[port - firstAudio] = static_cast<float*>(data);
        } else if (port >= firstAudio && port < firstAudio + 2 * channels) {
            outputs[port - firstAudio - channels] = static_cast<float*>(data);
        } else if (Ports::hasEnabledPort && port == firstAudio + 2 * channels) {
            enabled = static_cast<const float*>(data);
        }
    }

    // The effect asks for its pins while resuming; it finds them connected.
    void activate() noexcept { record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f); }
    void deactivate() noexcept { record->dispatcher(record, effMainsChanged, 0, 0, nullptr, 0.0f); }

    // [audio thread] no allocation and no lock beyond the effect's own
    // hand-over inside setParameter, setBypass and the process call. A
    // control change is taken by this run, and the latency port tells what
    // the effect runs with after it.
    void run(uint32_t sampleCount) noexcept {
        sendChangedControls();
        sendEnabled();
        if (latency != nullptr) {
            *latency = static_cast<float>(record->initialDelay);
        }
        float* in[2] = {inputs[0], inputs[channels - 1]};
        float* out[2] = {outputs[0], outputs[channels - 1]};
        if (in[0] == nullptr || in[1] == nullptr || out[0] == nullptr || out[1] == nullptr) {
            return;  // the changes wait in the effect for a run with buffers
        }
        // The stereo kernels write output A before they read input B, so an
        // input that an output of the other channel shares (out L = in R, or
        // both swapped) is read from a copy. A channel in place is safe.
        bool aside[2] = {};
        for (uint32_t channel = 0; channel < channels; ++channel) {
            for (uint32_t other = 0; other < channels; ++other) {
                const bool inPlace = other == channel && out[other] == in[channel];
                aside[channel] =
                    aside[channel] || (!inPlace && overlap(in[channel], out[other], sampleCount));
            }
        }
        // The process call counts frames in int32_t.
        const uint32_t largestCall = aside[0] || aside[1] ? asideFrames : std::numeric_limits<int32_t>::max();
        while (sampleCount > 0) {
            const uint32_t frames = std::min(sampleCount, largestCall);
            float* callIn[2] = {in[0], in[1]};
            for (uint32_t channel = 0; channel < channels; ++channel) {
                if (aside[channel]) {
                    std::memcpy(copies[channel], in[channel], frames * sizeof(float));
                    callIn[channel] = copies[channel];
                }
            }
            callIn[1] = callIn[channels - 1];
            record->processReplacing(record, callIn, out, static_cast<int32_t>(frames));
            sampleCount -= frames;
            for (uint32_t channel = 0; channel < 2; ++channel) {
                in[channel] += frames;
                out[channel] += frames;
            }
        }
    }

private:
    // Host requests from the effect. Every LV2 port is connected before any
    // run, so the pins that exist are the connected ones; pointers cannot
    // be asked at activation, since hosts may connect ports only later. The
    // latency request ("I/O changed") needs no answer: a port carries it.
    static intptr_t answerEffect(AEffect* record, int32_t opcode, int32_t index, intptr_t, void*,
                                 float) noexcept {
        const auto* self = record != nullptr ? static_cast<const Instance*>(record->user) : nullptr;
        if (opcode != audioMasterVersion && self == nullptr) {
            return 0;
        }
        return embeddedEffectHost::answer(opcode, index, self != nullptr ? self->channels : 0,
                                          self != nullptr ? self->sampleRate : 0.0);
    }

    void sendChangedControls() noexcept {
        for (uint32_t port = 0; port < Ports::controlCount; ++port) {
            if (controls[port] == nullptr) {
                continue;
            }
            const float value = *controls[port];
            // NaN is no value at all; the last one stays.
            if (std::isnan(value) || value == sentValues[port]) {
                continue;
            }
            sentValues[port] = value;
            record->setParameter(record, static_cast<int32_t>(port), Ports::toNormalised(port, value));
        }
    }

    // The switch drives the effect's own bypass: the output is the input as
    // it was (delayed as the effect's output is), and the slew limiter keeps
    // following it for the switch back. A toggle is on above zero.
    void sendEnabled() noexcept {
        if (enabled == nullptr || std::isnan(*enabled)) {
            return;
        }
        const bool bypass = !(*enabled > 0.0f);
        if (bypass != bypassed) {
            bypassed = bypass;
            record->dispatcher(record, effSetBypass, 0, bypass ? 1 : 0, nullptr, 0.0f);
        }
    }

    const uint32_t channels;
    const double sampleRate;
    AEffect* record = nullptr;
    const float* controls[Ports::controlCount] = {};
    float sentValues[Ports::controlCount];
    float* latency = nullptr;
    float* inputs[2] = {};
    float* outputs[2] = {};
    const float* enabled = nullptr;
    bool bypassed = false;
    float copies[2][asideFrames];
};

// The descriptor glue: C entry points that check the handle and forward.
template <class Ports>
struct Entry {
    using Plugin = Instance<Ports>;

    static LV2_Handle instantiate(uint32_t channels, double sampleRate) noexcept {
        // A rate no audio runs at would reach the effect as a nonsense answer.
        if (!(sampleRate >= 1.0 && sampleRate <= 1.0e7)) {
            return nullptr;
        }
        auto* instance = new (std::nothrow) Plugin(channels, sampleRate);
        if (instance == nullptr) {
            return nullptr;
        }
        if (!instance->open()) {
            delete instance;
            return nullptr;
        }
        return instance;
    }

    static LV2_Handle instantiateStereo(const LV2_Descriptor*, double sampleRate, const char*,
                                        const LV2_Feature* const*) {
        return instantiate(2, sampleRate);
    }

    static LV2_Handle instantiateMono(const LV2_Descriptor*, double sampleRate, const char*,
                                      const LV2_Feature* const*) {
        return instantiate(1, sampleRate);
    }

    static Plugin* fromHandle(LV2_Handle handle) noexcept { return static_cast<Plugin*>(handle); }

    static void connectPort(LV2_Handle handle, uint32_t port, void* data) {
        if (handle != nullptr) fromHandle(handle)->connect(port, data);
    }

    static void activate(LV2_Handle handle) {
        if (handle != nullptr) fromHandle(handle)->activate();
    }

    static void run(LV2_Handle handle, uint32_t sampleCount) {
        if (handle != nullptr) fromHandle(handle)->run(sampleCount);
    }

    static void deactivate(LV2_Handle handle) {
        if (handle != nullptr) fromHandle(handle)->deactivate();
    }

    static void cleanup(LV2_Handle handle) { delete fromHandle(handle); }

    static const void* extensionData(const char*) { return nullptr; }

    static constexpr LV2_Descriptor descriptors[] = {
        {Ports::stereoUri, instantiateStereo, connectPort, activate, run, deactivate, cleanup, extensionData},
        {Ports::monoUri, instantiateMono, connectPort, activate, run, deactivate, cleanup, extensionData},
    };
};

// lv2_descriptor's answer: the stereo plug-in, then the mono one.
template <class Ports>
const LV2_Descriptor* descriptor(uint32_t index) noexcept {
    constexpr auto& all = Entry<Ports>::descriptors;
    return index < std::size(all) ? &all[index] : nullptr;
}

}  // namespace lv2adapter
