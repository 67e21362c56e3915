// GDAL's XYZ grids: "x y z" lines of a regular or rectilinear grid, one row
// after another with no blank line between them (gdal_translate -of XYZ
// writes the north row first, x varying fastest; others vary y fastest).
// One coordinate is the same along each row of n >= 2 points, the other
// runs through the same n values in every row; both strictly increase or
// decrease, so every point is there once and the surface does not fold.
//
// The points keep their coordinates, less one offset per axis (the middle
// of its range) so the surface is centred like every height grid.
#include "formats.h"

#include "base/failure.h"
#include "common/mesh_text.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// How the points of the file make a grid.
struct XyzRows {
    int along = 0;     // the coordinate (0: x, 1: y) that varies along a row
    long perRow = 0;   // n, the points of the first row
};

const char *const axisNames[] = {"x", "y"};

}  // namespace

long lineOfValue(const TextNumbers &numbers, long index)
{
    for (const LineRun &run : numbers.runs) {
        const long values = run.lines * run.count;
        if (index < values) {
            return run.firstLine + index / run.count;
        }
        index -= values;
    }
    return numbers.lastLine;
}

static std::string pointCount(long n) { return std::to_string(n) + (n == 1 ? " point" : " points"); }

static std::string ordinal(long n)
{
    const long tens = n % 100, ones = n % 10;
    const char *suffix = tens / 10 == 1 ? "th" : ones == 1 ? "st" : ones == 2 ? "nd" : ones == 3 ? "rd" : "th";
    return std::to_string(n) + suffix;
}

// An empty string when the points are a complete grid, else what is wrong
// at *line.  rows then says how they make it.
static std::string xyzProblem(const TextNumbers &numbers, long *line, XyzRows *rows)
{
    for (const LineRun &run : numbers.runs) {
        if (run.count != 3) {
            *line = run.firstLine;
            return std::to_string(run.count) + " values; XYZ data has x y z, 3 per line";
        }
    }
    const double *v = numbers.values.data();
    const long points = long(numbers.values.size() / 3);
    auto at = [&](long k, int coordinate) { return v[3 * k + coordinate]; };
    auto fault = [&](long k, const std::string &what) {
        *line = lineOfValue(numbers, 3 * k);
        return what;
    };
    const char *const duplicate = "x and y as on the line before (a duplicate point)";
    for (long k = 0; k < points; ++k) {
        if (!std::isfinite(at(k, 0)) || !std::isfinite(at(k, 1))) {
            return fault(k, "x and y must be finite numbers, not " + formatNumber(at(k, 0)) + " " +
                                formatNumber(at(k, 1)) + " (only a height may be no-data)");
        }
    }
    if (points < 2) {
        rows->perRow = points;
        return "";  // too small for a surface: said as for every format
    }
    if (at(1, 0) == at(0, 0) && at(1, 1) == at(0, 1)) {
        return fault(1, duplicate);
    }
    if (at(1, 0) != at(0, 0) && at(1, 1) != at(0, 1)) {
        return fault(1, "x and y both differ from the line before: XYZ data runs along rows of equal y "
                        "(or of equal x)");
    }
    const int along = at(1, 1) == at(0, 1) ? 0 : 1, across = 1 - along;
    const char *alongName = axisNames[along], *acrossName = axisNames[across];
    long n = 1;
    while (n < points && at(n, across) == at(0, across)) {
        ++n;
    }
    rows->along = along;
    rows->perRow = n;
    const bool up = at(1, along) > at(0, along);
    for (long k = 2; k < n; ++k) {
        if (at(k, along) == at(k - 1, along)) {
            return fault(k, duplicate);
        }
        if ((at(k, along) > at(k - 1, along)) != up) {
            return fault(k, std::string(alongName) + " = " + formatPlainNumber(at(k, along)) +
                                " breaks the strictly increasing or decreasing " + alongName +
                                " of the first row");
        }
    }
    const bool acrossUp = n < points && at(n, across) > at(0, across);
    for (long k = n; k < points; ++k) {
        const long c = k % n;
        const double a = at(k, across), before = at(k - 1, across);
        if (c == 0 && a == before) {
            return fault(k, "a " + ordinal(n + 1) + " point with " + acrossName + " = " + formatPlainNumber(a) +
                                ", but the first row has " + std::to_string(n) +
                                " (a duplicate or extra point?)");
        }
        if (c == 0 && (a > at(k - n, across)) != acrossUp) {
            return fault(k, std::string(acrossName) + " = " + formatPlainNumber(a) +
                                " breaks the strictly increasing or decreasing " + acrossName +
                                " of the rows before");
        }
        if (c > 0 && a != before) {
            return fault(k, "the row of " + std::string(acrossName) + " = " + formatPlainNumber(before) + " ends after " +
                                pointCount(c) + ", but the first row has " + std::to_string(n) +
                                " (a missing point?)");
        }
        if (c > 0 && at(k, along) == at(k - 1, along)) {
            return fault(k, duplicate);
        }
        if (at(k, along) != at(c, along)) {
            return fault(k, std::string(alongName) + " = " + formatPlainNumber(at(k, along)) + ", but the first row has " +
                                alongName + " = " + formatPlainNumber(at(c, along)) +
                                " in this place (a missing or extra point?)");
        }
    }
    if (points % n != 0) {
        return fault(points - 1, "the last row has " + pointCount(points % n) + ", but the first has " +
                                     std::to_string(n) + " (a missing point?)");
    }
    return "";
}

bool isXyzGrid(const TextNumbers &numbers)
{
    long line = 0;
    XyzRows rows;
    const long points = long(numbers.values.size() / 3);
    return xyzProblem(numbers, &line, &rows).empty() && rows.perRow >= 2 && points / rows.perRow >= 2;
}

std::string xyzNearMiss(const TextNumbers &numbers, const std::string &name)
{
    long line = 0;
    XyzRows rows;
    const double *v = numbers.values.data();
    // x y z lines that start like a grid: the first two share x or y.
    if (numbers.values.size() < 9 || numbers.runs.front().count != 3 || (v[0] != v[3]) == (v[1] != v[4])) {
        return "";
    }
    for (const LineRun &run : numbers.runs) {
        if (run.count != 3 || run.blockStart) {
            return "";
        }
    }
    const std::string problem = xyzProblem(numbers, &line, &rows);
    if (problem.empty()) {
        return "";
    }
    return displayName(name) + ": read as a matrix of 3 columns; as x y z lines (--format xyz) it is no grid: line " +
           std::to_string(line) + ": " + problem;
}

// The middle of the range of values[k * stride], k < count.
static double middle(const double *values, long count, long stride)
{
    double low = values[0], high = values[0];
    for (long k = 1; k < count; ++k) {
        low = std::min(low, values[k * stride]);
        high = std::max(high, values[k * stride]);
    }
    return low / 2 + high / 2;  // cannot overflow
}

// "centred: x - 500000, y - 4100000", leaving out an offset of 0.
static std::string centring(const double offset[2])
{
    std::string text;
    for (int k = 0; k < 2; ++k) {
        if (offset[k] != 0) {
            text += (text.empty() ? "centred: " : ", ") + std::string(axisNames[k]) +
                    (offset[k] > 0 ? " - " : " + ") + formatPlainNumber(std::fabs(offset[k]));
        }
    }
    return text;
}

Samples xyzSamples(TextNumbers &&numbers, const std::string &name)
{
    if (numbers.runs.empty()) {
        throw Failure(displayName(name) + ": no numbers in the input");
    }
    long line = 0;
    XyzRows rows;
    const std::string problem = xyzProblem(numbers, &line, &rows);
    if (!problem.empty()) {
        throw Failure(displayName(name) + ":" + std::to_string(line) + ": " + problem + " (XYZ grid)");
    }
    const long points = long(numbers.values.size() / 3), n = rows.perRow, lines = points / n;
    const int along = rows.along, across = 1 - along;
    // The first row gives the values along every row; the first point of
    // each row the value across.
    const double *v = numbers.values.data();
    std::vector<double> alongValues(static_cast<size_t>(n)), acrossValues(static_cast<size_t>(lines));
    double offset[2];
    offset[along] = middle(v + along, n, 3);
    offset[across] = middle(v + across, lines, 3 * n);
    for (long c = 0; c < n; ++c) {
        alongValues[static_cast<size_t>(c)] = v[3 * c + along] - offset[along];
    }
    for (long r = 0; r < lines; ++r) {
        acrossValues[static_cast<size_t>(r)] = v[3 * r * n + across] - offset[across];
    }
    Samples s;
    s.xyz = true;
    s.grid.rows = n;
    s.grid.cols = lines;
    s.grid.z.resize(static_cast<size_t>(points));
    for (long k = 0; k < points; ++k) {
        s.grid.z[static_cast<size_t>(k)] = v[3 * k + 2];
    }
    numbers.values = Values();  // before x and y take their place
    Values &alongPlane = s.plane(along), &acrossPlane = s.plane(across);
    alongPlane.resize(static_cast<size_t>(points));
    acrossPlane.resize(static_cast<size_t>(points));
    for (long r = 0; r < lines; ++r) {
        for (long c = 0; c < n; ++c) {
            alongPlane[static_cast<size_t>(c + r * n)] = alongValues[static_cast<size_t>(c)];
            acrossPlane[static_cast<size_t>(c + r * n)] = acrossValues[static_cast<size_t>(r)];
        }
    }
    s.place = centring(offset);
    return s;
}
