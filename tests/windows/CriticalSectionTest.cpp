// The instance lock on Windows: how the critical section is created, what the
// effect does when the system refuses it, and that it is recursive.
#include <gtest/gtest.h>

#include <future>
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
// holder has left as often as it entered. The other thread tries when
// asked and answers, so each look waits on its answer, not on time.
TEST(CriticalSectionTest, OwnerReentersAndOthersWaitForTheLastLeave) {
    StateLock lock;
    ASSERT_TRUE(lock.created());
    std::promise<void> asked[3];
    std::promise<bool> entered[3];
    std::thread other([&] {
        for (int look = 0; look < 3; ++look) {
            asked[look].get_future().wait();
            const bool got = lock.tryLock();
            if (got) lock.unlock();
            entered[look].set_value(got);
        }
    });
    const auto otherEnters = [&](int look) {
        asked[look].set_value();
        return entered[look].get_future().get();
    };
    lock.lock();
    lock.lock();
    EXPECT_FALSE(otherEnters(0)) << "held twice";
    lock.unlock();
    EXPECT_FALSE(otherEnters(1)) << "held once";
    lock.unlock();
    EXPECT_TRUE(otherEnters(2)) << "left as often as entered";
    other.join();
}

}  // namespace
