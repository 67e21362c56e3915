// quarvel-load [--one-thread] [-r] mesh-data
//
// The viewer's start-up up to the first window: the same command line,
// input, reader and preparation, then it prints one line of figures and
// ends.  Timing the whole process measures loading as a user sees it.
// --one-thread prepares the grid after reading it instead of on a second
// thread while reading, to show what the overlap gains.
//
// Printed: points, seconds reading, seconds preparing (what is left of it
// once the last point is read), resident KiB at
// start (shared libraries and the runtime), peak resident KiB, and the
// KiB the grid's own arrays take (2 x 24 bytes per point + row pointers).
#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/startup.h"
#include "memory.h"
#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

static double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int main(int argc, char **argv)
{
    long baseline = residentKiB();
    auto start = std::chrono::steady_clock::now();
    const bool oneThread = argc > 1 && std::strcmp(argv[1], "--one-thread") == 0;
    if (oneThread) {
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    const char *fileName = parseCommandLine(argc, argv);
    PreparationWhileReading preparation;
    const ReadWatcher watcher = prepareWhileReading(preparation, false);
    Mesh *theMesh = readMesh(openMeshInput(fileName), oneThread ? nullptr : &watcher);
    double reading = secondsSince(start);
    auto prepared = std::chrono::steady_clock::now();
    finishPreparing(preparation, *theMesh);
    double preparing = secondsSince(prepared);

    long long points = static_cast<long long>(theMesh->rows) * theMesh->cols;
    long long gridBytes = points * 2 * static_cast<long long>(sizeof(Vec3)) +
                          2 * static_cast<long long>(sizeof(Vec3 *)) * theMesh->rows;
    std::printf("points %lld read %.4f prepare %.4f baseline-kib %ld peak-kib %ld grid-kib %lld\n",
                points, reading, preparing, baseline, peakResidentKiB(), gridBytes / 1024);
    return 0;
}
