#include "Resampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

namespace oversampling {

// Linear phase throughout: the wet path is then a pure delay in the pass band,
// so the dry signal, delayed by the same whole number of samples, adds to it
// in phase at every frequency (a minimum-phase chain would comb-filter the
// blend), and the latency a host compensates is exact.
//
// Stage 1 (2x the host rate) decides what reaches the output. Its down filter
// is a full low-pass, flat to 20/96 of its rate (20 kHz at 48 kHz) and
// stopping at 25/96 (25 kHz): the fifth harmonic of a 5 kHz tone, 1 kHz above
// the host's Nyquist frequency, would otherwise fold back to 23 kHz, which a
// half-band filter (symmetric about 24 kHz) cannot stop within the latency.
// Its up filter is a half-band one: input images start at 48 - 20 kHz. The
// split of the delay, more to the down filter, gave the least aliasing.
// Later stages only keep what would fold onto the first stage's pass band and
// up to the host's Nyquist frequency (24/48 of the host rate), so their
// transitions are wide and their half-band filters short.
//
// Lengths: each stage's two delays, (up - 1)/2 + (down - 1)/2 samples at
// 2^s times the host rate, are a multiple of 2^s, so every factor's latency is
// a whole number of host samples: 39 at 2x, 45 at 4x, 47 at 8x, 48 at 16x.
const StageDesign stageDesigns[maxStages] = {
    {55, 103, false, 20.0 / 96.0, 25.0 / 96.0},
    {23, 27, true, 24.0 / 192.0, 72.0 / 192.0},
    {15, 19, true, 24.0 / 384.0, 168.0 / 384.0},
    {15, 19, true, 24.0 / 768.0, 360.0 / 768.0},
};

namespace {

// Pass and stop edges of the half-band up filters: the host's pass band, and
// the first image of its Nyquist frequency's other side.
double upPassEdge(int32_t stage) noexcept {
    return stage == 0 ? 20.0 / 96.0 : stageDesigns[stage].downPass;
}

double besselI0(double x) noexcept {
    // The power series converges for every argument the window takes (< 20).
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 60; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-17) {
            break;
        }
    }
    return sum;
}

Branch makeBranch(const std::vector<float>& taps, int32_t baseOffset) {
    Branch branch;
    size_t first = 0;
    size_t last = taps.size();
    while (first < last && taps[first] == 0.0f) ++first;
    while (last > first && taps[last - 1] == 0.0f) --last;
    branch.taps.assign(taps.begin() + static_cast<std::ptrdiff_t>(first),
                       taps.begin() + static_cast<std::ptrdiff_t>(last));
    branch.offset = baseOffset + static_cast<int32_t>(first);
    // The filter loop relies on it; the designs are symmetric by construction.
    if (!std::equal(branch.taps.begin(), branch.taps.end(), branch.taps.rbegin())) {
        throw std::logic_error("resampling branch is not symmetric");
    }
    return branch;
}

void splitBranches(const std::vector<double>& taps, std::vector<float>& even,
                   std::vector<float>& odd) {
    for (size_t k = 0; k < taps.size(); ++k) {
        (k % 2 == 0 ? even : odd).push_back(static_cast<float>(taps[k]));
    }
}

// Outputs are computed a tile at a time, tap after tap, so every step is the
// same multiply-add across the tile's consecutive samples, in vector
// registers with no horizontal sums (GCC's generic vectors). A last partial
// tile reads up to a tile's samples past its end: every line holds that much
// slack, and those outputs are dropped. Each lane adds its products in the
// same order at every vector width (no fused multiply-add), so the output is
// the same bits whichever width the processor takes.
constexpr int32_t maxTile = 64;

template <class Vector, int32_t vectors>
inline __attribute__((always_inline)) void filterTiles(const Branch& branch, const float* samples,
                                                       float* output, int32_t frames,
                                                       bool add) noexcept {
    constexpr int32_t lanes = sizeof(Vector) / sizeof(float);
    constexpr int32_t tile = lanes * vectors;
    static_assert(tile <= maxTile);
    const float* taps = branch.taps.data();
    const int32_t count = static_cast<int32_t>(branch.taps.size());
    const float* x = samples + branch.offset;
    for (int32_t start = 0; start < frames; start += tile) {
        Vector sum[vectors] = {};
        // Linear phase: tap k equals tap count-1-k, so their samples are
        // added first and multiplied once.
        for (int32_t k = 0; k < count / 2; ++k) {
            const Vector tap = Vector{} + taps[k];
            const float* near = x + start + k;
            const float* far = x + start + count - 1 - k;
#pragma GCC unroll 8
            for (int32_t v = 0; v < vectors; ++v) {
                Vector a, b;
                std::memcpy(&a, near + lanes * v, sizeof a);
                std::memcpy(&b, far + lanes * v, sizeof b);
                sum[v] += tap * (a + b);
            }
        }
        if (count % 2 != 0) {
            const Vector tap = Vector{} + taps[count / 2];
            const float* middle = x + start + count / 2;
#pragma GCC unroll 8
            for (int32_t v = 0; v < vectors; ++v) {
                Vector a;
                std::memcpy(&a, middle + lanes * v, sizeof a);
                sum[v] += tap * a;
            }
        }
        float* to = output + start;
        if (frames - start >= tile) {
#pragma GCC unroll 8
            for (int32_t v = 0; v < vectors; ++v) {
                if (add) {
                    Vector before;
                    std::memcpy(&before, to + lanes * v, sizeof before);
                    sum[v] = before + sum[v];
                }
                std::memcpy(to + lanes * v, &sum[v], sizeof sum[v]);
            }
        } else {
            float result[tile];
            std::memcpy(result, sum, sizeof result);
            for (int32_t j = 0; j < frames - start; ++j) {
                to[j] = add ? to[j] + result[j] : result[j];
            }
        }
    }
}

using Narrow = float __attribute__((vector_size(16)));
using Wide = float __attribute__((vector_size(32)));

void filterNarrow(const Branch& branch, const float* samples, float* output, int32_t frames,
                  bool add) noexcept {
    filterTiles<Narrow, 8>(branch, samples, output, frames, add);
}

// Not on Windows: GCC there does not keep 32-byte stack alignment for AVX
// values, and a spilled register would fault.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define ONDULAXIS_WIDE_FILTERS 1
__attribute__((target("avx2"))) void filterWide(const Branch& branch, const float* samples,
                                                float* output, int32_t frames, bool add) noexcept {
    filterTiles<Wide, 8>(branch, samples, output, frames, add);
}
#endif

using Filter = void (*)(const Branch&, const float*, float*, int32_t, bool) noexcept;

Filter chooseFilter() noexcept {
#if defined(ONDULAXIS_WIDE_FILTERS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return filterWide;
#endif
    return filterNarrow;
}

// Chosen once, when the library is loaded.
const Filter filter = chooseFilter();

std::vector<double> designUp(int32_t stage) {
    const StageDesign& d = stageDesigns[stage];
    const double width = 0.5 - 2.0 * upPassEdge(stage);
    return kaiserLowPass(d.upLength, 0.25, kaiserAttenuation(d.upLength, width), 2.0);
}

std::vector<double> designDown(int32_t stage) {
    const StageDesign& d = stageDesigns[stage];
    if (d.halfBandDown) {
        const double width = 0.5 - 2.0 * d.downPass;
        return kaiserLowPass(d.downLength, 0.25, kaiserAttenuation(d.downLength, width), 1.0);
    }
    const double width = d.downStop - d.downPass;
    return kaiserLowPass(d.downLength, 0.5 * (d.downPass + d.downStop),
                         kaiserAttenuation(d.downLength, width), 1.0);
}

}  // namespace

int32_t chainLatency(int32_t stages) noexcept {
    int32_t highRate = 0;  // samples at 2^stages times the host rate
    for (int32_t s = 0; s < stages; ++s) {
        const int32_t delay =
            (stageDesigns[s].upLength - 1) / 2 + (stageDesigns[s].downLength - 1) / 2;
        highRate += delay << (stages - s - 1);
    }
    return highRate >> stages;
}

double kaiserAttenuation(int32_t length, double width) noexcept {
    return 14.36 * width * (length - 1) + 7.95;
}

std::vector<double> kaiserLowPass(int32_t length, double cutoff, double attenuationDb,
                                  double gain) {
    const double beta = attenuationDb > 50.0 ? 0.1102 * (attenuationDb - 8.7)
                        : attenuationDb > 21.0
                            ? 0.5842 * std::pow(attenuationDb - 21.0, 0.4) +
                                  0.07886 * (attenuationDb - 21.0)
                            : 0.0;
    const int32_t centre = (length - 1) / 2;
    const bool halfBand = cutoff == 0.25;
    std::vector<double> taps(static_cast<size_t>(length));
    double sum = 0.0;
    for (int32_t k = 0; k < length; ++k) {
        const int32_t n = k - centre;
        double value;
        if (n == 0) {
            value = 2.0 * cutoff;
        } else if (halfBand && n % 2 == 0) {
            value = 0.0;
        } else {
            const double x = 2.0 * std::numbers::pi * cutoff * n;
            value = std::sin(x) / (std::numbers::pi * n);
        }
        const double r = static_cast<double>(n) / centre;
        value *= besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
        taps[static_cast<size_t>(k)] = value;
        sum += value;
    }
    if (halfBand) {
        // Keep the centre tap at exactly 1/2 (a plain delay in one branch) and
        // scale the others to unit DC gain.
        const double others = sum - 0.5;
        for (int32_t k = 0; k < length; ++k) {
            if (k != centre) taps[static_cast<size_t>(k)] *= 0.5 / others;
        }
    } else {
        for (double& tap : taps) tap /= sum;
    }
    for (double& tap : taps) tap *= gain;
    return taps;
}

Upsampler::Upsampler(const std::vector<double>& taps, int32_t maxInput) {
    std::vector<float> evenTaps, oddTaps;
    splitBranches(taps, evenTaps, oddTaps);
    even = makeBranch(evenTaps, 0);
    odd = makeBranch(oddTaps, 1);
    history = (static_cast<int32_t>(taps.size()) - 1) / 2;
    line.assign(static_cast<size_t>(history + maxInput + maxTile), 0.0f);
    evenOut.assign(static_cast<size_t>(maxInput), 0.0f);
    oddOut.assign(static_cast<size_t>(maxInput), 0.0f);
}

void Upsampler::run(const float* input, float* output, int32_t frames) noexcept {
    float* block = line.data();
    std::memcpy(block + history, input, sizeof(float) * static_cast<size_t>(frames));
    filter(even, block, evenOut.data(), frames, false);
    filter(odd, block, oddOut.data(), frames, false);
    for (int32_t i = 0; i < frames; ++i) {
        output[2 * i] = evenOut[static_cast<size_t>(i)];
        output[2 * i + 1] = oddOut[static_cast<size_t>(i)];
    }
    std::memmove(block, block + frames, sizeof(float) * static_cast<size_t>(history));
}

void Upsampler::clear() noexcept { std::fill(line.begin(), line.end(), 0.0f); }

Downsampler::Downsampler(const std::vector<double>& taps, int32_t maxOutput) {
    std::vector<float> evenTaps, oddTaps;
    splitBranches(taps, evenTaps, oddTaps);
    even = makeBranch(evenTaps, 0);
    odd = makeBranch(oddTaps, 0);
    history = (static_cast<int32_t>(taps.size()) - 1) / 2;
    evenLine.assign(static_cast<size_t>(history + maxOutput + maxTile), 0.0f);
    oddLine.assign(static_cast<size_t>(history + maxOutput + maxTile), 0.0f);
}

void Downsampler::run(const float* input, float* output, int32_t frames) noexcept {
    float* evens = evenLine.data();
    float* odds = oddLine.data();
    for (int32_t i = 0; i < frames; ++i) {
        evens[history + i] = input[2 * i];
        odds[history + i] = input[2 * i + 1];
    }
    filter(even, evens, output, frames, false);
    filter(odd, odds, output, frames, true);
    std::memmove(evens, evens + frames, sizeof(float) * static_cast<size_t>(history));
    std::memmove(odds, odds + frames, sizeof(float) * static_cast<size_t>(history));
}

void Downsampler::clear() noexcept {
    std::fill(evenLine.begin(), evenLine.end(), 0.0f);
    std::fill(oddLine.begin(), oddLine.end(), 0.0f);
}

ChannelResampler::ChannelResampler()
    : scratch(static_cast<size_t>(chunkFrames * maxFactor / 2)) {
    for (int32_t s = 0; s < maxStages; ++s) {
        ups[s] = Upsampler(designUp(s), chunkFrames << s);
        downs[s] = Downsampler(designDown(s), chunkFrames << s);
    }
}

// The chain alternates between `work` and `scratch` so that the last stage
// writes `work`: scratch then holds at most half the top rate's samples.
void ChannelResampler::up(int32_t stages, const float* input, float* work,
                          int32_t frames) noexcept {
    const float* from = input;
    for (int32_t s = 0; s < stages; ++s) {
        float* to = ((stages - 1 - s) % 2 == 0) ? work : scratch.data();
        ups[s].run(from, to, frames << s);
        from = to;
    }
}

void ChannelResampler::down(int32_t stages, float* work, float* output, int32_t frames) noexcept {
    const float* from = work;
    for (int32_t s = stages - 1; s >= 0; --s) {
        float* to = s == 0 ? output : (((stages - 1 - s) % 2 == 0) ? scratch.data() : work);
        downs[s].run(from, to, frames << s);
        from = to;
    }
}

void ChannelResampler::clear() noexcept {
    for (int32_t s = 0; s < maxStages; ++s) {
        ups[s].clear();
        downs[s].clear();
    }
}

}  // namespace oversampling
