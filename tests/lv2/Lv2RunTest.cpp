// The LV2 library's descriptors, port values reaching the effect in the run
// that carries them, and every sharing of buffers a host may choose giving
// what separate buffers give.
#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "Lv2TestHost.h"

namespace {

using namespace lv2test;

TEST(Lv2Library, OffersTheStereoAndTheMonoPlugIn) {
    ASSERT_NE(descriptor(0), nullptr) << dlerror();
    EXPECT_STREQ(descriptor(0)->URI, "https://ondulaxis.example/lv2/stereo");
    ASSERT_NE(descriptor(1), nullptr);
    EXPECT_STREQ(descriptor(1)->URI, "https://ondulaxis.example/lv2/mono");
    EXPECT_EQ(descriptor(2), nullptr);
    EXPECT_EQ(descriptor(UINT32_MAX), nullptr);
}

TEST(Lv2Library, RefusesRatesNoAudioRunsAt) {
    for (uint32_t index : {0u, 1u}) {
        const LV2_Descriptor* plugin = descriptor(index);
        ASSERT_NE(plugin, nullptr);
        for (double rate : {0.0, -48000.0, double(NAN), double(INFINITY)}) {
            EXPECT_EQ(plugin->instantiate(plugin, rate, "", nullptr), nullptr) << rate;
        }
        LV2_Handle handle = plugin->instantiate(plugin, 8000.0, "", nullptr);
        EXPECT_NE(handle, nullptr);
        plugin->cleanup(handle);
    }
}

// The lowest OutGain is 2^-8, a factor that scales every sample exactly.
// The change must apply in the run whose port carries it, on each channel,
// and a NaN in the port must leave the last value in force.
TEST(Lv2Library, PortChangesApplyInTheRunThatCarriesThem) {
    for (uint32_t channels : {2u, 1u}) {
        SCOPED_TRACE(channels);
        Lv2Host host(channels == 2 ? 0 : 1, channels, 256);
        ASSERT_NE(host.handle, nullptr);
        host.run();
        const auto unity = host.outputs;
        host.controls[outGainPort] = outGainMinimum;
        host.run();
        for (uint32_t channel = 0; channel < channels; ++channel) {
            for (size_t i = 0; i < unity[channel].size(); ++i) {
                ASSERT_EQ(host.outputs[channel][i], unity[channel][i] / 256.0f) << channel << ":" << i;
            }
        }
        const auto quiet = host.outputs;
        host.controls[outGainPort] = NAN;
        host.run();
        EXPECT_EQ(host.outputs, quiet);
        host.controls[outGainPort] = 0.0f;
        host.run();
        EXPECT_EQ(host.outputs, unity);
    }
}

// LV2 lets any output share a buffer with any input. Each row says which
// input's buffer each output takes (-1: one of its own); the stereo kernels
// write output A before they read input B, so the crossed rows fail unless
// the adapter reads such inputs from a copy. The mono row fails if a mono
// instance takes the stereo route on its one buffer, shaping it twice. The
// run is longer than the adapter's copies, so it goes through in parts.
// HQ shares the adapter: at 1x and all wet it runs the plain kernels, at 4x
// its own resampling path, which delays the bypassed input by its latency.
struct Sharing {
    const char* name;
    uint32_t channels;
    int outputFrom[2];
    bool activated;
};

struct Variant {
    const char* name;
    Bundle bundle;
    float factor;
};

const Variant variants[] = {
    {"Plain", plainBundle, 1.0f},
    {"HQ1x", {ONDULAXIS_HQ_LV2_LIBRARY, 10, true}, 1.0f},
    {"HQ4x", {ONDULAXIS_HQ_LV2_LIBRARY, 10, true}, 4.0f},
};

void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }
void PrintTo(const Sharing& sharing, std::ostream* out) { *out << sharing.name; }

class BufferSharing : public testing::TestWithParam<std::tuple<Variant, Sharing>> {};

TEST_P(BufferSharing, GivesWhatSeparateBuffersGive) {
    const auto& [variant, sharing] = GetParam();
    const auto [name, channels, outputFrom, activated] = sharing;
    constexpr uint32_t frames = 2500;
    for (float enabled : {1.0f, 0.0f}) {
        SCOPED_TRACE(enabled);
        const uint32_t index = channels == 2 ? 0 : 1;
        Lv2Host separate(index, channels, frames, true, variant.bundle);
        Lv2Host shared(index, channels, frames, activated, variant.bundle);
        ASSERT_NE(separate.handle, nullptr);
        ASSERT_NE(shared.handle, nullptr);
        for (Lv2Host* host : {&separate, &shared}) {
            host->controls[2] = 20.0f;  // SlewLim: the limiter carries state from sample to sample
            host->controls[6] = -3.0f;  // FreqDif
            host->controls[8] = variant.factor;
            host->enabled = enabled;
        }
        for (uint32_t channel = 0; channel < channels; ++channel) {
            if (outputFrom[channel] >= 0) {
                shared.plugin->connect_port(shared.handle, shared.firstAudio + channels + channel,
                                            shared.inputs[outputFrom[channel]].data());
            }
        }
        const auto dry = separate.inputs;
        separate.run();
        shared.run();
        const auto delay = static_cast<size_t>(std::max(0.0f, separate.latency));
        for (uint32_t channel = 0; channel < channels; ++channel) {
            const int from = outputFrom[channel];
            EXPECT_EQ(from >= 0 ? shared.inputs[from] : shared.outputs[channel], separate.outputs[channel])
                << "channel " << channel;
            if (enabled == 0.0f) {
                const auto& out = separate.outputs[channel];
                EXPECT_TRUE(std::equal(out.begin() + delay, out.end(), dry[channel].begin()))
                    << "bypassed " << channel << " delayed by " << delay;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lv2Library, BufferSharing,
                         testing::Combine(testing::ValuesIn(variants),
                                          testing::Values(Sharing{"Separate", 2, {-1, -1}, true},
                                                          Sharing{"InPlace", 2, {0, 1}, true},
                                                          Sharing{"OutLIsInR", 2, {1, -1}, true},
                                                          Sharing{"OutRIsInL", 2, {-1, 0}, true},
                                                          Sharing{"BothSwapped", 2, {1, 0}, true},
                                                          Sharing{"MonoInPlace", 1, {0, -1}, true},
                                                          Sharing{"RunBeforeActivate", 2, {-1, -1}, false})),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
