// Ondulaxis HQ allocates nothing while it processes, at any factor and
// across factor changes.
#include <vector>

#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "PluginInstance.h"
#include "PluginLibrary.h"

TEST(HQRealtime, ProcessingAllocatesNothingAtAnyFactor) {
    using namespace ondulaxis::host;
    auto library = std::make_shared<const PluginLibrary>(HQ_PLUGIN_PATH);
    PluginInstance instance(library);
    instance.open();
    instance.setSampleRate(44100.0f);
    instance.setBlockSize(1024);
    instance.mainsChanged(true);
    std::vector<float> a(1024, 0.25f), b(1024, -0.5f);
    float* channels[2] = {a.data(), b.data()};
    for (float value : {1.0f, 0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        instance.setParameter(8, value);
        instance.setParameter(9, value * 0.5f);
        allocationCounter::arm();
        for (int32_t frames : {1024, 7, 333, 1024}) {
            instance.processReplacing(channels, channels, frames);
            instance.process(channels, channels, frames);
        }
        const allocationCounter::Counts counts = allocationCounter::disarm();
        EXPECT_EQ(counts.total(), 0u) << "Oversample " << value;
    }
}
