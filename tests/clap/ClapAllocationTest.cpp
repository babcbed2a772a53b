// No block or flush of the CLAP plug-ins touches the heap, whatever events
// it carries: a block that allocates can wait on the allocator's lock
// behind any other thread and miss its deadline.
#include <cmath>
#include <string>

#include "AllocationCounter.h"
#include "ClapTestHost.h"

namespace clapTest {
namespace {

TEST(ClapModule, NoBlockOrFlushAllocates) {
    for (const char* id : {plainId, hqId}) {
        for (uint32_t channels : {2u, 1u}) {
            SCOPED_TRACE(std::string(id) + " " + std::to_string(channels));
            Host host(id, channels);
            ASSERT_TRUE(host.activate());
            std::vector<std::vector<float>> buffers(2, std::vector<float>(512, 0.25f));
            float* pointers[2] = {buffers[0].data(), buffers[1].data()};
            ClapAudioBuffer audio{pointers, nullptr, channels, 0, 0};  // in place
            const uint32_t count = host.params->count(host.plugin);
            std::string where;
            for (int block = 0; block < 48; ++block) {
                EventList events;
                for (uint32_t k = 0; k < 4; ++k) {
                    // Oversample too: a factor change within the block.
                    const ClapId param = static_cast<ClapId>(block + k) % count;
                    events.add(k * 100, param, block % 7 == 0 ? NAN : (block * 13 % 257) - 60.0);
                }
                events.add(511, 99, 1.0);  // a bad id
                ClapInputEvents list = events.list();
                ClapProcessBlock process{-1, 512, nullptr, &audio, &audio, 1, 1, &list, nullptr};
                allocationCounter::arm();
                if (block % 5 == 4) {
                    host.params->flush(host.plugin, &list, nullptr);
                } else {
                    host.plugin->process(host.plugin, &process);
                }
                const auto counts = allocationCounter::disarm();
                if (counts.total() != 0) {
                    where += "block " + std::to_string(block) + ": " + std::to_string(counts.total()) + " calls\n";
                }
            }
            EXPECT_TRUE(where.empty()) << where;
        }
    }
}

// The counter sees the module's own calls, or the test above proves nothing.
TEST(ClapModule, CounterSeesTheModulesAllocations) {
    allocationCounter::arm();
    { Host host(plainId); }
    const auto counts = allocationCounter::disarm();
    EXPECT_GE(counts.news + counts.mallocs, 1u);
}

}  // namespace
}  // namespace clapTest
