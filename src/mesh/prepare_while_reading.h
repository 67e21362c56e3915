// Preparing the grid on a second thread while the reader stores its points.
//
// Reading a big grid keeps one core busy parsing text; the normals and the
// extent of the columns already read can be worked out meanwhile on
// another, so they are nearly done when the last point arrives.
#pragma once

#include <pthread.h>

#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "mesh/reader.h"

// The state of one such preparation; one per read, used by one reader.
struct PreparationWhileReading {
    bool reverse = false;
    Preparation work{};
    pthread_t worker{};
    bool workerRunning = false;

    // Shared with the worker, under the lock.
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t progressed = PTHREAD_COND_INITIALIZER;
    int columnsRead = 0;     // whole columns stored by the reader
    int columnsWanted = 0;   // the worker sleeps until this many are read
    bool abandoned = false;  // the read failed: stop at once

    // Reader side only.
    int nextReport = 0;
};

// A watcher to hand to readMesh: it starts the work on state once the grid
// is allocated, reversed when reverse is set.  state must outlive the read.
ReadWatcher prepareWhileReading(PreparationWhileReading &state, bool reverse);

// After readMesh returned: waits for the work and completes it, as
// prepareSurface would have done on the grid read; returns the scale.
float finishPreparing(PreparationWhileReading &state, Mesh &mesh);
