#include "quarvel-render/mesh_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/failure.h"
#include "common/quote.h"
#include "mesh/mesh_file.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

Mesh *readMeshFile(const std::string &path, bool reverse, float *scale)
{
    FILE *stream = path == "-" ? stdin : openMeshFile(path.c_str());
    if (!stream) {
        throw Failure("cannot open " + printable(path) + ": " + std::strerror(errno));
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
