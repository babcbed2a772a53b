// Ondulaxis HQ's LV2 plug-ins loaded as a host loads them: the latency port
// holds one value whatever the Oversample port says, and at DryWet 0 the
// output is the input delayed by what the port says, through factor changes.
#include <dlfcn.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr uint32_t controls = 10;  // then latency, audio in, audio out

const LV2_Descriptor* descriptor(uint32_t index) {
    static void* library = dlopen(ONDULAXIS_HQ_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    const auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
    return entry != nullptr ? entry(index) : nullptr;
}

TEST(Lv2HQ, LatencyPortHoldsAtEveryFactorAndTheDryPathIsDelayedByIt) {
    const LV2_Descriptor* plugin = descriptor(1);  // mono
    ASSERT_NE(plugin, nullptr);
    EXPECT_STREQ(plugin->URI, "https://ondulaxis.example/lv2/hq-mono");
    LV2_Handle handle = plugin->instantiate(plugin, 48000.0, "", nullptr);
    ASSERT_NE(handle, nullptr);
    float values[controls] = {1.0f, 0.0f, 100.0f, 50.0f, 0.0f, 2.0f, 0.0f, 0.0f, 4.0f, 0.0f};
    float latency = -1.0f;
    constexpr uint32_t frames = 3000;
    std::vector<float> input(frames), output(frames);
    for (uint32_t i = 0; i < frames; ++i) input[i] = 0.8f * std::sin(0.013f * static_cast<float>(i));
    for (uint32_t port = 0; port < controls; ++port) plugin->connect_port(handle, port, &values[port]);
    plugin->connect_port(handle, controls, &latency);
    plugin->connect_port(handle, controls + 1, input.data());
    plugin->connect_port(handle, controls + 2, output.data());
    plugin->activate(handle);
    plugin->run(handle, frames);  // the dry line full of this input
    const float first = latency;
    EXPECT_GT(first, 0.0f);
    const auto delay = static_cast<uint32_t>(first);
    for (float factor : {16.0f, 2.0f, 1.0f, 8.0f, 4.0f}) {
        values[8] = factor;
        plugin->run(handle, frames);
        EXPECT_EQ(latency, first) << factor << "x";
        for (uint32_t i = delay; i < frames; ++i) {
            ASSERT_EQ(std::memcmp(&output[i], &input[i - delay], sizeof(float)), 0) << factor << "x, " << i;
        }
    }
    plugin->deactivate(handle);
    plugin->cleanup(handle);
}

}  // namespace
