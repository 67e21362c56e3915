// quarvel-import's PNG and TIFF readers (over libpng, libdeflate and
// libtiff) on arbitrary bytes, the first byte choosing the reader: one
// failure line, or a raster of the stated size that lays out and writes.
// NaN samples of a TIFF are no-data, so only the size is checked before
// writing.  A PNG the whole-image decoding takes, libpng must read to the
// same samples and range.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats.h"
#include "fuzz_import.h"

static void sameAsLibpng(const std::vector<unsigned char> &bytes)
{
    Raster whole;
    bool taken = false;
    oneLineOrSurface([&] { taken = readPngWhole(bytes, "fuzz.png", whole); });
    if (!taken) return;
    Raster libpng;
    try {
        libpng = readPngThroughLibpng(bytes, "fuzz.png");
    } catch (const Failure &) {
        std::abort();  // taken by one, refused by the other
    }
    if (whole.width != libpng.width || whole.height != libpng.height || !(whole.samples == libpng.samples) ||
        whole.lowest != libpng.lowest || whole.highest != libpng.highest)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    std::vector<unsigned char> bytes(data + 1, data + size);
    if (!(data[0] & 1)) sameAsLibpng(bytes);
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
