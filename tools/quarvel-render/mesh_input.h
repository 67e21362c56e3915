// The mesh, read with the viewer's reader but reported as this tool's.
#pragma once

#include <cstdio>
#include <string>

#include "mesh/mesh.h"

// Reads path ("-": standard input) with the viewer's reader, preparing
// the grid while it reads, reversed when reverse is set; *scale gets the
// fit-to-view scale.  Bad data throws a Failure with the reader's message
// as one line: "FILE: not in 'x y z' format."
Mesh *readMeshFile(const std::string &path, bool reverse, float *scale);

// The same from an open stream (closed when done), named path in messages.
Mesh *readMeshStream(FILE *stream, const std::string &path, bool reverse, float *scale);
