// The parameter events a CLAP instance owes its host (a user's gestures and
// the values they set), queued on the main thread and handed over by the
// next flush or block. One writer and one reader at a time, no lock and no
// allocation: the reader may be the audio thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "ClapAbi.h"

class ClapEventQueue {
public:
    // [main thread] false, and nothing queued, when the queue is full.
    bool push(uint16_t type, ClapId id, double value = 0.0) noexcept {
        const uint32_t at = written.load(std::memory_order_relaxed);
        if (at - taken.load(std::memory_order_acquire) == capacity) {
            return false;
        }
        entries[at % capacity] = {type, id, value};
        written.store(at + 1, std::memory_order_release);
        return true;
    }

    // [the thread that flushes or processes] the queued events into `out`, in
    // order; those the host refuses wait for the next call.
    void sendTo(const ClapOutputEvents* out) noexcept {
        if (out == nullptr || out->try_push == nullptr) {
            return;
        }
        uint32_t at = taken.load(std::memory_order_relaxed);
        const uint32_t end = written.load(std::memory_order_acquire);
        for (; at != end && send(out, entries[at % capacity]); ++at) {
        }
        taken.store(at, std::memory_order_release);
    }

private:
    struct Entry {
        uint16_t type;
        ClapId id;
        double value;
    };

    static bool send(const ClapOutputEvents* out, const Entry& entry) noexcept {
        if (entry.type == CLAP_EVENT_PARAM_VALUE) {
            ClapParamValueEvent event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, entry.type, 0};
            event.param_id = entry.id;
            event.note_id = event.port_index = event.channel = event.key = -1;
            event.value = entry.value;
            return out->try_push(out, &event.header);
        }
        const ClapParamGestureEvent event{{sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, entry.type, 0}, entry.id};
        return out->try_push(out, &event.header);
    }

    // Far more than a drag sends between two of the host's flushes.
    static constexpr uint32_t capacity = 512;
    Entry entries[capacity];
    // Counts of entries ever written and taken; they wrap together.
    std::atomic<uint32_t> written{0};
    std::atomic<uint32_t> taken{0};
};
