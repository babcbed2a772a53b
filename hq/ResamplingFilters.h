// The resampling filters' inner loop, written once and built for each vector
// width in its own file with that width's instruction set. Internal to
// Resampling.cpp.
#pragma once

#include <cstdint>
#include <cstring>

namespace oversampling {

// Outputs per tile at the widest width: every line a filter reads holds that
// many samples of slack past its block.
constexpr int32_t maxTile = 128;

// Each is a FilterKernel (Resampling.h); they read up to maxTile samples past
// samples[frames + count - 1].
void filterNarrow(const float* taps, int32_t count, const float* samples, float* output,
                  int32_t frames, bool add) noexcept;
void filterWide(const float* taps, int32_t count, const float* samples, float* output,
                int32_t frames, bool add) noexcept;
void filterWidest(const float* taps, int32_t count, const float* samples, float* output,
                  int32_t frames, bool add) noexcept;

namespace {

// Outputs are computed a tile at a time, tap after tap, so every step is the
// same multiply-add across the tile's consecutive samples, in vector
// registers with no horizontal sums (GCC's generic vectors). A last partial
// tile reads up to a tile's samples past its end: every line holds that much
// slack, and those outputs are dropped. Each lane adds its products in the
// same order at every vector width, with no fused multiply-add (the files
// build with contraction off), so the output is the same bits whichever width
// runs.
template <class Vector, int32_t vectors>
inline __attribute__((always_inline)) void filterTiles(const float* taps, int32_t count,
                                                       const float* x, float* output,
                                                       int32_t frames, bool add) noexcept {
    constexpr int32_t lanes = sizeof(Vector) / sizeof(float);
    constexpr int32_t tile = lanes * vectors;
    static_assert(tile <= maxTile);
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

}  // namespace

}  // namespace oversampling
