// The kernels for processors with AVX2 and FMA: four doubles per vector.
// Built with -mavx2 -mfma; run only where the processor reports both.
#include "Avx2Math.h"
#include "ChunkKernels.h"
#include "FarWaves.h"

Ondulaxis::KernelTables Ondulaxis::avx2KernelTables() noexcept {
    // The reduction's table is made here, not on the audio thread.
    farWaves::turns();
    return chunkedKernelTables<Avx2Math>();
}
