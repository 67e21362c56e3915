#include "quarvel-gen/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

#include "common/grid_text.h"

static const std::size_t hugePage = 2 << 20;

void *allocateValues(std::size_t bytes)
{
    void *values = nullptr;
    if (bytes >= 2 * hugePage) {
        std::size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
        values = std::aligned_alloc(hugePage, rounded);
        if (values) {
            madvise(values, rounded, MADV_HUGEPAGE);  // only advice: fine if refused
        }
    } else {
        values = std::malloc(bytes ? bytes : 1);
    }
    if (!values) {
        throw std::bad_alloc();
    }
    return values;
}

void freeValues(void *values) { std::free(values); }

// Rounding errors of a turn (sin(2 pi) is -2.4e-16, not 0) stay far below
// this fraction of the surface's size; any real gap is far above it.
static const double seamTolerance = 1e-9;

static double largestCoordinate(const Surface &s)
{
    double largest = 0;
    for (const Values *values : {&s.x, &s.y, &s.z}) {
        for (double v : *values) {
            largest = std::max(largest, std::fabs(v));
        }
    }
    return largest;
}

// Points a and b (indices into x, y, z) for every pair (a, b) of the seam.
static bool pointsMeet(const Surface &s, long a, long b, double tolerance)
{
    return std::fabs(s.x[a] - s.x[b]) <= tolerance && std::fabs(s.y[a] - s.y[b]) <= tolerance &&
           std::fabs(s.z[a] - s.z[b]) <= tolerance;
}

static void copyPoint(Surface &s, long from, long to)
{
    s.x[to] = s.x[from];
    s.y[to] = s.y[from];
    s.z[to] = s.z[from];
}

// The seam between line 0 and line count-1, where point p of line l is at
// l * lineStep + p * pointStep.
static void closeSeam(Surface &s, long count, long lineStep, long points, long pointStep,
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

void closeSeams(Surface &s)
{
    if (!s.perPointXY) {
        return;  // x differs between the first and last rows, y between the columns
    }
    const double tolerance = seamTolerance * largestCoordinate(s);
    closeSeam(s, s.rows, 1, s.cols, s.rows, tolerance);
    closeSeam(s, s.cols, s.rows, s.rows, 1, tolerance);
}

void writeSurface(const Surface &s, FILE *stream)
{
    MeshText text = beginMesh(stream, s.comment, s.rows, s.cols);
    const Spread x = s.perPointXY ? Spread::perPoint : Spread::perRow;
    const Spread y = s.perPointXY ? Spread::perPoint : Spread::perColumn;
    addGrid(text, s.rows, s.cols, {x, s.x.data()}, {y, s.y.data()}, {Spread::perPoint, s.z.data()});
}
