// Reader for mesh data files.
//
// The text format: comment lines start with '#', empty lines are skipped,
// the first line matching "ROWS * COLS" is the header, then one line of
// "x y z" per grid point, column by column (the row index varies fastest).
// Lines are handled in pieces of at most 255 characters; CR LF counts as LF.
#pragma once

#include <cstdio>

#include "mesh/mesh.h"

// Size of the reader's line buffer: a piece holds at most 255 characters.
constexpr int lineBufferSize = 256;

// Reads the next significant line piece of stream into buffer (which must
// hold lineBufferSize bytes).  Ends the process with "cannot read any
// more." when the input runs out.
void readDataLine(char *buffer, FILE *stream);

// Told about the grid while it is read, so work on it can start early:
// ready once its arrays exist (no point stored yet), columnsRead with the
// number of whole columns stored so far (at least once, with all of them,
// at the end), failed just before bad data ends the process, and then
// nothing more.
struct ReadWatcher {
    void (*ready)(Mesh &mesh);
    void (*columnsRead)(int columns);
    void (*failed)();
};

// Reads the header and all points from stream, closes it and returns the
// new grid (normals allocated but not yet computed).  Bad data ends the
// process with a message on standard error.
Mesh *readMesh(FILE *stream, const ReadWatcher *watcher = nullptr);

// Forgets any input buffered from an earlier stream.  The program reads
// one stream per run; tests and fuzz targets that read many call this.
void resetMeshReader();
