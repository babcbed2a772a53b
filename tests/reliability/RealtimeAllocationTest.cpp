// The audio thread may not touch the heap: a block that allocates can wait
// on the allocator's lock behind any other thread and miss its deadline.
// Every call of process and processReplacing is counted here, the first block
// of an instance and the first after a resume included.
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "PluginUnderTest.h"

namespace reliability {
namespace {

// Allocations seen inside the block calls of one test, with where they were.
struct AudioThreadLedger {
    uint64_t total = 0;
    std::string where;

    void block(PluginInstance& instance, OutputMode mode, float** inputs, float** outputs, int32_t frames,
               const char* what) {
        allocationCounter::arm();
        if (mode == OutputMode::replacing) {
            instance.processReplacing(inputs, outputs, frames);
        } else {
            instance.process(inputs, outputs, frames);
        }
        const auto counts = allocationCounter::disarm();
        if (counts.total() != 0) {
            total += counts.total();
            where += std::string(what) + " (malloc " + std::to_string(counts.mallocs) + ", new " +
                     std::to_string(counts.news) + ", free " + std::to_string(counts.frees) + ", delete " +
                     std::to_string(counts.deletes) + ")\n";
        }
    }
};

TEST(AllocationCounter, SeesCallsMadeHereAndInsideThePlugIn) {
    void* (*volatile allocate)(std::size_t) = std::malloc;
    allocationCounter::arm();
    void* block = allocate(32);
    int* volatile number = new int(3);
    delete number;
    std::free(block);
    auto counts = allocationCounter::disarm();
    EXPECT_EQ(counts.mallocs, 1u);
    EXPECT_EQ(counts.frees, 1u);
    EXPECT_EQ(counts.news, 1u);
    EXPECT_EQ(counts.deletes, 1u);

    // Closing deletes the effect inside the plug-in's own code.
    auto instance = openInstance();
    allocationCounter::arm();
    instance->close();
    counts = allocationCounter::disarm();
    EXPECT_GE(counts.deletes + counts.frees, 1u) << "the plug-in's own calls are not being counted";

    // A failing resume raises an error inside the plug-in, which allocates.
    // The host's request log has room already, so only the plug-in allocates.
    instance = openInstance(48000.0f, 512, PinConnections{{false, false}, {false, false}}, false);
    instance->mainsChanged(true);
    instance->clearRequests();
    allocationCounter::arm();
    instance->mainsChanged(true);
    counts = allocationCounter::disarm();
    EXPECT_GE(counts.total(), 1u) << "the plug-in's own calls are not being counted";
}

TEST(RealtimeAllocation, NoBlockAllocatesInAnyRouteModeOrState) {
    constexpr int32_t frames = 256;
    const Channels programme = makeProgramme(frames, 61);
    const PinConnections routes[] = {PinConnections::stereo(), PinConnections::mono(),
                                     PinConnections{{false, true}, {true, false}},
                                     PinConnections{{false, false}, {true, true}}};
    std::mt19937 random(62);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    AudioThreadLedger ledger;
    for (OutputMode mode : {OutputMode::replacing, OutputMode::accumulating}) {
        for (const PinConnections& pins : routes) {
            Channels in = programme;
            Channels out = silence(frames);
            float* inputs[2] = {in[0].data(), in[1].data()};
            float* outputs[2] = {out[0].data(), out[1].data()};
            auto instance = openInstance(48000.0f, frames, pins, /*resume=*/false);
            ledger.block(*instance, mode, inputs, outputs, frames, "first block after construction");
            instance->mainsChanged(true);
            ledger.block(*instance, mode, inputs, outputs, frames, "first block after resume");
            for (int round = 0; round < 40; ++round) {
                for (int change = 0; change < 3; ++change) {
                    instance->setParameter(static_cast<int32_t>(random() % parameterCount), unit(random));
                }
                if (round % 5 == 0) instance->setBypass(round % 10 == 0);
                if (round % 13 == 0) {
                    instance->mainsChanged(false);
                    instance->mainsChanged(true);
                }
                ledger.block(*instance, mode, inputs, outputs, (round % 4 == 0) ? 0 : frames, "block");
            }
        }
    }
    EXPECT_EQ(ledger.total, 0u) << ledger.where;
}

TEST(RealtimeAllocation, OpeningAndClosingAThousandInstancesLeavesNoBlockBehind) {
    const Channels input = makeProgramme(64, 63);
    const auto cycle = [&](int i) {
        auto instance = openInstance(44100.0f, 64);
        renderInBlocksOf(*instance, input, 64);
        if (i % 5 == 0) {
            instance->setConnections(PinConnections{{false, false}, {false, false}});
            instance->mainsChanged(true);  // a failing resume on the way
        }
        instance->close();
    };
    cycle(0);  // lets the C++ runtime set up what it keeps for the process
    const int64_t before = allocationCounter::liveBlocks();
    for (int i = 0; i < 1000; ++i) cycle(i);
    EXPECT_EQ(allocationCounter::liveBlocks(), before);
}

// Hosts load and unload the library many times in a session (scanning,
// reopening projects); the C++ runtime linked into it must give back what it
// set aside each time. Runs in a process of its own, so the library really is
// unloaded between cycles.
TEST(RealtimeAllocation, LoadingAndUnloadingTheLibraryLeavesNoBlockBehind) {
    const auto cycle = [] {
        PluginInstance instance(std::make_shared<const PluginLibrary>(builtPluginPath()));
        instance.open();
        instance.close();
    };
    // The loader's own set-up: on 32-bit Linux it keeps one more block after
    // the first reload, and no more after that.
    cycle();
    cycle();
    const int64_t before = allocationCounter::liveBlocks();
    for (int i = 0; i < 5; ++i) cycle();
    EXPECT_EQ(allocationCounter::liveBlocks(), before);
}

}  // namespace
}  // namespace reliability
