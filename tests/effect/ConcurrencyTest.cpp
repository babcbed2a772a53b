#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "EffectTestSupport.h"
#include "ParameterRecords.h"

namespace {

constexpr int writerCount = 4;
constexpr int writesPerThread = 2000;

// Writer w owns parameters w and w + 4 and writes k / writesPerThread to them,
// so every value a reader may see is known.
float writtenValue(int k) { return static_cast<float>(k) / writesPerThread; }

bool isKnownValue(int32_t index, float value) {
    if (value == ondulaxisParameterRecords[index].defaultValue) {
        return true;
    }
    const long k = std::lround(static_cast<double>(value) * writesPerThread);
    return k >= 0 && k < writesPerThread && writtenValue(static_cast<int>(k)) == value;
}

TEST(ConcurrencyTest, HostThreadsAndAudioThreadShareTheMailbox) {
    FakeHost::connect(true, true, true, true);
    Ondulaxis effect(&FakeHost::callback);
    std::atomic<bool> stop{false};
    std::atomic<int> unknownValues{0};

    std::thread audio([&] {
        AudioBlock block(64, 0.25f);
        while (!stop.load()) {
            effect.processReplacing(block.inputs(), block.outputs(), block.frames());
            effect.process(block.inputs(), block.outputs(), block.frames());
        }
    });
    std::vector<std::thread> writers;
    for (int writer = 0; writer < writerCount; ++writer) {
        writers.emplace_back([&, writer] {
            char text[16];
            for (int k = 0; k < writesPerThread; ++k) {
                const int32_t index = writer + 4 * (k % 2);
                effect.setParameter(index, writtenValue(k));
                const int32_t other = (writer + k) % 8;
                if (!isKnownValue(other, effect.getParameter(other))) {
                    ++unknownValues;
                }
                effect.getParameterDisplay(other, text);
                if (k % 50 == 0) {
                    effect.setBypass(k % 100 == 0);
                    effect.resume();
                }
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    stop = true;
    audio.join();

    EXPECT_EQ(unknownValues.load(), 0);
    runEmptyBlock(effect);
    for (int32_t index = 0; index < 8; ++index) {
        // Writers end on odd k for their second parameter, even k for their first.
        const int lastK = index < 4 ? writesPerThread - 2 : writesPerThread - 1;
        EXPECT_EQ(effect.getParameter(index), writtenValue(lastK)) << index;
    }
    EXPECT_TRUE(effect.isActive());
}

// The program name and the active flag are read and written from several host
// threads while blocks run and resume switches the effect. Each operation
// holds stateLock, so a thread sanitizer run reports it if one drops the lock
// (each thread does one kind of operation only, so no other locking orders
// it), and a reader never sees a name half written.
TEST(ConcurrencyTest, ProgramNamesAndActiveFlagUnderTheLock) {
    FakeHost::connect(true, true, true, true);
    Ondulaxis effect(&FakeHost::callback);
    constexpr int rounds = 3000;
    std::atomic<bool> stop{false};
    std::atomic<int> tornNames{0};
    std::atomic<int> inactive{0};
    char longName[32] = "Thirty-one characters of name!!";
    char shortName[8] = "Brief";
    const auto known = [&](const char* name) {
        return std::strcmp(name, "Default") == 0 || std::strcmp(name, longName) == 0 ||
               std::strcmp(name, shortName) == 0;
    };

    std::thread audio([&] {
        AudioBlock block(64, 0.25f);
        while (!stop.load()) {
            effect.processReplacing(block.inputs(), block.outputs(), block.frames());
        }
    });
    std::vector<std::thread> hosts;
    hosts.emplace_back([&] {
        for (int k = 0; k < rounds; ++k) effect.setProgramName(k % 2 ? longName : shortName);
    });
    for (bool indexed : {false, true}) {
        hosts.emplace_back([&, indexed] {
            char text[40];
            for (int k = 0; k < rounds; ++k) {
                if (indexed) {
                    effect.getProgramNameIndexed(0, 0, text);
                } else {
                    effect.getProgramName(text);
                }
                tornNames += known(text) ? 0 : 1;
            }
        });
    }
    hosts.emplace_back([&] {
        for (int k = 0; k < rounds; ++k) effect.resume();
    });
    hosts.emplace_back([&] {
        for (int k = 0; k < rounds; ++k) inactive += effect.isActive() ? 0 : 1;
    });
    for (std::thread& host : hosts) {
        host.join();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(tornNames.load(), 0);
    EXPECT_EQ(inactive.load(), 0);
}

}  // namespace
