// The running signal for the editor to show: an audio thread writes a few of
// each block's input/output pairs into a fixed ring, the UI thread reads the
// most recent ones through a LiveSignalReader. One writer and one reader at
// a time; no lock, no allocation.
//
// A pair is kept every `stride` frames (the phase carries from block to
// block), packed as two 16-bit fixed-point numbers in one atomic word so
// that a reader never sees half a pair on any build.
#pragma once

#include <atomic>
#include <cstdint>

#include "EditorState.h"

class LiveSignal {
public:
    // About 790 pairs a second at 48 kHz: the ring holds the last third of a
    // second. A prime, so that few periodic signals show the same phases.
    static constexpr int32_t defaultStride = 61;

    explicit LiveSignal(int32_t stride = defaultStride) noexcept;

    // [audio thread] one block: `in` and `out` hold `frames` samples of one
    // channel, both intact (a block processed in place has lost its input:
    // write from where both are still held). Touches at most maxLivePoints
    // samples of each.
    void write(const float* in, const float* out, int32_t frames) noexcept;

private:
    friend class LiveSignalReader;

    const int32_t stride_;
    std::atomic<uint32_t> slots_[maxLivePoints];
    std::atomic<uint32_t> written_{0};  // pairs ever written, wrapping
    std::atomic<uint32_t> blocks_{0};   // blocks ever written, wrapping

    // The writer's own: frames of the next block before its first pair.
    int32_t phase_ = 0;
};

// One editor's view of a LiveSignal, on the UI thread. It shows what was
// written since it was made, and nothing once no block has come for
// quietMilliseconds; after such a pause, only what was written since.
class LiveSignalReader {
public:
    static constexpr uint32_t quietMilliseconds = 500;

    // `signal` outlives the reader.
    explicit LiveSignalReader(const LiveSignal& signal) noexcept;

    // Copies the most recent pairs, oldest first, into `points` (room for
    // maxLivePoints) and returns how many; `milliseconds` is the reader's
    // clock, any origin.
    int32_t read(SignalPoint* points, uint32_t milliseconds) noexcept;

private:
    const LiveSignal& signal_;
    bool running_ = false;
    uint32_t lastBlocks_;
    uint32_t lastBlockTime_ = 0;
    uint32_t shownFrom_;  // pairs written before this are not shown
};
