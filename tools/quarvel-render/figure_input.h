// A figure's input from a mesh text: the grid in its true values.
#pragma once

#include <string>

#include "figure/figure_data.h"
#include "mesh/mesh.h"

// The points of mesh, rows x cols as they are.
FigureData figureDataOf(const Mesh &mesh);

// Reads path ("-": standard input) with the viewer's reader.  Throws a
// Failure naming the file when it cannot be read or no point has data.
FigureData readFigureData(const std::string &path);
