#include "mesh/reader.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "base/failure.h"
#include "mesh/line_parse.h"
#include "mesh/load_progress.h"
#include "mesh/memory_check.h"

// ---------------------------------------------------------------------------
// Input in blocks
//
// The input is read in large blocks and cut into the same pieces that
// fgets() with a 256-byte buffer would give on a stream whose CR LF pairs
// had been turned into LF.  Blocks come from read() where the stream has a
// descriptor, so a pipe delivers whatever has arrived instead of waiting
// for a full block.  Pieces are found with memchr and handed out in place:
// the byte after a piece is set to NUL while it is in use, and put back
// before the next piece is looked for.  A NUL also follows the last byte
// read, so scanning stops at the end of the data.

static char lineBuffer[lineBufferSize];

// Bytes read at a time.  Fuzz builds make it small, so that short inputs
// cross block boundaries and reach the refill; it must hold a whole piece
// and the byte after it, which decides whether a CR ends a CR LF.
#ifndef QUARVEL_READ_BLOCK_SIZE
#define QUARVEL_READ_BLOCK_SIZE (1 << 16)
#endif
static_assert(QUARVEL_READ_BLOCK_SIZE >= lineBufferSize, "a block must hold a whole piece");

// One spare byte at the end takes the NUL after the data.
static char inputBlock[QUARVEL_READ_BLOCK_SIZE + 1];
static const size_t blockCapacity = sizeof inputBlock - 1;
static size_t blockPos = 0;
static size_t blockEnd = 0;
static bool inputEnded = false;
static char *savedPlace = nullptr;  // byte overwritten by the NUL of a piece
static char savedByte = 0;

// Told of the points as they are stored, from allocation to the last point.
static const ReadWatcher *activeWatcher = nullptr;

void resetMeshReader()
{
    blockPos = blockEnd = 0;
    inputEnded = false;
    savedPlace = nullptr;
    activeWatcher = nullptr;
    inputBlock[0] = '\0';
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
    // The NUL after the data must hold even when nothing more arrives:
    // the scans of a piece stop at it instead of running into old bytes.
    inputBlock[blockEnd] = '\0';

    size_t room = blockCapacity - kept;
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
    inputBlock[blockEnd] = '\0';
    return true;
}

// Cuts the next piece of at most lineBufferSize - 1 characters, up to and
// including a line feed, and returns it NUL-terminated inside the block
// with a final CR LF turned into LF; length receives its length.  Returns
// nullptr when nothing could be read.
static void restoreSavedByte()
{
    if (savedPlace) {
        *savedPlace = savedByte;
        savedPlace = nullptr;
    }
}

static char *nextPiece(size_t *length, FILE *stream)
{
    const size_t limit = lineBufferSize - 1;
    restoreSavedByte();
    for (;;) {
        char *start = inputBlock + blockPos;
        size_t available = blockEnd - blockPos;
        // A CR LF counts as one character, so the 255th character may end
        // one byte further on.
        size_t window = available < limit + 1 ? available : limit + 1;
        char *lineFeed = static_cast<char *>(std::memchr(start, '\n', window));
        if (lineFeed) {
            size_t at = static_cast<size_t>(lineFeed - start);
            if (at > 0 && start[at - 1] == '\r') {
                start[at - 1] = '\n';
                start[at] = '\0';  // consumed with the piece: nothing to restore
                blockPos += at + 1;
                *length = at;
                return start;
            }
            size_t taken = at < limit ? at + 1 : limit;
            blockPos += taken;
            savedPlace = start + taken;
            savedByte = *savedPlace;
            *savedPlace = '\0';
            *length = taken;
            return start;
        }
        // Without a line feed the piece is full once 255 characters are
        // there and the last is not a CR that a LF might follow.
        bool full = available > limit || (available == limit && start[limit - 1] != '\r');
        if (full || !refillBlock(stream)) {
            // A refill that found the end has still moved the unread bytes.
            start = inputBlock + blockPos;
            available = blockEnd - blockPos;
            if (available == 0) {
                return nullptr;
            }
            size_t taken = available < limit ? available : limit;
            blockPos += taken;
            savedPlace = start + taken;
            savedByte = *savedPlace;
            *savedPlace = '\0';
            *length = taken;
            return start;
        }
    }
}

// Gives up on bad data.  Work that follows the reader is stopped first, as
// it still reads the grid.
[[noreturn]] static void failOnData(const char *message)
{
    endLoadProgress();
    if (activeWatcher) {
        activeWatcher->failed(activeWatcher->context);
        activeWatcher = nullptr;
    }
    throw Failure(message);
}

// The next piece that is neither a comment nor empty, in place.  Ends the
// process with "cannot read any more." when the input runs out.
static char *nextDataPiece(FILE *stream, size_t *length)
{
    for (;;) {
        char *piece = nextPiece(length, stream);
        if (!piece) {
            failOnData("cannot read any more.\n");
        }
        if (piece[0] != '#' && piece[0] != '\n') {
            return piece;
        }
    }
}

// The common point line, parsed straight from the block: three plain
// numbers on a line that ends with its line feed within the piece limit,
// so the piece would be exactly that line and give the same point.
// Anything else (comments, long lines, the end of the block, other forms
// of numbers) is left to the general path, and nothing is consumed.
static bool readPlainPoint(Vec3 *point)
{
    restoreSavedByte();
    const char *start = inputBlock + blockPos;
    if (*start == '#') {
        return false;
    }
    Vec3 value;
    const char *lineFeed = parsePlainPoint(start, inputBlock + blockEnd, &value);
    if (!lineFeed) {
        return false;
    }
    const char *last = start + (lineBufferSize - 2);
    while (lineFeed <= last && *lineFeed != '\n' && *lineFeed != '\0') {
        ++lineFeed;
    }
    if (lineFeed > last || *lineFeed != '\n') {
        return false;
    }
    *point = value;
    blockPos = static_cast<size_t>(lineFeed + 1 - inputBlock);
    return true;
}

// Any other point line: the next significant piece, parsed as a whole.
// False when it does not hold three numbers.
static bool readPointPiece(Vec3 *point, FILE *stream)
{
    size_t length;
    return parsePointLine(nextDataPiece(stream, &length), point) == 3;
}

void readDataLine(char *buffer, FILE *stream)
{
    size_t length = 0;
    const char *piece = nextDataPiece(stream, &length);
    std::memcpy(buffer, piece, length + 1);
}

// ---------------------------------------------------------------------------
// The grid

// Gives up on a grid that cannot be read; format takes the header's two
// numbers as written.
[[noreturn]] static void failOnGrid(const char *format, const HeaderFields &header)
{
    char message[lineBufferSize * 2 + 128];
    std::snprintf(message, sizeof message, format, header.rowsText, header.colsText);
    throw Failure(message);
}

static void *allocateOrFail(size_t bytes, const HeaderFields &header)
{
    void *block = std::malloc(bytes);
    if (!block) {
        failOnGrid("not enough memory for a grid of %s * %s points\n", header);
    }
    return block;
}

// Row pointers start out null, so a grid given up half-allocated frees.
static void allocateRows(Vec3 **&rowPointers, int rows, int cols, const HeaderFields &header)
{
    rowPointers = static_cast<Vec3 **>(allocateOrFail(sizeof(Vec3 *) * static_cast<size_t>(rows), header));
    std::memset(rowPointers, 0, sizeof(Vec3 *) * static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        rowPointers[i] =
            static_cast<Vec3 *>(allocateOrFail(sizeof(Vec3) * static_cast<size_t>(cols), header));
    }
}

// Owns what a read has made until it succeeds: on a failure the grid is
// freed, the stream closed and the input forgotten.
namespace {
struct ReadInProgress {
    FILE *stream;
    Mesh *mesh = nullptr;
    ~ReadInProgress()
    {
        if (stream) {
            activeWatcher = nullptr;
            if (mesh) {
                freeMesh(mesh);
            }
            std::fclose(stream);
            resetMeshReader();
        }
    }
};
}  // namespace

Mesh *readMesh(FILE *stream, const ReadWatcher *watcher)
{
    ReadInProgress read{stream};
    Mesh *mesh = static_cast<Mesh *>(std::calloc(1, sizeof(Mesh)));
    if (!mesh) {
        throw Failure("not enough memory to read the mesh\n");
    }
    read.mesh = mesh;

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
    // A grid the machine cannot hold is refused before anything is
    // allocated, so a mistyped header fails at once instead of after a long
    // read, and a few bytes of header cannot drive the machine out of memory.
    if (!gridFitsInMemory(header.rows, header.cols)) {
        failOnGrid("grid of %s * %s points is too large for this machine's memory\n", header);
    }
    mesh->rows = static_cast<int>(header.rows);
    mesh->cols = static_cast<int>(header.cols);
    allocateRows(mesh->points, mesh->rows, mesh->cols, header);
    allocateRows(mesh->normals, mesh->rows, mesh->cols, header);
    if (watcher) {
        watcher->ready(watcher->context, *mesh);
        activeWatcher = watcher;
    }

    // Points come column by column: line k is points[k mod rows][k div rows].
    // Each line is parsed where it lies in the input block.
    beginLoadProgress(header.rows * header.cols);
    long long done = 0;
    long long nextCheck = progressCheckInterval;
    for (int j = 0; j < mesh->cols; ++j) {
        // Every point goes to another row array; fetching the place of a
        // point three columns on spares the write a wait for memory then.
        const bool ahead = j + 3 < mesh->cols;
        for (int i = 0; i < mesh->rows; ++i) {
            Vec3 *point = &mesh->points[i][j];
            if (ahead) {
                __builtin_prefetch(point + 3, 1);
            }
            if (!readPlainPoint(point) && !readPointPiece(point, stream)) {
                failOnData("not in 'x y z' format.");
            }
            if (++done == nextCheck) {
                nextCheck += progressCheckInterval;
                noteLoadProgress(done);
            }
        }
        if (watcher) {
            watcher->columnsRead(watcher->context, j + 1);
        }
    }
    endLoadProgress();
    activeWatcher = nullptr;

    std::fclose(stream);
    resetMeshReader();
    read.stream = nullptr;  // done: the caller owns the grid
    return mesh;
}
