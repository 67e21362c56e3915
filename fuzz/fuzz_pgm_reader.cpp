// quarvel-import's PGM reader on arbitrary bytes: one failure line, or a
// raster of integers from 0 to 65535 that lays out and writes.
#include <cstdint>
#include <vector>

#include "formats.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    oneLineOrSurface([&] {
        Raster r = readPgm(std::vector<unsigned char>(data, data + size), "fuzz.pgm");
        for (double v : r.samples) {
            if (!(v >= 0 && v <= 65535) || v != std::floor(v)) std::abort();
        }
        checkAndWrite(rasterSamples(std::move(r)));
    });
    return 0;
}
