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
#include <csignal>
#include <cstdio>

#include "common/fail.h"
#include "common/output.h"
#include "quarvel-render/huge_pages.h"
#include "quarvel-render/image_files.h"
#include "quarvel-render/mesh_input.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/options.h"
#include "quarvel-render/output_kind.h"
#include "quarvel-render/turntable.h"
#include "ui/commands.h"
#include "ui/view_callbacks.h"
#include "ui/view_state.h"

static const char tool[] = "quarvel-render";

// The viewer's start-up: read, reverse if asked, normals and scale.
static void loadMesh(const RenderOptions &options)
{
    viewState.reverseSurface = options.reverse ? 1 : 0;
    theMesh = readMeshFile(tool, options.mesh);
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

static void writeStill(const Output &out, const Frame &frame)
{
    if (outputKind(tool, out.path, false) == OutputKind::Bmp) {
        writeBmp(out.stream, frame);
    } else {
        writePng(tool, out.path.c_str(), out.stream, frame);
    }
}

// Every OUT is opened, written and synced before any is renamed into
// place, so a missing directory or a full disk leaves none of them.
static void writeStills(const std::vector<std::string> &paths, const Frame &frame)
{
    std::vector<Output> outs;
    for (const std::string &path : paths) {
        outs.push_back(openOutput(tool, path, false));
    }
    for (const Output &out : outs) {
        writeStill(out, frame);
    }
    for (Output &out : outs) {
        syncOutput(tool, out);
    }
    for (Output &out : outs) {
        commitOutput(tool, out);
    }
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
    writeStills(options.outputs, frame);
    return 0;
}
