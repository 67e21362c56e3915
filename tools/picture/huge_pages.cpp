#include "picture/huge_pages.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

void preferHugePages()
{
    // One arena, big blocks from the heap rather than from their own
    // mappings, nothing given back: then all of it lies in one range.
    constexpr size_t reserve = size_t{512} << 20;
    constexpr uintptr_t hugePage = uintptr_t{2} << 20;
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, static_cast<int>(reserve));
    // A block larger than what is left at the top grows the heap now, by
    // the block plus the pad; pages are only used when touched.
    void *block = std::malloc(size_t{1} << 20);
    if (!block) {
        return;
    }
    uintptr_t start = (reinterpret_cast<uintptr_t>(block) + hugePage - 1) & ~(hugePage - 1);
    uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0)) & ~(hugePage - 1);
    if (end > start) {
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    }
    std::free(block);
}
