// The LV2 face of an effect of this project: one effect instance per LV2
// instance, driven through an EmbeddedEffect exactly as a host of the C
// interface drives it. This adapter turns port values into normalised
// parameter values and the switch into the effect's bypass, and hands the
// ports' buffers to the process call. Each plug-in library describes its
// ports in a small struct:
//
//   using Effect;                         the effect class
//   stereoUri, monoUri                    the two plug-ins' URIs
//   parameters                            the control inputs' records: ports 0 on
//   hasLatencyPort                        an output the latency goes to follows them
//
// Then come the audio inputs, the audio outputs and a bypass switch.
#pragma once

#include <lv2/core/lv2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <new>

#include "EmbeddedEffect.h"
#include "ParameterRecords.h"
#include "PluginEntry.h"

namespace lv2adapter {

template <class Ports>
class Instance {
    static constexpr uint32_t controlCount = static_cast<uint32_t>(Ports::parameters.count());
    static constexpr uint32_t latencyPort = Ports::hasLatencyPort ? controlCount : std::numeric_limits<uint32_t>::max();
    static constexpr uint32_t firstAudio = Ports::hasLatencyPort ? controlCount + 1 : controlCount;

public:
    explicit Instance(uint32_t channels) noexcept : effect(channels) {
        std::fill(std::begin(sentValues), std::end(sentValues), std::numeric_limits<float>::quiet_NaN());
    }

    // [instantiation thread] creates the effect; false when it cannot be
    // made or `sampleRate` is no rate audio runs at.
    bool open(double sampleRate) noexcept {
        if (!effect.open(createEffectRecord<typename Ports::Effect>) || !effect.setSampleRate(sampleRate)) {
            return false;
        }
        // The pins follow from the layout alone, so the effect learns them
        // now: a host that runs before activating gets this layout's route,
        // not the mono one the effect starts on.
        effect.resume();
        effect.suspend();
        return true;
    }

    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void connect(uint32_t port, void* data) noexcept {
        const uint32_t channels = effect.channels();
        if (port < controlCount) {
            controls[port] = static_cast<const float*>(data);
        } else if (port == latencyPort) {
            latency = static_cast<float*>(data);
        } else if (port >= firstAudio && port < firstAudio + channels) {
            inputs[port - firstAudio] = static_cast<float*>(data);
        } else if (port >= firstAudio && port < firstAudio + 2 * channels) {
            outputs[port - firstAudio - channels] = static_cast<float*>(data);
        } else if (port == firstAudio + 2 * channels) {
            enabled = static_cast<const float*>(data);
        }
    }

    // The effect asks for its pins while resuming; it finds them connected.
    // Every LV2 port is connected before any run, so the pins that exist are
    // the connected ones; pointers cannot be asked at activation, since hosts
    // may connect ports only later. The latency request ("I/O changed") needs
    // no answer: a port carries it.
    void activate() noexcept { effect.resume(); }
    void deactivate() noexcept { effect.suspend(); }

    // [audio thread] no allocation and no lock beyond the effect's own
    // hand-over inside setParameter, setBypass and the process call. A
    // control change is taken by this run, and the latency port tells what
    // the effect runs with after it. Without buffers the changes wait in the
    // effect for a run that has them.
    void run(uint32_t sampleCount) noexcept {
        sendChangedControls();
        sendEnabled();
        if (latency != nullptr) {
            *latency = static_cast<float>(effect.latency());
        }
        effect.process(inputs, outputs, 0, sampleCount);
    }

private:
    void sendChangedControls() noexcept {
        for (uint32_t port = 0; port < controlCount; ++port) {
            if (controls[port] == nullptr) {
                continue;
            }
            const float value = *controls[port];
            // NaN is no value at all; the last one stays.
            if (std::isnan(value) || value == sentValues[port]) {
                continue;
            }
            sentValues[port] = value;
            const ParameterRecord* record = Ports::parameters.find(static_cast<int32_t>(port));
            effect.setParameter(port, record != nullptr ? parameterValues::toNormalised(*record, value) : 0.0f);
        }
    }

    // The switch drives the effect's own bypass: the output is the input as
    // it was (delayed as the effect's output is), and the slew limiter keeps
    // following it for the switch back. A toggle is on above zero.
    void sendEnabled() noexcept {
        if (enabled != nullptr && !std::isnan(*enabled)) {
            effect.setBypass(!(*enabled > 0.0f));
        }
    }

    EmbeddedEffect effect;
    const float* controls[controlCount] = {};
    float sentValues[controlCount];
    float* latency = nullptr;
    float* inputs[2] = {};
    float* outputs[2] = {};
    const float* enabled = nullptr;
};

// The descriptor glue: C entry points that check the handle and forward.
template <class Ports>
struct Entry {
    using Plugin = Instance<Ports>;

    template <uint32_t channels>
    static LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const*) {
        auto* instance = new (std::nothrow) Plugin(channels);
        if (instance != nullptr && !instance->open(sampleRate)) {
            delete instance;
            return nullptr;
        }
        return instance;
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
        {Ports::stereoUri, instantiate<2>, connectPort, activate, run, deactivate, cleanup, extensionData},
        {Ports::monoUri, instantiate<1>, connectPort, activate, run, deactivate, cleanup, extensionData},
    };
};

// lv2_descriptor's answer: the stereo plug-in, then the mono one.
template <class Ports>
const LV2_Descriptor* descriptor(uint32_t index) noexcept {
    constexpr auto& all = Entry<Ports>::descriptors;
    return index < std::size(all) ? &all[index] : nullptr;
}

}  // namespace lv2adapter
