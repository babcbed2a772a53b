// Linear-phase two-times resampling stages for running the effect at 2, 4, 8
// or 16 times the host's rate, in blocks of at most `chunkFrames` host
// samples. Every buffer is sized when a stage is built, so filtering never
// allocates. The filters run with subnormals flushed to zero (the caller's
// floating-point mode is restored on return) and read a NaN or an infinity
// as 0, so neither slows them nor spreads over their length.
#pragma once

#include <cstdint>
#include <vector>

namespace oversampling {

constexpr int32_t maxStages = 4;      // 16x
constexpr int32_t maxFactor = 1 << maxStages;
constexpr int32_t chunkFrames = 256;  // host-rate samples per pass

// One stage's filter pair, in samples at the stage's (higher) rate. Lengths
// are odd, so each filter delays by (length - 1) / 2 samples.
struct StageDesign {
    int32_t upLength;
    int32_t downLength;
    bool halfBandDown;   // else a full low-pass: pass and stop edges below
    double downPass;     // cycles per sample at the stage's rate; the up filter's too
    double downStop;
};

// The stages in order from the host's rate up. Lengths and edges, and why they
// are so, are given where the table is defined.
extern const StageDesign stageDesigns[maxStages];

// Host-rate samples the up and down chains delay the signal together at
// 2^stages times the rate: a whole number by the choice of lengths.
int32_t chainLatency(int32_t stages) noexcept;

// A symmetric Kaiser-windowed sinc low-pass of odd `length`, cutoff in cycles
// per sample, stop-band attenuation `attenuationDb` (sets the window's shape),
// scaled to DC gain `gain`. A cutoff of exactly 1/4 gives a half-band filter,
// whose every other tap is exactly zero.
std::vector<double> kaiserLowPass(int32_t length, double cutoff, double attenuationDb, double gain);

// A symmetric low-pass of odd `length` whose largest error is least (Lawson's
// iteratively reweighted least squares): pass band [0, pass], stop band
// [stop, 1/2] in cycles per sample, the stop band's errors weighted
// `stopWeight` times the pass band's, DC gain 1.
std::vector<double> minimaxLowPass(int32_t length, double pass, double stop, double stopWeight);

// Attenuation a Kaiser window of `length` reaches over a transition `width`
// (cycles per sample): the usual length estimate, solved for attenuation.
double kaiserAttenuation(int32_t length, double width) noexcept;

// Vector widths the filters are built for: 4, 8 (AVX2) and 16 (AVX-512F)
// lanes. Every width gives the same bits.
enum class FilterWidth : uint8_t { narrow, wide, widest };

// [any thread] whether this build and this processor can run `width`.
bool filterWidthRuns(FilterWidth width) noexcept;

// [any thread] the width the kernel path ONDULAXIS_KERNELS names implies
// (reference and generic: narrow, avx2: wide, avx512: widest) when it runs,
// else the widest that runs.
FilterWidth defaultFilterWidth() noexcept;

// [audio thread] `output[i]` (plus its old value when `add`) becomes the sum
// over k of taps[k] * samples[i + k], for i < frames; `taps` is symmetric.
using FilterKernel = void (*)(const float* taps, int32_t count, const float* samples,
                              float* output, int32_t frames, bool add) noexcept;

// One polyphase branch: `taps` applied to `count` consecutive samples from
// `offset` on; leading and trailing zero taps are dropped.
struct Branch {
    std::vector<float> taps;
    int32_t offset = 0;
};

// A filter split into its even and odd taps, and the kernel that runs them.
struct BranchPair {
    BranchPair() = default;
    // The odd branch reads from `oddOffset` on, the even one from 0.
    BranchPair(const std::vector<double>& taps, int32_t oddOffset, FilterWidth width);

    Branch even, odd;
    FilterKernel filter = nullptr;
    int32_t history = 0;  // samples each line keeps from the block before
};

// Doubles the rate: zero-stuffing and the filter, computed as two branches.
class Upsampler : private BranchPair {
public:
    Upsampler() = default;
    Upsampler(const std::vector<double>& taps, int32_t maxInput,
              FilterWidth width = defaultFilterWidth());
    // `output` takes 2 * frames samples; frames <= maxInput.
    void run(const float* input, float* output, int32_t frames) noexcept;
    void clear() noexcept;

private:
    std::vector<float> line;  // history, then the block
    std::vector<float> evenOut, oddOut;
};

// Halves the rate: the filter, computed only at the kept samples, with the
// input split into its even and odd samples so each branch reads one run.
class Downsampler : private BranchPair {
public:
    Downsampler() = default;
    Downsampler(const std::vector<double>& taps, int32_t maxOutput,
                FilterWidth width = defaultFilterWidth());
    // Reads 2 * frames samples; frames <= maxOutput.
    void run(const float* input, float* output, int32_t frames) noexcept;
    void clear() noexcept;

private:
    std::vector<float> evenLine, oddLine;
};

// The up and down chain of one channel, for any factor up to maxFactor.
class ChannelResampler {
public:
    // [host thread] allocates every buffer.
    explicit ChannelResampler(FilterWidth width = defaultFilterWidth());
    // [audio thread] host-rate `input` (frames <= chunkFrames) to 2^stages
    // times the rate in `work`, which holds chunkFrames * maxFactor samples.
    void up(int32_t stages, const float* input, float* work, int32_t frames) noexcept;
    // [audio thread] `work` back to the host's rate in `output`.
    void down(int32_t stages, float* work, float* output, int32_t frames) noexcept;
    void clear() noexcept;
    FilterWidth filterWidth() const noexcept { return width; }

private:
    FilterWidth width;
    Upsampler ups[maxStages];
    Downsampler downs[maxStages];
    std::vector<float> scratch;  // the intermediate rates
};

}  // namespace oversampling
