// bench-mesh [benchmark options] mesh-data...
//
// Reading, normals and preparation (normals and scale) of each grid file
// given, separately and together, as points per second.  The extent for
// the scale is taken in the same sweep as the normals, so its own cost is
// the difference between "prepare" and "normals".
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "mesh/reader.h"

static Mesh *load(const std::string &path)
{
    FILE *stream = std::fopen(path.c_str(), "r");
    if (!stream) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return readMesh(stream);
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

static void normalsBench(benchmark::State &state, std::string path)
{
    Mesh *mesh = load(path);
    for (auto _ : state) {
        computeNormals(*mesh);
        benchmark::ClobberMemory();
    }
    countPoints(state, mesh);
    freeMesh(mesh);
}

static void prepareBench(benchmark::State &state, std::string path)
{
    Mesh *mesh = load(path);
    for (auto _ : state) {
        prepareMesh(*mesh);
        benchmark::ClobberMemory();
    }
    countPoints(state, mesh);
    freeMesh(mesh);
}

static void readAndPrepareBench(benchmark::State &state, std::string path)
{
    Mesh *mesh = nullptr;
    for (auto _ : state) {
        if (mesh) {
            freeMesh(mesh);
        }
        mesh = load(path);
        prepareMesh(*mesh);
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
        benchmark::RegisterBenchmark(("normals/" + name).c_str(), normalsBench, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("prepare/" + name).c_str(), prepareBench, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("read+prepare/" + name).c_str(), readAndPrepareBench, path)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
