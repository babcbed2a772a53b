// Which instruction set's kernels an instance uses. Chosen once, at
// construction, from what this build holds and what the processor supports;
// this file itself is built for the baseline of its target (SSE2 on x86),
// or for any processor at all in a build with the reference kernels only.
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <mutex>

#include "Ondulaxis.h"

namespace {

// The processor probe behind __builtin_cpu_supports fills its answers from a
// constructor of the GCC runtime, which in a DLL or a static program may run
// after ours; asking it first is harmless and makes the answers ready.
[[maybe_unused]] void processorProbed() noexcept {
    static const bool probed = [] {
        __builtin_cpu_init();
        return true;
    }();
    (void)probed;
}

}  // namespace

bool Ondulaxis::kernelPathRuns(KernelPath path) noexcept {
    switch (path) {
    case KernelPath::reference:
        return true;
#if defined(ONDULAXIS_VECTOR_KERNELS)
    case KernelPath::generic:
        return true;
    case KernelPath::avx2:
        processorProbed();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case KernelPath::avx512:
        processorProbed();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2") &&
               __builtin_cpu_supports("fma");
#endif
    default:
        return false;
    }
}

namespace {

// In KernelPath order.
constexpr const char* pathNames[] = {"reference", "generic", "avx2", "avx512"};

}  // namespace

const char* Ondulaxis::kernelPathName(KernelPath path) noexcept {
    return pathNames[static_cast<int>(path)];
}

Ondulaxis::KernelPath Ondulaxis::constructionKernelPath() noexcept {
    // A named path serves tests and measurements; one the processor cannot run
    // is ignored rather than trusted.
    if (const char* wanted = std::getenv("ONDULAXIS_KERNELS")) {
        for (int index = 0; index < static_cast<int>(std::size(pathNames)); ++index) {
            const auto path = static_cast<KernelPath>(index);
            if (std::strcmp(wanted, pathNames[index]) == 0 && kernelPathRuns(path)) {
                return path;
            }
        }
    }
    for (KernelPath path : {KernelPath::avx512, KernelPath::avx2, KernelPath::generic}) {
        if (kernelPathRuns(path)) {
            return path;
        }
    }
    return KernelPath::reference;
}

Ondulaxis::KernelTables Ondulaxis::kernelTablesFor(KernelPath path) noexcept {
    if (kernelPathRuns(path)) {
        switch (path) {
#if defined(ONDULAXIS_VECTOR_KERNELS)
        case KernelPath::generic:
            return genericKernelTables();
        case KernelPath::avx2:
            return avx2KernelTables();
        case KernelPath::avx512:
            return avx512KernelTables();
#endif
        default:
            break;
        }
    }
    return {KernelPath::reference, replaceKernels, accumulateKernels};
}

void Ondulaxis::useKernelPath(KernelPath path) noexcept {
    // The next block's routing picks its kernel from the new tables.
    std::lock_guard<StateLock> guard(stateLock);
    kernelTables = kernelTablesFor(path);
    sharedState.rerouteRequest = true;
}
