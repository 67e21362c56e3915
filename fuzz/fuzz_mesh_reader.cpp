// The whole mesh reading path on arbitrary bytes, under the sanitizers: readMesh on a file
// with a real descriptor, preparing on a second thread while it reads, as at start-up, then
// prepared again reversed (the unit tests check the normals).  Making and ending a thread
// took most of the time of an input under ASan: one input in four (by its size) reads with
// the worker, the others read alone and are prepared afterwards.
// A refusal comes back as a Failure, with everything the reader made freed: LeakSanitizer
// checks that at the end of the run.
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/failure.h"
#include "mesh/line_parse.h"
#include "mesh/prepare.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

static char memoryPath[64];

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
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
    try {
        const bool withWorker = size % 4 == 0;
        PreparationWhileReading preparation;
        const ReadWatcher watcher = prepareWhileReading(preparation, false);
        Mesh *mesh = readMesh(stream, withWorker ? &watcher : nullptr);  // closes the stream
        if (withWorker)
            finishPreparing(preparation, *mesh);
        else
            prepareSurface(*mesh, false);
        prepareSurface(*mesh, true);  // as by "r"
        freeMesh(mesh);
    } catch (const Failure &failure) {
        if (!*failure.what()) std::abort();  // a refusal always says why
    }
    return 0;
}
