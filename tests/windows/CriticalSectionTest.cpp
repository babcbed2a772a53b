// The instance lock on Windows: how the critical section is created, what the
// effect does when the system refuses it, and that it is recursive.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "Ondulaxis.h"
#include "PluginEntry.h"

namespace {

intptr_t usableHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Puts a stand-in for the system's creation function in place for one test.
class CreationHook {
public:
    explicit CreationHook(StateLock::CreateFunction replacement)
        : previous(StateLock::createSection) {
        StateLock::createSection = replacement;
    }
    ~CreationHook() { StateLock::createSection = previous; }
    CreationHook(const CreationHook&) = delete;
    CreationHook& operator=(const CreationHook&) = delete;

private:
    StateLock::CreateFunction previous;
};

DWORD requestedSpinCount = 0;
int creations = 0;

BOOL WINAPI recordingCreate(LPCRITICAL_SECTION section, DWORD spinCount) {
    requestedSpinCount = spinCount;
    ++creations;
    return InitializeCriticalSectionAndSpinCount(section, spinCount);
}

BOOL WINAPI refusingCreate(LPCRITICAL_SECTION, DWORD) {
    ++creations;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

TEST(CriticalSectionTest, CreatedWithSpinCount1024AndEarlyEvent) {
    CreationHook hook(&recordingCreate);
    creations = 0;
    Ondulaxis effect(&usableHost);
    EXPECT_EQ(creations, 1);
    EXPECT_EQ(requestedSpinCount, 0x80000400u);
    EXPECT_TRUE(effect.isActive());
}

TEST(CriticalSectionTest, RefusedSectionFailsConstructionWithItsMessage) {
    CreationHook hook(&refusingCreate);
    try {
        Ondulaxis effect(&usableHost);
        FAIL() << "construction succeeded without a lock";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Ondulaxis::Ondulaxis - Critical section initialization failed.");
    }
}

TEST(CriticalSectionTest, RefusedSectionGivesTheHostNoRecord) {
    CreationHook hook(&refusingCreate);
    creations = 0;
    EXPECT_EQ(createEffectRecord<Ondulaxis>(&usableHost), nullptr);
    EXPECT_EQ(creations, 1);
}

TEST(CriticalSectionTest, CreationWorksAgainOnceTheSystemAgrees) {
    {
        CreationHook hook(&refusingCreate);
        EXPECT_EQ(createEffectRecord<Ondulaxis>(&usableHost), nullptr);
    }
    AEffect* record = createEffectRecord<Ondulaxis>(&usableHost);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
}

// The holder may enter again, and another thread gets in only after the
// holder has left as often as it entered.
TEST(CriticalSectionTest, OwnerReentersAndOthersWaitForTheLastLeave) {
    StateLock lock;
    ASSERT_TRUE(lock.created());
    std::atomic<bool> otherEntered{false};
    lock.lock();
    lock.lock();
    std::thread other([&] {
        lock.lock();
        otherEntered = true;
        lock.unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherEntered.load());
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherEntered.load());
    lock.unlock();
    other.join();
    EXPECT_TRUE(otherEntered.load());
}

}  // namespace
