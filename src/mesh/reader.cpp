#include "mesh/reader.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "app/fatal.h"
#include "mesh/line_parse.h"

// ---------------------------------------------------------------------------
// Input in blocks
//
// The input is read in large blocks and cut into the same pieces that
// fgets() with a 256-byte buffer would give on a stream whose CR LF pairs
// had been turned into LF.  Blocks come from read() where the stream has a
// descriptor, so a pipe delivers whatever has arrived instead of waiting
// for a full block.

static char lineBuffer[lineBufferSize];

static char inputBlock[1 << 16];
static size_t blockPos = 0;
static size_t blockEnd = 0;
static bool inputEnded = false;

void resetMeshReader()
{
    blockPos = blockEnd = 0;
    inputEnded = false;
}

// Moves unread bytes to the front and appends more input.  Returns false
// once the input has ended (end of file or a read error) and nothing new
// arrived.
static bool refillBlock(FILE *stream)
{
    if (inputEnded) {
        return false;
    }
    size_t kept = blockEnd - blockPos;
    std::memmove(inputBlock, inputBlock + blockPos, kept);
    blockPos = 0;
    blockEnd = kept;

    size_t room = sizeof inputBlock - kept;
    int fd = fileno(stream);
    long got;
    if (fd >= 0) {
        do {
            got = read(fd, inputBlock + kept, room);
        } while (got < 0 && errno == EINTR);
    } else {
        got = static_cast<long>(std::fread(inputBlock + kept, 1, room, stream));
    }
    if (got <= 0) {
        inputEnded = true;
        return false;
    }
    blockEnd += static_cast<size_t>(got);
    return true;
}

// Reads one piece of at most lineBufferSize - 1 characters, up to and
// including a line feed.  A CR directly followed by LF is delivered as LF.
// Returns false when nothing could be read.
static bool readPiece(char *buffer, FILE *stream)
{
    int length = 0;
    while (length < lineBufferSize - 1) {
        if (blockPos == blockEnd && !refillBlock(stream)) {
            break;
        }
        char c = inputBlock[blockPos];
        if (c == '\r') {
            if (blockPos + 1 == blockEnd) {
                refillBlock(stream);
            }
            if (blockPos + 1 < blockEnd && inputBlock[blockPos + 1] == '\n') {
                blockPos += 2;
                buffer[length++] = '\n';
                break;
            }
        }
        ++blockPos;
        buffer[length++] = c;
        if (c == '\n') {
            break;
        }
    }
    buffer[length] = '\0';
    return length > 0;
}

void readDataLine(char *buffer, FILE *stream)
{
    for (;;) {
        if (!readPiece(buffer, stream)) {
            std::fprintf(stderr, "cannot read any more.\n");
            endProcess(1);
        }
        if (buffer[0] != '#' && buffer[0] != '\n') {
            return;
        }
    }
}

// ---------------------------------------------------------------------------
// The grid

// Reports a grid that cannot be read; format takes the header's two
// numbers as written.
[[noreturn]] static void failOnGrid(const char *format, const HeaderFields &header)
{
    std::fprintf(stderr, format, header.rowsText, header.colsText);
    endProcess(1);
}

static void *allocateOrFail(size_t bytes, const HeaderFields &header)
{
    void *block = std::malloc(bytes);
    if (!block) {
        failOnGrid("not enough memory for a grid of %s * %s points\n", header);
    }
    return block;
}

static Vec3 **allocateRows(int rows, int cols, const HeaderFields &header)
{
    Vec3 **rowPointers =
        static_cast<Vec3 **>(allocateOrFail(sizeof(Vec3 *) * static_cast<size_t>(rows), header));
    for (int i = 0; i < rows; ++i) {
        rowPointers[i] =
            static_cast<Vec3 *>(allocateOrFail(sizeof(Vec3) * static_cast<size_t>(cols), header));
    }
    return rowPointers;
}

// A grid the machine cannot hold is refused before anything is allocated,
// so a mistyped header fails at once instead of after a long read.
static bool fitsInMemory(long long rows, long long cols)
{
    uint64_t points = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols);
    uint64_t perPoint = 2 * sizeof(Vec3);
    if (points > UINT64_MAX / perPoint) {
        return false;
    }
    uint64_t bytes = points * perPoint + 2 * sizeof(Vec3 *) * static_cast<uint64_t>(rows);
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return bytes <= SIZE_MAX / 2;
    }
    return bytes <= static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

Mesh *readMesh(FILE *stream)
{
    Mesh *mesh = static_cast<Mesh *>(std::malloc(sizeof(Mesh)));
    if (!mesh) {
        std::fprintf(stderr, "not enough memory to read the mesh\n");
        endProcess(1);
    }

    // Header search: every significant line that is not a header is skipped.
    HeaderFields header;
    do {
        readDataLine(lineBuffer, stream);
    } while (!parseHeaderLine(lineBuffer, &header));

    if (!header.fitsInt) {
        failOnGrid("bad grid size in header: %s * %s (too large)\n", header);
    }
    if (header.rows < 1 || header.cols < 1) {
        failOnGrid("bad grid size in header: %s * %s (rows and columns must be at least 1)\n", header);
    }
    if (!fitsInMemory(header.rows, header.cols)) {
        failOnGrid("grid of %s * %s points is too large for this machine's memory\n", header);
    }
    mesh->rows = static_cast<int>(header.rows);
    mesh->cols = static_cast<int>(header.cols);
    mesh->points = allocateRows(mesh->rows, mesh->cols, header);
    mesh->normals = allocateRows(mesh->rows, mesh->cols, header);

    // Points come column by column: line k is points[k mod rows][k div rows].
    for (int j = 0; j < mesh->cols; ++j) {
        for (int i = 0; i < mesh->rows; ++i) {
            readDataLine(lineBuffer, stream);
            if (parsePointLine(lineBuffer, &mesh->points[i][j]) != 3) {
                std::fputs("not in 'x y z' format.", stderr);
                endProcess(1);
            }
        }
    }

    std::fclose(stream);
    resetMeshReader();
    return mesh;
}
