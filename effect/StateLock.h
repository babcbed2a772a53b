// The instance lock: recursive, and it spins briefly before it sleeps, so the
// audio thread's short hand-over rarely has to wait in the kernel.
#pragma once

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// On Windows the lock is a critical section, which is recursive and spins
// before it waits.
class StateLock {
public:
    // Spin count 1024, plus the high bit that asks for the wait event to be
    // allocated now, so that entering never has to allocate it later.
    static constexpr DWORD spinCountAndFlags = 0x80000400;

    using CreateFunction = BOOL(WINAPI*)(LPCRITICAL_SECTION, DWORD);
    // What creates the section. Tests replace it to reach the failure path,
    // which the system itself hardly ever takes.
    static inline CreateFunction createSection = &::InitializeCriticalSectionAndSpinCount;

    StateLock() noexcept : isCreated(createSection(&section, spinCountAndFlags) != FALSE) {}
    // Deleted without being entered: nothing else runs on the owner by then.
    ~StateLock() {
        if (isCreated) {
            DeleteCriticalSection(&section);
        }
    }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    // False when the system refused the section; the owner must not use it then.
    bool created() const noexcept { return isCreated; }

    // [any thread] the owning thread may enter again; it must leave as often.
    void lock() noexcept { EnterCriticalSection(&section); }
    // [any thread] enters only when no other thread holds the section (the
    // tests' way to ask whether it is held without waiting).
    bool tryLock() noexcept { return TryEnterCriticalSection(&section) != FALSE; }
    // [owning thread]
    void unlock() noexcept { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
    bool isCreated;
};

#else

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "LockProbe.h"

class StateLock {
public:
    static constexpr int spinCount = 1024;

    StateLock() noexcept = default;
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    // A standard mutex cannot fail to be created; the question stays so that the
    // owner checks creation the same way on every platform.
    bool created() const noexcept { return true; }

    // [any thread] the owning thread may enter again; it must leave as often.
    void lock() noexcept {
        const std::thread::id self = std::this_thread::get_id();
        if (owner.load(std::memory_order_relaxed) == self) {
            ++depth;
            ONDULAXIS_PROBE_LOCK_ENTERED();
            return;
        }
        bool acquired = false;
        for (int attempt = 0; attempt < spinCount && !acquired; ++attempt) {
            acquired = mutex.try_lock();
        }
        if (!acquired) {
            mutex.lock();
        }
        owner.store(self, std::memory_order_relaxed);
        depth = 1;
        ONDULAXIS_PROBE_LOCK_ENTERED();
    }

    // [owning thread]
    void unlock() noexcept {
        ONDULAXIS_PROBE_LOCK_LEAVING();
        if (--depth == 0) {
            owner.store(std::thread::id(), std::memory_order_relaxed);
            mutex.unlock();
        }
    }

private:
    std::mutex mutex;
    // Only the owner ever stores its own id here, so a thread that reads its own
    // id knows it holds the mutex; a relaxed read is enough for that test.
    std::atomic<std::thread::id> owner{};
    uint32_t depth = 0;
};

#endif
