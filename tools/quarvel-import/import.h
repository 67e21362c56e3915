// The whole conversion of one input, from its first bytes to mesh text:
// what main() runs after the options, and what the tests run in-process.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "formats.h"
#include "surface.h"

struct ImportRequest {
    bool formatGiven = false;  // else found from the content and the name
    Format format = Format::Text;
    ArrayLayout layout = ArrayLayout::Unsaid;  // --layout, for x y z arrays
    ConvertOptions convert;
};

// Reads all of stream (name is its path, or "-"), checks it and only then
// writes the mesh text to out.  Ends the program through fail() on bad
// input, before anything is written.
void importData(FILE *stream, const std::string &name, const ImportRequest &request, FILE *out);

// The same, opening the output only when the input has passed every check,
// so that a file written in place is not truncated for a bad input.
void importData(FILE *stream, const std::string &name, const ImportRequest &request,
                const std::function<FILE *()> &openOut);
