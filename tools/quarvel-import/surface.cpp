// Where each sample goes, and the mesh text.  See surface.h for the rules.
#include "surface.h"

#include "common/fail.h"
#include "common/mesh_text.h"

#include <algorithm>
#include <climits>
#include <cmath>

// With no units known, the longer horizontal side is this many times the
// relief: a 16-bit elevation image then looks like terrain.
static const double sideOverRelief = 5;

[[noreturn]] static void failOn(const std::string &name, const std::string &message)
{
    fail(toolName, displayName(name) + ": " + message);
}

static void checkSize(const Samples &s, const std::string &name)
{
    if (s.lines < 2 || s.perLine < 2) {
        failOn(name, std::to_string(s.lines) + " line(s) of " + std::to_string(s.perLine) +
                         " sample(s)" + (s.step > 1 ? " after --every or --max" : "") +
                         ": a surface needs at least 2 x 2");
    }
    if (s.lines > INT_MAX || s.perLine > INT_MAX) {
        failOn(name, std::to_string(s.lines) + " x " + std::to_string(s.perLine) +
                         " samples: more than quarvel's grid sizes hold (2147483647 each way)");
    }
}

// Twice the signed x-y area of all cells, with mesh rows along the source's
// lines: negative means the surface would face down.
static double signedArea(const Samples &s)
{
    double area = 0;
    for (long r = 0; r + 1 < s.lines; ++r) {
        for (long c = 0; c + 1 < s.perLine; ++c) {
            double ex = s.at(r + 1, c + 1, 0) - s.at(r, c, 0), ey = s.at(r + 1, c + 1, 1) - s.at(r, c, 1);
            double fx = s.at(r + 1, c, 0) - s.at(r, c + 1, 0), fy = s.at(r + 1, c, 1) - s.at(r, c + 1, 1);
            area += ex * fy - ey * fx;
        }
    }
    return area;
}

static void heightRange(const Samples &s, double *low, double *high)
{
    *low = HUGE_VAL;
    *high = -HUGE_VAL;
    for (size_t k = s.stride - 1; k < s.values.size(); k += s.stride) {
        *low = std::min(*low, s.values[k]);
        *high = std::max(*high, s.values[k]);
    }
}

static void placeHeights(const Samples &s, const ConvertOptions &o, Layout &l, const std::string &name)
{
    l.rows = s.perLine;
    l.cols = s.lines;
    std::string how;
    if (o.spacingGiven) {
        l.dx = o.dx * s.step;
        l.dy = o.dy * s.step;
        how = " (--spacing)";
    } else if (s.spacingKnown) {
        l.dx = s.dx * s.step;
        l.dy = s.dy * s.step;
        how = " metres (from the GeoTIFF tags)";
    } else {
        double low, high;
        heightRange(s, &low, &high);
        double relief = high - low;
        if (!std::isfinite(relief)) {
            failOn(name, "the heights span more than a double holds");
        }
        double longer = static_cast<double>(std::max(s.lines, s.perLine) - 1);
        l.dx = l.dy = relief > 0 ? relief / longer * sideOverRelief : 1;
        how = ": no units known, so the longer side is 5 times the relief (--spacing overrides)";
    }
    if (!std::isfinite(l.dx * (s.perLine - 1)) || !std::isfinite(l.dy * (s.lines - 1)) ||
        !(l.dx > 0 && l.dy > 0)) {
        failOn(name, "the spacing times the grid size is out of the range of a double");
    }
    l.note = "x y spacing " + formatNumber(l.dx) + " " + formatNumber(l.dy) + how;
}

Layout layOut(const Samples &s, const ConvertOptions &o, const std::string &name)
{
    checkSize(s, name);
    Layout l;
    if (s.stride == 1) {
        placeHeights(s, o, l, name);
    } else {
        if (o.spacingGiven) {
            failOn(name, "--spacing is for height matrices and images; x y z data keeps its own "
                         "coordinates");
        }
        l.transposed = signedArea(s) < 0;
        l.rows = l.transposed ? s.lines : s.perLine;
        l.cols = l.transposed ? s.perLine : s.lines;
        l.note = l.transposed ? "x y z as given; rows and columns swapped so the top faces up"
                              : "x y z as given";
    }
    if (o.zFactor != 1) {
        double low, high;
        heightRange(s, &low, &high);
        if (!std::isfinite(low * o.zFactor) || !std::isfinite(high * o.zFactor)) {
            failOn(name, "the heights times --z-factor are out of the range of a double");
        }
        l.note += "; heights times " + formatNumber(o.zFactor);
    }
    return l;
}

void writeSurface(FILE *stream, const Samples &s, const Layout &l, const ConvertOptions &o,
                  const std::string &comment)
{
    MeshText text = beginMesh(stream, comment + "\n" + l.note, l.rows, l.cols);
    const double zf = o.zFactor;
    if (s.stride == 1) {
        for (long j = 0; j < s.lines; ++j) {
            const long r = s.topLineNorth ? s.lines - 1 - j : j;
            const double y = static_cast<double>(j) * l.dy;
            for (long i = 0; i < s.perLine; ++i) {
                addPoint(text, static_cast<double>(i) * l.dx, y, s.at(r, i) * zf);
            }
        }
    } else if (!l.transposed) {
        for (long r = 0; r < s.lines; ++r) {
            for (long c = 0; c < s.perLine; ++c) {
                addPoint(text, s.at(r, c, 0), s.at(r, c, 1), s.at(r, c, 2) * zf);
            }
        }
    } else {
        for (long c = 0; c < s.perLine; ++c) {
            for (long r = 0; r < s.lines; ++r) {
                addPoint(text, s.at(r, c, 0), s.at(r, c, 1), s.at(r, c, 2) * zf);
            }
        }
    }
    endMesh(text);
}
