// The mesh, read with the viewer's reader but reported as this tool's.
#pragma once

#include <string>

#include "mesh/mesh.h"

// Reads path ("-": standard input) with the viewer's reader, preparing
// the grid while it reads.  Bad data ends the program with the reader's
// message as one line: "TOOL: FILE: not in 'x y z' format."
Mesh *readMeshFile(const char *tool, const std::string &path);
