// parse-baseline mesh-data
//
// The lower bound that loading is compared with: the numbers of a mesh
// file parsed with nothing but std::from_chars, read in the same 64 KiB
// blocks, stored into one array.  No line structure, no comments between
// points, no checks: it assumes a well-formed file whose header is the
// first line not starting with '#'.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "memory.h"

static char block[1 << 16];

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: parse-baseline mesh-data\n", stderr);
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    size_t end = 0;
    size_t pos = 0;
    bool eof = false;
    auto refill = [&] {
        std::memmove(block, block + pos, end - pos);
        end -= pos;
        pos = 0;
        ssize_t got = read(fd, block + end, sizeof block - end);
        if (got <= 0) {
            eof = true;
        } else {
            end += static_cast<size_t>(got);
        }
    };

    // Header: the first line that is not a comment.
    long rows = 0;
    long cols = 0;
    for (;;) {
        char *lineFeed = static_cast<char *>(std::memchr(block + pos, '\n', end - pos));
        if (!lineFeed) {
            if (eof) {
                return 1;
            }
            refill();
            continue;
        }
        *lineFeed = '\0';
        const char *line = block + pos;
        pos = static_cast<size_t>(lineFeed - block) + 1;
        if (line[0] != '#' && std::sscanf(line, "%ld * %ld", &rows, &cols) == 2) {
            break;
        }
    }

    size_t count = static_cast<size_t>(rows * cols * 3);
    double *values = static_cast<double *>(std::malloc(count * sizeof(double)));
    size_t n = 0;
    while (n < count) {
        while (pos < end && (block[pos] == ' ' || block[pos] == '\n')) {
            ++pos;
        }
        // Keep a whole number in the block: refill when fewer than 64
        // bytes are left (no number of the generator is that long).
        if (end - pos < 64 && !eof) {
            refill();
            continue;
        }
        auto result = std::from_chars(block + pos, block + end, values[n]);
        if (result.ec != std::errc()) {
            std::fprintf(stderr, "parse error after %zu numbers\n", n);
            return 1;
        }
        pos = static_cast<size_t>(result.ptr - block);
        ++n;
    }
    double sum = 0;
    for (size_t i = 0; i < count; i += 4096) {
        sum += values[i];
    }
    std::printf("points %ld peak-kib %ld check %g\n", rows * cols, peakResidentKiB(), sum);
    return 0;
}
