// Image no-data samples, and thinning out a grid too fine to turn smoothly
// (--every N keeps every Nth sample, --max N averages square blocks).
#include "surface.h"

#include "base/failure.h"
#include "common/mesh_text.h"

#include <algorithm>
#include <cmath>

static bool isNoData(const Samples &s, double v) { return !std::isfinite(v) || (s.hasNoData && v == s.noData); }

void fillNoData(Samples &s, const ConvertOptions &o, const std::string &name)
{
    if (s.xyz) {
        return;
    }
    Values &z = s.grid.z;
    double fill = o.noDataValue;
    if (o.noData != ConvertOptions::NoData::Value) {
        bool any = false;
        fill = HUGE_VAL;
        for (long k = 0; k < static_cast<long>(z.size()); ++k) {
            double v = z[static_cast<size_t>(k)];
            if (!isNoData(s, v)) {
                fill = std::min(fill, v);
                continue;
            }
            if (o.noData == ConvertOptions::NoData::Error) {
                throw Failure(displayName(name) + ": sample at row " + std::to_string(k / s.perLine() + 1) +
                              ", column " + std::to_string(k % s.perLine() + 1) + " is no-data (" +
                              formatNumber(v) + "); --nodata min or --nodata VALUE fills it");
            }
            any = true;
        }
        if (!any) {
            return;
        }
        if (fill == HUGE_VAL) {
            throw Failure(displayName(name) + ": every sample is no-data");
        }
    }
    for (double &v : z) {
        if (isNoData(s, v)) {
            v = fill;
        }
    }
}

// The coordinates that have values: z, and x and y for x y z data.
static int firstCoordinate(const Samples &s) { return s.xyz ? 0 : 2; }

// An empty grid of the given size with everything else of s (but not a
// copy of its samples).
static Samples reducedShape(Samples &s, long lines, long perLine, long step)
{
    Grid grid = std::move(s.grid);
    Samples out = s;
    s.grid = std::move(grid);
    out.step = s.step * step;
    out.resize(lines, perLine);
    return out;
}

static Samples takeEvery(Samples &s, long n)
{
    Samples out = reducedShape(s, (s.lines() - 1) / n + 1, (s.perLine() - 1) / n + 1, n);
    for (long r = 0; r < out.lines(); ++r) {
        for (long c = 0; c < out.perLine(); ++c) {
            for (int k = firstCoordinate(s); k < 3; ++k) {
                out.at(r, c, k) = s.at(r * n, c * n, k);
            }
        }
    }
    return out;
}

// The mean of one block, per coordinate; huge values are divided first so
// the sum stays finite.
static double blockMean(const Samples &s, long r0, long r1, long c0, long c1, int k)
{
    const double n = static_cast<double>((r1 - r0) * (c1 - c0));
    double sum = 0;
    for (long r = r0; r < r1; ++r) {
        for (long c = c0; c < c1; ++c) {
            sum += s.at(r, c, k);
        }
    }
    if (std::isfinite(sum)) {
        return sum / n;
    }
    sum = 0;
    for (long r = r0; r < r1; ++r) {
        for (long c = c0; c < c1; ++c) {
            sum += s.at(r, c, k) / n;
        }
    }
    return sum;
}

static Samples averageBlocks(Samples &s, long b)
{
    Samples out = reducedShape(s, (s.lines() + b - 1) / b, (s.perLine() + b - 1) / b, b);
    for (long r = 0; r < out.lines(); ++r) {
        for (long c = 0; c < out.perLine(); ++c) {
            for (int k = firstCoordinate(s); k < 3; ++k) {
                // The last blocks of a side may be smaller.
                out.at(r, c, k) = blockMean(s, r * b, std::min(s.lines(), (r + 1) * b), c * b,
                                            std::min(s.perLine(), (c + 1) * b), k);
            }
        }
    }
    return out;
}

Samples reduceSamples(Samples &&s, const ConvertOptions &o)
{
    if (s.lines() < 1 || s.perLine() < 1) {
        return std::move(s);  // nothing to thin out; refused as too small later
    }
    if (o.every > 1) {
        return takeEvery(s, o.every);
    }
    if (o.max > 0) {
        long longer = std::max(s.lines(), s.perLine());
        long b = (longer - 1) / o.max + 1;  // rounded up, without overflow
        if (b > 1) {
            return averageBlocks(s, b);
        }
    }
    return std::move(s);
}
