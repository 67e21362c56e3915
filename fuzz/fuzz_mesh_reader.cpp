// The whole mesh reading path on arbitrary bytes, under the sanitizers: readMesh on a file
// with a real descriptor, preparing on a second thread while it reads, as at start-up, then
// prepareMesh reversed (the unit tests check the normals).  Making and ending a thread took
// most of the time of an input under ASan: one input in four (by its size) reads with the
// worker, the others read alone and are prepared afterwards.
// Fatal errors come back as an exception from the endProcess hook; the reader keeps what it
// allocated then (the program ends there), so its allocations are recorded and freed here.
#include <sanitizer/allocator_interface.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/fatal.h"
#include "mesh/line_parse.h"
#include "mesh/prepare.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"
#include "ui/view_state.h"

static char memoryPath[64];
constexpr size_t maxAllocations = 1 << 14;  // rows <= 4096: at most 2 * 4096 + 3
static const volatile void *allocated[maxAllocations];
static size_t allocations;
static thread_local bool tracking;

static void onMalloc(const volatile void *p, size_t)
{
    if (tracking && allocations < maxAllocations) allocated[allocations++] = p;
}
static void onFree(const volatile void *p)
{
    for (size_t i = allocations; tracking && i-- > 0;)
        if (allocated[i] == p) allocated[i] = nullptr;
}

// Starting the worker thread allocates for the thread itself: that is not the reader's.
static void readyUntracked(Mesh &mesh)
{
    tracking = false;
    prepareWhileReading.ready(mesh);
    tracking = true;
}
static const ReadWatcher watcher = {readyUntracked, prepareWhileReading.columnsRead,
                                    prepareWhileReading.failed};

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setEndProcessHook([](int status) { throw status; });
    stderr = std::fopen("/dev/null", "w");  // the reader's messages
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
    std::snprintf(memoryPath, sizeof memoryPath, "/proc/self/fd/%d", memfd_create("mesh", 0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Grids above 4096 points only test malloc: skip inputs with such a header anywhere.
    const std::string text(reinterpret_cast<const char *>(data), size);
    HeaderFields h;
    for (size_t i = 0; i < size; ++i)
        if (parseHeaderLine(&text[i], &h) && h.fitsInt && h.rows > 0 && h.rows * h.cols > 4096)
            return 0;
    FILE *stream = std::fopen(memoryPath, "w+");  // truncates
    if (!stream || std::fwrite(data, 1, size, stream) != size || std::fseek(stream, 0, SEEK_SET))
        std::abort();
    resetMeshReader();
    allocations = 0, tracking = true;
    try {
        viewState.reverseSurface = 0;
        const bool withWorker = size % 4 == 0;
        Mesh *mesh = readMesh(stream, withWorker ? &watcher : nullptr);  // closes the stream
        tracking = false;
        if (withWorker)
            finishPreparing(*mesh);
        else
            prepareMesh(*mesh);
        viewState.reverseSurface = 1;  // as by "r"
        prepareMesh(*mesh);
        freeMesh(mesh);
    } catch (int) {
        std::fclose(stream);
        tracking = false;
        for (size_t i = 0; i < allocations; ++i) std::free(const_cast<void *>(allocated[i]));
    }
    return 0;
}
