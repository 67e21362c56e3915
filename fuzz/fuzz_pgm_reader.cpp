// quarvel-import's PGM reader on arbitrary bytes: a refusal (one line,
// thrown by the fail hook), or a raster whose samples fill width x height
// with integers from 0 to 65535.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/fail.h"
#include "raster.h"

[[noreturn]] static void throwLine(const std::string &line) { throw line; }

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setFailHook(throwLine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        Raster r = readPgm(std::vector<unsigned char>(data, data + size), "fuzz.pgm");
        if (r.width <= 0 || r.height <= 0 || r.samples.size() != size_t(r.width * r.height)) {
            std::abort();
        }
        for (double v : r.samples) {
            if (!(v >= 0 && v <= 65535) || v != double(long(v))) {
                std::abort();
            }
        }
    } catch (const std::string &line) {
        if (line.empty() || line.find('\n') != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
