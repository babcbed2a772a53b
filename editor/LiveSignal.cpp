#include "LiveSignal.h"

#include <algorithm>

namespace {

// Fixed point: 1.0 is 2^14, so a 16-bit word holds -2 to nearly 2, finer
// than any pixel of the plot; whole words are exact floats again.
constexpr float fixedOne = 16384.0f;

uint32_t fixed(float value) noexcept {
    const float scaled = value * fixedOne;
    if (scaled >= 32767.0f) return 32767u;
    if (scaled >= -32768.0f) return static_cast<uint16_t>(static_cast<int16_t>(scaled));
    // NaN shows in the middle.
    return scaled < 0.0f ? 0x8000u : 0u;
}

float unfixed(uint32_t word) noexcept { return static_cast<float>(static_cast<int16_t>(word & 0xFFFFu)) / fixedOne; }

}  // namespace

LiveSignal::LiveSignal(int32_t stride) noexcept : stride_(std::clamp(stride, 1, 1 << 20)) {
    for (std::atomic<uint32_t>& slot : slots_) slot.store(0, std::memory_order_relaxed);
}

void LiveSignal::write(const float* in, const float* out, int32_t frames) noexcept {
    if (in == nullptr || out == nullptr || frames <= 0) return;
    int32_t first = phase_;
    int32_t pairs = first < frames ? (frames - 1 - first) / stride_ + 1 : 0;
    phase_ = first + pairs * stride_ - frames;
    // A block longer than the ring keeps only the pairs the ring holds.
    if (pairs > maxLivePoints) {
        first += (pairs - maxLivePoints) * stride_;
        pairs = maxLivePoints;
    }
    uint32_t written = written_.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < pairs; ++i) {
        const int32_t frame = first + i * stride_;
        slots_[written % maxLivePoints].store(fixed(in[frame]) << 16 | fixed(out[frame]), std::memory_order_relaxed);
        ++written;
    }
    written_.store(written, std::memory_order_release);
    blocks_.store(blocks_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

LiveSignalReader::LiveSignalReader(const LiveSignal& signal) noexcept
    : signal_(signal),
      lastBlocks_(signal.blocks_.load(std::memory_order_acquire)),
      shownFrom_(signal.written_.load(std::memory_order_acquire)) {}

int32_t LiveSignalReader::read(SignalPoint* points, uint32_t milliseconds) noexcept {
    const uint32_t blocks = signal_.blocks_.load(std::memory_order_acquire);
    const uint32_t written = signal_.written_.load(std::memory_order_acquire);
    if (blocks != lastBlocks_) {
        lastBlocks_ = blocks;
        lastBlockTime_ = milliseconds;
        running_ = true;
    } else if (running_ && milliseconds - lastBlockTime_ >= quietMilliseconds) {
        running_ = false;
        shownFrom_ = written;
    }
    if (!running_) return 0;
    // A pair the writer overwrites while it is copied shows as the newer
    // one: every pair shown is a recent one.
    const uint32_t count = std::min(written - shownFrom_, static_cast<uint32_t>(maxLivePoints));
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t word = signal_.slots_[(written - count + i) % maxLivePoints].load(std::memory_order_relaxed);
        points[i] = {unfixed(word >> 16), unfixed(word)};
    }
    return static_cast<int32_t>(count);
}
