#include "platform/HeapPolicy.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace tesselvane {

void keepHeapCompact() {
    // glibc raises its mmap threshold to the size of every large block freed, after which
    // picture buffers come from the heap and stay there; a fixed threshold keeps them mapped.
    constexpr int kLargeBlock = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargeBlock);
    mallopt(M_TRIM_THRESHOLD, kLargeBlock);
    // The decoding threads are short-lived; one arena each would keep its pages.
    mallopt(M_ARENA_MAX, 2);
}

void* mallocForPicture(std::size_t size) {
    void* block = std::malloc(size);
    constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (start + size) & ~(kLargePage - 1);
    if (block && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    return block;
}

void releasePagesWithin(const void* from, std::size_t size) {
    static const auto kPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(from);
    const std::uintptr_t first = (start + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (start + size) & ~(kPage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace tesselvane
