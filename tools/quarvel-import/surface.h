// From checked samples to the grid in memory: no-data, thinning out, and
// where each sample goes (orientation and spacing).
//
// Heights only: the sample at line r, position c goes to x = c * dx and
// y = r * dy (a matrix: x along a line, y down the lines, line 0 south as
// in gnuplot) or, for a picture or an ESRI grid, y = (lines - 1 - r) * dy
// (the top row north, as raster tools write a DEM); --origin says which.
// The whole grid is then moved so its middle is at x = y = 0.  Mesh rows
// run along x and mesh columns along y, so the surface faces up: x has one
// value per row, y one per column.
// x y z data: the points as given (--lonlat: degrees as metres, --center:
// moved to the origin); if their order would make the surface face down,
// mesh rows and columns are swapped (a transpose, no mirror).
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"
#include "samples.h"

struct ConvertOptions {
    long every = 1;  // keep every Nth sample each way
    long max = 0;    // average square blocks so neither side exceeds this; 0: off
    double zFactor = 1;
    bool zeroBase = false;  // heights less the lowest one
    bool spacingGiven = false;  // --spacing DX[,DY]
    double dx = 1, dy = 1;
    enum class NoData { Min, Error, Value } noData = NoData::Min;
    double noDataValue = 0;
    bool noDataGiven = false;  // --nodata said what no-data becomes
    bool markerGiven = false;  // --nodata-marker: the height that means no data
    double marker = 0;
    enum class Origin { Unsaid, Lower, Upper } origin = Origin::Unsaid;  // where line 0 goes
    bool lonlat = false;         // x and y in degrees of longitude and latitude
    bool latitudeGiven = false;  // --lonlat=LAT: of a height grid's middle
    double latitude = 0;
    bool center = false;  // x y z data moved to x = y = 0
    // For a figure: no-data heights stay NaN (holes) unless --nodata is
    // given.
    bool forFigure = false;
    // Hints about how the viewer will show the surface (grid lines, heights
    // above the view), for output the viewer will read.
    bool viewerNotes = true;
};

// Replaces no-data heights (NaN, infinities and the marker) as the options
// say, or throws a Failure naming the first one; the count goes to notes.
void fillNoData(Samples &samples, const ConvertOptions &options, const std::string &name,
                std::vector<std::string> &notes);

// --every and --max.
Samples reduceSamples(Samples &&samples, const ConvertOptions &options);

// Checks the samples (at least 2 x 2, within the viewer's 32-bit sizes,
// every coordinate finite) and places them: the grid as written, with
// --zero-base and --z-factor applied and a comment line saying how the
// points were placed.  A hint for the user goes to notes.  Throws Failure.
Grid layOut(Samples &&samples, const ConvertOptions &options, const std::string &name,
            std::vector<std::string> &notes);
