// Elevation images as height matrices: the top row is north (+y), and a
// GeoTIFF's pixel size in degrees becomes metres on the ground.
#include "formats.h"

#include "base/failure.h"
#include "lonlat.h"

#include <cmath>

Samples rasterSamples(Raster &&raster)
{
    if (raster.width < 0 || raster.height < 0 ||
        raster.samples.size() != static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height)) {
        throw Failure("internal error: an image reader gave " + std::to_string(raster.samples.size()) +
                      " samples for " + std::to_string(raster.width) + " x " +
                      std::to_string(raster.height) + " pixels");
    }
    Samples s;
    s.grid.rows = raster.width;
    s.grid.cols = raster.height;
    s.grid.z = std::move(raster.samples);
    s.topLineNorth = true;
    s.hasNoData = raster.hasNoData;
    s.noData = raster.noData;
    s.allReal = raster.rangeKnown;
    s.lowest = raster.lowest;
    s.highest = raster.highest;
    if (raster.spacingKnown) {
        s.spacingKnown = true;
        s.spacingFrom = "metres (from the GeoTIFF tags)";
        s.dx = std::fabs(raster.dx);
        s.dy = std::fabs(raster.dy);
        if (raster.degrees) {
            s.dx *= metresPerDegreeEast(raster.latitude);
            s.dy *= metresPerDegreeNorth;
        }
        if (!(s.dx > 0 && s.dy > 0 && std::isfinite(s.dx) && std::isfinite(s.dy))) {
            s.spacingKnown = false;  // a tag that says nothing usable
            s.dx = s.dy = 1;
        }
    }
    s.spacingInMetres = s.spacingKnown;
    if (raster.placed && s.spacingKnown) {
        s.xAt0 = raster.x0;
        s.xPerSample = raster.xStep;
        s.yAt0 = raster.y0;
        s.yPerLine = raster.yStep;
        s.xTitle = raster.degrees ? "longitude (°)" : "x (" + raster.unit + ")";
        s.yTitle = raster.degrees ? "latitude (°)" : "y (" + raster.unit + ")";
    }
    return s;
}
