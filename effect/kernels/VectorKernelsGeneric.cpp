// The kernels for any x86-64 processor: two doubles per SSE2 vector. Built
// with the compiler's baseline flags only.
#include "GenericMath.h"
#include "ChunkKernels.h"
#include "FarWaves.h"

Ondulaxis::KernelTables Ondulaxis::genericKernelTables() noexcept {
    // The reduction's table is made here, not on the audio thread.
    farWaves::turns();
    return chunkedKernelTables<GenericMath>();
}
