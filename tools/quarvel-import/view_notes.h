// Hints about a surface that the viewer will show badly: a needle or a
// flat sheet (the viewer scales x and y to its view and z with them),
// degrees taken as metres, points far from the origin (the viewer does not
// move the surface), and a grid too dense to see under its grid lines.
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"
#include "coordinates.h"
#include "surface.h"

// g is the grid as written; source the x and y ranges of x y z data as
// read (nullptr for a height grid).  Each hint is one line added to notes.
void viewNotes(const Grid &g, const Extent *source, const ConvertOptions &o, const std::string &name,
               std::vector<std::string> &notes);
