#include "EmbeddedEffect.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "EmbeddedEffectHost.h"

namespace {

// Values pass between the audio thread and the others without a lock.
static_assert(std::atomic<float>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free);

// Whether [a, a + frames) and [b, b + frames) share a sample.
bool overlap(const float* a, const float* b, uint32_t frames) noexcept {
    const auto start = reinterpret_cast<uintptr_t>(a);
    const auto other = reinterpret_cast<uintptr_t>(b);
    const uintptr_t bytes = uintptr_t{frames} * sizeof(float);
    return start < other + bytes && other < start + bytes;
}

}  // namespace

EmbeddedEffect::~EmbeddedEffect() {
    if (record != nullptr) {
        record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);  // deletes the effect
    }
}

bool EmbeddedEffect::open(Factory create) noexcept {
    record = create(answer);
    if (record == nullptr) {
        return false;
    }
    record->user = this;
    record->dispatcher(record, effOpen, 0, 0, nullptr, 0.0f);
    kept = static_cast<uint32_t>(std::clamp(record->numParams, 0, static_cast<int32_t>(maxParameters)));
    for (uint32_t index = 0; index < kept; ++index) {
        values[index].store(record->getParameter(record, static_cast<int32_t>(index)));
    }
    return true;
}

bool EmbeddedEffect::setSampleRate(double sampleRate) noexcept {
    if (!(sampleRate >= 1.0 && sampleRate <= 1.0e7)) {
        return false;
    }
    rate = sampleRate;
    record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    return true;
}

void EmbeddedEffect::resume() noexcept { record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f); }

void EmbeddedEffect::suspend() noexcept { record->dispatcher(record, effMainsChanged, 0, 0, nullptr, 0.0f); }

void EmbeddedEffect::setBypass(bool bypass) noexcept {
    if (bypass != bypassed) {
        bypassed = bypass;
        record->dispatcher(record, effSetBypass, 0, bypass ? 1 : 0, nullptr, 0.0f);
    }
}

void EmbeddedEffect::setParameter(uint32_t index, float normalised) noexcept {
    if (index < kept) {
        values[index].store(normalised, std::memory_order_relaxed);
        changeCounts[index].fetch_add(1, std::memory_order_release);
    }
    record->setParameter(record, static_cast<int32_t>(index), normalised);
}

void EmbeddedEffect::copyValues(float* out) const noexcept {
    for (uint32_t index = 0; index < maxParameters; ++index) {
        out[index] = values[index].load(std::memory_order_relaxed);
    }
}

bool EmbeddedEffect::takeChanges(ChangeMarks& seen) const noexcept {
    bool moved = false;
    for (uint32_t index = 0; index < kept; ++index) {
        const uint32_t now = changeCounts[index].load(std::memory_order_acquire);
        moved = moved || now != seen.counts[index];
        seen.counts[index] = now;
    }
    return moved;
}

uint32_t EmbeddedEffect::latency() const noexcept { return static_cast<uint32_t>(std::max(0, record->initialDelay)); }

void EmbeddedEffect::process(float* const* inputs, float* const* outputs, uint32_t start, uint32_t frames) noexcept {
    const uint32_t last = channelCount - 1;
    if (inputs[0] == nullptr || inputs[last] == nullptr || outputs[0] == nullptr || outputs[last] == nullptr) {
        return;
    }
    float* in[2] = {inputs[0] + start, inputs[last] + start};
    float* out[2] = {outputs[0] + start, outputs[last] + start};
    // The stereo kernels write output A before they read input B, so an
    // input that an output of the other channel shares (out L = in R, or
    // both swapped) is read from a copy. A channel in place is safe.
    bool aside[2] = {};
    for (uint32_t channel = 0; channel < channelCount; ++channel) {
        for (uint32_t other = 0; other < channelCount; ++other) {
            const bool inPlace = other == channel && out[other] == in[channel];
            aside[channel] = aside[channel] || (!inPlace && overlap(in[channel], out[other], frames));
        }
    }
    // The process call counts frames in int32_t.
    const uint32_t largestCall = aside[0] || aside[1] ? asideFrames : std::numeric_limits<int32_t>::max();
    while (frames > 0) {
        const uint32_t now = std::min(frames, largestCall);
        float* callIn[2] = {in[0], in[1]};
        for (uint32_t channel = 0; channel < channelCount; ++channel) {
            if (aside[channel]) {
                std::memcpy(copies[channel], in[channel], now * sizeof(float));
                callIn[channel] = copies[channel];
            }
        }
        callIn[1] = callIn[last];
        record->processReplacing(record, callIn, out, static_cast<int32_t>(now));
        frames -= now;
        for (uint32_t channel = 0; channel < 2; ++channel) {
            in[channel] += now;
            out[channel] += now;
        }
    }
}

// Every request but the version needs the driver, which the record learns
// only once the effect exists.
intptr_t EmbeddedEffect::answer(AEffect* record, int32_t opcode, int32_t index, intptr_t, void*, float) noexcept {
    const auto* self = record != nullptr ? static_cast<const EmbeddedEffect*>(record->user) : nullptr;
    if (opcode != audioMasterVersion && self == nullptr) {
        return 0;
    }
    return embeddedEffectHost::answer(opcode, index, self != nullptr ? self->channelCount : 0,
                                      self != nullptr ? self->rate : 0.0,
                                      self != nullptr && self->renderingOffline.load());
}
