#include "AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

// The C library's own allocator, under the names it exports for programs
// that replace the public ones.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace allocationCounter {
namespace {

// Plain thread-locals of the executable: reading them allocates nothing.
thread_local bool armed = false;
thread_local Counts counts;
std::atomic<int64_t> live{0};

inline void obtained(void* block) noexcept {
    if (block != nullptr) live.fetch_add(1, std::memory_order_relaxed);
}
inline void released(void* block) noexcept {
    if (block != nullptr) live.fetch_sub(1, std::memory_order_relaxed);
}

void* alignedBlock(std::size_t alignment, std::size_t size) noexcept {
    if (armed) ++counts.alignedAllocs;
    void* block = __libc_memalign(alignment, size);
    obtained(block);
    return block;
}

void* newBlock(std::size_t size, std::size_t alignment = 0) {
    if (armed) ++counts.news;
    void* block = alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size)
                                                        : __libc_malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    obtained(block);
    return block;
}

void* newBlockNoThrow(std::size_t size, std::size_t alignment = 0) noexcept {
    try {
        return newBlock(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void deleteBlock(void* block) noexcept {
    if (armed) ++counts.deletes;
    released(block);
    __libc_free(block);
}

}  // namespace

void arm() noexcept {
    counts = Counts{};
    armed = true;
}

Counts disarm() noexcept {
    armed = false;
    return counts;
}

int64_t liveBlocks() noexcept { return live.load(std::memory_order_relaxed); }

}  // namespace allocationCounter

using namespace allocationCounter;

extern "C" {

void* malloc(std::size_t size) {
    if (armed) ++counts.mallocs;
    void* block = __libc_malloc(size);
    obtained(block);
    return block;
}

void* calloc(std::size_t count, std::size_t size) {
    if (armed) ++counts.callocs;
    void* block = __libc_calloc(count, size);
    obtained(block);
    return block;
}

void* realloc(void* block, std::size_t size) {
    if (armed) ++counts.reallocs;
    void* moved = __libc_realloc(block, size);
    if (block == nullptr) {
        obtained(moved);
    } else if (size == 0) {
        released(block);  // the C library frees it and answers null
    }
    return moved;
}

void free(void* block) {
    if (armed) ++counts.frees;
    released(block);
    __libc_free(block);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return alignedBlock(alignment, size); }

void* memalign(std::size_t alignment, std::size_t size) { return alignedBlock(alignment, size); }

int posix_memalign(void** place, std::size_t alignment, std::size_t size) {
    void* block = alignedBlock(alignment, size);
    if (block == nullptr) return ENOMEM;
    *place = block;
    return 0;
}

}  // extern "C"

void* operator new(std::size_t size) { return newBlock(size); }
void* operator new[](std::size_t size) { return newBlock(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return newBlockNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return newBlockNoThrow(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    return newBlock(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return newBlock(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return newBlockNoThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return newBlockNoThrow(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* block) noexcept { deleteBlock(block); }
void operator delete[](void* block) noexcept { deleteBlock(block); }
void operator delete(void* block, std::size_t) noexcept { deleteBlock(block); }
void operator delete[](void* block, std::size_t) noexcept { deleteBlock(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { deleteBlock(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { deleteBlock(block); }
void operator delete(void* block, std::align_val_t) noexcept { deleteBlock(block); }
void operator delete[](void* block, std::align_val_t) noexcept { deleteBlock(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { deleteBlock(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { deleteBlock(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { deleteBlock(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { deleteBlock(block); }
