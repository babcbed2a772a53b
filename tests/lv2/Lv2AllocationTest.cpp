// No run of the LV2 plug-ins touches the heap: a block that allocates can
// wait on the allocator's lock behind any other thread and miss its deadline.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "Lv2TestHost.h"

namespace {

using namespace lv2test;

TEST(Lv2Library, NoRunAllocates) {
    for (uint32_t channels : {2u, 1u}) {
        SCOPED_TRACE(channels);
        Lv2Host host(channels == 2 ? 0 : 1, channels, 512);
        ASSERT_NE(host.handle, nullptr);
        std::string where;
        // The first run after activation sends every port; later ones change
        // ports one at a time, out of range and NaN included, and restart.
        for (int block = 0; block < 64; ++block) {
            if (block == 32) {
                host.plugin->deactivate(host.handle);
                host.plugin->activate(host.handle);
            }
            if (block > 0) {
                const uint32_t port = static_cast<uint32_t>(block) % controlCount;
                host.controls[port] = block % 7 == 0 ? NAN : static_cast<float>(block * 13 % 257) - 60.0f;
            }
            allocationCounter::arm();
            host.run();
            const auto counts = allocationCounter::disarm();
            if (counts.total() != 0) {
                where += "block " + std::to_string(block) + ": " + std::to_string(counts.total()) + " calls\n";
            }
        }
        EXPECT_TRUE(where.empty()) << where;
    }
}

// The counter sees the library's own calls, or the test above proves nothing.
TEST(Lv2Library, CounterSeesTheLibrarysAllocations) {
    const LV2_Descriptor* plugin = descriptor(0);
    ASSERT_NE(plugin, nullptr);
    allocationCounter::arm();
    LV2_Handle handle = plugin->instantiate(plugin, 48000.0, "", nullptr);
    plugin->cleanup(handle);
    const auto counts = allocationCounter::disarm();
    EXPECT_GE(counts.news + counts.mallocs, 1u);
}

}  // namespace
