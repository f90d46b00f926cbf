#include "platform/HeapPolicy.h"

#include <malloc.h>

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

}  // namespace tesselvane
