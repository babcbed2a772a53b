// Counts the dynamic-memory calls a thread makes while it is armed. The
// executable that links this replaces malloc, calloc, realloc, free, the
// aligned allocators and every form of operator new and delete, and exports
// them, so a plug-in loaded later resolves its own calls to them too.
#pragma once

#include <cstdint>

namespace allocationCounter {

struct Counts {
    uint64_t mallocs = 0;
    uint64_t callocs = 0;
    uint64_t reallocs = 0;
    uint64_t alignedAllocs = 0;
    uint64_t frees = 0;
    uint64_t news = 0;
    uint64_t deletes = 0;

    uint64_t total() const {
        return mallocs + callocs + reallocs + alignedAllocs + frees + news + deletes;
    }
};

// [calling thread] counts only this thread's calls, from arm() to disarm().
// Nothing in between may itself allocate.
void arm() noexcept;
Counts disarm() noexcept;

// [any thread] blocks obtained and not yet released, by every thread.
int64_t liveBlocks() noexcept;

}  // namespace allocationCounter
