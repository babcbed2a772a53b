#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "EffectTestSupport.h"
#include "ParameterTables.h"

namespace {

constexpr int writerCount = 4;
constexpr int writesPerThread = 2000;

// Writer w owns parameters w and w + 4 and writes k / writesPerThread to them,
// so every value a reader may see is known.
float writtenValue(int k) { return static_cast<float>(k) / writesPerThread; }

bool isKnownValue(int32_t index, float value) {
    if (value == paramDefaults[index]) {
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
// threads while blocks run and resume switches the effect; each operation
// holds stateLock, so a thread sanitizer run reports it if one drops the lock,
// and a reader never sees a name half written.
TEST(ConcurrencyTest, ProgramNamesAndActiveFlagUnderTheLock) {
    FakeHost::connect(true, true, true, true);
    Ondulaxis effect(&FakeHost::callback);
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
    for (int host = 0; host < 3; ++host) {
        hosts.emplace_back([&, host] {
            char text[40];
            for (int k = 0; k < 3000; ++k) {
                if ((k + host) % 3 == 0) {
                    effect.setProgramName(k % 2 ? longName : shortName);
                } else if ((k + host) % 3 == 1) {
                    effect.getProgramName(text);
                    tornNames += known(text) ? 0 : 1;
                } else {
                    effect.getProgramNameIndexed(0, 0, text);
                    tornNames += known(text) ? 0 : 1;
                }
                inactive += effect.isActive() ? 0 : 1;
                if (host == 0 && k % 100 == 0) effect.resume();
            }
        });
    }
    for (std::thread& host : hosts) {
        host.join();
    }
    stop = true;
    audio.join();
    EXPECT_EQ(tornNames.load(), 0);
    EXPECT_EQ(inactive.load(), 0);
}

}  // namespace
