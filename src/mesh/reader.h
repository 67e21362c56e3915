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
// hold lineBufferSize bytes).  Throws a Failure "cannot read any more.\n"
// when the input runs out.
void readDataLine(char *buffer, FILE *stream);

// Told about the grid while it is read, so work on it can start early:
// ready once its arrays exist (no point stored yet), columnsRead with the
// number of whole columns stored so far (at least once, with all of them,
// at the end), failed just before the read gives up on bad data (the grid
// is freed then), and then nothing more.  Each gets context.
struct ReadWatcher {
    void *context;
    void (*ready)(void *context, Mesh &mesh);
    void (*columnsRead)(void *context, int columns);
    void (*failed)(void *context);
};

// Reads the header and all points from stream, closes it and returns the
// new grid (normals allocated but not yet computed), which freeMesh
// releases.  Bad data throws a Failure whose message is the viewer's text
// as it is printed, line end (or its absence) included; the stream is
// closed and nothing is left allocated.
Mesh *readMesh(FILE *stream, const ReadWatcher *watcher = nullptr);

// Forgets any input buffered from an earlier stream.  The program reads
// one stream per run; tests and fuzz targets that read many call this.
void resetMeshReader();
