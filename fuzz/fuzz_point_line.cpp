// Differential check of the point-line parser: on any line piece the
// reader can deliver (at most 255 characters, NUL-terminated) it must give
// what sscanf("%lf %lf %lf") gives: the same count, and bit for bit the
// same values for the fields converted (NaN only needs to be NaN).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mesh/line_parse.h"
#include "mesh/reader.h"

static bool sameValue(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    return std::memcmp(&a, &b, sizeof a) == 0;  // keeps the sign of zero
}

[[noreturn]] static void mismatch(const char *line, int want, const double *w, int got,
                                  const double *g)
{
    std::fprintf(stderr, "parsePointLine differs from sscanf on \"%s\":\n", line);
    std::fprintf(stderr, "  sscanf %d: %a %a %a\n  parsePointLine %d: %a %a %a\n", want, w[0],
                 w[1], w[2], got, g[0], g[1], g[2]);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char line[lineBufferSize];
    size_t length = size < lineBufferSize - 1 ? size : lineBufferSize - 1;
    std::memcpy(line, data, length);
    line[length] = '\0';

    double want[3] = {0, 0, 0};
    int wantCount = std::sscanf(line, "%lf %lf %lf", &want[0], &want[1], &want[2]);
    Vec3 point = {0, 0, 0};
    int gotCount = parsePointLine(line, &point);
    double got[3] = {point.x, point.y, point.z};

    if (gotCount != wantCount) {
        mismatch(line, wantCount, want, gotCount, got);
    }
    for (int i = 0; i < wantCount; ++i) {
        if (!sameValue(want[i], got[i])) {
            mismatch(line, wantCount, want, gotCount, got);
        }
    }
    return 0;
}
