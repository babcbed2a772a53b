#include "Resampling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "ResamplingFilters.h"

namespace oversampling {

// Linear phase throughout: the wet path is then a pure delay in the pass band,
// so the dry signal, delayed by the same whole number of samples, adds to it
// in phase at every frequency (a minimum-phase chain would comb-filter the
// blend), and the latency a host compensates is exact.
//
// Stage 1 (2x the host rate) decides what reaches the output. Its down filter
// is a full low-pass, flat to 19/88.2 of its rate (19 kHz at 44.1 kHz, so
// beyond 20 kHz at 48 kHz) and stopping at 25/96 (25 kHz at 48 kHz): the
// fifth harmonic of a 5 kHz tone, 1 kHz above the host's Nyquist frequency,
// would otherwise fold back to 23 kHz, which a half-band filter (symmetric
// about the host's Nyquist frequency) cannot stop within the latency. It is a
// minimax design that lets the pass band ripple (a few hundredths of a dB)
// far more than the stop band leaks: a Kaiser window holds both to the same
// error and needed 123 taps for this band, against 91 here for the same
// aliasing and the earlier latency. Its up filter is a half-band one with the
// same pass band, as long as the attenuation the earlier 20 kHz edge gave
// needs over the narrower transition. The split of the delay, more to the
// down filter, gave the least aliasing.
// Later stages only keep what would fold onto the first stage's pass band and
// up to the host's Nyquist frequency (24/48 of the host rate), so their
// transitions are wide and their half-band filters short.
//
// Lengths: each stage's two delays, (up - 1)/2 + (down - 1)/2 samples at
// 2^s times the host rate, are a multiple of 2^s, so every factor's latency is
// a whole number of host samples: 39 at 2x, 45 at 4x, 47 at 8x, 48 at 16x.
const StageDesign stageDesigns[maxStages] = {
    {67, 91, false, 19.0 / 88.2, 25.0 / 96.0},
    {23, 27, true, 24.0 / 192.0, 72.0 / 192.0},
    {15, 19, true, 24.0 / 384.0, 168.0 / 384.0},
    {15, 19, true, 24.0 / 768.0, 360.0 / 768.0},
};

namespace {

// cos(2 pi t) from additions, multiplications and floor alone, which every
// build rounds alike: the C libraries' cosines differ in the last bit between
// Linux and Windows, and the taps, rounded to float, with them.
double cosineOfTurns(double t) noexcept {
    t = std::fabs(t);
    t -= std::floor(t);                 // [0, 1)
    if (t > 0.5) t = 1.0 - t;           // cos(2 pi (1 - t)) = cos(2 pi t)
    double sign = 1.0;
    if (t > 0.25) t = 0.5 - t, sign = -1.0;  // cos(pi - x) = -cos x
    // Taylor series on [0, pi/4]; past an eighth of a turn the sine's, of
    // the complement. Terms to x^22 leave under 1e-19.
    const bool complement = t > 0.125;
    const double x = 2.0 * std::numbers::pi * (complement ? 0.25 - t : t);
    const double xx = x * x;
    double sum = 0.0;
    double term = complement ? x : 1.0;
    for (int32_t k = complement ? 1 : 0; k < 24; k += 2) {
        sum += term;
        term *= -xx / ((k + 1) * (k + 2));
    }
    return sign * sum;
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

FilterKernel kernelFor(FilterWidth width) noexcept {
#if defined(ONDULAXIS_WIDE_FILTERS)
    if (filterWidthRuns(width)) {
        if (width == FilterWidth::widest) return filterWidest;
        if (width == FilterWidth::wide) return filterWide;
    }
#else
    (void)width;
#endif
    return filterNarrow;
}

// The filters run with subnormals read and written as zero: a decaying tail
// would otherwise slow every multiply-add many times over. Only the filters:
// the effect's kernels round subnormals correctly and must not see the mode.
class FlushSubnormals {
public:
#if defined(__SSE2__)
    FlushSubnormals() noexcept : saved(_mm_getcsr()) {
        _mm_setcsr(saved | flushToZero | denormalsAreZero);
    }
    ~FlushSubnormals() { _mm_setcsr(saved); }

private:
    static constexpr unsigned flushToZero = 0x8000;
    static constexpr unsigned denormalsAreZero = 0x0040;
    unsigned saved;
#endif
};

// NaN and infinities read as 0: one such sample would otherwise make the
// filter's whole length NaN. A compare and a mask, so the copies vectorise.
inline float finiteOrZero(float x) noexcept {
    return std::fabs(x) <= std::numeric_limits<float>::max() ? x : 0.0f;
}

std::vector<double> designUp(int32_t stage) {
    const StageDesign& d = stageDesigns[stage];
    // A half-band filter's transition is symmetric about a quarter of the rate.
    const double width = 0.5 - 2.0 * d.downPass;
    return kaiserLowPass(d.upLength, 0.25, kaiserAttenuation(d.upLength, width), 2.0);
}

// The full low-pass's pass band may ripple far more than its stop band leaks
// (0.003 against the stop band's 6e-5 ~ -84 dB, in the ratio of their
// errors): the minimax design spends its taps where they count.
constexpr double downStopWeight = 50.0;

std::vector<double> designDown(int32_t stage) {
    const StageDesign& d = stageDesigns[stage];
    if (d.halfBandDown) {
        const double width = 0.5 - 2.0 * d.downPass;
        return kaiserLowPass(d.downLength, 0.25, kaiserAttenuation(d.downLength, width), 1.0);
    }
    // Designed once per process: the iteration takes a while.
    static const auto fullLowPasses = [] {
        std::array<std::vector<double>, maxStages> designs;
        for (int32_t s = 0; s < maxStages; ++s) {
            const StageDesign& full = stageDesigns[s];
            if (!full.halfBandDown) {
                designs[static_cast<size_t>(s)] =
                    minimaxLowPass(full.downLength, full.downPass, full.downStop, downStopWeight);
            }
        }
        return designs;
    }();
    return fullLowPasses[static_cast<size_t>(stage)];
}

}  // namespace

bool filterWidthRuns(FilterWidth width) noexcept {
#if defined(ONDULAXIS_WIDE_FILTERS)
    // The probe's answers are filled by a runtime constructor that may run
    // after ours; asking first makes them ready.
    __builtin_cpu_init();
    switch (width) {
    case FilterWidth::narrow:
        return true;
    case FilterWidth::wide:
        return __builtin_cpu_supports("avx2");
    case FilterWidth::widest:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    return width == FilterWidth::narrow;
#endif
}

FilterWidth defaultFilterWidth() noexcept {
    // The kernel paths by name, each with the width of its instruction set.
    constexpr struct {
        const char* path;
        FilterWidth width;
    } named[] = {{"reference", FilterWidth::narrow},
                 {"generic", FilterWidth::narrow},
                 {"avx2", FilterWidth::wide},
                 {"avx512", FilterWidth::widest}};
    if (const char* wanted = std::getenv("ONDULAXIS_KERNELS")) {
        for (const auto& entry : named) {
            if (std::strcmp(wanted, entry.path) == 0 && filterWidthRuns(entry.width)) {
                return entry.width;
            }
        }
    }
    for (FilterWidth width : {FilterWidth::widest, FilterWidth::wide}) {
        if (filterWidthRuns(width)) return width;
    }
    return FilterWidth::narrow;
}

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
            value = cosineOfTurns(cutoff * n - 0.25) / (std::numbers::pi * n);
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

std::vector<double> minimaxLowPass(int32_t length, double pass, double stop, double stopWeight) {
    // The response is a cosine series, A(f) = sum over k <= half of
    // a[k] cos(2 pi f k); tap centre +- k is a[k] / 2, the centre a[0].
    const int32_t half = (length - 1) / 2;
    const int32_t unknowns = half + 1;
    const double bands = pass + (0.5 - stop);
    const int32_t points = 16 * unknowns;
    std::vector<double> frequency, desired, weight;
    for (int32_t i = 0; i < points; ++i) {
        const double at = bands * i / (points - 1);
        const bool inPass = at <= pass;
        frequency.push_back(inPass ? at : stop + (at - pass));
        desired.push_back(inPass ? 1.0 : 0.0);
        weight.push_back(inPass ? 1.0 : stopWeight);
    }
    std::vector<double> basis(static_cast<size_t>(points * unknowns));
    for (int32_t i = 0; i < points; ++i) {
        for (int32_t k = 0; k < unknowns; ++k) {
            basis[static_cast<size_t>(i * unknowns + k)] =
                cosineOfTurns(frequency[static_cast<size_t>(i)] * k);
        }
    }
    std::vector<double> a(static_cast<size_t>(unknowns)), lawson(static_cast<size_t>(points), 1.0);
    std::vector<double> normal(static_cast<size_t>(unknowns * unknowns));
    // Lawson's update moves the least-squares weights towards the points
    // where the error peaks; the solution tends to the minimax one. A fixed
    // count of rounds keeps the design reproducible.
    for (int32_t round = 0; round < 80; ++round) {
        std::fill(normal.begin(), normal.end(), 0.0);
        std::fill(a.begin(), a.end(), 0.0);
        for (int32_t i = 0; i < points; ++i) {
            const double w = lawson[static_cast<size_t>(i)] * weight[static_cast<size_t>(i)] *
                             weight[static_cast<size_t>(i)];
            const double* c = &basis[static_cast<size_t>(i * unknowns)];
            for (int32_t j = 0; j < unknowns; ++j) {
                const double wc = w * c[j];
                a[static_cast<size_t>(j)] += wc * desired[static_cast<size_t>(i)];
                double* row = &normal[static_cast<size_t>(j * unknowns)];
                for (int32_t k = 0; k <= j; ++k) row[k] += wc * c[k];
            }
        }
        // Cholesky on the lower triangle, then the two triangular solves.
        for (int32_t j = 0; j < unknowns; ++j) {
            double* rowJ = &normal[static_cast<size_t>(j * unknowns)];
            for (int32_t k = 0; k < j; ++k) {
                const double* rowK = &normal[static_cast<size_t>(k * unknowns)];
                double sum = rowJ[k];
                for (int32_t m = 0; m < k; ++m) sum -= rowJ[m] * rowK[m];
                rowJ[k] = sum / rowK[k];
            }
            double diagonal = rowJ[j];
            for (int32_t m = 0; m < j; ++m) diagonal -= rowJ[m] * rowJ[m];
            rowJ[j] = std::sqrt(std::max(diagonal, 1e-300));
        }
        const auto lower = [&](int32_t row, int32_t column) {
            return normal[static_cast<size_t>(row * unknowns + column)];
        };
        for (int32_t j = 0; j < unknowns; ++j) {
            double sum = a[static_cast<size_t>(j)];
            for (int32_t m = 0; m < j; ++m) sum -= lower(j, m) * a[static_cast<size_t>(m)];
            a[static_cast<size_t>(j)] = sum / lower(j, j);
        }
        for (int32_t j = unknowns - 1; j >= 0; --j) {
            double sum = a[static_cast<size_t>(j)];
            for (int32_t m = j + 1; m < unknowns; ++m) {
                sum -= lower(m, j) * a[static_cast<size_t>(m)];
            }
            a[static_cast<size_t>(j)] = sum / lower(j, j);
        }
        double total = 0.0;
        for (int32_t i = 0; i < points; ++i) {
            double response = 0.0;
            const double* c = &basis[static_cast<size_t>(i * unknowns)];
            for (int32_t k = 0; k < unknowns; ++k) response += a[static_cast<size_t>(k)] * c[k];
            const double error = weight[static_cast<size_t>(i)] *
                                 std::fabs(response - desired[static_cast<size_t>(i)]);
            lawson[static_cast<size_t>(i)] *= error;
            total += lawson[static_cast<size_t>(i)];
        }
        for (double& w : lawson) w /= total;
    }
    std::vector<double> taps(static_cast<size_t>(length));
    double sum = 0.0;
    for (int32_t k = 0; k < unknowns; ++k) {
        const double value = k == 0 ? a[0] : 0.5 * a[static_cast<size_t>(k)];
        taps[static_cast<size_t>(half + k)] = taps[static_cast<size_t>(half - k)] = value;
    }
    for (double tap : taps) sum += tap;
    for (double& tap : taps) tap /= sum;
    return taps;
}

BranchPair::BranchPair(const std::vector<double>& taps, int32_t oddOffset, FilterWidth width)
    : filter(kernelFor(width)), history((static_cast<int32_t>(taps.size()) - 1) / 2) {
    std::vector<float> evenTaps, oddTaps;
    splitBranches(taps, evenTaps, oddTaps);
    even = makeBranch(evenTaps, 0);
    odd = makeBranch(oddTaps, oddOffset);
}

Upsampler::Upsampler(const std::vector<double>& taps, int32_t maxInput, FilterWidth width)
    : BranchPair(taps, 1, width) {
    line.assign(static_cast<size_t>(history + maxInput + maxTile), 0.0f);
    evenOut.assign(static_cast<size_t>(maxInput), 0.0f);
    oddOut.assign(static_cast<size_t>(maxInput), 0.0f);
}

// A branch of one tap (the centre of a half-band filter) is a scaled delay:
// it is read straight from the line while interleaving, with no pass of its own.
void Upsampler::run(const float* input, float* output, int32_t frames) noexcept {
    float* __restrict block = line.data();
    float* __restrict to = output;
    for (int32_t i = 0; i < frames; ++i) block[history + i] = finiteOrZero(input[i]);
    const float* evens = evenOut.data();
    const float* odds = oddOut.data();
    if (even.taps.size() == 1) {
        evens = block + even.offset;
    } else {
        filter(even.taps.data(), static_cast<int32_t>(even.taps.size()), block + even.offset,
               evenOut.data(), frames, false);
    }
    if (odd.taps.size() == 1) {
        const float tap = odd.taps[0];
        odds = block + odd.offset;
        for (int32_t i = 0; i < frames; ++i) {
            to[2 * i] = evens[i];
            to[2 * i + 1] = tap * odds[i];
        }
    } else {
        filter(odd.taps.data(), static_cast<int32_t>(odd.taps.size()), block + odd.offset,
               oddOut.data(), frames, false);
        const float scale = even.taps.size() == 1 ? even.taps[0] : 1.0f;
        for (int32_t i = 0; i < frames; ++i) {
            to[2 * i] = scale * evens[i];
            to[2 * i + 1] = odds[i];
        }
    }
    std::memmove(block, block + frames, sizeof(float) * static_cast<size_t>(history));
}

void Upsampler::clear() noexcept { std::fill(line.begin(), line.end(), 0.0f); }

Downsampler::Downsampler(const std::vector<double>& taps, int32_t maxOutput, FilterWidth width)
    : BranchPair(taps, 0, width) {
    evenLine.assign(static_cast<size_t>(history + maxOutput + maxTile), 0.0f);
    oddLine.assign(static_cast<size_t>(history + maxOutput + maxTile), 0.0f);
}

void Downsampler::run(const float* input, float* output, int32_t frames) noexcept {
    float* __restrict evens = evenLine.data();
    float* __restrict odds = oddLine.data();
    for (int32_t i = 0; i < frames; ++i) {
        evens[history + i] = finiteOrZero(input[2 * i]);
        odds[history + i] = finiteOrZero(input[2 * i + 1]);
    }
    filter(even.taps.data(), static_cast<int32_t>(even.taps.size()), evens + even.offset, output,
           frames, false);
    if (odd.taps.size() == 1) {
        // The centre of a half-band filter: a scaled delay, added in place.
        const float tap = odd.taps[0];
        const float* from = odds + odd.offset;
        for (int32_t i = 0; i < frames; ++i) output[i] = output[i] + tap * from[i];
    } else {
        filter(odd.taps.data(), static_cast<int32_t>(odd.taps.size()), odds + odd.offset, output,
               frames, true);
    }
    std::memmove(evens, evens + frames, sizeof(float) * static_cast<size_t>(history));
    std::memmove(odds, odds + frames, sizeof(float) * static_cast<size_t>(history));
}

void Downsampler::clear() noexcept {
    std::fill(evenLine.begin(), evenLine.end(), 0.0f);
    std::fill(oddLine.begin(), oddLine.end(), 0.0f);
}

ChannelResampler::ChannelResampler(FilterWidth width)
    : width(filterWidthRuns(width) ? width : FilterWidth::narrow),
      scratch(static_cast<size_t>(chunkFrames * maxFactor / 2)) {
    for (int32_t s = 0; s < maxStages; ++s) {
        ups[s] = Upsampler(designUp(s), chunkFrames << s, this->width);
        downs[s] = Downsampler(designDown(s), chunkFrames << s, this->width);
    }
}

// The chain alternates between `work` and `scratch` so that the last stage
// writes `work`: scratch then holds at most half the top rate's samples.
void ChannelResampler::up(int32_t stages, const float* input, float* work,
                          int32_t frames) noexcept {
    [[maybe_unused]] FlushSubnormals flush;
    const float* from = input;
    for (int32_t s = 0; s < stages; ++s) {
        float* to = ((stages - 1 - s) % 2 == 0) ? work : scratch.data();
        ups[s].run(from, to, frames << s);
        from = to;
    }
}

void ChannelResampler::down(int32_t stages, float* work, float* output, int32_t frames) noexcept {
    [[maybe_unused]] FlushSubnormals flush;
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
