// The BMP reader on arbitrary bytes.  readBmp reads a named file, so the
// bytes go to a memory file reached through /proc/self/fd.
//
// The result is checked against what the layout says: null (sizes left
// untouched) unless the file is 24 bits per pixel with a usable size;
// otherwise every pixel is the file's blue-green-red triple at byte
// 54 + row * (3 * width + width mod 4) + 3 * column, reversed, with bytes
// past the end of the file read as 0xFF.
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/fatal.h"
#include "image/bmp_read.h"

// Images above this many pixels are skipped: beyond the fuzzer's input
// length they are only 0xFF, and large buffers would make it slow.
constexpr int64_t maxPixels = 1 << 18;

namespace {

struct EndOfRun {
    int status;
};

[[noreturn]] void throwOnEnd(int status) { throw EndOfRun{status}; }

// The program's messages go to a memory stream so each run's text can be
// checked; this target's own reports go to file descriptor 2.
char messages[4096];
FILE *messageSink = nullptr;

void clearMessages()
{
    std::memset(messages, 0, sizeof messages);
    std::rewind(messageSink);
}

[[noreturn]] void fail(const char *what)
{
    dprintf(2, "fuzz_bmp_reader: %s\nmessages of the run: \"%s\"\n", what, messages);
    std::abort();
}

int memoryFile = -1;
char memoryPath[64];

// Byte k of the file as the reader sees it.
unsigned byteAt(const uint8_t *data, size_t size, size_t k) { return k < size ? data[k] : 0xFF; }

uint32_t le32At(const uint8_t *data, size_t size, size_t k)
{
    return byteAt(data, size, k) | byteAt(data, size, k + 1) << 8 |
           byteAt(data, size, k + 2) << 16 | static_cast<uint32_t>(byteAt(data, size, k + 3)) << 24;
}

// A file that does not start with "BM" ends the process from the header
// reader; that path is run on a stream of our own so nothing leaks.
void checkNotBmp(const uint8_t *data, size_t size)
{
    clearMessages();
    FILE *stream = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    if (!stream) {
        stream = std::fopen("/dev/null", "rb");
    }
    bool ended = false;
    try {
        readBmpHeader(stream);
    } catch (const EndOfRun &end) {
        ended = end.status == 1;
    }
    std::fclose(stream);
    if (!ended || std::strcmp(messages, "Not BMP-file\n") != 0) {
        fail("a file without the BM magic did not end the process with status 1");
    }
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
    memoryFile = memfd_create("bmp", 0);
    if (memoryFile < 0) {
        fail("memfd_create failed");
    }
    std::snprintf(memoryPath, sizeof memoryPath, "/proc/self/fd/%d", memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || data[0] != 'B' || data[1] != 'M') {
        checkNotBmp(data, size);
        return 0;
    }
    const int32_t width = static_cast<int32_t>(le32At(data, size, 18));
    const int32_t height = static_cast<int32_t>(le32At(data, size, 22));
    const unsigned bitCount = byteAt(data, size, 28) | byteAt(data, size, 29) << 8;
    const int64_t pixels = static_cast<int64_t>(width) * height;
    const bool usable = bitCount == 24 && width > 0 && height > 0 && pixels <= INT_MAX / 3;
    if (usable && pixels > maxPixels) {
        return 0;
    }

    if (ftruncate(memoryFile, 0) != 0 ||
        pwrite(memoryFile, data, size, 0) != static_cast<ssize_t>(size)) {
        fail("cannot fill the memory file");
    }
    int outWidth = -7;
    int outHeight = -7;
    unsigned char *rgb = nullptr;
    clearMessages();
    try {
        rgb = readBmp(memoryPath, &outWidth, &outHeight);
    } catch (const EndOfRun &) {
        fail("readBmp ended the process on a file starting with BM");
    }

    if (!usable) {
        if (rgb || outWidth != -7 || outHeight != -7) {
            fail("an unusable file gave an image or changed the size");
        }
        if (bitCount != 24 && std::strcmp(messages, "not 24-bit color\n") != 0) {
            fail("a file of another colour depth was not reported as such");
        }
        if (messages[0] == '\0') {
            fail("an unusable file was refused without a message");
        }
        return 0;
    }
    if (!rgb || messages[0] != '\0') {
        fail("a usable 24-bit file gave no image or a message");
    }
    if (outWidth != width || outHeight != height) {
        fail("the size returned differs from the header");
    }
    const size_t stride = 3 * static_cast<size_t>(width) + static_cast<size_t>(width % 4);
    const unsigned char *at = rgb;
    for (int32_t row = 0; row < height; ++row) {
        for (int32_t col = 0; col < width; ++col, at += 3) {
            size_t k = 54 + row * stride + 3 * static_cast<size_t>(col);
            if (at[0] != byteAt(data, size, k + 2) || at[1] != byteAt(data, size, k + 1) ||
                at[2] != byteAt(data, size, k)) {
                fail("a pixel differs from the file");
            }
        }
    }
    std::free(rgb);
    return 0;
}
