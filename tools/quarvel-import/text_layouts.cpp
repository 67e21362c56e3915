// The three layouts of text data: a plain height matrix, gnuplot's
// "nonuniform matrix" (x values on the first line, y first on every other
// line) and gnuplot grid data (x y z lines, scans separated by blank lines).
#include "formats.h"

#include "base/failure.h"
#include "common/mesh_text.h"

#include <cmath>

[[noreturn]] static void failAtLine(const std::string &name, long line, const std::string &message)
{
    throw Failure(displayName(name) + ":" + std::to_string(line) + ": " + message);
}

static void requireNumbers(const TextNumbers &numbers, const std::string &name)
{
    if (numbers.runs.empty()) {
        throw Failure(displayName(name) + ": no numbers in the input");
    }
}

// Where each height of s lies among the numbers' values.
static void keepPlaces(Samples &s, const TextNumbers &numbers, long first, long lineSpan, long stride)
{
    s.text = {numbers.runs, numbers.dropped, first, lineSpan, stride};
}

static long totalLines(const TextNumbers &numbers)
{
    long lines = 0;
    for (const LineRun &run : numbers.runs) {
        lines += run.lines;
    }
    return lines;
}

Samples matrixSamples(TextNumbers &&numbers, const std::string &name)
{
    requireNumbers(numbers, name);
    const LineRun &first = numbers.runs.front();
    for (const LineRun &run : numbers.runs) {
        if (run.count != first.count) {
            failAtLine(name, run.firstLine,
                       std::to_string(run.count) + " values, but line " +
                           std::to_string(first.firstLine) + " has " + std::to_string(first.count) +
                           " (every line of a matrix needs the same number)");
        }
    }
    Samples s;
    s.grid.rows = first.count;
    s.grid.cols = totalLines(numbers);
    s.grid.z = std::move(numbers.values);
    keepPlaces(s, numbers, 0, first.count, 1);
    return s;
}

// Strictly increasing or strictly decreasing: the index of the first value
// that breaks it, or -1.
template <class Value>
static long monotonicBreak(long count, Value value)
{
    if (count < 2) {
        return -1;
    }
    const bool up = value(1) > value(0);
    for (long k = 1; k < count; ++k) {
        if (up ? !(value(k) > value(k - 1)) : !(value(k) < value(k - 1))) {
            return k;
        }
    }
    return -1;
}

std::string nonuniformProblem(const TextNumbers &numbers, long *line)
{
    const LineRun &first = numbers.runs.front();
    const double *v = numbers.values.data();
    const long width = first.count;  // N + 1: the count and N x values
    *line = first.firstLine;
    if (width < 2) {
        return "the first line needs the number of x values and the x values";
    }
    if (v[0] != static_cast<double>(width - 1)) {
        return "the first value (" + formatNumber(v[0]) + ") must be the number of x values that " +
               "follow it (" + std::to_string(width - 1) + ")";
    }
    for (long i = 1; i < width; ++i) {
        if (!std::isfinite(v[i])) {
            return "x value " + std::to_string(i) + " (" + formatNumber(v[i]) + ") is not a finite number";
        }
    }
    long k = monotonicBreak(width - 1, [&](long i) { return v[1 + i]; });
    if (k >= 0) {
        return "x value " + std::to_string(k + 1) + " (" + formatNumber(v[1 + k]) +
               ") breaks the strictly increasing or decreasing x values";
    }
    long lines = 0;
    for (const LineRun &run : numbers.runs) {
        if (run.count != width) {
            *line = run.firstLine;
            return std::to_string(run.count) + " values, but the first line has " +
                   std::to_string(width) + " (y and " + std::to_string(width - 1) + " heights)";
        }
        lines += run.lines;
    }
    if (lines < 2) {
        return "x values but no lines of y and heights below them";
    }
    for (long i = 1; i < lines; ++i) {
        if (!std::isfinite(v[i * width])) {
            long column;
            placeOfValue(numbers.runs, numbers.dropped, i * width, line, &column);
            return "y value " + formatNumber(v[i * width]) + " is not a finite number";
        }
    }
    k = monotonicBreak(lines - 1, [&](long i) { return v[(i + 1) * width]; });
    if (k >= 0) {
        // The file line of data line k + 1.
        long index = k + 1;
        for (const LineRun &run : numbers.runs) {
            if (index < run.lines) {
                *line = run.firstLine + index;
                break;
            }
            index -= run.lines;
        }
        return "y value " + formatNumber(v[(k + 1) * width]) +
               " breaks the strictly increasing or decreasing y values of the lines above";
    }
    return "";
}

Samples nonuniformSamples(TextNumbers &&numbers, const std::string &name)
{
    requireNumbers(numbers, name);
    long line = 0;
    std::string problem = nonuniformProblem(numbers, &line);
    if (!problem.empty()) {
        failAtLine(name, line, problem + " (nonuniform matrix)");
    }
    const long width = numbers.runs.front().count;
    const double *v = numbers.values.data();
    Samples s;
    s.xyz = true;
    s.resize(static_cast<long>(numbers.values.size()) / width - 1, width - 1);
    for (long r = 0; r < s.lines(); ++r) {
        const double *row = v + (r + 1) * width;
        for (long c = 0; c < s.perLine(); ++c) {
            s.at(r, c, 0) = v[1 + c];
            s.at(r, c, 1) = row[0];
            s.at(r, c, 2) = row[1 + c];
        }
    }
    keepPlaces(s, numbers, width + 1, width, 1);
    return s;
}

static void checkScanLength(const std::vector<long> &scans, long line, const std::string &name)
{
    if (!scans.empty() && scans.back() != scans.front()) {
        failAtLine(name, line,
                   "scan " + std::to_string(scans.size()) + " starting here has " +
                       std::to_string(scans.back()) + " points, but the first has " +
                       std::to_string(scans.front()) + " (every scan needs the same number)");
    }
}

Samples gridSamples(TextNumbers &&numbers, const std::string &name)
{
    requireNumbers(numbers, name);
    std::vector<long> scans;  // points per scan
    long scanLine = 0;
    for (const LineRun &run : numbers.runs) {
        if (run.count != 3) {
            failAtLine(name, run.firstLine,
                       std::to_string(run.count) + " values; grid data has x y z, 3 per line");
        }
        if (scans.empty() || run.blockStart) {
            checkScanLength(scans, scanLine, name);
            scans.push_back(0);
            scanLine = run.firstLine;
        }
        scans.back() += run.lines;
    }
    checkScanLength(scans, scanLine, name);
    // x y z lines, scan after scan: point k of the file is sample k.
    Samples s;
    s.xyz = true;
    s.resize(static_cast<long>(scans.size()), scans.front());
    const Values values = std::move(numbers.values);
    for (size_t k = 0; k < s.grid.z.size(); ++k) {
        s.grid.x[k] = values[3 * k];
        s.grid.y[k] = values[3 * k + 1];
        s.grid.z[k] = values[3 * k + 2];
        if (!std::isfinite(s.grid.x[k]) || !std::isfinite(s.grid.y[k])) {
            long line, column;
            placeOfValue(numbers.runs, numbers.dropped, static_cast<long>(3 * k), &line, &column);
            failAtLine(name, line, "x and y must be finite numbers, not " + formatNumber(s.grid.x[k]) + " " +
                                       formatNumber(s.grid.y[k]) + " (only a height may be no-data)");
        }
    }
    keepPlaces(s, numbers, 2, 3 * s.perLine(), 3);
    return s;
}

Format textLayout(const TextNumbers &numbers)
{
    if (numbers.runs.empty()) {
        return Format::Matrix;
    }
    bool threes = true;
    long blocks = 0, firstScanLines = 0;
    for (const LineRun &run : numbers.runs) {
        threes = threes && run.count == 3;
        blocks += run.blockStart;
        firstScanLines += blocks == 0 ? run.lines : 0;
    }
    const LineRun &first = numbers.runs.front();
    // x y z lines in several blocks, the first of two lines or more: scans.
    if (threes && blocks > 0 && firstScanLines > 1) {
        return Format::Grid;
    }
    if (threes && blocks == 0 && isXyzGrid(numbers)) {
        return Format::Xyz;
    }
    long line = 0;
    if (first.count >= 3 && nonuniformProblem(numbers, &line).empty()) {
        return Format::Nonuniform;
    }
    return Format::Matrix;
}
