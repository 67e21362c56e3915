// The whole mesh reading path on arbitrary bytes: readMesh on a file with a real
// descriptor, then prepareMesh both ways.  Fatal errors come back as an exception from
// the endProcess hook; the reader keeps what it allocated then (the program ends there),
// so its allocations are recorded and freed here.
#include <sanitizer/allocator_interface.h>
#include <sys/mman.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/fatal.h"
#include "mesh/line_parse.h"
#include "mesh/prepare.h"
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

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setEndProcessHook([](int status) { throw status; });
    stderr = std::fopen("/dev/null", "w");  // the reader's messages
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
    int memoryFile = memfd_create("mesh", 0);
    if (memoryFile < 0 || !stderr) std::abort();
    std::snprintf(memoryPath, sizeof memoryPath, "/proc/self/fd/%d", memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Grids above 4096 points only test malloc: skip inputs with such a header anywhere.
    const std::string text(reinterpret_cast<const char *>(data), size);
    HeaderFields h;
    for (size_t i = 0; i < size; ++i)
        if (parseHeaderLine(&text[i], &h) && h.fitsInt && h.rows > 0 && h.cols > 0 && h.rows * h.cols > 4096)
            return 0;
    FILE *stream = std::fopen(memoryPath, "w+");  // truncates
    if (!stream || std::fwrite(data, 1, size, stream) != size || std::fseek(stream, 0, SEEK_SET))
        std::abort();
    resetMeshReader();
    Mesh *mesh = nullptr;
    allocations = 0, tracking = true;
    try {
        mesh = readMesh(stream);  // closes the stream
    } catch (int) {
        std::fclose(stream);
        tracking = false;
        for (size_t i = 0; i < allocations; ++i) std::free(const_cast<void *>(allocated[i]));
        return 0;
    }
    tracking = false;
    // Every normal zero or of unit length, when no facet sum can overflow or fall into the
    // subnormals: every coordinate zero or of a magnitude in [1e-100, 1e100].
    bool bounded = true;
    for (int i = 0; i < mesh->rows; ++i)
        for (const double *v = &mesh->points[i][0].x; v < &mesh->points[i][mesh->cols].x; ++v)
            bounded &= *v == 0 || (std::fabs(*v) >= 1e-100 && std::fabs(*v) <= 1e100);
    for (int reverse = 0; reverse <= 1; ++reverse) {  // as at start-up, then as by "r"
        viewState.reverseSurface = reverse;
        prepareMesh(*mesh);
        for (int i = 0; bounded && i < mesh->rows; ++i) {
            for (int j = 0; j < mesh->cols; ++j) {
                const Vec3 &n = mesh->normals[i][j];
                double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                if (length != 0 && std::fabs(length - 1) > 1e-9) std::abort();
            }
        }
    }
    freeMesh(mesh);
    return 0;
}
