// quarvel-import's PNG and TIFF readers (over libpng and libtiff) on
// arbitrary bytes, the first byte choosing the reader: one failure line,
// or a raster of the stated size that lays out and writes.  NaN samples of
// a TIFF are no-data, so only the size is checked before writing.
#include <cstdint>
#include <vector>

#include "formats.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    std::vector<unsigned char> bytes(data + 1, data + size);
    oneLineOrSurface([&] {
        Raster r = data[0] & 1 ? readTiff(bytes, "fuzz.tif") : readPng(bytes, "fuzz.png");
        if (r.width < 1 || r.height < 1 || r.samples.size() != size_t(r.width * r.height)) std::abort();
        for (double &v : r.samples) {
            if (!std::isfinite(v)) v = 0;
        }
        checkAndWrite(rasterSamples(std::move(r)));
    });
    return 0;
}
