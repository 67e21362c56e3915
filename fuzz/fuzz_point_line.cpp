// parsePointLine against sscanf("%lf %lf %lf") on any piece the reader can deliver (at
// most 255 characters, NUL-terminated): the same count and, bit for bit, the same values
// converted (any NaN equals any NaN).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mesh/line_parse.h"
#include "mesh/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char line[lineBufferSize] = {};
    std::memcpy(line, data, size < lineBufferSize - 1 ? size : lineBufferSize - 1);
    double want[3] = {0, 0, 0};
    const int count = std::sscanf(line, "%lf %lf %lf", &want[0], &want[1], &want[2]);
    Vec3 point = {0, 0, 0};
    if (parsePointLine(line, &point) != count) std::abort();
    const double got[3] = {point.x, point.y, point.z};
    for (int i = 0; i < count; ++i) {
        if (std::isnan(want[i]) ? !std::isnan(got[i]) : std::memcmp(&want[i], &got[i], 8))
            std::abort();
    }
    return 0;
}
