// The tracked values (the slew limiter's output) of a chunk, and bypass's last
// tracked value of a block, with the reference's arithmetic: the only serial
// part of the kernels. With slew limiting on the steps run one after another;
// with it off they are taken in parallel from guesses and checked, and only
// the vectors where a guess failed are settled step by step.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "ChunkBuffers.h"
#include "KernelMath.h"
#include "ParameterCurves.h"

namespace {
namespace chunked {

// One slew step, as kernelMath::slewStep, for a vector of samples.
template <class Math>
inline typename Math::Floats slewSteps(typename Math::Floats previous, typename Math::Doubles x,
                                       typename Math::Floats limit) noexcept {
    using L = Lanes<Math>;
    const auto wide = L::widen(previous);
    const auto difference = L::narrow(x - wide);
    const auto size = L::abs(difference);
    // As `limit >= size ? size : limit`, a NaN size included, in one minimum.
    const auto magnitude = size < limit ? size : limit;
    // The magnitude is never negative, so only the sign bit needs setting.
    const auto step = (typename L::Floats)((typename L::FloatMask)magnitude |
                                           ((typename L::FloatMask)difference &
                                            L::template splat<typename L::FloatMask>(INT32_MIN)));
    return L::narrow(wide + L::widen(step));
}

// The reference's steps one after another, the channels side by side so that
// their dependency chains overlap; `seen(k, i, value)` gets every tracked value.
template <int channels, class Seen>
inline void stepSerially(const float* const* inputs, float* state, int count,
                         const Coefficients& c, Seen seen) noexcept {
    const double gain = kernelMath::widen(c.inGain);
    float tracked[channels];
    for (int k = 0; k < channels; ++k) {
        tracked[k] = state[k];
    }
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < channels; ++k) {
            tracked[k] = kernelMath::slewStep(kernelMath::widen(inputs[k][i]) * gain, tracked[k],
                                              c.slewLimit);
            seen(k, i, tracked[k]);
        }
    }
    for (int k = 0; k < channels; ++k) {
        state[k] = tracked[k];
    }
}

// Every tracked value of the chunk, for the shaping that follows; the padding
// past `count` tracks zero.
template <class Math, int channels>
inline void trackSerial(Channel<Math>* channel, float* state, int count, int padded,
                        const Coefficients& c) noexcept {
    const float* inputs[channels];
    for (int k = 0; k < channels; ++k) {
        inputs[k] = channel[k].input;
        channel[k].history[0] = state[k];
        for (int i = count; i < padded; ++i) {
            channel[k].tracked()[i] = 0.0f;
        }
    }
    stepSerially<channels>(inputs, state, count, c,
                           [channel](int k, int i, float value) { channel[k].tracked()[i] = value; });
}

// Slew steps for one vector of samples whose first predecessor is `before`:
// guess the results, then redo every step from its guessed predecessor until
// nothing changes. Lane k is exact after k + 1 rounds, so this ends; with
// slew limiting off it mostly ends after the first.
template <class Math>
inline typename Math::Floats settleVector(float before, typename Math::Doubles x,
                                          typename Math::Floats guess,
                                          typename Math::Floats limit) noexcept {
    using L = Lanes<Math>;
    using FloatMask = typename L::FloatMask;
    for (;;) {
        // Predecessors: [before, guess[0], ..., guess[width - 2]].
        const auto next = slewSteps<Math>(Math::shiftIn(before, guess), x, limit);
        if (!Math::anyLane((FloatMask)next != (FloatMask)guess)) {
            return next;
        }
        guess = next;
    }
}

// Gains 2^k with k >= 0, which InGain gives at whole eighths of its range
// (1 and 4 among them), decided once per block from the bits: the float
// product in * 2^k only moves the exponent, so it is the reference's exact
// double product unless it overflows.
inline bool exactGain(float gain) noexcept {
    const uint32_t bits = bitsOf(gain);
    const uint32_t biasedExponent = bits >> 23;  // the sign bit too: negatives fail
    return (bits & 0x7FFFFFu) == 0 && biasedExponent >= 127 && biasedExponent <= 254;
}

// With such a gain, a vector of slew steps from `previous` towards the float
// products, in float alone. `unsure` marks the lanes where a step may differ
// from the reference's; elsewhere `tracked` is the reference's result: its x
// is the product, its difference x - previous rounded to float is the float
// difference (the double difference of two floats, rounded again to float,
// is the float difference, as 53 >= 2 * 24 + 2 bits make the double rounding
// harmless; a result below the normal range is exact in both), the step is
// not limited, and the float sum previous + difference is what the reference
// rounds through double, by the same argument. Signs of zeros follow the same
// rules in either width. An overflowing product, an infinity or a NaN gives an
// infinite or NaN difference, which the bound, kept finite for that reason,
// marks.
template <class Floats>
struct FloatSteps {
    using Mask = decltype(Floats{} < Floats{});
    Floats tracked;
    Mask unsure;
};

template <class Floats>
inline FloatSteps<Floats> productSteps(Floats product, Floats previous, float limit) noexcept {
    using Mask = typename FloatSteps<Floats>::Mask;
    const float bound = std::min(limit, std::numeric_limits<float>::max());
    const Floats difference = product - previous;
    const Floats size = (Floats)((Mask)difference & INT32_MAX);
    return {previous + difference, ~(size <= bound)};
}

// Whether every value, and `state`, is zero or at least 2^-100 in size.
// Float arithmetic on subnormal operands or results is taken in microcode, far
// slower than the widening it saves; from such values with gains of at least
// 1, products, differences (multiples of 2^-123) and sums stay normal. Four
// lanes of integers whatever the instruction set: two-lane vectors would be
// taken lane by lane.
inline bool clearOfSubnormals(const float* values, int count, float state) noexcept {
    typedef uint32_t Bits __attribute__((vector_size(16)));
    constexpr uint32_t smallest = 27u << 23;  // 2^-100
    // Zero wraps to the largest value, so one comparison finds 0 < size < 2^-100.
    const Bits below = {smallest - 1, smallest - 1, smallest - 1, smallest - 1};
    Bits tiny = {};
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        Bits bits;
        std::memcpy(&bits, values + i, sizeof bits);
        tiny |= ((bits & INT32_MAX) - 1u) < below;
    }
    uint32_t any = tiny[0] | tiny[1] | tiny[2] | tiny[3];
    for (; i < count; ++i) {
        any |= ((bitsOf(values[i]) & INT32_MAX) - 1u) < smallest - 1;
    }
    return any == 0 && ((bitsOf(state) & INT32_MAX) - 1u) >= smallest - 1;
}

// Slew limiting off: the tracked value becomes float(x) unless rounding the
// step lost bits (after a steep drop, or a jump beyond the limit), and such a
// loss fades within a step or two. So first every step is taken at once from
// float(previous x), marking the vectors where one missed float(x); then, in
// order, the marked vectors and those whose predecessor turned out otherwise
// are settled from the true predecessor. The result is the serial one, bit for
// bit, and the first loop has no branch to mispredict.
template <class Math>
inline float settle(Channel<Math>& channel, float state, int count, int padded,
                    const Coefficients& c) noexcept {
    using L = Lanes<Math>;
    using Floats = typename L::Floats;
    using FloatMask = typename L::FloatMask;
    constexpr int width = Math::width;
    const auto gain = L::template splat<typename L::Doubles>(kernelMath::widen(c.inGain));
    const Floats limit = L::template splat<Floats>(c.slewLimit);
    float* tracked = channel.tracked();
    channel.history[0] = state;
    float assumed = state;
    if (exactGain(c.inGain) && clearOfSubnormals(channel.input, padded, state)) {
        // The same first pass in float alone (see productSteps): a lane it is
        // unsure of counts as a miss.
        const Floats floatGain = L::template splat<Floats>(c.inGain);
        for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
            const Floats followed = load<Floats>(channel.input + i) * floatGain;
            const FloatSteps<Floats> next =
                productSteps(followed, Math::shiftIn(assumed, followed), c.slewLimit);
            store(tracked + i, next.tracked);
            channel.unsettled[vector] = Math::anyLane(
                ((FloatMask)next.tracked != (FloatMask)followed) | next.unsure);
            assumed = followed[width - 1];
        }
    } else {
        for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
            const auto x = L::widen(load<Floats>(channel.input + i)) * gain;
            const Floats followed = L::narrow(x);
            const Floats next = slewSteps<Math>(Math::shiftIn(assumed, followed), x, limit);
            store(tracked + i, next);
            channel.unsettled[vector] = Math::anyLane((FloatMask)next != (FloatMask)followed);
            assumed = followed[width - 1];
        }
    }
    // Whether the vector before ended off float(x): only a settled one can,
    // as the others equal float(x) in every lane.
    bool offFollowed = false;
    for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
        if (channel.unsettled[vector] || offFollowed) {
            const float before = i == 0 ? state : tracked[i - 1];
            const auto x = L::widen(load<Floats>(channel.input + i)) * gain;
            const Floats settled = settleVector<Math>(before, x, load<Floats>(tracked + i), limit);
            store(tracked + i, settled);
            offFollowed = bitsOf(settled[width - 1]) != bitsOf(L::narrow(x)[width - 1]);
        } else {
            offFollowed = false;
        }
    }
    return tracked[count - 1];
}

template <class Math, int channels>
inline void track(Channel<Math>* channel, float* state, int count, int padded,
                  const Coefficients& c) noexcept {
    if (c.slewLimit >= parameterCurves::slewOff) {
        for (int k = 0; k < channels; ++k) {
            state[k] = settle(channel[k], state[k], count, padded, c);
        }
    } else {
        trackSerial<Math, channels>(channel, state, count, padded, c);
    }
}

// Bypass with slew limiting off, where only the tracked value at the end of
// the block matters. Each step of a vector is taken, with the reference's
// arithmetic, from the guess that its predecessor ended at float(x) (the
// first from the true tracked value). Where every step lands on its own
// guess, the guesses were the tracked values. A vector where one misses (a
// steep drop, a sign change, a non-finite sample: a few in a hundred on
// music) is settled exactly, and its last value starts the next vector.
//
// The guess is the float product, which rounds the exact product as the
// reference does; it only needs to be the same bits wherever it is formed.
// The step's last rounding happens in float: the exact sum of two floats
// either fits a double or lies within a small fraction of an ulp of the
// larger one, so rounding it to double first changes no float result.
// With an exact gain (exactGain) the steps stay in float, and the double
// product is formed only for a vector that needs settling.
// `previous`: the value before each sample's step, lane 0's the true one.
// Returns the tracked value after lane `last`.
template <class Math, bool exact>
inline float lastTracked(typename Math::Floats samples, typename Math::Floats guess,
                         typename Math::Floats previous, int last,
                         const Coefficients& c) noexcept {
    using L = Lanes<Math>;
    using Floats = typename L::Floats;
    using Doubles = typename L::Doubles;
    using FloatMask = typename L::FloatMask;
    const Floats limit = L::template splat<Floats>(c.slewLimit);
    if constexpr (exact) {
        // Steps from the guesses, then once more from those results: where
        // that second round is sure and repeats the first, each lane's
        // predecessor was its true value (lane 0's is), so the first round is
        // the serial result. A step that misses its guess mostly leaves the
        // next one on its own guess, so the second round takes most misses
        // (about one vector in eight on music) without a branch the
        // processor would mispredict.
        const Floats first = productSteps(guess, previous, c.slewLimit).tracked;
        const FloatSteps<Floats> second =
            productSteps(guess, Math::shiftIn(previous[0], first), c.slewLimit);
        const FloatMask missed = ((FloatMask)second.tracked != (FloatMask)first) | second.unsure;
        if ((Math::laneBits(missed) & ((2u << last) - 1u)) == 0) [[likely]] {
            return first[last];
        }
        const Doubles x =
            L::widen(samples) * L::template splat<Doubles>(kernelMath::widen(c.inGain));
        return settleVector<Math>(previous[0], x, second.tracked, limit)[last];
    } else {
        const Doubles x =
            L::widen(samples) * L::template splat<Doubles>(kernelMath::widen(c.inGain));
        const Floats difference = L::narrow(x - L::widen(previous));
        const Floats tracked = previous + difference;
        // A limited step (a NaN one too) is left to the settling.
        const FloatMask missed =
            ((FloatMask)tracked != (FloatMask)guess) | ~(L::abs(difference) <= limit);
        if ((Math::laneBits(missed) & ((2u << last) - 1u)) == 0) [[likely]] {
            return guess[last];
        }
        return settleVector<Math>(previous[0], x, tracked, limit)[last];
    }
}

template <class Math, bool exact>
inline float finalUnlimitedWith(const float* input, int count, float state,
                                const Coefficients& c) noexcept {
    using Floats = typename Lanes<Math>::Floats;
    constexpr int width = Math::width;
    const Floats gain = Lanes<Math>::template splat<Floats>(c.inGain);
    float tracked = state;
    // Whether `tracked` is the guess for the sample before i: then the next
    // vector need not wait for it.
    bool onGuess = false;
    int i = 0;
    for (; i + width <= count; i += width) {
        const Floats samples = load<Floats>(input + i);
        const Floats guess = samples * gain;
        const Floats previous =
            onGuess ? load<Floats>(input + i - 1) * gain : Math::shiftIn(tracked, guess);
        tracked = lastTracked<Math, exact>(samples, guess, previous, width - 1, c);
        onGuess = bitsOf(tracked) == bitsOf(guess[width - 1]);
    }
    if (i < count) {
        // Under a vector left: a zero-padded copy, whose padding is not read back.
        alignas(64) float rest[width] = {};
        std::memcpy(rest, input + i, static_cast<size_t>(count - i) * sizeof(float));
        const Floats samples = load<Floats>(rest);
        const Floats guess = samples * gain;
        tracked = lastTracked<Math, exact>(samples, guess, Math::shiftIn(tracked, guess),
                                           count - i - 1, c);
    }
    return tracked;
}

template <class Math>
inline float finalUnlimited(const float* input, int count, float state,
                            const Coefficients& c) noexcept {
    return exactGain(c.inGain) ? finalUnlimitedWith<Math, true>(input, count, state, c)
                               : finalUnlimitedWith<Math, false>(input, count, state, c);
}

}  // namespace chunked
}  // namespace
