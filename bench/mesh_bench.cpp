// bench-mesh [benchmark options] mesh-data...
//
// Reading, normals, extent and preparation (normals and scale) of each grid
// file given, separately and together, as points per second; and reading
// with the preparation following on a second thread, as the viewer does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

static Mesh *load(const std::string &path, const ReadWatcher *watcher = nullptr)
{
    FILE *stream = std::fopen(path.c_str(), "r");
    if (!stream) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return readMesh(stream, watcher);
}

static void countPoints(benchmark::State &state, const Mesh *mesh)
{
    state.counters["points/s"] = benchmark::Counter(
        static_cast<double>(mesh->rows) * mesh->cols, benchmark::Counter::kIsIterationInvariantRate);
}

static void readBench(benchmark::State &state, std::string path)
{
    Mesh *mesh = nullptr;
    for (auto _ : state) {
        if (mesh) {
            freeMesh(mesh);
        }
        mesh = load(path);
        benchmark::DoNotOptimize(mesh);
    }
    countPoints(state, mesh);
    freeMesh(mesh);
}

// One part of the preparation, over the whole grid.
static void partBench(benchmark::State &state, std::string path,
                      void (*part)(Preparation &, int))
{
    Mesh *mesh = load(path);
    for (auto _ : state) {
        Preparation work;
        beginPreparation(work, *mesh, false);
        part(work, mesh->cols);
        benchmark::ClobberMemory();
    }
    countPoints(state, mesh);
    freeMesh(mesh);
}

static void prepareBench(benchmark::State &state, std::string path)
{
    Mesh *mesh = load(path);
    for (auto _ : state) {
        prepareSurface(*mesh, false);
        benchmark::ClobberMemory();
    }
    countPoints(state, mesh);
    freeMesh(mesh);
}

static void readAndPrepareBench(benchmark::State &state, std::string path, bool overlap)
{
    Mesh *mesh = nullptr;
    for (auto _ : state) {
        if (mesh) {
            freeMesh(mesh);
        }
        PreparationWhileReading preparation;
        const ReadWatcher watcher = prepareWhileReading(preparation, false);
        mesh = load(path, overlap ? &watcher : nullptr);
        finishPreparing(preparation, *mesh);
        benchmark::ClobberMemory();
    }
    countPoints(state, mesh);
    freeMesh(mesh);
}

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fputs("usage: bench-mesh [benchmark options] mesh-data...\n", stderr);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        std::string path = argv[i];
        std::string name = path.substr(path.find_last_of('/') + 1);
        benchmark::RegisterBenchmark(("read/" + name).c_str(), readBench, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("normals/" + name).c_str(), partBench, path, prepareNormals)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("extent/" + name).c_str(), partBench, path, prepareExtent)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("prepare/" + name).c_str(), prepareBench, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("read+prepare/" + name).c_str(), readAndPrepareBench, path,
                                     false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("read+prepare-while-reading/" + name).c_str(),
                                     readAndPrepareBench, path, true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
