// The kernels for processors with AVX-512: eight doubles per vector. Built
// with -mavx512f, -mavx2 and -mfma; run only where the processor reports them.
#include "Avx512Math.h"
#include "ChunkKernels.h"
#include "FarWaves.h"

Ondulaxis::KernelTables Ondulaxis::avx512KernelTables() noexcept {
    // The reduction's table is made here, not on the audio thread.
    farWaves::turns();
    return chunkedKernelTables<Avx512Math>();
}
