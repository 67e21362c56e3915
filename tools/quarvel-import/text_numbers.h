// The number lines of a text data file, read in one pass: every value
// (std::from_chars, so exact and fast) and the shape of the lines, kept as
// runs of equal lines so a matrix of a million values costs a few records.
//
// Values are separated by blanks, tabs, or one comma or semicolon (with
// blanks around it if you like); '#' starts a comment to the end of the
// line; a line ends at LF, CR LF or a lone CR.  Blank lines end a block
// (gnuplot's scans).  NaN and infinities are read (no-data heights); any
// other value that is not a number, and a decimal comma ("1,5 2,5"), is
// refused with its line and its place on the line; a NUL byte or a line
// over 16 MiB with its byte offset (text_limits.h).
//
// The first line with values is a header, skipped, when it holds a word
// (a field that starts with a letter, '_' or a quote and is not a number)
// or when its first field is empty: that is pandas' header over an index
// column (R writes "" there), and the first column of every line is then
// dropped too.  --skip-rows and --skip-cols drop lines and columns first.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/grid.h"

struct LineRun {
    long firstLine;   // line number in the file of the run's first line
    long lines;       // consecutive number lines with...
    long count;       // ...this many values each
    bool blockStart;  // preceded by a blank line (after some data)
};

struct TextNumbers {
    Values values;
    std::vector<LineRun> runs;
    long lastLine = 0;  // the number of the file's last line
    long dropped = 0;   // columns dropped from the front of each line
    std::string note;   // a header skipped, for the user: "NAME:LINE: what"
};

// The file's first lines and each line's first columns that are not data.
struct TextSkips {
    long rows = 0, cols = 0;
    bool header = true;  // a first line of words may be a header (not after an ESRI header)
};

// Reads all of stream after the bytes already read (head).  name is for
// messages.  Throws a Failure at the first bad value.
TextNumbers readTextNumbers(FILE *stream, const std::string &head, const std::string &name,
                            const TextSkips &skips = TextSkips());

// The same over a text held in memory (tests, fuzzing).
TextNumbers parseTextNumbers(const std::string &text, const std::string &name,
                             const TextSkips &skips = TextSkips());

// The file line of value index of numbers, and its column as the file
// counts them (dropped columns included).
void placeOfValue(const std::vector<LineRun> &runs, long dropped, long index, long *line, long *column);
