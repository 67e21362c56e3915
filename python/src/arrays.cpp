#include "arrays.h"

#include <cmath>

#include "base/failure.h"
#include "common/mesh_text.h"

Samples heightSamples(const ArrayView &z)
{
    Samples s;
    s.resize(z.rows, z.cols);
    for (long r = 0; r < z.rows; ++r) {
        for (long c = 0; c < z.cols; ++c) {
            s.at(r, c) = z.at(r, c);
        }
    }
    return s;
}

Samples pointSamples(const ArrayView &x, const ArrayView &y, const ArrayView &z, const std::string &name)
{
    Samples s;
    s.xyz = true;
    s.resize(z.rows, z.cols);
    const ArrayView *planes[3] = {&x, &y, &z};
    for (int k = 0; k < 3; ++k) {
        for (long r = 0; r < z.rows; ++r) {
            for (long c = 0; c < z.cols; ++c) {
                const double v = planes[k]->at(r, c);
                if (k < 2 && !std::isfinite(v)) {
                    throw Failure(name + ": " + (k == 0 ? "x" : "y") + "[" + std::to_string(r) + ", " +
                                  std::to_string(c) + "] is " + formatNumber(v) +
                                  ", but x and y must be finite numbers");
                }
                s.at(r, c, k) = v;
            }
        }
    }
    return s;
}

