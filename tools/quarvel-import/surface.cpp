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
        l.dx = o.dx * double(s.step);
        l.dy = o.dy * double(s.step);
        how = " (--spacing)";
    } else if (s.spacingKnown) {
        l.dx = s.dx * double(s.step);
        l.dy = s.dy * double(s.step);
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
    if (!std::isfinite(l.dx * double(s.perLine - 1)) || !std::isfinite(l.dy * double(s.lines - 1)) ||
        !(l.dx > 0 && l.dy > 0)) {
        failOn(name, "the spacing times the grid size is out of the range of a double");
    }
    l.note = "x y spacing " + formatNumber(l.dx) + " " + formatNumber(l.dy) + how;
}

// The viewer scales the x-y extent to its view but does not move the
// surface: heights far from 0 compared with the sides leave the start
// view.  Said once, as a hint; the heights stay exact.
static void warnIfAboveView(const Samples &s, const Layout &l, const ConvertOptions &o, double low,
                            double high, const std::string &name)
{
    double halfSide = std::max(l.dx * double(s.perLine - 1), l.dy * double(s.lines - 1)) / 2;
    double farthest = std::max(std::fabs((low - l.zBase) * o.zFactor), std::fabs((high - l.zBase) * o.zFactor));
    if (farthest > 1.5 * halfSide) {
        std::fprintf(stderr, "%s: note: %s: heights as written reach %.6g, far from 0 for sides of "
                             "%.6g: the surface starts outside the view%s\n",
                     toolName, displayName(name).c_str(), farthest, 2 * halfSide,
                     o.zeroBase ? "" : "; --zero-base puts the lowest point at 0");
    }
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
    double low, high;
    heightRange(s, &low, &high);
    if (o.zeroBase) {
        l.zBase = low;
        l.note += "; heights less the lowest, " + formatNumber(low);
    }
    if (!std::isfinite((low - l.zBase) * o.zFactor) || !std::isfinite((high - l.zBase) * o.zFactor)) {
        failOn(name, "the heights times --z-factor are out of the range of a double");
    }
    if (o.zFactor != 1) {
        l.note += "; heights times " + formatNumber(o.zFactor);
    }
    if (s.stride == 1) {
        warnIfAboveView(s, l, o, low, high, name);
    }
    return l;
}

void writeSurface(FILE *stream, const Samples &s, const Layout &l, const ConvertOptions &o,
                  const std::string &comment)
{
    MeshText text = beginMesh(stream, comment + "\n" + l.note, l.rows, l.cols);
    const double zf = o.zFactor;
    const double base = l.zBase;  // 0 unless --zero-base: heights stay exact
    if (s.stride == 1) {
        // Centred on the origin, where the viewer's view is.
        const double middleX = double(s.perLine - 1) / 2.0, middleY = double(s.lines - 1) / 2.0;
        for (long j = 0; j < s.lines; ++j) {
            const long r = s.topLineNorth ? s.lines - 1 - j : j;
            const double y = (double(j) - middleY) * l.dy;
            for (long i = 0; i < s.perLine; ++i) {
                addPoint(text, (double(i) - middleX) * l.dx, y, (s.at(r, i) - base) * zf);
            }
        }
    } else if (!l.transposed) {
        for (long r = 0; r < s.lines; ++r) {
            for (long c = 0; c < s.perLine; ++c) {
                addPoint(text, s.at(r, c, 0), s.at(r, c, 1), (s.at(r, c, 2) - base) * zf);
            }
        }
    } else {
        for (long c = 0; c < s.perLine; ++c) {
            for (long r = 0; r < s.lines; ++r) {
                addPoint(text, s.at(r, c, 0), s.at(r, c, 1), (s.at(r, c, 2) - base) * zf);
            }
        }
    }
    endMesh(text);
}
