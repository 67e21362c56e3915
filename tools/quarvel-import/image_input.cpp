// Elevation images as height matrices: the top row is north (+y), and a
// GeoTIFF's pixel size in degrees becomes metres on the ground.
#include "formats.h"

#include "base/failure.h"

#include <cmath>

// Metres per degree: of latitude (mean), and of longitude at the equator.
static const double metresPerDegreeLatitude = 110574;
static const double metresPerDegreeLongitude = 111320;

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
    if (raster.spacingKnown) {
        s.spacingKnown = true;
        s.spacingFrom = "metres (from the GeoTIFF tags)";
        s.dx = std::fabs(raster.dx);
        s.dy = std::fabs(raster.dy);
        if (raster.degrees) {
            s.dx *= metresPerDegreeLongitude * std::cos(raster.latitude * M_PI / 180);
            s.dy *= metresPerDegreeLatitude;
        }
        if (!(s.dx > 0 && s.dy > 0 && std::isfinite(s.dx) && std::isfinite(s.dy))) {
            s.spacingKnown = false;  // a tag that says nothing usable
            s.dx = s.dy = 1;
        }
    }
    return s;
}
