// No-data heights, and thinning out a grid too fine to turn smoothly
// (--every N keeps every Nth sample, --max N averages square blocks).
#include "surface.h"

#include "base/failure.h"
#include "common/mesh_text.h"

#include <algorithm>
#include <cmath>

static bool isNoData(const Samples &s, double v) { return !std::isfinite(v) || (s.hasNoData && v == s.noData); }

// "NAME:LINE: column C" in text, else "NAME: sample at row R, column C".
static std::string placeOfHeight(const Samples &s, long k, const std::string &name)
{
    const long r = k / s.perLine(), c = k % s.perLine();
    if (s.text.runs.empty()) {
        return displayName(name) + ": sample at row " + std::to_string(r + 1) + ", column " +
               std::to_string(c + 1);
    }
    long line, column;
    placeOfValue(s.text.runs, s.text.dropped, s.text.first + r * s.text.lineSpan + c * s.text.stride, &line,
                 &column);
    return displayName(name) + ":" + std::to_string(line) + ": column " + std::to_string(column);
}

void fillNoData(Samples &s, const ConvertOptions &o, const std::string &name, std::vector<std::string> &notes)
{
    if (o.markerGiven) {
        s.hasNoData = true;
        s.noData = o.marker;
    }
    if (s.allReal && !s.hasNoData) {
        s.rangeKnown = true;
        return;
    }
    Values &z = s.grid.z;
    // The lowest and highest real heights in two lanes: one running
    // minimum would wait on itself at every sample.
    long count = 0;
    double low[2] = {HUGE_VAL, HUGE_VAL}, high[2] = {-HUGE_VAL, -HUGE_VAL};
    size_t k = 0;
    for (; k + 2 <= z.size(); k += 2) {
        const double a = z[k], b = z[k + 1];
        const bool aMissing = isNoData(s, a), bMissing = isNoData(s, b);
        count += aMissing + bMissing;
        low[0] = aMissing ? low[0] : std::min(low[0], a);
        high[0] = aMissing ? high[0] : std::max(high[0], a);
        low[1] = bMissing ? low[1] : std::min(low[1], b);
        high[1] = bMissing ? high[1] : std::max(high[1], b);
    }
    if (k < z.size() && !isNoData(s, z[k])) {
        low[0] = std::min(low[0], z[k]);
        high[0] = std::max(high[0], z[k]);
    } else if (k < z.size()) {
        ++count;
    }
    const double lowest = std::min(low[0], low[1]), highest = std::max(high[0], high[1]);
    s.rangeKnown = true;
    s.lowest = lowest;
    s.highest = highest;
    if (count == 0) {
        return;
    }
    if (o.noData == ConvertOptions::NoData::Error) {
        long first = 0;
        while (!isNoData(s, z[static_cast<size_t>(first)])) {
            ++first;
        }
        throw Failure(placeOfHeight(s, first, name) + " is no-data (" + formatNumber(z[static_cast<size_t>(first)]) +
                      "); --nodata min or --nodata VALUE fills it");
    }
    const bool holes = o.forFigure && !o.noDataGiven;
    const bool useLowest = !holes && o.noData == ConvertOptions::NoData::Min;
    if ((useLowest || holes) && lowest == HUGE_VAL) {
        throw Failure(displayName(name) + ": every sample is no-data");
    }
    const double fill = holes ? NAN : useLowest ? lowest : o.noDataValue;
    for (double &v : z) {
        if (isNoData(s, v)) {
            v = fill;
        }
    }
    if (!holes) {
        s.lowest = std::min(lowest, fill);
        s.highest = std::max(highest, fill);
    }
    const std::string kinds = s.hasNoData ? "NaN, infinite or " + formatNumber(s.noData) : "NaN or infinite";
    notes.push_back(displayName(name) + ": " + std::to_string(count) + " of " + std::to_string(z.size()) +
                    " heights were no-data (" + kinds + "), " +
                    (holes ? std::string("left as holes (--nodata fills them)")
                           : "now " + std::string(useLowest ? "the lowest real height, " : "") + formatNumber(fill)));
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
    out.rangeKnown = out.allReal = false;
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
    out.firstKept = s.firstKept + double(s.step) * double(b - 1) / 2.0;
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
