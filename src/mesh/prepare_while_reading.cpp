#include "mesh/prepare_while_reading.h"

#include <pthread.h>


// The worker never reads the columns next to the one being stored: points
// are 24 bytes, so a cache line shared between the two threads would bounce
// between the cores on every store.  Four columns apart they never share one.
constexpr int guardColumns = 4;

// Points of work the worker waits for before it wakes up again, and points
// read between two reports from the reader.
constexpr int wakeUpPoints = 16384;
constexpr int reportPoints = 4096;

static int columnsFor(int points, int rows)
{
    int columns = points / rows;
    return columns > 0 ? columns : 1;
}

static void *prepareBehindReader(void *context)
{
    PreparationWhileReading &s = *static_cast<PreparationWhileReading *>(context);
    const int cols = s.work.mesh->cols;
    const int batch = columnsFor(wakeUpPoints, s.work.mesh->rows) + guardColumns;
    int seen = 0;
    for (;;) {
        pthread_mutex_lock(&s.lock);
        s.columnsWanted = seen + batch < cols ? seen + batch : cols;
        while (!s.abandoned && s.columnsRead < s.columnsWanted) {
            pthread_cond_wait(&s.progressed, &s.lock);
        }
        const bool stop = s.abandoned;
        seen = s.columnsRead;
        pthread_mutex_unlock(&s.lock);
        if (stop) {
            return nullptr;
        }
        const int readable = seen == cols ? cols : seen - guardColumns;
        prepareNormals(s.work, readable);
        prepareExtent(s.work, readable);
        if (seen == cols) {
            return nullptr;
        }
    }
}

static void startPreparing(void *context, Mesh &mesh)
{
    PreparationWhileReading &s = *static_cast<PreparationWhileReading *>(context);
    beginPreparation(s.work, mesh, s.reverse);
    s.columnsRead = 0;
    s.columnsWanted = 0;
    s.abandoned = false;
    s.nextReport = columnsFor(reportPoints, mesh.rows);
    // Without a thread all the work is left to finishPreparing.
    s.workerRunning = pthread_create(&s.worker, nullptr, prepareBehindReader, &s) == 0;
}

static void noteColumnsRead(void *context, int columns)
{
    PreparationWhileReading &s = *static_cast<PreparationWhileReading *>(context);
    if (!s.workerRunning || (columns < s.nextReport && columns < s.work.mesh->cols)) {
        return;
    }
    s.nextReport = columns + columnsFor(reportPoints, s.work.mesh->rows);
    pthread_mutex_lock(&s.lock);
    s.columnsRead = columns;
    const bool wake = s.columnsRead >= s.columnsWanted;
    pthread_mutex_unlock(&s.lock);
    if (wake) {
        pthread_cond_signal(&s.progressed);
    }
}

static void stopWorker(PreparationWhileReading &s)
{
    if (s.workerRunning) {
        pthread_join(s.worker, nullptr);
        s.workerRunning = false;
    }
}

static void abandonPreparing(void *context)
{
    PreparationWhileReading &s = *static_cast<PreparationWhileReading *>(context);
    pthread_mutex_lock(&s.lock);
    s.abandoned = true;
    pthread_mutex_unlock(&s.lock);
    pthread_cond_signal(&s.progressed);
    stopWorker(s);
    s.work.mesh = nullptr;
}

ReadWatcher prepareWhileReading(PreparationWhileReading &state, bool reverse)
{
    state.reverse = reverse;
    return {&state, startPreparing, noteColumnsRead, abandonPreparing};
}

float finishPreparing(PreparationWhileReading &state, Mesh &mesh)
{
    stopWorker(state);
    if (state.work.mesh != &mesh) {  // read without this watcher
        return prepareSurface(mesh, state.reverse);
    }
    float scale = endPreparation(state.work);
    state.work.mesh = nullptr;
    return scale;
}
