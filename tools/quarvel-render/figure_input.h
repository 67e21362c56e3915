// A figure's input: mesh text, or any file quarvel-import reads, as the
// grid in its true values.
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"
#include "figure/figure_data.h"
#include "import.h"
#include "mesh/mesh.h"

// The points of mesh, rows x cols as they are.
FigureData figureDataOf(const Mesh &mesh);

// The points of an imported grid in the true values its axis maps give,
// with the ground units per true unit for the box's proportions.
FigureData figureDataOf(const Grid &grid);

// Reads path ("-": standard input, read whole first): mesh text (a .mesh
// file, or one that starts with the header) with the viewer's reader,
// anything else with quarvel-import's, as request says (unless --format
// is given, which always means quarvel-import's).  What is worth telling
// goes to notes.  Throws a Failure naming the file when it cannot be
// read or no point has data.
FigureData readFigureData(const std::string &path, ImportRequest request, std::vector<std::string> &notes);

// Standard input, read whole: a series reads its input twice.
std::string readStandardInput();

// As readFigureData, from bytes read before (named path in messages).
FigureData readFigureBytes(std::string &bytes, const std::string &path, ImportRequest request,
                           std::vector<std::string> &notes);

// Throws the Failure readFigureData does when no point of data, read from
// path, has a finite x, y and z.
void checkFigureData(const FigureData &data, const std::string &path);
