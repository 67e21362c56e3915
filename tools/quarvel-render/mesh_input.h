// The mesh, read with the viewer's reader but reported as this tool's.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/grid.h"
#include "import.h"
#include "mesh/mesh.h"

// Reads path ("-": standard input) with the viewer's reader, preparing
// the grid while it reads, reversed when reverse is set; *scale gets the
// fit-to-view scale.  Bad data throws a Failure with the reader's message
// as one line: "FILE: not in 'x y z' format."
Mesh *readMeshFile(const std::string &path, bool reverse, float *scale);

// The same from an open stream (closed when done), named path in messages.
Mesh *readMeshStream(FILE *stream, const std::string &path, bool reverse, float *scale);

// Whether the first significant line of text (after blank lines and '#'
// comments) is a mesh text's "ROWS * COLS" header.
bool startsLikeMesh(const std::string &text);

// Whether path is named as mesh text (.mesh).
bool namedMesh(const std::string &path);

// The mesh text quarvel-import writes for grid.
std::string meshTextOf(const Grid &grid);

// The viewer's mesh of grid: its mesh text read as the viewer reads it,
// named name in messages.
Mesh *meshOfGrid(const Grid &grid, const std::string &name, bool reverse, float *scale);

// The viewer's mesh of path: mesh text (standard input, a .mesh file or
// one that starts with the header) read as readMeshFile reads it, any
// other file quarvel-import reads first made into the mesh text it
// writes, as request says (--format always means quarvel-import's).  What
// the import found worth telling goes to notes.
Mesh *readAnyMesh(const std::string &path, const ImportRequest &request, bool reverse, float *scale,
                  std::vector<std::string> &notes);
