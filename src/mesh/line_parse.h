// Parsing of the two kinds of significant lines of a mesh data file.
// Both work on one NUL-terminated line piece and read nothing else.
#pragma once

#include "mesh/mesh.h"

// The header line: optional blanks, an integer, optional blanks, '*',
// optional blanks, an integer; anything after that is ignored.  This is
// what the scanf format "%d * %d" matches, but the integers are kept as
// text as well, so values that do not fit an int can be reported.
struct HeaderFields {
    long long rows;      // value, clamped to +-LLONG_MAX when out of range
    long long cols;
    bool fitsInt;        // both values fit in an int
    char rowsText[64];   // the integers as written (sign and digits),
    char colsText[64];   // cut short if very long
};

// True when line is a header line; fills fields then.
bool parseHeaderLine(const char *line, HeaderFields *fields);

// Parses a point line as the scanf format "%lf %lf %lf" would: returns the
// number of values converted (0 to 3), or -1 for a line with nothing but
// white space, and stores the values converted.
int parsePointLine(const char *line, Vec3 *point);

// The fast case of parsePointLine: when the text up to end (or up to a
// NUL or a line feed) begins with three plain decimal numbers, stores
// them and returns the end of the third; otherwise returns nullptr and
// stores nothing.  Whatever it accepts, sscanf would read the same way.
const char *parsePlainPoint(const char *text, const char *end, Vec3 *point);
