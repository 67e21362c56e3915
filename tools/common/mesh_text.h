// Writes quarvel's mesh text: comment lines, the "ROWS * COLS" header, then
// one "x y z" line per point, column by column with the row index varying
// fastest.  Numbers are written in the shortest form that reads back to
// the same double, so the viewer gets exactly the values given here.
//
//   MeshText text = beginMesh(out.stream, "made by ...", rows, cols);
//   for (j ...) for (i ...) addPoint(text, x, y, z);
//   endMesh(text);          // then commitOutput() checks the writes
#pragma once

#include <cstdio>
#include <string>

struct MeshText {
    FILE *stream = nullptr;
    std::string buffer;  // filled to about 1 MiB before each fwrite
};

// comment may hold several lines; each is written behind "# ".
MeshText beginMesh(FILE *stream, const std::string &comment, long rows, long cols);
void addPoint(MeshText &text, double x, double y, double z);
void endMesh(MeshText &text);

// The shortest text that reads back to value ("nan" and "inf" included,
// though callers refuse those before writing).
std::string formatNumber(double value);
// The same without an exponent from 1e-4 up to 1e15, as map coordinates
// are written: 500000, not 5e+05.
std::string formatPlainNumber(double value);
