// Preparing the grid on a second thread while the reader stores its points.
//
// Reading a big grid keeps one core busy parsing text; the normals and the
// extent of the columns already read can be worked out meanwhile on
// another, so they are nearly done when the last point arrives.
#pragma once

#include "mesh/mesh.h"
#include "mesh/reader.h"

// Hand this to readMesh; it starts the work once the grid is allocated.
extern const ReadWatcher prepareWhileReading;

// After readMesh returned: waits for the work and completes it, as
// prepareMesh would have done on the grid read.
void finishPreparing(Mesh &mesh);
