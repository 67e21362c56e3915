// An elevation image as its readers give it: one height per pixel, the top
// row of the picture first, each row left to right.  quarvel-import turns
// it into a surface with the top of the picture (north) towards +y and the
// right towards +x.
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"

struct Raster {
    long width = 0, height = 0;
    // width * height, row after row, top row first.  Floating samples that
    // are NaN or infinite are kept as they are: quarvel-import treats them
    // as no-data.
    Values samples;

    // Set by readers of integer images, which find the range as they
    // decode: every sample is a real height, from lowest to highest.
    bool rangeKnown = false;
    double lowest = 0, highest = 0;

    // A sample value that means "no data" (GeoTIFF's GDAL_NODATA tag).
    bool hasNoData = false;
    double noData = 0;

    // Pixel spacing on the ground, where the file says (GeoTIFF's
    // ModelPixelScale and its units).  Otherwise spacingKnown is false.
    bool spacingKnown = false;
    double dx = 1, dy = 1;
    bool degrees = false;   // dx, dy in degrees of longitude and latitude
    double latitude = 0;    // of the image's centre, when degrees is set

    // Where the file places the pixels (a GeoTIFF's tie point and pixel
    // size): the map coordinates of the centre of the top-left pixel and
    // the step to the next pixel right (x) and down (y, negative when the
    // rows run south), in degrees or in the projection's unit.
    bool placed = false;
    double x0 = 0, y0 = 0, xStep = 1, yStep = -1;
    std::string unit;  // "m", "ft", ... for a projected map, "" for degrees

    // Something the file says that was not used, for a note to the user.
    std::string note;
};

// Each reader takes the whole file in memory (standard input included) and
// throws a Failure of one line naming the file and the byte or sample at
// fault.  name is the file name for messages ("-" is shown as "standard
// input").
Raster readPng(const std::vector<unsigned char> &bytes, const std::string &name);
// readPng's two ways, which must give the same samples: the usual grey
// PNG decoded whole (false, having changed nothing, for any other, which
// is left to libpng), and libpng's reading of any PNG.
bool readPngWhole(const std::vector<unsigned char> &bytes, const std::string &name, Raster &r);
Raster readPngThroughLibpng(const std::vector<unsigned char> &bytes, const std::string &name);
Raster readPgm(const std::vector<unsigned char> &bytes, const std::string &name);
Raster readTiff(const std::vector<unsigned char> &bytes, const std::string &name);
