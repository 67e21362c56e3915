#include "quarvel-render/mesh_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/failure.h"
#include "common/grid_text.h"
#include "common/output.h"
#include "common/quote.h"
#include "mesh/mesh_file.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

Mesh *readMeshFile(const std::string &path, bool reverse, float *scale)
{
    FILE *stream = path == "-" ? stdin : openMeshFile(path.c_str());
    if (!stream) {
        const int e = errno;
        throw Failure("cannot open " + printable(path) + ": " + std::strerror(e));
    }
    return readMeshStream(stream, path, reverse, scale);
}

Mesh *readMeshStream(FILE *stream, const std::string &path, bool reverse, float *scale)
{
    const std::string shown = path == "-" ? "standard input" : printable(path);
    PreparationWhileReading preparation;
    const ReadWatcher watcher = prepareWhileReading(preparation, reverse);
    Mesh *mesh;
    try {
        mesh = readMesh(stream, &watcher);
    } catch (const Failure &failure) {
        // The viewer's text has no program name and not always a line end.
        std::string said = failure.what();
        while (!said.empty() && said.back() == '\n') {
            said.pop_back();
        }
        throw Failure(shown + ": " + printable(said));
    }
    *scale = finishPreparing(preparation, *mesh);
    return mesh;
}

bool startsLikeMesh(const std::string &text)
{
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        int rows = 0, cols = 0, used = 0;
        return std::sscanf(line.c_str(), " %d * %d %n", &rows, &cols, &used) == 2 &&
               line.find_first_not_of(" \t\r", static_cast<size_t>(used)) == std::string::npos;
    }
    return false;
}

bool namedMesh(const std::string &path)
{
    return path.size() > 5 && path.compare(path.size() - 5, 5, ".mesh") == 0;
}

namespace {
struct CloseFile {
    void operator()(FILE *file) const { std::fclose(file); }
};
}  // namespace

std::string meshTextOf(const Grid &grid)
{
    return writtenToMemory([&grid](FILE *stream) { writeGrid(stream, grid); });
}

Mesh *meshOfGrid(const Grid &grid, const std::string &name, bool reverse, float *scale)
{
    std::string text = meshTextOf(grid);
    FILE *memory = fmemopen(&text[0], text.size(), "rb");
    if (!memory) {
        throw std::bad_alloc();
    }
    return readMeshStream(memory, name, reverse, scale);
}

Mesh *readAnyMesh(const std::string &path, const ImportRequest &request, bool reverse, float *scale,
                  std::vector<std::string> &notes)
{
    if (path == "-" || (!request.formatGiven && namedMesh(path))) {
        return readMeshFile(path, reverse, scale);
    }
    std::unique_ptr<FILE, CloseFile> stream(openMeshFile(path.c_str()));
    if (!stream) {
        const int e = errno;
        throw Failure("cannot open " + printable(path) + ": " + std::strerror(e));
    }
    if (!request.formatGiven) {
        std::string head(4096, '\0');
        head.resize(std::fread(&head[0], 1, head.size(), stream.get()));
        if (std::fseek(stream.get(), 0, SEEK_SET) != 0) {
            const int e = errno;
            throw Failure("cannot read " + printable(path) + " twice: " + std::strerror(e));
        }
        if (startsLikeMesh(head)) {
            return readMeshStream(stream.release(), path, reverse, scale);  // the reader closes it
        }
    }
    ImportRequest viewer = request;
    viewer.convert.viewerNotes = false;  // the picture's own note says what the viewer would show
    return meshOfGrid(importGrid(stream.get(), path, viewer, notes), path, reverse, scale);
}
