// quarvel-render: the viewer's picture of a mesh, drawn without a window.
//
//   quarvel-render [-r] [-k KEYS]... [--size WxH] MESH|- OUT.bmp|OUT.png...
//   quarvel-render --figure [...] [--dpi N] INPUT|- OUT.png|OUT.pdf|OUT.svg...
//   quarvel-render [...] --turntable N [--fps F] MESH|- OUT.gif|OUT.mp4|DIR
//   quarvel-render [...] --series [--fps F] IN1 IN2... OUT.gif|OUT.mp4|DIR
//
// Reads the mesh with the viewer's reader, applies the keys with the
// viewer's own command and arrow-key code, draws one frame with the
// viewer's drawing code into an OSMesa context and writes it: the pixels
// are those of the viewer's saved window for the same keys and size.
// The spin key "c" only sets the flag: a picture shows no time passing.
//
// With --figure it draws a picture for a report instead (src/figure/):
// the surface coloured by height in an axes box with the data's values,
// as pixels or as a .pdf or .svg page with real text.
#include <csignal>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <map>
#include <set>

#include "base/failure.h"
#include "common/fail.h"
#include "common/output.h"
#include "figure/box.h"
#include "figure/layout.h"
#include "figure/surface.h"
#include "quarvel-render/figure_input.h"
#include "quarvel-render/grid_density.h"
#include "quarvel-render/image_files.h"
#include "quarvel-render/mesh_input.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/options.h"
#include "quarvel-render/output_kind.h"
#include "quarvel-render/picture.h"
#include "quarvel-render/series.h"
#include "quarvel-render/turntable.h"

static const char tool[] = "quarvel-render";

static bool isPage(OutputKind kind) { return kind == OutputKind::Pdf || kind == OutputKind::Svg; }

// page is the figure's, or null for the viewer's picture.
static void writeStill(const Output &out, const Frame &frame, const FigurePage *page)
{
    const OutputKind kind = outputKind(out.path, false, page != nullptr);
    if (kind == OutputKind::Bmp) {
        writeBmp(out.stream, frame);
    } else if (kind == OutputKind::Png) {
        writePng(out.path.c_str(), out.stream, frame);
    } else {
        writeFigurePage(out.path.c_str(), out.stream, kind, *page);
    }
}

// Every OUT is opened, written and synced before any is renamed into
// place, so a missing directory or a full disk leaves none of them.
static void writeStills(const std::vector<std::string> &paths, const Frame &frame,
                        const FigurePage *page = nullptr)
{
    std::vector<Output> outs;
    for (const std::string &path : paths) {
        outs.push_back(openOutput(path, false));
    }
    for (const Output &out : outs) {
        writeStill(out, frame, page);
    }
    for (Output &out : outs) {
        syncOutput(out);
    }
    for (Output &out : outs) {
        commitOutput(out);
    }
}

// A still figure's picture and page, as the OUTs ask: at the page's
// default dpi one drawing of the 3-D part serves both.
static void drawStillFigure(Offscreen &offscreen, const PreparedFigure &figure, const RenderOptions &options,
                            Frame &frame, FigurePage &page)
{
    bool pages = false, pictures = false;
    for (const std::string &path : options.outputs) {
        (isPage(outputKind(path, false, true)) ? pages : pictures) = true;
    }
    if (!pages) {
        drawFigure(offscreen, figure, options.style, frame);
        return;
    }
    page = drawFigurePage(offscreen, figure, options.style, options.dpi);
    if (pictures && options.dpi == pagePixelsPerInch) {
        finishFigureFrame(page.argb, page.layout, page.style, frame);
    } else if (pictures) {
        drawFigure(offscreen, figure, options.style, frame);
    }
}

// The viewer's picture stays the viewer's; when its grid lines would hide
// the surface, a note says how to see it.
static void noteCrowdedGrid(const Mesh &mesh, const ViewState &view, const RenderOptions &options)
{
    if (view.showMesh && !view.wireFrame &&
        gridLineSpacing(mesh, view, options.width, options.height) < crowdedGridSpacing) {
        std::fprintf(stderr,
                     "%s: note: the grid lines lie under %g pixels apart and hide the surface; -k f turns "
                     "them off, --figure draws a picture for a report\n",
                     tool, crowdedGridSpacing);
    }
}

// What reading the input found worth telling, a line each.
static void sayNotes(const std::vector<std::string> &notes)
{
    for (const std::string &note : notes) {
        std::fprintf(stderr, "%s: note: %s\n", tool, note.c_str());
    }
}

struct CloseOffscreen {
    void operator()(Offscreen *o) const { closeOffscreen(o); }
};

// A figure, or a turntable of figures whose bearing turns 360/N degrees a
// frame at one scale, so only the box turns.
static void renderFigure(const RenderOptions &options)
{
    bool pages = false;
    for (const std::string &path : options.outputs) {
        pages = isPage(outputKind(path, options.turntableFrames > 0, true)) || pages;
    }
    if (options.dpiGiven && !pages) {
        throw Failure("--dpi sets the image resolution of a .pdf or .svg figure, and no OUT is one");
    }
    const FigureStyle &style = options.style;
    FigureData data;
    std::vector<std::string> notes;
    try {
        data = readFigureData(options.mesh, options.import, notes);
    } catch (const Failure &) {
        sayNotes(notes);
        throw;
    } catch (const std::bad_alloc &) {
        throw Failure("not enough memory to draw the figure");
    }
    sayNotes(notes);
    const PreparedFigure figure = prepareFigure(std::move(data), options);
    std::unique_ptr<Offscreen, CloseOffscreen> offscreen(openOffscreen(style.width, style.height));
    Frame frame;
    if (options.turntableFrames > 0) {
        const int frames = options.turntableFrames;
        const double scale = turntableScale(figure.box, figure.data, style, frames);
        drawFiguresAsFrames(*offscreen);
        writeTurntable(tool, options.outputs[0], options, frames, [&](int i, Frame &f) {
            const double azimuth = style.azimuth + 360.0 * i / frames;
            drawFigureFrame(*offscreen, figure.surface, layoutFigure(figure.box, figure.data, style, azimuth, scale),
                            style, f);
        });
        return;
    }
    FigurePage page;
    drawStillFigure(*offscreen, figure, options, frame, page);
    writeStills(options.outputs, frame, &page);
}

// Standard input, read once and kept: a series reads each input twice,
// and its first pass from more than one thread.
static std::string &standardInput()
{
    static std::string bytes = readStandardInput();
    return bytes;
}

// What reading a series' inputs found worth telling: a note is said for
// the first input it comes with; other inputs with the same note (their
// own name aside) are counted and said in one line at the end, so a
// thousand files of one kind do not give a thousand lines.
struct SeriesNotes {
    std::map<std::string, std::pair<std::string, std::set<std::string>>> kinds;  // first input, others

    void say(const std::string &path, const std::vector<std::string> &notes)
    {
        const std::string name = displayName(path);
        for (const std::string &note : notes) {
            std::string kind = note;
            for (size_t at = kind.find(name); !name.empty() && at != std::string::npos; at = kind.find(name, at + 2)) {
                kind.replace(at, name.size(), "{}");
            }
            const auto found = kinds.find(kind);
            if (found == kinds.end()) {
                kinds[kind].first = name;
                std::fprintf(stderr, "%s: note: %s\n", tool, note.c_str());
            } else if (found->second.first != name) {
                found->second.second.insert(name);
            }
        }
    }

    void sayRepeats() const
    {
        for (const auto &kind : kinds) {
            if (!kind.second.second.empty()) {
                std::fprintf(stderr, "%s: note: the same for %zu more input(s) as for %s\n", tool,
                             kind.second.second.size(), kind.second.first.c_str());
            }
        }
    }
};

static void renderSeries(const RenderOptions &options)
{
    SeriesNotes said;
    auto reading = [&](const std::string &path, auto read) {
        std::vector<std::string> notes;
        try {
            auto got = read(notes);
            said.say(path, notes);
            return got;
        } catch (const Failure &) {
            said.say(path, notes);
            said.sayRepeats();
            throw;
        }
    };
    if (!options.figure) {
        makeViewerSeries(tool, options, options.inputs.size(), [&](size_t i, float &scale) {
            const std::string &path = options.inputs[i];
            return reading(path, [&](std::vector<std::string> &notes) {
                if (path != "-") {
                    return readAnyMesh(path, options.import, options.reverse, &scale, notes);
                }
                std::string &bytes = standardInput();
                FILE *stream = fmemopen(&bytes[0], bytes.size(), "rb");
                if (!stream) {
                    throw Failure(std::string("cannot read standard input: ") + std::strerror(errno));
                }
                return readMeshStream(stream, path, options.reverse, &scale);
            });
        });
    } else {
        makeFigureSeries(
            tool, options, options.inputs,
            [&](size_t i, std::vector<std::string> &notes) {
                const std::string &path = options.inputs[i];
                return path == "-" ? readFigureBytes(standardInput(), path, options.import, notes)
                                   : readFigureData(path, options.import, notes);
            },
            [&](size_t i, const std::vector<std::string> &notes, bool failed) {
                said.say(options.inputs[i], notes);
                if (failed) {
                    said.sayRepeats();
                }
            });
    }
    said.sayRepeats();
}

// The viewer's start-up (read, reverse if asked, normals and scale), the
// keys, then the picture or the turntable.
static void render(const RenderOptions &options)
{
    if (options.series) {
        renderSeries(options);
        return;
    }
    if (options.figure) {
        renderFigure(options);
        return;
    }
    for (const std::string &path : options.outputs) {
        outputKind(path, options.turntableFrames > 0);
    }
    struct Free {
        void operator()(Mesh *m) const { freeMesh(m); }
    };
    float scale = 1.0f;
    std::vector<std::string> notes;
    std::unique_ptr<Mesh, Free> mesh;
    try {
        mesh.reset(readAnyMesh(options.mesh, options.import, options.reverse, &scale, notes));
    } catch (const Failure &) {
        sayNotes(notes);
        throw;
    }
    sayNotes(notes);
    bool smoothBefore = false;
    const ViewState view = viewerView(options, scale, *mesh, smoothBefore);
    noteCrowdedGrid(*mesh, view, options);
    std::unique_ptr<Offscreen, CloseOffscreen> offscreen(openOffscreen(options.width, options.height));
    if (options.turntableFrames > 0) {
        makeTurntable(tool, options.outputs[0], options, *offscreen, *mesh, view, smoothBefore);
        return;
    }
    Frame frame;
    drawViewerFrame(*offscreen, *mesh, view, smoothBefore, frame);
    writeStills(options.outputs, frame);
}

int main(int argc, char **argv)
{
    // A failed write to ffmpeg's pipe, or past a file size limit, is
    // reported, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    removeOutputOnSignals();
    const RenderOptions options = parseRenderOptions(argc, argv);
    // An animation allocates and frees every frame, and the huge-page heap,
    // which gives nothing back, grows with its fragments: 20 MiB over 1000
    // frames of a series against 5 MiB with the allocator as it is.
    if (!options.series && options.turntableFrames == 0) {
        preferHugePages();
    }
    try {
        render(options);
    } catch (const Failure &failure) {
        fail(tool, failure.what());
    }
    return 0;
}
