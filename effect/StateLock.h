// The instance lock: recursive, and it spins briefly before it sleeps, so the
// audio thread's short hand-over rarely has to wait in the kernel.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

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
    }

    // [owning thread]
    void unlock() noexcept {
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
