#include "quarvel-render/figure_input.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "base/failure.h"
#include "common/quote.h"
#include "quarvel-render/mesh_input.h"

FigureData figureDataOf(const Mesh &mesh)
{
    FigureData data;
    data.rows = mesh.rows;
    data.cols = mesh.cols;
    const size_t count = static_cast<size_t>(mesh.rows) * static_cast<size_t>(mesh.cols);
    data.x.reserve(count);
    data.y.reserve(count);
    data.z.reserve(count);
    for (int r = 0; r < mesh.rows; ++r) {
        for (int c = 0; c < mesh.cols; ++c) {
            const Vec3 &p = mesh.points[r][c];
            data.x.push_back(p.x);
            data.y.push_back(p.y);
            data.z.push_back(p.z);
        }
    }
    return data;
}

static double valueAt(const Values &values, Spread spread, long rows, long r, long c)
{
    const long k = spread == Spread::perRow ? r : spread == Spread::perColumn ? c : r + c * rows;
    return values[static_cast<size_t>(k)];
}

FigureData figureDataOf(const Grid &grid)
{
    FigureData data;
    data.rows = static_cast<int>(grid.rows);
    data.cols = static_cast<int>(grid.cols);
    const size_t count = static_cast<size_t>(grid.rows) * static_cast<size_t>(grid.cols);
    data.x.reserve(count);
    data.y.reserve(count);
    data.z.reserve(count);
    for (long r = 0; r < grid.rows; ++r) {
        for (long c = 0; c < grid.cols; ++c) {
            data.x.push_back(grid.xTrue.of(valueAt(grid.x, grid.xSpread, grid.rows, r, c)));
            data.y.push_back(grid.yTrue.of(valueAt(grid.y, grid.ySpread, grid.rows, r, c)));
            data.z.push_back(grid.zTrue.of(valueAt(grid.z, grid.zSpread, grid.rows, r, c)));
        }
    }
    data.xGround = 1.0 / grid.xTrue.scale;
    data.yGround = 1.0 / grid.yTrue.scale;
    if (!grid.xTrue.title.empty()) {
        data.xTitle = grid.xTrue.title;
    }
    if (!grid.yTrue.title.empty()) {
        data.yTitle = grid.yTrue.title;
    }
    return data;
}

struct CloseFile {
    void operator()(FILE *file) const { std::fclose(file); }
};

// Enough of a file's start to hold its first significant line.
static std::string firstBytes(FILE *stream)
{
    std::string head(4096, '\0');
    head.resize(std::fread(&head[0], 1, head.size(), stream));
    return head;
}

static std::string readWhole(FILE *stream, const std::string &path)
{
    std::string bytes;
    char chunk[1 << 16];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
        bytes.append(chunk, got);
    }
    if (std::ferror(stream)) {
        const int e = errno;
        throw Failure("cannot read " + displayName(path) + ": " + std::strerror(e));
    }
    return bytes;
}

static FigureData figureOfMesh(FILE *stream, const std::string &path)
{
    struct Free {
        void operator()(Mesh *m) const { freeMesh(m); }
    };
    // The viewer's reader keeps its place in the input in globals: one
    // mesh is read at a time, whatever the threads reading.
    static std::mutex oneAtATime;
    float scale = 1.0f;
    std::unique_lock<std::mutex> hold(oneAtATime);
    std::unique_ptr<Mesh, Free> mesh(readMeshStream(stream, path, false, &scale));
    hold.unlock();
    return figureDataOf(*mesh);
}

// From an open stream whose first bytes are head (all of it for bytes in
// memory, which are read from the top again anyway).
static FigureData readOpen(FILE *stream, const std::string &path, const std::string &head, bool rewind,
                           const ImportRequest &request, std::vector<std::string> &notes)
{
    std::unique_ptr<FILE, CloseFile> input(stream);
    bool mesh = !request.formatGiven && namedMesh(path);
    if (!request.formatGiven && !mesh) {
        mesh = startsLikeMesh(head);
        if (rewind && std::fseek(stream, 0, SEEK_SET) != 0) {
            const int e = errno;
            throw Failure("cannot read " + displayName(path) + " twice: " + std::strerror(e));
        }
    }
    if (mesh) {
        return figureOfMesh(input.release(), path);  // the reader closes it
    }
    return figureDataOf(importGrid(stream, path, request, notes));
}

std::string readStandardInput() { return readWhole(stdin, "-"); }

FigureData readFigureBytes(std::string &bytes, const std::string &path, ImportRequest request,
                           std::vector<std::string> &notes)
{
    request.convert.forFigure = true;
    request.convert.viewerNotes = false;
    FILE *stream = fmemopen(&bytes[0], bytes.size(), "rb");
    if (!stream) {
        const int e = errno;
        throw Failure("cannot open " + displayName(path) + ": " + std::strerror(e));
    }
    FigureData data = readOpen(stream, path, bytes.substr(0, 4096), false, request, notes);
    checkFigureData(data, path);
    return data;
}

// Standard input is held whole (a pipe cannot be read twice) and read
// from memory; a file is opened and, once its start was looked at, read
// again from the top.
FigureData readFigureData(const std::string &path, ImportRequest request, std::vector<std::string> &notes)
{
    if (path == "-") {
        std::string bytes = readStandardInput();
        return readFigureBytes(bytes, path, request, notes);
    }
    request.convert.forFigure = true;
    request.convert.viewerNotes = false;
    FILE *stream = std::fopen(path.c_str(), "rb");
    if (!stream) {
        const int e = errno;
        throw Failure("cannot open " + displayName(path) + ": " + std::strerror(e));
    }
    const bool look = !request.formatGiven && !namedMesh(path);
    const std::string head = look ? firstBytes(stream) : std::string();
    FigureData data = readOpen(stream, path, head, look, request, notes);
    checkFigureData(data, path);
    return data;
}

void checkFigureData(const FigureData &data, const std::string &path)
{
    for (size_t i = 0; i < data.z.size(); ++i) {
        if (std::isfinite(data.x[i]) && std::isfinite(data.y[i]) && std::isfinite(data.z[i])) {
            return;
        }
    }
    throw Failure(displayName(path) + ": no point has a finite x, y and z: nothing to draw");
}
