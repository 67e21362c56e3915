// The whole mesh reading path on arbitrary bytes: readMesh on a stream with
// a real descriptor (as for a file or a pipe), then prepareMesh both ways.
//
// Besides the sanitizers, every input is checked against a reference
// reading of the same bytes with fgets (256-byte buffer, CR LF as LF),
// parseHeaderLine and sscanf("%lf %lf %lf"): both must fail or both must
// give the same grid, bit for bit.  The reader's block input and fast
// number parsing must not change which pieces are lines or what they hold.
//
// Fatal errors come back as an exception from the endProcess hook.  The
// reader keeps what it allocated when it fails (the program ends there), so
// allocations made while it runs are tracked and freed afterwards.
#include <sanitizer/allocator_interface.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/fatal.h"
#include "mesh/line_parse.h"
#include "mesh/prepare.h"
#include "mesh/reader.h"
#include "ui/view_state.h"

// Grids above this many points are skipped: they only test malloc, and
// they make the fuzzer slow.  No input of up to 4096 bytes can fill a grid
// of more than about 700 points anyway.
constexpr long long maxPoints = 1 << 12;

namespace {

struct EndOfRun {
    int status;
};

// The program's messages go to a memory stream so each run's text can be
// checked; this target's own reports go to file descriptor 2.
char messages[4096];
FILE *messageSink = nullptr;

void clearMessages()
{
    std::memset(messages, 0, sizeof messages);
    std::rewind(messageSink);
}

bool messagesEndWith(const char *text)
{
    size_t have = std::strlen(messages);
    size_t want = std::strlen(text);
    return have >= want && std::strcmp(messages + have - want, text) == 0;
}

[[noreturn]] void throwOnEnd(int status) { throw EndOfRun{status}; }

// ---------------------------------------------------------------------------
// Allocations made on this thread while tracking is on, in an open-addressing
// table that a new generation empties.  The hooks run inside malloc and free,
// so they must not allocate.

constexpr size_t slotCount = 1 << 14;
struct Slot {
    const volatile void *pointer;
    unsigned generation;
};
Slot slots[slotCount];
size_t usedSlots[slotCount];  // slots filled in this generation, in order
size_t slotsUsed = 0;
unsigned generation = 1;
thread_local bool tracking = false;
const volatile void *const removedSlot = &slots;  // never a heap address

size_t firstSlot(const volatile void *p)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(p);
    return static_cast<size_t>((v >> 4) * 0x9E3779B97F4A7C15ull >> 47) & (slotCount - 1);
}

void onMalloc(const volatile void *p, size_t)
{
    if (!tracking || !p) {
        return;
    }
    if (++slotsUsed > slotCount * 3 / 4) {
        dprintf(2, "fuzz_mesh_reader: allocation table full\n");
        std::abort();
    }
    size_t i = firstSlot(p);
    while (slots[i].generation == generation && slots[i].pointer != removedSlot) {
        i = (i + 1) & (slotCount - 1);
    }
    slots[i] = {p, generation};
    usedSlots[slotsUsed - 1] = i;
}

void onFree(const volatile void *p)
{
    if (!tracking || !p) {
        return;
    }
    for (size_t i = firstSlot(p); slots[i].generation == generation; i = (i + 1) & (slotCount - 1)) {
        if (slots[i].pointer == p) {
            slots[i].pointer = removedSlot;
            return;
        }
    }
}

void startTracking()
{
    ++generation;
    slotsUsed = 0;
    tracking = true;
}

size_t liveTracked()
{
    size_t live = 0;
    for (size_t k = 0; k < slotsUsed; ++k) {
        live += slots[usedSlots[k]].pointer != removedSlot;
    }
    return live;
}

// Frees what is still live from the tracked period.
void freeTracked()
{
    tracking = false;
    for (size_t k = 0; k < slotsUsed; ++k) {
        Slot &slot = slots[usedSlots[k]];
        if (slot.pointer != removedSlot) {
            std::free(const_cast<void *>(slot.pointer));
            slot.pointer = removedSlot;
        }
    }
}

// ---------------------------------------------------------------------------
// Reference reading

// How a reading ends: with a grid, or with one of the reader's messages.
enum class Outcome { grid, skip, endOfInput, badHeader, badPoint };

struct Grid {
    Outcome outcome = Outcome::endOfInput;
    int rows = 0;
    int cols = 0;
    std::vector<Vec3> points;  // points[i * cols + j]
};

bool nextSignificant(char *line, FILE *in)
{
    do {
        if (!std::fgets(line, lineBufferSize, in)) {
            return false;
        }
    } while (line[0] == '#' || line[0] == '\n');
    return true;
}

Grid referenceRead(const uint8_t *data, size_t size)
{
    // Text mode on a system that ends lines with CR LF: each such pair is LF.
    std::string text;
    text.reserve(size);
    for (size_t k = 0; k < size; ++k) {
        if (data[k] == '\r' && k + 1 < size && data[k + 1] == '\n') {
            continue;
        }
        text.push_back(static_cast<char>(data[k]));
    }
    Grid grid;
    if (text.empty()) {
        return grid;
    }
    FILE *in = fmemopen(&text[0], text.size(), "r");
    if (!in) {
        std::abort();
    }
    char line[lineBufferSize];
    HeaderFields header;
    do {
        if (!nextSignificant(line, in)) {
            std::fclose(in);
            return grid;
        }
    } while (!parseHeaderLine(line, &header));

    if (!header.fitsInt || header.rows < 1 || header.cols < 1) {
        grid.outcome = Outcome::badHeader;
        std::fclose(in);
        return grid;
    }
    if (header.rows * header.cols > maxPoints) {
        grid.outcome = Outcome::skip;
        std::fclose(in);
        return grid;
    }
    grid.rows = static_cast<int>(header.rows);
    grid.cols = static_cast<int>(header.cols);
    grid.points.resize(static_cast<size_t>(grid.rows) * grid.cols);
    for (int j = 0; j < grid.cols; ++j) {
        for (int i = 0; i < grid.rows; ++i) {
            Vec3 &p = grid.points[static_cast<size_t>(i) * grid.cols + j];
            if (!nextSignificant(line, in)) {
                std::fclose(in);
                return grid;
            }
            if (std::sscanf(line, "%lf %lf %lf", &p.x, &p.y, &p.z) != 3) {
                grid.outcome = Outcome::badPoint;
                std::fclose(in);
                return grid;
            }
        }
    }
    std::fclose(in);
    grid.outcome = Outcome::grid;
    return grid;
}

// ---------------------------------------------------------------------------
// Checks

bool sameValue(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    return std::memcmp(&a, &b, sizeof a) == 0;
}

[[noreturn]] void fail(const char *what)
{
    dprintf(2, "fuzz_mesh_reader: %s\nmessages of the run: \"%s\"\n", what, messages);
    std::abort();
}

void compareGrid(const Mesh &mesh, const Grid &want)
{
    if (mesh.rows != want.rows || mesh.cols != want.cols) {
        fail("grid size differs from the reference reading");
    }
    for (int i = 0; i < mesh.rows; ++i) {
        for (int j = 0; j < mesh.cols; ++j) {
            const Vec3 &a = mesh.points[i][j];
            const Vec3 &b = want.points[static_cast<size_t>(i) * want.cols + j];
            if (!sameValue(a.x, b.x) || !sameValue(a.y, b.y) || !sameValue(a.z, b.z)) {
                fail("a point differs from the reference reading");
            }
        }
    }
}

// With every coordinate zero or of a magnitude in [1e-100, 1e100] no facet
// sum can overflow or fall into the subnormals, so each normal must come
// out as (0, 0, 0) or of unit length.
bool moderate(double v) { return v == 0.0 || (std::fabs(v) >= 1e-100 && std::fabs(v) <= 1e100); }

void checkPrepared(const Mesh &mesh)
{
    // Extents beyond the float range (or infinite) round the scale to 0.
    if (!(viewState.scale >= 0.0f)) {
        fail("scale is negative or not a number");
    }
    bool bounded = true;
    for (int i = 0; i < mesh.rows; ++i) {
        for (int j = 0; j < mesh.cols; ++j) {
            const Vec3 &p = mesh.points[i][j];
            bounded = bounded && moderate(p.x) && moderate(p.y) && moderate(p.z);
        }
    }
    if (!bounded) {
        return;
    }
    for (int i = 0; i < mesh.rows; ++i) {
        for (int j = 0; j < mesh.cols; ++j) {
            const Vec3 &n = mesh.normals[i][j];
            double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
            if (length != 0.0 && std::fabs(length - 1.0) > 1e-9) {
                fail("a normal is neither zero nor of unit length");
            }
        }
    }
}

int memoryFile = -1;

// A stream over data with a real descriptor, read through read() as the
// program reads files and pipes.
FILE *openInput(const uint8_t *data, size_t size)
{
    if (ftruncate(memoryFile, 0) != 0 ||
        (size > 0 && pwrite(memoryFile, data, size, 0) != static_cast<ssize_t>(size))) {
        fail("cannot fill the memory file");
    }
    int fd = dup(memoryFile);
    if (fd < 0 || lseek(fd, 0, SEEK_SET) != 0) {
        fail("cannot open the memory file");
    }
    FILE *stream = fdopen(fd, "r");
    if (!stream) {
        fail("cannot open the memory file");
    }
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setEndProcessHook(throwOnEnd);
    messageSink = fmemopen(messages, sizeof messages - 1, "w");
    if (!messageSink || std::setvbuf(messageSink, nullptr, _IONBF, 0) != 0) {
        fail("cannot open the message sink");
    }
    stderr = messageSink;
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
    memoryFile = memfd_create("mesh", 0);
    if (memoryFile < 0) {
        fail("memfd_create failed");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Grid want = referenceRead(data, size);
    if (want.outcome == Outcome::skip) {
        return 0;
    }

    FILE *stream = openInput(data, size);
    resetMeshReader();
    clearMessages();
    Mesh *mesh = nullptr;
    int status = 0;
    startTracking();
    try {
        mesh = readMesh(stream);  // closes the stream
    } catch (const EndOfRun &end) {
        status = end.status;
    }

    if (!mesh) {
        std::fclose(stream);
        freeTracked();
        if (status != 1) {
            fail("a failed read did not end with status 1");
        }
        switch (want.outcome) {
        case Outcome::endOfInput:
            if (!messagesEndWith("cannot read any more.\n")) {
                fail("the reader should have run out of input");
            }
            break;
        case Outcome::badPoint:
            if (!messagesEndWith("not in 'x y z' format.")) {
                fail("the reader should have refused a point line");
            }
            break;
        case Outcome::badHeader:
            if (!std::strstr(messages, "bad grid size in header: ")) {
                fail("the reader should have refused the header");
            }
            break;
        default:
            fail("the reader failed on input that the reference reads");
        }
        return 0;
    }
    if (want.outcome != Outcome::grid) {
        fail("the reader accepted input that the reference refuses");
    }
    compareGrid(*mesh, want);

    // Once as at start-up, then reversed as by the "r" command.
    for (int reverse = 0; reverse <= 1; ++reverse) {
        viewState.reverseSurface = reverse;
        prepareMesh(*mesh);
        checkPrepared(*mesh);
    }

    // The program never frees its mesh; here every byte goes back, and a
    // successful read must have allocated nothing else.
    for (int i = 0; i < mesh->rows; ++i) {
        std::free(mesh->points[i]);
        std::free(mesh->normals[i]);
    }
    std::free(mesh->points);
    std::free(mesh->normals);
    std::free(mesh);
    tracking = false;
    if (liveTracked() != 0) {
        fail("a successful read left memory allocated outside the mesh");
    }
    return 0;
}
