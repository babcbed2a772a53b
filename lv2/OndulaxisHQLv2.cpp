// The LV2 face of Ondulaxis HQ: one OndulaxisHQ per LV2 instance, driven
// through its record as a host of the C interface drives it. Ports: the
// eight controls of the plain plug-in, Oversample (the factor itself, 1 to
// 16), DryWet (percent), the latency output, then audio in and out.
#include <lv2/core/lv2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "OndulaxisHQ.h"
#include "PluginEntry.h"
#include "PortValues.h"

namespace {

constexpr char stereoUri[] = "https://ondulaxis.example/lv2/hq-stereo";
constexpr char monoUri[] = "https://ondulaxis.example/lv2/hq-mono";

constexpr intptr_t hostVersion = 2400;

constexpr uint32_t oversamplePort = OndulaxisHQ::oversampleIndex;
constexpr uint32_t dryWetPort = OndulaxisHQ::dryWetIndex;
constexpr uint32_t latencyPort = OndulaxisHQ::hqParamCount;
constexpr uint32_t controlPorts = OndulaxisHQ::hqParamCount;
constexpr uint32_t firstAudioPort = latencyPort + 1;

// The normalised value of a control port's value: the plain plug-in's
// mapping for its eight; the factor's stage (log2, rounded) in quarters; the
// percentage in hundredths.
float toNormalised(uint32_t port, float value) noexcept {
    if (port == oversamplePort) {
        const double stages = std::round(std::log2(std::clamp(value, 1.0f, 16.0f)));
        return static_cast<float>(stages / 4.0);
    }
    if (port == dryWetPort) {
        return std::clamp(value, 0.0f, 100.0f) / 100.0f;
    }
    return portValues::toNormalised(static_cast<int32_t>(port), value);
}

class Lv2Instance {
public:
    Lv2Instance(uint32_t channels, double sampleRate) noexcept
        : channels(channels), sampleRate(sampleRate) {
        std::fill(std::begin(sentValues), std::end(sentValues),
                  std::numeric_limits<float>::quiet_NaN());
    }

    bool open() noexcept {
        record = createEffectRecord<OndulaxisHQ>(answerEffect);
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
            record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
        }
    }

    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    void connect(uint32_t port, void* data) noexcept {
        if (port < controlPorts) {
            controls[port] = static_cast<const float*>(data);
        } else if (port == latencyPort) {
            latency = static_cast<float*>(data);
        } else if (port < firstAudioPort + channels) {
            inputs[port - firstAudioPort] = static_cast<float*>(data);
        } else if (port < firstAudioPort + 2 * channels) {
            outputs[port - firstAudioPort - channels] = static_cast<float*>(data);
        }
    }

    void activate() noexcept { record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f); }
    void deactivate() noexcept { record->dispatcher(record, effMainsChanged, 0, 0, nullptr, 0.0f); }

    // [audio thread] the factor a port change asks for is taken by this run,
    // and the latency port tells the one it runs with.
    void run(uint32_t sampleCount) noexcept {
        sendChangedControls();
        if (latency != nullptr) {
            *latency = static_cast<float>(record->initialDelay);
        }
        float* in[2] = {inputs[0], inputs[channels - 1]};
        float* out[2] = {outputs[0], outputs[channels - 1]};
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
    // The latency request ("I/O changed") needs no answer here: the latency
    // port carries it.
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
                return index >= 0 && static_cast<uint32_t>(index) < self->channels ? 0 : 1;
            case audioMasterGetSampleRate:
                return static_cast<intptr_t>(self->sampleRate);
            default:
                return 0;
        }
    }

    void sendChangedControls() noexcept {
        for (uint32_t port = 0; port < controlPorts; ++port) {
            if (controls[port] == nullptr) {
                continue;
            }
            const float value = *controls[port];
            if (std::isnan(value) || value == sentValues[port]) {
                continue;
            }
            sentValues[port] = value;
            record->setParameter(record, static_cast<int32_t>(port), toNormalised(port, value));
        }
    }

    const uint32_t channels;
    const double sampleRate;
    AEffect* record = nullptr;
    const float* controls[controlPorts] = {};
    float sentValues[controlPorts];
    float* latency = nullptr;
    float* inputs[2] = {};
    float* outputs[2] = {};
};

LV2_Handle instantiate(uint32_t channels, double sampleRate) noexcept {
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
