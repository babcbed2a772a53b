// Eight lanes; this file builds with AVX2 and runs only where the processor
// has it.
#include "ResamplingFilters.h"

namespace oversampling {

using Wide = float __attribute__((vector_size(32)));

void filterWide(const float* taps, int32_t count, const float* samples, float* output,
                int32_t frames, bool add) noexcept {
    filterTiles<Wide, 8>(taps, count, samples, output, frames, add);
}

}  // namespace oversampling
