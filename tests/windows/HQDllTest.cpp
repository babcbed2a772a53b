// OndulaxisHQ.dll as a Windows host loads it: at every factor the dry path
// is the input delayed by the reported latency, bit for bit, and the wet
// output is finite, so the filters run on this target as they do on Linux.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "PluginInstance.h"
#include "PluginLibrary.h"

TEST(HQDll, EveryFactorDelaysTheDryPathByItsLatencyAndStaysFinite) {
    using namespace ondulaxis::host;
    auto library = std::make_shared<const PluginLibrary>(ONDULAXIS_HQ_PLUGIN_PATH);
    for (float factor : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        for (float dryWet : {0.0f, 1.0f}) {
            PluginInstance instance(library);
            instance.open();
            instance.setSampleRate(44100.0f);
            instance.setBlockSize(300);
            instance.setParameter(8, factor);
            instance.setParameter(9, dryWet);
            instance.mainsChanged(true);
            const int32_t delay = instance.record().initialDelay;
            std::vector<float> input(3000), left(3000), right(3000);
            for (size_t i = 0; i < input.size(); ++i) input[i] = 0.7f * std::sin(0.02f * i);
            for (size_t start = 0; start < input.size(); start += 300) {
                float* in[2] = {input.data() + start, input.data() + start};
                float* out[2] = {left.data() + start, right.data() + start};
                instance.processReplacing(in, out, 300);
            }
            for (size_t i = 0; i < input.size(); ++i) {
                ASSERT_TRUE(std::isfinite(left[i])) << factor << " " << i;
                if (dryWet == 0.0f && i >= static_cast<size_t>(delay)) {
                    ASSERT_EQ(std::memcmp(&left[i], &input[i - delay], sizeof(float)), 0) << factor << " " << i;
                }
            }
        }
    }
}
