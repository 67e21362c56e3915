// Degrees as metres, and x y z data moved to the origin.  See coordinates.h.
#include "coordinates.h"

#include "base/failure.h"
#include "common/mesh_text.h"
#include "lonlat.h"

#include <algorithm>
#include <cmath>

[[noreturn]] static void failOn(const std::string &name, const std::string &message)
{
    throw Failure(displayName(name) + ": " + message);
}

Extent xyExtent(const Samples &s, const std::string &name)
{
    Extent e{HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL};
    for (size_t k = 0; k < s.grid.x.size(); ++k) {
        const double x = s.grid.x[k], y = s.grid.y[k];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            failOn(name, "point " + std::to_string(k + 1) + " has x " + formatNumber(x) + " and y " +
                             formatNumber(y) + ": x and y must be finite numbers (only a height may be no-data)");
        }
        e.xLow = std::min(e.xLow, x);
        e.xHigh = std::max(e.xHigh, x);
        e.yLow = std::min(e.yLow, y);
        e.yHigh = std::max(e.yHigh, y);
    }
    return e;
}

bool looksLikeDegrees(const Extent &e)
{
    return e.xLow >= -180 && e.xHigh <= 360 && e.yLow >= -90 && e.yHigh <= 90;
}

// Halves first: no overflow for any finite range.
static double middle(double low, double high) { return low / 2 + high / 2; }

static std::string range(double low, double high) { return formatNumber(low) + " to " + formatNumber(high); }

std::string lonLatToMetres(Samples &s, const Extent &e, const ConvertOptions &o, const std::string &name)
{
    if (o.latitudeGiven) {
        failOn(name, "--lonlat=LAT is for height grids; x y z data gives its own latitudes (use --lonlat)");
    }
    if (!looksLikeDegrees(e)) {
        failOn(name, "--lonlat: x runs " + range(e.xLow, e.xHigh) + " and y " + range(e.yLow, e.yHigh) +
                         ", not longitudes (-180 to 360) and latitudes (-90 to 90)");
    }
    const double lon = middle(e.xLow, e.xHigh), lat = middle(e.yLow, e.yHigh);
    const double east = metresPerDegreeEast(lat);
    for (double &x : s.grid.x) {
        x = (x - lon) * east;
    }
    for (double &y : s.grid.y) {
        y = (y - lat) * metresPerDegreeNorth;
    }
    s.grid.xTrue = {lon, 1 / east, "longitude (°)"};
    s.grid.yTrue = {lat, 1 / metresPerDegreeNorth, "latitude (°)"};
    return "; x y from degrees to metres about longitude " + formatNumber(lon) + ", latitude " +
           formatNumber(lat) + " (--lonlat)";
}

// "x - 5" or "x + 5".
static std::string less(const char *axis, double offset)
{
    return std::string(axis) + (offset < 0 ? " + " : " - ") + formatNumber(std::fabs(offset));
}

std::string centreOnOrigin(Samples &s, const Extent &e)
{
    const double cx = middle(e.xLow, e.xHigh), cy = middle(e.yLow, e.yHigh);
    for (double &x : s.grid.x) {
        x -= cx;
    }
    for (double &y : s.grid.y) {
        y -= cy;
    }
    s.grid.xTrue = {cx, 1, ""};
    s.grid.yTrue = {cy, 1, ""};
    return "; centred: " + less("x", cx) + ", " + less("y", cy);
}

std::string degreeSpacing(const Samples &s, const ConvertOptions &o, const std::string &name, double *dx,
                          double *dy)
{
    std::string from;
    if (o.spacingGiven) {
        *dx = o.dx;
        *dy = o.dy;
        from = "--spacing";
    } else if (s.spacingKnown && !s.spacingInMetres) {
        *dx = s.dx;
        *dy = s.dy;
        from = "the file's cell size";
    } else {
        failOn(name, s.spacingKnown
                         ? "--lonlat: the file gives its spacing in metres already"
                         : "--lonlat needs the cell size in degrees: give it with --spacing DX[,DY]");
    }
    double latitude = o.latitudeGiven ? o.latitude : s.middleY;
    if (!o.latitudeGiven && !s.hasMiddleY) {
        failOn(name, "--lonlat needs the latitude of the grid's middle, which the file does not give: "
                     "--lonlat=LAT");
    }
    if (!(latitude >= -90 && latitude <= 90)) {
        failOn(name, "--lonlat: the grid's middle lies at y " + formatNumber(latitude) +
                         ", not a latitude (-90 to 90)");
    }
    *dx *= metresPerDegreeEast(latitude);
    *dy *= metresPerDegreeNorth;
    return " metres (" + from + " in degrees at latitude " + formatNumber(latitude) + ", --lonlat)";
}
