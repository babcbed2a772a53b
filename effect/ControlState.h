// The mailbox record between host threads and the audio thread.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

constexpr int32_t paramCount = 8;
// Slots in the mailbox: enough for the largest table, the oversampling twin's.
// A plug-in uses as many as its table has; the others stay empty.
constexpr int32_t maxParamCount = 11;

struct ControlState {
    bool active;
    bool bypass;
    uint32_t inConnected[2];
    uint32_t outConnected[2];
    float paramValues[maxParamCount];  // last applied by the audio thread
    bool resetRequest;
    bool clearRequest;
    bool rerouteRequest;
    float pendingValues[maxParamCount];  // quiet NaN: nothing pending

    // [audio thread, stateLock held] empties the one-shot requests and the
    // pending slots once the block has copied them. While the effect is off the
    // pending values stay: a later resume switches it on again, and the values
    // a host set meanwhile must not be lost. A taken value reads back at once,
    // as the block is about to apply it: a host reading between the hand-over
    // and the block's publication would otherwise see the older value (and
    // save it).
    void takeRequests() noexcept {
        resetRequest = false;
        clearRequest = false;
        rerouteRequest = false;
        if (!active) {
            return;
        }
        for (int32_t index = 0; index < maxParamCount; ++index) {
            if (!std::isnan(pendingValues[index])) {
                paramValues[index] = pendingValues[index];
            }
            pendingValues[index] = std::numeric_limits<float>::quiet_NaN();
        }
    }
};
