// Between NumPy's arrays and the import's samples and grids, without
// Python: the caller holds the arrays and may release the GIL around these.
#pragma once

#include <cstddef>
#include <string>

#include "common/grid.h"
#include "samples.h"

// A 2-D array of native doubles, read in place: element [r, c] is at
// data + r * rowStride + c * colStride bytes.
struct ArrayView {
    const char *data;
    long rows, cols;
    std::ptrdiff_t rowStride, colStride;
    double at(long r, long c) const
    {
        double value;
        __builtin_memcpy(&value, data + r * rowStride + c * colStride, sizeof value);
        return value;
    }
};

// A height matrix as readNpy gives one: line r is the array's row r.
Samples heightSamples(const ArrayView &z);

// x y z arrays of one shape as readNpy gives a (3, R, C) array; throws a
// Failure naming the first x or y that is not finite.
Samples pointSamples(const ArrayView &x, const ArrayView &y, const ArrayView &z, const std::string &name);
