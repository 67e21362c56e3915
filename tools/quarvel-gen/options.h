// quarvel-gen's command line, read into plain values.  Parsing never ends
// the program: errors come back as one line of text (empty when all went
// well), so the rules can be tested one by one.
#pragma once

#include <string>

#include "quarvel-gen/formula.h"

// Ranges by the letter of their option.
enum RangeName { rangeX, rangeY, rangeU, rangeV, rangeCount };

struct Options {
    bool help = false;
    std::string output = "-";
    std::string target;      // a formula or a shape name
    long rows = 0, cols = 0; // 0: the default size
    Range ranges[rangeCount];
    bool rangeGiven[rangeCount] = {};
};

// Largest number of rows or of columns.
constexpr long maxGridSide = 100000;

// "ROWS" (a square grid) or "ROWSxCOLS", each 1 .. maxGridSide.
std::string parseSize(const std::string &text, long &rows, long &cols);

// "MIN:MAX", each end a number or a formula without variables ("2*pi");
// finite, different ends (MAX below MIN runs the grid the other way).
std::string parseRange(const std::string &text, Range &range);

// Reads argv into options, with defaults filled in for whatever is missing.
std::string parseOptions(int argc, const char *const *argv, Options &options);
