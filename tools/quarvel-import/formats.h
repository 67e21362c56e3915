// The input formats of quarvel-import, how each is recognised, and the
// readers that turn each into Samples.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "raster.h"
#include "samples.h"
#include "text_numbers.h"

enum class Format { Text, Matrix, Nonuniform, Grid, Npy, Png, Pgm, Tiff, Esri, Xyz };

// "matrix", "nonuniform", ...; formatNamed returns false for an unknown name.
const char *formatName(Format format);
bool formatNamed(const std::string &name, Format *format);

// From the first bytes of the file (magic numbers), then the file name's
// extension; Format::Text when neither says more than "some text", which
// textLayout then settles from the numbers.
Format detectFormat(const std::string &path, const std::string &head);
Format textLayout(const TextNumbers &numbers);

// Text layouts.  Each throws a Failure when the numbers do not have its
// shape.
Samples matrixSamples(TextNumbers &&numbers, const std::string &name);
Samples nonuniformSamples(TextNumbers &&numbers, const std::string &name);
Samples gridSamples(TextNumbers &&numbers, const std::string &name);
// An empty string when the numbers have the nonuniform matrix layout, else
// what is wrong with them for it, at *line.
std::string nonuniformProblem(const TextNumbers &numbers, long *line);

// GDAL's XYZ grids (xyz.cpp): one block of x y z lines, row after row.
// isXyzGrid is the test for text of unsaid layout; xyzNearMiss, for text
// that looks like x y z lines but is no complete grid, is a note saying
// where the grid breaks, else "".
bool isXyzGrid(const TextNumbers &numbers);
std::string xyzNearMiss(const TextNumbers &numbers, const std::string &name);
Samples xyzSamples(TextNumbers &&numbers, const std::string &name);
// The file line holding values[index] of the numbers.
long lineOfValue(const TextNumbers &numbers, long index);

// ESRI ASCII grids (esri.cpp): whether the first bytes start with a header
// key, and the reader, which reads the rest of stream after them.
bool esriHeaderStart(const std::string &head);
Samples readEsri(FILE *stream, const std::string &head, const std::string &name);

// How a three-dimensional array holds x y z: (3, R, C) is xyz-first,
// (R, C, 3) xyz-last.  Unsaid, the shape tells, and a (3, n, 3) array,
// which could be either, is refused.
enum class ArrayLayout { Unsaid, XyzFirst, XyzLast };
bool arrayLayoutNamed(const std::string &name, ArrayLayout *layout);

// NumPy's .npy file, whole in memory.
Samples readNpy(const std::vector<unsigned char> &bytes, const std::string &name,
                ArrayLayout layout = ArrayLayout::Unsaid);

// An elevation image as a height matrix, top row north.
Samples rasterSamples(Raster &&raster);
