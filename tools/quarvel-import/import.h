// The whole conversion of one input, from its first bytes to mesh text:
// what main() runs after the options, and what the tests run in-process.
#pragma once

#include <cstdio>
#include <string>

#include "formats.h"
#include "surface.h"

struct ImportRequest {
    bool formatGiven = false;  // else found from the content and the name
    Format format = Format::Text;
    ConvertOptions convert;
};

// Reads all of stream (name is its path, or "-"), checks it and only then
// writes the mesh text to out.  Ends the program through fail() on bad
// input, before anything is written.
void importData(FILE *stream, const std::string &name, const ImportRequest &request, FILE *out);
