// The BMP reader on arbitrary bytes in a memory file: null with the size untouched, or a
// buffer of width x height x 3 bytes with both sizes positive (a top-down file's too).
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/bmp_read.h"

static char path[64];

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    stderr = std::fopen("/dev/null", "w");  // the reader's messages
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", memfd_create("bmp", 0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Skipped: large images (0xFF past the input, slow), files without "BM" (they end the run).
    auto le32 = [&](size_t k) {  // as the reader reads it
        uint32_t v = 0;
        for (size_t i = k + 4; i-- > k;) v = v << 8 | (i < size ? data[i] : 0xFF);
        return int64_t(int32_t(v));
    };
    if (size < 2 || data[0] != 'B' || data[1] != 'M' || std::llabs(le32(18) * le32(22)) > (1 << 18)) return 0;
    FILE *f = std::fopen(path, "w");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f)) std::abort();
    int w = -7, h = -7;
    unsigned char *rgb = readBmp(path, &w, &h);
    if (rgb ? w <= 0 || h <= 0 || __asan_region_is_poisoned(rgb, size_t(w) * h * 3)
            : w != -7 || h != -7)
        std::abort();
    std::free(rgb);
    return 0;
}
