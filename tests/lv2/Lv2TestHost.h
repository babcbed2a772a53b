// The LV2 library loaded as an LV2 host loads it, and one instance of a
// plug-in from it with every port connected to a buffer of its own.
#pragma once

#include <dlfcn.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <vector>

namespace lv2test {

inline constexpr uint32_t controlCount = 8;
inline constexpr uint32_t outGainPort = 7;
inline constexpr float outGainMinimum = -48.1648f;  // factor 1/256

inline const LV2_Descriptor* descriptor(uint32_t index, const char* library = ONDULAXIS_LV2_LIBRARY) {
    // A library already loaded comes back as it is; its references are counted.
    void* loaded = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (loaded == nullptr) return nullptr;
    const auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(loaded, "lv2_descriptor"));
    return entry != nullptr ? entry(index) : nullptr;
}

// A library's ports: its controls (the plain eight first), whether a latency
// output follows them, then the audio ports and the enabled switch.
struct Bundle {
    const char* library;
    uint32_t controls;
    bool latencyPort;
};
inline constexpr Bundle plainBundle{ONDULAXIS_LV2_LIBRARY, controlCount, false};

// Instantiated at 44.1 kHz and activated (unless told not to), controls at
// their defaults (HQ's at 1x, all wet), enabled.
struct Lv2Host {
    const LV2_Descriptor* plugin;
    uint32_t channels;
    LV2_Handle handle = nullptr;
    float controls[10] = {1.0f, 0.0f, 100.0f, 50.0f, 0.0f, 2.0f, 0.0f, 0.0f, 1.0f, 100.0f};
    float latency = -1.0f;
    float enabled = 1.0f;
    uint32_t firstAudio;
    std::vector<std::vector<float>> inputs;
    std::vector<std::vector<float>> outputs;

    Lv2Host(uint32_t index, uint32_t channelCount, uint32_t frames, bool activate = true,
            const Bundle& bundle = plainBundle)
        : plugin(descriptor(index, bundle.library)), channels(channelCount),
          firstAudio(bundle.controls + (bundle.latencyPort ? 1 : 0)),
          inputs(channelCount, std::vector<float>(frames)),
          outputs(channelCount, std::vector<float>(frames)) {
        if (plugin == nullptr) return;
        handle = plugin->instantiate(plugin, 44100.0, "", nullptr);
        if (handle == nullptr) return;
        for (uint32_t port = 0; port < bundle.controls; ++port) {
            plugin->connect_port(handle, port, &controls[port]);
        }
        if (bundle.latencyPort) plugin->connect_port(handle, bundle.controls, &latency);
        for (uint32_t channel = 0; channel < channels; ++channel) {
            plugin->connect_port(handle, firstAudio + channel, inputs[channel].data());
            plugin->connect_port(handle, firstAudio + channels + channel, outputs[channel].data());
            for (size_t i = 0; i < frames; ++i) {
                inputs[channel][i] = 0.9f * std::sin(0.01f * static_cast<float>(i) * (channel + 1));
            }
        }
        plugin->connect_port(handle, firstAudio + 2 * channels, &enabled);
        if (activate) plugin->activate(handle);
    }
    ~Lv2Host() {
        if (handle == nullptr) return;
        plugin->deactivate(handle);
        plugin->cleanup(handle);
    }
    void run() { plugin->run(handle, static_cast<uint32_t>(inputs[0].size())); }
};

}  // namespace lv2test
