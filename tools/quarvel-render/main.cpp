// quarvel-render: the viewer's picture of a mesh, drawn without a window.
//
//   quarvel-render [-r] [-k KEYS]... [--size WxH] MESH|- OUT.bmp|OUT.png...
//   quarvel-render [...] --turntable N [--fps F] MESH|- OUT.gif|OUT.mp4|DIR
//
// Reads the mesh with the viewer's reader, applies the keys with the
// viewer's own command and arrow-key code, draws one frame with the
// viewer's drawing code into an OSMesa context and writes it: the pixels
// are those of the viewer's saved window for the same keys and size.
// The spin key "c" only sets the flag: a picture shows no time passing.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "common/fail.h"
#include "common/quote.h"
#include "common/output.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"
#include "common/huge_pages.h"
#include "quarvel-render/image_files.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/options.h"
#include "quarvel-render/output_kind.h"
#include "quarvel-render/turntable.h"
#include "ui/commands.h"
#include "ui/view_callbacks.h"
#include "ui/view_state.h"

static const char tool[] = "quarvel-render";

static FILE *openMesh(const std::string &path)
{
    if (path == "-") {
        return stdin;
    }
    FILE *file = std::fopen(path.c_str(), "r");
    struct stat info;
    if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        file = nullptr;
    }
    if (!file) {
        fail(tool, "cannot open " + printable(path) + ": " + std::strerror(errno));
    }
    return file;
}

// The viewer's start-up: read, reverse if asked, normals and scale.
static void loadMesh(const RenderOptions &options)
{
    viewState.reverseSurface = options.reverse ? 1 : 0;
    theMesh = readMesh(openMesh(options.mesh), &prepareWhileReading);
    finishPreparing(*theMesh);
}

// Applies the keys as the viewer does, one frame after each.  Returns the
// shading of the last of those frames that drew the surface: wire-frame
// lines keep the shade model a shaded frame left behind.
static bool applyKeys(const std::vector<Key> &keys)
{
    bool smooth = viewState.smoothShading != 0;  // the viewer's first frame
    for (const Key &key : keys) {
        if (key.arrow) {
            turnCamera(key.code);
        } else {
            applyCommand(key.code);
        }
        if (!viewState.wireFrame) {
            smooth = viewState.smoothShading != 0;
        }
    }
    return smooth;
}

static void writeStill(const std::string &path, const Frame &frame)
{
    const OutputKind kind = outputKind(tool, path, false);
    Output out = openOutput(tool, path, false);
    if (kind == OutputKind::Bmp) {
        writeBmp(out.stream, frame);
    } else {
        writePng(tool, path.c_str(), out.stream, frame);
    }
    commitOutput(tool, out);
}

int main(int argc, char **argv)
{
    preferHugePages();
    // A failed write to ffmpeg's pipe, or past a file size limit, is
    // reported, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const RenderOptions options = parseRenderOptions(argc, argv);
    for (const std::string &path : options.outputs) {
        outputKind(tool, path, options.turntableFrames > 0);
    }
    loadMesh(options);
    const bool smoothBefore = applyKeys(options.keys);
    openOffscreen(tool, options.width, options.height);
    setShadeModel(smoothBefore);
    if (options.turntableFrames > 0) {
        makeTurntable(tool, options.outputs[0], options);
        return 0;
    }
    Frame frame;
    drawFrame(frame);
    for (const std::string &path : options.outputs) {
        writeStill(path, frame);
    }
    return 0;
}
