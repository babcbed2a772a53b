// The LV2 face of the effect: one Ondulaxis instance per LV2 instance, driven
// through its record exactly as a host of the C interface drives it. This
// file plays that host: it answers the effect's requests, turns port values
// into normalised parameter values and runs the replacing process call.
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "Ondulaxis.h"
#include "PluginEntry.h"
#include "PortValues.h"

namespace {

constexpr char stereoUri[] = "https://ondulaxis.example/lv2/stereo";
constexpr char monoUri[] = "https://ondulaxis.example/lv2/mono";

// The interface version this host claims, the one the effect is written for.
constexpr intptr_t hostVersion = 2400;

// Ports: the eight controls in parameter order, then the audio inputs, then
// the audio outputs.
constexpr uint32_t firstAudioPort = paramCount;

class Lv2Instance {
public:
    Lv2Instance(uint32_t channels, double sampleRate) noexcept
        : channels(channels), sampleRate(sampleRate) {
        for (float& value : sentValues) {
            value = std::numeric_limits<float>::quiet_NaN();
        }
    }

    // [instantiation thread] creates the effect; false when it cannot be made.
    bool open() noexcept {
        record = createEffectRecord<Ondulaxis>(answerEffect);
        if (record == nullptr) {
            return false;
        }
        record->user = this;
        record->dispatcher(record, effOpen, 0, 0, nullptr, 0.0f);
        record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
        return true;
    }

    ~Lv2Instance() {
        if (record != nullptr) {
            record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);  // deletes the effect
        }
    }

    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    void connect(uint32_t port, void* data) noexcept {
        if (port < firstAudioPort) {
            controls[port] = static_cast<const float*>(data);
        } else if (port < firstAudioPort + channels) {
            inputs[port - firstAudioPort] = static_cast<float*>(data);
        } else if (port < firstAudioPort + 2 * channels) {
            outputs[port - firstAudioPort - channels] = static_cast<float*>(data);
        }
    }

    // The effect asks for its pins while resuming; it finds them connected.
    void activate() noexcept { record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f); }
    void deactivate() noexcept { record->dispatcher(record, effMainsChanged, 0, 0, nullptr, 0.0f); }

    // [audio thread] no allocation and no lock beyond the effect's own
    // hand-over inside setParameter and the process call.
    void run(uint32_t sampleCount) noexcept {
        sendChangedControls();
        // A mono instance hands its one channel in both slots; the mono route
        // reads only the first.
        float* in[2] = {inputs[0], inputs[channels - 1]};
        float* out[2] = {outputs[0], outputs[channels - 1]};
        // The process call counts frames in int32_t.
        constexpr uint32_t largestCall = std::numeric_limits<int32_t>::max();
        while (sampleCount > 0) {
            const uint32_t frames = sampleCount < largestCall ? sampleCount : largestCall;
            record->processReplacing(record, in, out, static_cast<int32_t>(frames));
            sampleCount -= frames;
            for (uint32_t channel = 0; channel < 2; ++channel) {
                if (in[channel] != nullptr) in[channel] += frames;
                if (out[channel] != nullptr) out[channel] += frames;
            }
        }
    }

private:
    // Host requests from the effect. Every LV2 port is connected before any
    // run, so the pins that exist are the connected ones; pointers cannot
    // be asked at activation, since hosts may connect ports only later.
    static intptr_t answerEffect(AEffect* record, int32_t opcode, int32_t index, intptr_t,
                                 void*, float) noexcept {
        if (opcode == audioMasterVersion) {
            return hostVersion;
        }
        const auto* self = record != nullptr ? static_cast<const Lv2Instance*>(record->user) : nullptr;
        if (self == nullptr) {
            return 0;
        }
        switch (opcode) {
            case audioMasterPinConnected:
                // 0 answers connected; inputs and outputs pair up.
                return index >= 0 && static_cast<uint32_t>(index) < self->channels ? 0 : 1;
            case audioMasterGetSampleRate:
                return static_cast<intptr_t>(self->sampleRate);
            default:
                return 0;
        }
    }

    void sendChangedControls() noexcept {
        for (int32_t index = 0; index < paramCount; ++index) {
            const float* port = controls[index];
            if (port == nullptr) {
                continue;
            }
            const float value = *port;
            // NaN is no value at all; the last one stays.
            if (std::isnan(value) || value == sentValues[index]) {
                continue;
            }
            sentValues[index] = value;
            record->setParameter(record, index, portValues::toNormalised(index, value));
        }
    }

    const uint32_t channels;
    const double sampleRate;
    AEffect* record = nullptr;
    const float* controls[paramCount] = {};
    float sentValues[paramCount];
    float* inputs[2] = {};
    float* outputs[2] = {};
};

LV2_Handle instantiate(uint32_t channels, double sampleRate) noexcept {
    // A rate no audio runs at would reach the effect as a nonsense answer.
    if (!(sampleRate >= 1.0 && sampleRate <= 1.0e7)) {
        return nullptr;
    }
    auto* instance = new (std::nothrow) Lv2Instance(channels, sampleRate);
    if (instance == nullptr) {
        return nullptr;
    }
    if (!instance->open()) {
        delete instance;
        return nullptr;
    }
    return instance;
}

LV2_Handle instantiateStereo(const LV2_Descriptor*, double sampleRate, const char*,
                             const LV2_Feature* const*) {
    return instantiate(2, sampleRate);
}

LV2_Handle instantiateMono(const LV2_Descriptor*, double sampleRate, const char*,
                           const LV2_Feature* const*) {
    return instantiate(1, sampleRate);
}

Lv2Instance* fromHandle(LV2_Handle handle) noexcept { return static_cast<Lv2Instance*>(handle); }

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
    if (handle != nullptr) fromHandle(handle)->connect(port, data);
}

void activate(LV2_Handle handle) {
    if (handle != nullptr) fromHandle(handle)->activate();
}

void run(LV2_Handle handle, uint32_t sampleCount) {
    if (handle != nullptr) fromHandle(handle)->run(sampleCount);
}

void deactivate(LV2_Handle handle) {
    if (handle != nullptr) fromHandle(handle)->deactivate();
}

void cleanup(LV2_Handle handle) { delete fromHandle(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor descriptors[] = {
    {stereoUri, instantiateStereo, connectPort, activate, run, deactivate, cleanup, extensionData},
    {monoUri, instantiateMono, connectPort, activate, run, deactivate, cleanup, extensionData},
};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index < sizeof descriptors / sizeof descriptors[0] ? &descriptors[index] : nullptr;
}
