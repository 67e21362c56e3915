// The whole conversion of one input, from its first bytes to the grid in
// memory: what main() runs after the options, what a program or a binding
// calls to take any format as arrays, and what the tests run in-process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/grid.h"
#include "formats.h"
#include "surface.h"

struct ImportRequest {
    bool formatGiven = false;  // else found from the content and the name
    Format format = Format::Text;
    ArrayLayout layout = ArrayLayout::Unsaid;  // --layout, for x y z arrays
    TextSkips skips;                           // --skip-rows, --skip-cols
    ConvertOptions convert;
};

// Reads all of stream (name is its path, or "-"), checks it and places
// it: the grid that quarvel-import writes as mesh text (writeGrid), its
// comment included.  Throws a Failure of one line on bad input.  What is
// worth telling the user without stopping ("NAME: what") is added to notes
// as it is found, so the notes said before a Failure are there too.
Grid importGrid(FILE *stream, const std::string &name, const ImportRequest &request,
                std::vector<std::string> &notes);

// The same from samples already in memory (a binding's arrays, as readNpy
// would give them), found being the format named in the comment.
Grid importSamples(Samples &&samples, const std::string &name, Format found, const ImportRequest &request,
                   std::vector<std::string> &notes);
