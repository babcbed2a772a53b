// The audio thread may hold stateLock only for its two short copies: it
// enters the lock at most twice per block and never while a change handler or
// a kernel runs, whatever the host does meanwhile. The effect here is the
// lock-probe build, which reports each lock entry and each handler or kernel
// call to the ledger below, on the thread that makes it.
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EffectRecord.h"
#include "LockProbe.h"
#include "Ondulaxis.h"
#include "PluginEntry.h"

namespace {

struct ThreadLedger {
    int depth = 0;
    uint64_t entries = 0;
    uint64_t handlers = 0;
    uint64_t kernels = 0;
    uint64_t handlersWhileHeld = 0;
    uint64_t kernelsWhileHeld = 0;
};

thread_local ThreadLedger ledger;

}  // namespace

namespace lockProbe {

void lockEntered() noexcept {
    ++ledger.depth;
    ++ledger.entries;
}

void lockLeaving() noexcept { --ledger.depth; }

void calling(Call call) noexcept {
    const bool held = ledger.depth > 0;
    if (call == Call::handler) {
        ++ledger.handlers;
        ledger.handlersWhileHeld += held ? 1 : 0;
    } else {
        ++ledger.kernels;
        ledger.kernelsWhileHeld += held ? 1 : 0;
    }
}

}  // namespace lockProbe

namespace {

// The host side: pins as the test sets them; on request, each pin query
// reports a handler call, which happens while resume holds the lock.
struct ProbeHost {
    static inline std::atomic<uint8_t> pinMask{0x0F};  // bits: in 0, in 1, out 0, out 1
    static inline thread_local bool reportFromPinQueries = false;

    static intptr_t callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float) {
        if (opcode == audioMasterVersion) return 2400;
        if (opcode != audioMasterPinConnected || index < 0 || index > 1) return 0;
        if (reportFromPinQueries) lockProbe::calling(lockProbe::Call::handler);
        const int bit = static_cast<int>(value) * 2 + index;
        return (pinMask.load() >> bit) & 1 ? 0 : 1;
    }
};

class ProbedInstance {
public:
    explicit ProbedInstance(uint8_t pins = 0x0F) {
        ProbeHost::pinMask = pins;
        record = createEffectRecord<Ondulaxis>(&ProbeHost::callback);
    }
    ~ProbedInstance() {
        if (record != nullptr) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    }
    ProbedInstance(const ProbedInstance&) = delete;
    ProbedInstance& operator=(const ProbedInstance&) = delete;

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return record->dispatcher(record, opcode, index, value, ptr, 0.0f);
    }
    void setParameter(int32_t index, float value) { record->setParameter(record, index, value); }

    // One block on this thread; the ledger shows what it did.
    ThreadLedger block(bool replacing, int32_t frames = 64) {
        ledger = ThreadLedger{};
        float* inputs[2] = {samples[0], samples[1]};
        float* outputs[2] = {samples[2], samples[3]};
        if (replacing) {
            record->processReplacing(record, inputs, outputs, frames);
        } else {
            record->process(record, inputs, outputs, frames);
        }
        return ledger;
    }

    AEffect* record = nullptr;

private:
    float samples[4][64] = {};
};

::testing::AssertionResult disciplined(const ThreadLedger& block, const std::string& what) {
    if (block.entries > 2 || block.depth != 0 || block.handlersWhileHeld != 0 || block.kernelsWhileHeld != 0) {
        return ::testing::AssertionFailure()
               << what << ": " << block.entries << " lock entries, " << block.handlersWhileHeld
               << " handler and " << block.kernelsWhileHeld << " kernel calls under the lock, depth "
               << block.depth << " at the end";
    }
    return ::testing::AssertionSuccess();
}

TEST(LockProbe, SeesTheLockThatResumeHoldsWhileItAsksTheHost) {
    ProbedInstance instance;
    ledger = ThreadLedger{};
    ProbeHost::reportFromPinQueries = true;
    instance.dispatch(effMainsChanged, 0, 1);
    ProbeHost::reportFromPinQueries = false;
    EXPECT_GE(ledger.entries, 1u);
    EXPECT_EQ(ledger.handlers, 4u);  // one per pin query
    EXPECT_EQ(ledger.handlersWhileHeld, 4u);
    EXPECT_EQ(ledger.depth, 0);
}

TEST(LockDiscipline, FirstBlockAppliesTheDefaultsOutsideTheLock) {
    for (bool replacing : {true, false}) {
        ProbedInstance instance;
        const ThreadLedger first = instance.block(replacing);
        EXPECT_TRUE(disciplined(first, "first block"));
        EXPECT_EQ(first.entries, 2u) << "hand-over and publication of the defaults";
        EXPECT_EQ(first.handlers, 8u);
        EXPECT_EQ(first.kernels, 1u);
        const ThreadLedger quiet = instance.block(replacing);
        EXPECT_EQ(quiet.entries, 1u) << "a block without changes publishes nothing";
        EXPECT_EQ(quiet.handlers, 0u);
    }
}

TEST(LockDiscipline, EveryBlockEntersAtMostTwiceInAnyRouteModeOrState) {
    std::mt19937 random(71);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (uint8_t pins : {uint8_t{0x0F}, uint8_t{0x05}, uint8_t{0x06}, uint8_t{0x0D}}) {
        for (bool replacing : {true, false}) {
            ProbedInstance instance(pins);
            instance.dispatch(effMainsChanged, 0, 1);  // 0x0D (2 in, 1 out) fails: idle for good
            for (int round = 0; round < 60; ++round) {
                const int changes = round % 3;
                for (int i = 0; i < changes; ++i) {
                    instance.setParameter(static_cast<int32_t>(random() % 8), unit(random));
                }
                if (round % 7 == 0) instance.dispatch(effSetBypass, 0, round % 2);
                if (round % 11 == 0) instance.dispatch(effMainsChanged, 0, 1);
                const std::string what = "pins " + std::to_string(pins) + ", round " + std::to_string(round);
                const ThreadLedger block = instance.block(replacing, round % 5 == 0 ? 0 : 64);
                EXPECT_TRUE(disciplined(block, what));
                EXPECT_LE(block.kernels, 1u) << what;
                if (pins == 0x0D) {
                    EXPECT_EQ(block.handlers, 0u) << what;
                } else if (changes > 0) {
                    EXPECT_GE(block.handlers, 1u) << what;
                }
            }
        }
    }
}

// The ledger is per thread, so the audio thread's counts stay its own while a
// user-interface thread takes the lock as often as it likes.
TEST(LockDiscipline, AudioThreadStaysWithinItsShareUnderHostThreadTraffic) {
    ProbedInstance instance;
    instance.dispatch(effMainsChanged, 0, 1);
    std::atomic<bool> streaming{true};
    std::atomic<uint64_t> hostEntries{0};
    std::atomic<int> hostRounds{0};
    std::thread userInterface([&] {
        std::mt19937 random(72);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        char text[64];
        while (streaming.load()) {
            const auto index = static_cast<int32_t>(random() % 8);
            instance.setParameter(index, unit(random));
            (void)instance.record->getParameter(instance.record, index);
            instance.dispatch(effGetParamDisplay, index, 0, text);
            if (random() % 32 == 0) instance.dispatch(effSetBypass, 0, random() % 2);
            ++hostRounds;
        }
        hostEntries = ledger.entries;
    });
    while (hostRounds.load() < 10) std::this_thread::yield();  // both sides busy from here on
    uint64_t worst = 0;
    bool clean = true;
    for (int round = 0; round < 3000; ++round) {
        const ThreadLedger block = instance.block(round % 2 == 0);
        worst = std::max(worst, block.entries);
        clean = clean && disciplined(block, "");
    }
    streaming = false;
    userInterface.join();
    EXPECT_TRUE(clean);
    EXPECT_LE(worst, 2u);
    EXPECT_GT(hostEntries.load(), 0u) << "the host thread's own entries were not seen";
}

}  // namespace
