// What only a program's front end does: end the run with one line, and
// set up the process's signals and allocator.
#include "common/fail.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include "common/output.h"

void fail(const char *tool, const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}

static void removeAndDie(int signal)
{
    removeUnfinishedOutputs();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void removeOutputOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(signal, removeAndDie);  // an ignored signal stays ignored
        }
    }
}

// Kept for the process's life (volatile: an unread block would be left
// out by the compiler); see preferHugePages.
static void *volatile belowHugePages;

void preferHugePages()
{
    const char *setting = std::getenv("QUARVEL_HUGE_PAGES");
    if (setting && std::strcmp(setting, "0") == 0) {
        return;  // the allocator as the system has it
    }
    // One arena, big blocks from the heap rather than from their own
    // mappings, nothing given back: then all of it lies in one range.
    constexpr size_t reserve = size_t{512} << 20;
    constexpr size_t probe = size_t{1} << 20;
    constexpr uintptr_t hugePage = uintptr_t{2} << 20;
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, static_cast<int>(reserve));
    // A block larger than what is left at the top grows the heap now, by
    // the block plus the pad; pages are only used when touched.
    void *block = std::malloc(probe);
    if (!block) {
        return;
    }
    // malloc wrote the header of what remains at the top just past the
    // block, before the advice: that 2 MiB range already has small pages,
    // so huge pages start at the boundary after it.
    const uintptr_t blockStart = reinterpret_cast<uintptr_t>(block);
    const uintptr_t start = (blockStart + probe + 64 + hugePage - 1) & ~(hugePage - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0)) & ~(hugePage - 1);
    if (end <= start) {
        std::free(block);
        return;
    }
    madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    std::free(block);
    // Below that boundary the heap would serve the mesh's rows and Mesa's
    // first blocks in 4 KiB pages, one fault each (some 500 for a 250 x 250
    // grid).  The freed block went back to the top, so a new one begins
    // where it did; sized to end at the boundary (a chunk is the request
    // plus 8 bytes, rounded up to 16) and never touched beyond its header,
    // it makes everything later start on huge pages.
    belowHugePages = std::malloc(start - blockStart - 8);
}
