// Coordinates in other units or far from the origin: --lonlat turns
// degrees of longitude and latitude into metres (x y z data, or the cell
// size of a height grid), --center moves x y z data to x = y = 0, where
// the viewer looks.
#pragma once

#include <string>

#include "samples.h"
#include "surface.h"

// The ranges of x and y of x y z samples.  Throws a Failure naming the
// first point whose x or y is not finite.
struct Extent {
    double xLow, xHigh, yLow, yHigh;
};
Extent xyExtent(const Samples &s, const std::string &name);

// x within -180..360 and y within -90..90.
bool looksLikeDegrees(const Extent &e);

// x y z data: x = (lon - lon_mid) * 111320 * cos(lat_mid), y = (lat -
// lat_mid) * 110574, the middles those of the ranges.  Returns what the
// comment says of it.
std::string lonLatToMetres(Samples &s, const Extent &e, const ConvertOptions &o, const std::string &name);

// x y z data less the middle of each range: "; centred: x - 500000, ...".
std::string centreOnOrigin(Samples &s, const Extent &e);

// A height grid under --lonlat: the spacing in metres, from the cell size
// in degrees (--spacing, else the file's) at the latitude of its middle
// (--lonlat=LAT, else where the file places it).  Returns what the comment
// says of it.
std::string degreeSpacing(const Samples &s, const ConvertOptions &o, const std::string &name, double *dx,
                          double *dy);
