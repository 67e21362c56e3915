#include "quarvel-gen/surface.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

// A few chunks of text for each of up to 8 formatting threads, and the
// shortest text of every x of a row and y of a column.
static const uint64_t writerBytes = 8 << 20;
static const uint64_t textBytesPerLine = 32;

uint64_t surfaceBytes(long rows, long cols, bool perPointXY)
{
    const uint64_t points = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols);
    const uint64_t lines = static_cast<uint64_t>(rows) + static_cast<uint64_t>(cols);
    const uint64_t values = perPointXY ? 3 * points : points + lines;
    return values * sizeof(double) + lines * textBytesPerLine + writerBytes;
}

// Rounding errors of a turn (sin(2 pi) is -2.4e-16, not 0) stay far below
// this fraction of the surface's size; any real gap is far above it.  The
// size is the extent of the coordinates, not their magnitude: a small tube
// far from the origin has real gaps far below its distance from it.
static const double seamTolerance = 1e-9;

// The largest (max - min) of x, y and z, times seamTolerance; scaled before
// the subtraction, so that coordinates near the largest double stay finite.
static double extentTolerance(const Grid &s)
{
    double tolerance = 0;
    for (const Values *values : {&s.x, &s.y, &s.z}) {
        if (values->empty()) {
            continue;
        }
        const auto [low, high] = std::minmax_element(values->begin(), values->end());
        tolerance = std::max(tolerance, seamTolerance * *high - seamTolerance * *low);
    }
    return tolerance;
}

// Far from the origin the values themselves are only this exact: a few
// units in the last place of the larger one compared.
static bool valuesMeet(double a, double b, double tolerance)
{
    const double ulp = std::ldexp(DBL_EPSILON, std::ilogb(std::max(std::fabs(a), std::fabs(b))));
    return std::fabs(a - b) <= tolerance + 4 * ulp;
}

// Points a and b (indices into x, y, z) for every pair (a, b) of the seam.
static bool pointsMeet(const Grid &s, long a, long b, double tolerance)
{
    return valuesMeet(s.x[a], s.x[b], tolerance) && valuesMeet(s.y[a], s.y[b], tolerance) &&
           valuesMeet(s.z[a], s.z[b], tolerance);
}

static void copyPoint(Grid &s, long from, long to)
{
    s.x[to] = s.x[from];
    s.y[to] = s.y[from];
    s.z[to] = s.z[from];
}

// The seam between line 0 and line count-1, where point p of line l is at
// l * lineStep + p * pointStep.
static void closeSeam(Grid &s, long count, long lineStep, long points, long pointStep,
                      double tolerance)
{
    if (count < 2) {
        return;
    }
    const long last = (count - 1) * lineStep;
    for (long p = 0; p < points; ++p) {
        if (!pointsMeet(s, p * pointStep, last + p * pointStep, tolerance)) {
            return;
        }
    }
    for (long p = 0; p < points; ++p) {
        copyPoint(s, p * pointStep, last + p * pointStep);
    }
}

void closeSeams(Grid &s)
{
    if (s.xSpread != Spread::perPoint || s.ySpread != Spread::perPoint) {
        return;  // x differs between the first and last rows, y between the columns
    }
    const double tolerance = extentTolerance(s);
    closeSeam(s, s.rows, 1, s.cols, s.rows, tolerance);
    closeSeam(s, s.cols, s.rows, s.rows, 1, tolerance);
}
