// The data every reader of quarvel-import hands on: a rectangle of samples
// in the source's own order, heights only or x y z, checked; heights may be
// no-data (NaN, infinite, or the marker), replaced later.
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"
#include "text_numbers.h"

// Text: where each height was in the file, so that a message can name its
// line.  Height (line r, sample c) is value first + r * lineSpan + c * stride
// of the text whose line runs these are.
struct TextPlaces {
    std::vector<LineRun> runs;  // empty: not text
    long dropped = 0;           // columns dropped from the front of each line
    long first = 0, lineSpan = 0, stride = 1;
};

struct Samples {
    // The source's lines (rows of a matrix or an image, scans of grid
    // data) are the grid's columns, the samples of a line its rows: sample
    // c of line r is value c + r * grid.rows of z, and of x and y for x y z
    // data.  Heights only have no x and y until they are placed
    // (surface.h), on a regular grid (matrices, 2-D arrays, images); x y z
    // data is written as given.
    Grid grid;
    bool xyz = false;

    // Heights only: line 0 is the top (north) of a picture rather than the
    // y = 0 line of a matrix.
    bool topLineNorth = false;
    // Heights only: the distance between samples, when the file says; in
    // metres on the ground (a GeoTIFF's) or in units it does not name (an
    // ESRI grid's cell size: degrees under --lonlat).
    bool spacingKnown = false, spacingInMetres = false;
    double dx = 1, dy = 1;
    std::string spacingFrom;  // what says it, for the comment: "(ESRI cellsize)"
    // Heights only: the y of the grid's middle in the file's units, where
    // the file places the grid (an ESRI grid's corner): the latitude for
    // --lonlat.
    bool hasMiddleY = false;
    double middleY = 0;
    // Heights only: the true x of sample c of a line and the true y of line
    // r, for labels: xAt0 + c * xPerSample and yAt0 + r * yPerLine (indices
    // unless the file places its samples, as a GeoTIFF or ESRI grid does),
    // with the axes' titles when not x and y.
    double xAt0 = 0, xPerSample = 1, yAt0 = 0, yPerLine = 1;
    std::string xTitle, yTitle;
    // Source samples from one kept sample to the next, after --every or
    // --max: spacings given for the source grow by this factor.
    long step = 1;
    // The source index of kept sample 0: a block's middle after --max.
    double firstKept = 0;
    // A height that means "no data" (non-finite heights are no-data too):
    // from the file, or --nodata-marker.
    bool hasNoData = false;
    double noData = 0;
    // The heights' range once no-data is filled (NaN holes aside), found
    // on the way by fillNoData; unknown again once the samples change.
    bool rangeKnown = false;
    double lowest = 0, highest = 0;
    // Every height is real and lowest and highest are already set (an
    // integer image's, from its reader): fillNoData need not look again.
    bool allReal = false;
    TextPlaces text;
    // Where the file puts the samples, when the grid written does not keep
    // it (a line of the output's comment): "ESRI grid, lower-left ...".
    std::string place;

    long lines() const { return grid.cols; }
    long perLine() const { return grid.rows; }
    // Sizes the grid for lines of perLine samples, each value uninitialised.
    void resize(long lines, long perLine);
    // Coordinate 0, 1 or 2: x, y or z (the height).
    Values &plane(int coordinate) { return coordinate == 0 ? grid.x : coordinate == 1 ? grid.y : grid.z; }
    double &at(long line, long sample, int coordinate = 2)
    {
        return plane(coordinate)[static_cast<size_t>(sample + line * grid.rows)];
    }
    double at(long line, long sample, int coordinate = 2) const
    {
        const Values &values = coordinate == 0 ? grid.x : coordinate == 1 ? grid.y : grid.z;
        return values[static_cast<size_t>(sample + line * grid.rows)];
    }
};

// The name of the input in messages, on one line: "-" is standard input.
std::string displayName(const std::string &path);
