// Where each sample goes.  See surface.h for the rules.
#include "surface.h"

#include "base/failure.h"
#include "common/mesh_text.h"
#include "coordinates.h"
#include "view_notes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

// With no units known, the longer horizontal side is this many times the
// relief: a 16-bit elevation image then looks like terrain.
static const double sideOverRelief = 5;

[[noreturn]] static void failOn(const std::string &name, const std::string &message)
{
    throw Failure(displayName(name) + ": " + message);
}

static void checkSize(const Samples &s, const std::string &name)
{
    if (s.lines() < 2 || s.perLine() < 2) {
        failOn(name, std::to_string(s.lines()) + " line(s) of " + std::to_string(s.perLine()) +
                         " sample(s)" + (s.step > 1 ? " after --every or --max" : "") +
                         ": a surface needs at least 2 x 2");
    }
    if (s.lines() > INT_MAX || s.perLine() > INT_MAX) {
        failOn(name, std::to_string(s.lines()) + " x " + std::to_string(s.perLine()) +
                         " samples: more than quarvel's grid sizes hold (2147483647 each way)");
    }
}

// Twice the signed x-y area of all cells, with mesh rows along the source's
// lines: negative means the surface would face down.
static double signedArea(const Samples &s)
{
    double area = 0;
    for (long r = 0; r + 1 < s.lines(); ++r) {
        for (long c = 0; c + 1 < s.perLine(); ++c) {
            double ex = s.at(r + 1, c + 1, 0) - s.at(r, c, 0), ey = s.at(r + 1, c + 1, 1) - s.at(r, c, 1);
            double fx = s.at(r + 1, c, 0) - s.at(r, c + 1, 0), fy = s.at(r + 1, c, 1) - s.at(r, c + 1, 1);
            area += ex * fy - ey * fx;
        }
    }
    return area;
}

static void heightRange(const Samples &s, double *low, double *high)
{
    if (s.rangeKnown) {
        *low = s.lowest;
        *high = s.highest;
        return;
    }
    // In four lanes: one running minimum would wait on itself at every
    // sample.  A NaN leaves a lane as it was.
    double l0 = HUGE_VAL, l1 = HUGE_VAL, l2 = HUGE_VAL, l3 = HUGE_VAL;
    double h0 = -HUGE_VAL, h1 = -HUGE_VAL, h2 = -HUGE_VAL, h3 = -HUGE_VAL;
    const Values &z = s.grid.z;
    size_t k = 0;
    for (; k + 4 <= z.size(); k += 4) {
        l0 = std::min(l0, z[k]), l1 = std::min(l1, z[k + 1]), l2 = std::min(l2, z[k + 2]), l3 = std::min(l3, z[k + 3]);
        h0 = std::max(h0, z[k]), h1 = std::max(h1, z[k + 1]), h2 = std::max(h2, z[k + 2]), h3 = std::max(h3, z[k + 3]);
    }
    for (; k < z.size(); ++k) {
        l0 = std::min(l0, z[k]), h0 = std::max(h0, z[k]);
    }
    *low = std::min(std::min(l0, l1), std::min(l2, l3));
    *high = std::max(std::max(h0, h1), std::max(h2, h3));
}

// The spacing of a height grid, and what the comment says about it.
struct Spacing {
    double dx = 1, dy = 1;
    std::string note;
};

static Spacing heightSpacing(Samples &s, const ConvertOptions &o, const std::string &name)
{
    Spacing l;
    std::string how;
    if (o.lonlat) {
        how = degreeSpacing(s, o, name, &l.dx, &l.dy);
        if (s.hasMiddleY) {  // the file places its samples in degrees
            s.xTitle = "longitude (°)";
            s.yTitle = "latitude (°)";
        }
        l.dx *= double(s.step);
        l.dy *= double(s.step);
    } else if (o.spacingGiven) {
        l.dx = o.dx * double(s.step);
        l.dy = o.dy * double(s.step);
        how = " (--spacing)";
    } else if (s.spacingKnown) {
        l.dx = s.dx * double(s.step);
        l.dy = s.dy * double(s.step);
        how = !s.spacingFrom.empty() ? " " + s.spacingFrom
              : s.spacingInMetres   ? " metres (from the GeoTIFF tags)"
                                    : " (from the file)";
    } else {
        double low, high;
        heightRange(s, &low, &high);
        double relief = high - low;
        if (!std::isfinite(relief)) {
            failOn(name, "the heights span more than a double holds");
        }
        double longer = static_cast<double>(std::max(s.lines(), s.perLine()) - 1);
        l.dx = l.dy = relief > 0 ? relief / longer * sideOverRelief : 1;
        how = ": no units known, so the longer side is 5 times the relief (--spacing overrides)";
    }
    if (!std::isfinite(l.dx * double(s.perLine() - 1)) || !std::isfinite(l.dy * double(s.lines() - 1)) ||
        !(l.dx > 0 && l.dy > 0)) {
        failOn(name, "the spacing times the grid size is out of the range of a double");
    }
    l.note = "x y spacing " + formatNumber(l.dx) + " " + formatNumber(l.dy) + how;
    return l;
}

// The viewer scales the x-y extent to its view but does not move the
// surface: heights far from 0 compared with the sides leave the start
// view.  Said once, as a hint; the heights stay exact.
static void warnIfAboveView(const Samples &s, const Spacing &l, const ConvertOptions &o, double zBase,
                            double low, double high, const std::string &name,
                            std::vector<std::string> &notes)
{
    double halfSide = std::max(l.dx * double(s.perLine() - 1), l.dy * double(s.lines() - 1)) / 2;
    double farthest = std::max(std::fabs((low - zBase) * o.zFactor), std::fabs((high - zBase) * o.zFactor));
    if (farthest > 1.5 * halfSide) {
        char text[256];
        std::snprintf(text, sizeof text,
                      ": heights as written reach %.6g, far from 0 for sides of %.6g: the surface "
                      "starts outside the view%s",
                      farthest, 2 * halfSide, o.zeroBase ? "" : "; --zero-base puts the lowest point at 0");
        notes.push_back(displayName(name) + text);
    }
}

// Heights: x of each row and y of each column, centred on the origin
// where the viewer's view is; a picture's top line goes north.
static void placeHeights(Samples &s, const Spacing &l)
{
    Grid &g = s.grid;
    const double middleX = double(g.rows - 1) / 2.0, middleY = double(g.cols - 1) / 2.0;
    g.x.resize(static_cast<size_t>(g.rows));
    for (long i = 0; i < g.rows; ++i) {
        g.x[static_cast<size_t>(i)] = (double(i) - middleX) * l.dx;
    }
    g.y.resize(static_cast<size_t>(g.cols));
    for (long j = 0; j < g.cols; ++j) {
        g.y[static_cast<size_t>(j)] = (double(j) - middleY) * l.dy;
    }
    g.xSpread = Spread::perRow;
    g.ySpread = Spread::perColumn;
    // Labels: where the source puts its samples before thinning out (their
    // indices unless the file places them), line 0 at the north edge when
    // the top line goes north.
    const double step = double(s.step), lineStep = s.topLineNorth ? -step : step;
    g.xTrue = {s.xAt0 + s.xPerSample * (s.firstKept + step * middleX), s.xPerSample * step / l.dx, s.xTitle};
    g.yTrue = {s.yAt0 + s.yPerLine * (s.firstKept + step * middleY), s.yPerLine * lineStep / l.dy, s.yTitle};
    for (long j = 0; s.topLineNorth && j < g.cols / 2; ++j) {
        std::swap_ranges(g.z.begin() + j * g.rows, g.z.begin() + (j + 1) * g.rows,
                         g.z.begin() + (g.cols - 1 - j) * g.rows);
    }
}

// Mesh row i of a swapped grid is line i of the source.
static void transpose(Grid &g)
{
    for (Values *values : {&g.x, &g.y, &g.z}) {
        Values swapped(values->size());
        for (long c = 0; c < g.rows; ++c) {
            for (long r = 0; r < g.cols; ++r) {
                swapped[static_cast<size_t>(r + c * g.cols)] = (*values)[static_cast<size_t>(c + r * g.rows)];
            }
        }
        *values = std::move(swapped);
    }
    std::swap(g.rows, g.cols);
}

// --origin: where line 0 of a height grid goes, and what the comment says.
static std::string setOrigin(Samples &s, const ConvertOptions &o, const std::string &name)
{
    if (o.origin == ConvertOptions::Origin::Unsaid) {
        return "";
    }
    if (s.xyz) {
        failOn(name, "--origin is for height grids; x y z data places each row by its coordinates");
    }
    s.topLineNorth = o.origin == ConvertOptions::Origin::Upper;
    return s.topLineNorth ? "; row 0 north (--origin upper)" : "; row 0 south (--origin lower)";
}

Grid layOut(Samples &&s, const ConvertOptions &o, const std::string &name, std::vector<std::string> &notes)
{
    checkSize(s, name);
    const std::string origin = setOrigin(s, o, name);
    Spacing l;
    Extent source{};
    bool transposed = false;
    if (!s.xyz) {
        l = heightSpacing(s, o, name);
    } else {
        if (o.spacingGiven) {
            failOn(name, "--spacing is for height matrices and images; x y z data keeps its own "
                         "coordinates");
        }
        source = xyExtent(s, name);
        const std::string moved = o.lonlat   ? lonLatToMetres(s, source, o, name)
                                  : o.center ? centreOnOrigin(s, source)
                                             : "";
        transposed = signedArea(s) < 0;
        l.note = (transposed ? "x y z as given; rows and columns swapped so the top faces up"
                             : "x y z as given") + moved;
    }
    l.note += origin;
    double low, high, zBase = 0;  // 0 unless --zero-base: heights stay exact
    heightRange(s, &low, &high);
    if (o.zeroBase) {
        zBase = low;
        l.note += "; heights less the lowest, " + formatNumber(low);
    }
    if (!std::isfinite((low - zBase) * o.zFactor) || !std::isfinite((high - zBase) * o.zFactor)) {
        failOn(name, "the heights times --z-factor are out of the range of a double");
    }
    if (o.zFactor != 1) {
        l.note += "; heights times " + formatNumber(o.zFactor);
    }
    if (!s.xyz) {
        if (o.viewerNotes) {
            warnIfAboveView(s, l, o, zBase, low, high, name, notes);
        }
        placeHeights(s, l);
    } else if (transposed) {
        transpose(s.grid);
    }
    const double zf = o.zFactor;
    if (zBase != 0 || zf != 1) {
        for (double &z : s.grid.z) {
            z = (z - zBase) * zf;
        }
    }
    s.grid.zTrue = {zBase * zf, 1, ""};
    if (o.viewerNotes) {
        viewNotes(s.grid, s.xyz ? &source : nullptr, o, name, notes);
    }
    s.grid.comment = l.note;
    return std::move(s.grid);
}
