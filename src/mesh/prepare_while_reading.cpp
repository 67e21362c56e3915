#include "mesh/prepare_while_reading.h"

#include <pthread.h>

#include "mesh/prepare.h"
#include "ui/view_state.h"

// The worker never reads the columns next to the one being stored: points
// are 24 bytes, so a cache line shared between the two threads would bounce
// between the cores on every store.  Four columns apart they never share one.
constexpr int guardColumns = 4;

// Points of work the worker waits for before it wakes up again, and points
// read between two reports from the reader.
constexpr int wakeUpPoints = 16384;
constexpr int reportPoints = 4096;

static Preparation work;
static pthread_t worker;
static bool workerRunning = false;

// Shared with the worker, under the lock.
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t progressed = PTHREAD_COND_INITIALIZER;
static int columnsRead = 0;     // whole columns stored by the reader
static int columnsWanted = 0;   // the worker sleeps until this many are read
static bool abandoned = false;  // the read failed: stop at once

// Reader side only.
static int nextReport = 0;

static int columnsFor(int points, int rows)
{
    int columns = points / rows;
    return columns > 0 ? columns : 1;
}

static void *prepareBehindReader(void *)
{
    const int cols = work.mesh->cols;
    const int batch = columnsFor(wakeUpPoints, work.mesh->rows) + guardColumns;
    int seen = 0;
    for (;;) {
        pthread_mutex_lock(&lock);
        columnsWanted = seen + batch < cols ? seen + batch : cols;
        while (!abandoned && columnsRead < columnsWanted) {
            pthread_cond_wait(&progressed, &lock);
        }
        const bool stop = abandoned;
        seen = columnsRead;
        pthread_mutex_unlock(&lock);
        if (stop) {
            return nullptr;
        }
        const int readable = seen == cols ? cols : seen - guardColumns;
        prepareNormals(work, readable);
        prepareExtent(work, readable);
        if (seen == cols) {
            return nullptr;
        }
    }
}

static void startPreparing(Mesh &mesh)
{
    beginPreparation(work, mesh, viewState.reverseSurface != 0);
    columnsRead = 0;
    columnsWanted = 0;
    abandoned = false;
    nextReport = columnsFor(reportPoints, mesh.rows);
    // Without a thread all the work is left to finishPreparing.
    workerRunning = pthread_create(&worker, nullptr, prepareBehindReader, nullptr) == 0;
}

static void noteColumnsRead(int columns)
{
    if (!workerRunning || (columns < nextReport && columns < work.mesh->cols)) {
        return;
    }
    nextReport = columns + columnsFor(reportPoints, work.mesh->rows);
    pthread_mutex_lock(&lock);
    columnsRead = columns;
    const bool wake = columnsRead >= columnsWanted;
    pthread_mutex_unlock(&lock);
    if (wake) {
        pthread_cond_signal(&progressed);
    }
}

static void stopWorker()
{
    if (workerRunning) {
        pthread_join(worker, nullptr);
        workerRunning = false;
    }
}

static void abandonPreparing()
{
    pthread_mutex_lock(&lock);
    abandoned = true;
    pthread_mutex_unlock(&lock);
    pthread_cond_signal(&progressed);
    stopWorker();
    work.mesh = nullptr;
}

const ReadWatcher prepareWhileReading = {startPreparing, noteColumnsRead, abandonPreparing};

void finishPreparing(Mesh &mesh)
{
    stopWorker();
    if (work.mesh != &mesh) {  // read without prepareWhileReading
        prepareMesh(mesh);
        return;
    }
    endPreparation(work);
    work.mesh = nullptr;
}
