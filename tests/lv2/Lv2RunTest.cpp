// The LV2 library's descriptors, and port values reaching the effect in the
// run that carries them.
#include <cmath>

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

}  // namespace
