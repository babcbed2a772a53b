// Four lanes: SSE2, the baseline of every x86 build, or whatever the target
// makes of a 16-byte vector elsewhere.
#include "ResamplingFilters.h"

namespace oversampling {

using Narrow = float __attribute__((vector_size(16)));

void filterNarrow(const float* taps, int32_t count, const float* samples, float* output,
                  int32_t frames, bool add) noexcept {
    filterTiles<Narrow, 8>(taps, count, samples, output, frames, add);
}

}  // namespace oversampling
