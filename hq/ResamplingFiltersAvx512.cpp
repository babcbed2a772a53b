// Sixteen lanes; this file builds with AVX-512F and runs only where the
// processor has it.
#include "ResamplingFilters.h"

namespace oversampling {

using Widest = float __attribute__((vector_size(64)));

void filterWidest(const float* taps, int32_t count, const float* samples, float* output,
                  int32_t frames, bool add) noexcept {
    filterTiles<Widest, 8>(taps, count, samples, output, frames, add);
}

}  // namespace oversampling
