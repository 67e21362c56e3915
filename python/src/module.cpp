// quarvel's Python extension: reading any input quarvel-import reads,
// figures and the viewer's pictures drawn in-process, with the same code
// and so the same values and pixels as the command line.  The Python layer
// (quarvel/__init__.py) turns its arguments into paths, 2-D arrays of
// native doubles and option lists; everything here runs without the GIL.
//
// The mesh reader's buffers, the figure's text set-up, the PNG writer and
// the turntable writers keep process-wide state, so reading and drawing
// are serialised on one lock.  Figures are drawn in offscreen contexts
// kept for the life of the process, one per picture size, so only the
// first figure of a size pays for the context and its compiled shaders;
// a figure sets all the GL state it uses.  The viewer's pictures, whose
// drawing relies on a fresh context's state, each open their own.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "arrays.h"
#include "base/failure.h"
#include "common/grid_text.h"
#include "common/output.h"
#include "common/quote.h"
#include "figure/layout.h"
#include "import.h"
#include "quarvel-render/figure_input.h"
#include "quarvel-render/image_files.h"
#include "quarvel-render/mesh_input.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/output_kind.h"
#include "quarvel-render/picture.h"
#include "quarvel-render/series.h"
#include "quarvel-render/series_names.h"
#include "quarvel-render/turntable.h"
#include "requests.h"

namespace py = pybind11;

static const char tool[] = "quarvel";
static const char arrayName[] = "array";
static std::mutex drawing;

// An input: a path, or one (heights) or three (x, y, z) arrays.
struct Source {
    std::string path;
    std::vector<py::array> arrays;
    std::vector<ArrayView> views;
};

static Source sourceOf(const py::object &data)
{
    Source s;
    if (py::isinstance<py::str>(data)) {
        s.path = data.cast<std::string>();
        return s;
    }
    for (const py::handle item : data.cast<py::tuple>()) {
        py::array a = py::reinterpret_borrow<py::array>(item);
        if (a.ndim() != 2 || !a.dtype().is(py::dtype::of<double>())) {
            throw py::type_error("internal: arrays reach the extension as 2-D native float64");
        }
        s.views.push_back({static_cast<const char *>(a.data()), static_cast<long>(a.shape(0)),
                           static_cast<long>(a.shape(1)), a.strides(0), a.strides(1)});
        s.arrays.push_back(std::move(a));
    }
    return s;
}

struct CloseFile {
    void operator()(FILE *f) const
    {
        if (f) {
            std::fclose(f);
        }
    }
};

static FILE *openInput(const std::string &path)
{
    FILE *stream = std::fopen(path.c_str(), "rb");
    if (!stream) {
        const int e = errno;
        throw Failure("cannot open " + displayName(path) + ": " + std::strerror(e));
    }
    return stream;
}

// The grid quarvel-import makes of the source (arrays: as of a .npy of
// them).
static Grid gridOf(const Source &source, const ImportRequest &request, std::vector<std::string> &notes)
{
    if (source.views.empty()) {
        std::unique_ptr<FILE, CloseFile> stream(openInput(source.path));
        return importGrid(stream.get(), source.path, request, notes);
    }
    const std::vector<ArrayView> &v = source.views;
    Samples samples = v.size() == 1 ? heightSamples(v[0]) : pointSamples(v[0], v[1], v[2], arrayName);
    return importSamples(std::move(samples), arrayName, Format::Npy, request, notes);
}

static FigureData figureDataOfSource(const Source &source, ImportRequest request, std::vector<std::string> &notes)
{
    if (source.views.empty()) {
        return readFigureData(source.path, request, notes);
    }
    request.convert.forFigure = true;
    request.convert.viewerNotes = false;
    FigureData data = figureDataOf(gridOf(source, request, notes));
    checkFigureData(data, arrayName);
    return data;
}

struct FreeMesh {
    void operator()(Mesh *m) const { freeMesh(m); }
};
using MeshPointer = std::unique_ptr<Mesh, FreeMesh>;

// The viewer's mesh of the source: mesh text read as the viewer reads it,
// anything else first made into the mesh text quarvel-import writes.
static MeshPointer meshOf(const Source &source, const RenderOptions &o, float &scale,
                          std::vector<std::string> &notes)
{
    if (source.views.empty()) {
        return MeshPointer(readAnyMesh(source.path, o.import, o.reverse, &scale, notes));
    }
    ImportRequest request = o.import;
    request.convert.viewerNotes = false;  // as for a file
    return MeshPointer(meshOfGrid(gridOf(source, request, notes), arrayName, o.reverse, &scale));
}

struct CloseOffscreen {
    void operator()(Offscreen *o) const { closeOffscreen(o); }
};

// The kept context for figures of width x height; call with the lock held.
static Offscreen &figureOffscreen(int width, int height)
{
    // Never destroyed: at the interpreter's exit Mesa may be gone first.
    static auto &kept = *new std::map<std::pair<int, int>, std::unique_ptr<Offscreen, CloseOffscreen>>;
    const auto found = kept.find({width, height});
    if (found != kept.end()) {
        return *found->second;
    }
    std::unique_ptr<Offscreen, CloseOffscreen> fresh(openOffscreen(width, height));
    if (kept.size() >= 4) {  // more sizes than a few are rare: start afresh
        kept.clear();
    }
    return *(kept[{width, height}] = std::move(fresh));
}

// The frame as an H x W x 3 array, top row first.
static py::array_t<unsigned char> arrayOfFrame(const Frame &frame)
{
    py::array_t<unsigned char> out({frame.height, frame.width, 3});
    unsigned char *to = out.mutable_data();
    const size_t row = static_cast<size_t>(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        std::memcpy(to + static_cast<size_t>(y) * row, &frame.rgb[static_cast<size_t>(frame.height - 1 - y) * row],
                    row);
    }
    return out;
}

static RenderOptions optionsOf(const OptionList &options, bool figure, int width, int height)
{
    RenderOptions o;
    applyOptions(options, figure, o);
    o.width = o.style.width = width;
    o.height = o.style.height = height;
    o.figure = figure;
    return o;
}

static void checkSize(const RenderOptions &o)
{
    if (o.width < 1 || o.height < 1 || o.width > maxFrameSide || o.height > maxFrameSide) {
        throw Failure("size wants a width and a height from 1 to " + std::to_string(maxFrameSide) + ", not " +
                      std::to_string(o.width) + "x" + std::to_string(o.height));
    }
    if (o.figure && (o.width < minFigureWidth || o.height < minFigureHeight)) {
        throw Failure("a figure needs a size of at least " + std::to_string(minFigureWidth) + "x" +
                      std::to_string(minFigureHeight) + ", not " + std::to_string(o.width) + "x" +
                      std::to_string(o.height));
    }
}

static std::vector<Key> keysOf(const std::string &text)
{
    std::vector<Key> keys;
    std::string unknown;
    if (!parseKeys(text, keys, unknown)) {
        throw Failure("unknown key " + printable(unknown, '\'') +
                      " (command characters w s f a C c u d z Z g r 1 2 + - ; * / or Up Down Left Right)");
    }
    return keys;
}

// A grid's coordinate as a rows x cols array over its own values, without
// a copy: element [r, c] is point line c * rows + r.  Values given per row
// or per column (an image's or a matrix's x and y) are read-only views
// that repeat them, as numpy.broadcast_to gives.
static py::array arrayOfValues(Values &&values, Spread how, long rows, long cols)
{
    auto *held = new Values(std::move(values));
    py::capsule owner(held, [](void *v) { delete static_cast<Values *>(v); });
    const py::ssize_t step = sizeof(double);
    const std::vector<py::ssize_t> strides = how == Spread::perRow      ? std::vector<py::ssize_t>{step, 0}
                                             : how == Spread::perColumn ? std::vector<py::ssize_t>{0, step}
                                                                        : std::vector<py::ssize_t>{step, step * rows};
    py::array_t<double> array({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(cols)}, strides,
                              held->data(), owner);
    if (how != Spread::perPoint) {
        array.attr("setflags")(py::arg("write") = false);
    }
    return std::move(array);
}

static py::tuple readSource(const py::object &data, const OptionList &options, bool holes)
{
    const Source source = sourceOf(data);
    RenderOptions o = optionsOf(options, false, 1, 1);
    o.import.convert.forFigure = holes;
    o.import.convert.viewerNotes = false;
    std::vector<std::string> notes;
    Grid grid;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> lock(drawing);
        grid = gridOf(source, o.import, notes);
    }
    return py::make_tuple(arrayOfValues(std::move(grid.x), grid.xSpread, grid.rows, grid.cols),
                          arrayOfValues(std::move(grid.y), grid.ySpread, grid.rows, grid.cols),
                          arrayOfValues(std::move(grid.z), grid.zSpread, grid.rows, grid.cols), notes);
}

static py::tuple figure(const py::object &data, const OptionList &options, int width, int height)
{
    const Source source = sourceOf(data);
    const RenderOptions o = optionsOf(options, true, width, height);
    checkSize(o);
    std::vector<std::string> notes;
    Frame frame;
    auto page = std::make_shared<FigurePage>();
    {
        py::gil_scoped_release unlocked;
        FigureData figureData = figureDataOfSource(source, o.import, notes);
        const PreparedFigure prepared = prepareFigure(std::move(figureData), o);
        std::lock_guard<std::mutex> lock(drawing);
        *page = drawFigurePage(figureOffscreen(o.width, o.height), prepared, o.style, pagePixelsPerInch);
        finishFigureFrame(page->argb, page->layout, page->style, frame);
    }
    return py::make_tuple(arrayOfFrame(frame), notes, page);
}

// The viewer's mesh of source after o's keys, and a context of o's size
// to draw it in.
struct ViewerScene {
    MeshPointer mesh;
    ViewState view;
    bool smoothBefore = false;
    std::unique_ptr<Offscreen, CloseOffscreen> offscreen;
};

static ViewerScene viewerScene(const Source &source, const RenderOptions &o, std::vector<std::string> &notes)
{
    ViewerScene scene;
    float scale = 1.0f;
    scene.mesh = meshOf(source, o, scale, notes);
    scene.view = viewerView(o, scale, *scene.mesh, scene.smoothBefore);
    scene.offscreen.reset(openOffscreen(o.width, o.height));
    return scene;
}

static py::tuple picture(const py::object &data, const OptionList &options, const std::string &keys, int width,
                         int height, bool reverse)
{
    const Source source = sourceOf(data);
    RenderOptions o = optionsOf(options, false, width, height);
    o.reverse = reverse;
    o.keys = keysOf(keys);
    checkSize(o);
    std::vector<std::string> notes;
    Frame frame;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> lock(drawing);
        ViewerScene scene = viewerScene(source, o, notes);
        drawViewerFrame(*scene.offscreen, *scene.mesh, scene.view, scene.smoothBefore, frame);
    }
    return py::make_tuple(arrayOfFrame(frame), notes);
}

static std::vector<std::string> turntable(const py::object &data, const std::string &path, const OptionList &options,
                                          bool isFigure, const std::string &keys, int width, int height,
                                          bool reverse, int frames, int fps)
{
    const Source source = sourceOf(data);
    RenderOptions o = optionsOf(options, isFigure, width, height);
    o.reverse = reverse;
    o.keys = keysOf(keys);
    o.turntableFrames = frames;
    o.framesPerSecond = fps;
    o.outputs = {path};
    checkSize(o);
    if (frames < 1 || frames > 100000 || fps < 1 || fps > 100) {
        throw Failure("a turntable wants 1 to 100000 frames at 1 to 100 a second");
    }
    std::vector<std::string> notes;
    py::gil_scoped_release unlocked;
    outputKind(path, true);
    if (isFigure) {
        FigureData figureData = figureDataOfSource(source, o.import, notes);
        std::lock_guard<std::mutex> lock(drawing);
        const PreparedFigure prepared = prepareFigure(std::move(figureData), o);
        std::unique_ptr<Offscreen, CloseOffscreen> offscreen(openOffscreen(o.width, o.height));
        const FigureStyle &style = o.style;
        const double scale = turntableScale(prepared.box, prepared.data, style, frames);
        drawFiguresAsFrames(*offscreen);
        writeTurntable(tool, path, o, frames, [&](int i, Frame &f) {
            const double azimuth = style.azimuth + 360.0 * i / frames;
            drawFigureFrame(*offscreen, prepared.surface,
                            layoutFigure(prepared.box, prepared.data, style, azimuth, scale), style, f);
        });
        return notes;
    }
    std::lock_guard<std::mutex> lock(drawing);
    ViewerScene scene = viewerScene(source, o, notes);
    makeTurntable(tool, path, o, *scene.offscreen, *scene.mesh, scene.view, scene.smoothBefore);
    return notes;
}

// One frame per source, as quarvel-render --series draws them; each
// source is read when its frame is drawn (and, for a figure, once before
// for the series' ranges).
static std::vector<std::string> series(const py::list &data, const std::vector<std::string> &names,
                                       const std::string &path, const OptionList &options, bool isFigure,
                                       const std::string &keys, int width, int height, bool reverse, int fps,
                                       const std::string &frameLabel)
{
    std::vector<Source> sources;
    for (const py::handle item : data) {
        sources.push_back(sourceOf(py::reinterpret_borrow<py::object>(item)));
    }
    RenderOptions o = optionsOf(options, isFigure, width, height);
    o.reverse = reverse;
    o.keys = keysOf(keys);
    o.framesPerSecond = fps;
    o.outputs = {path};
    o.frameLabel = frameLabel;
    checkSize(o);
    if (sources.empty() || sources.size() != names.size() || sources.size() > 1000000 || fps < 1 || fps > 100) {
        throw Failure("a series wants 1 to 1000000 inputs at 1 to 100 frames a second");
    }
    if (!frameLabel.empty()) {
        if (!isFigure) {
            throw Failure("frame_label needs figure=True: the viewer's picture has no text");
        }
        if (printable(frameLabel) != frameLabel) {
            throw Failure("frame_label wants one line of text, not " + printable(frameLabel));
        }
        checkFrameLabel(frameLabel);
    }
    std::vector<std::string> notes;
    py::gil_scoped_release unlocked;
    std::lock_guard<std::mutex> lock(drawing);
    if (isFigure) {
        makeFigureSeries(
            tool, o, names,
            [&](size_t i, std::vector<std::string> &said) { return figureDataOfSource(sources[i], o.import, said); },
            [&](size_t, const std::vector<std::string> &said, bool) {
                for (const std::string &note : said) {
                    if (std::find(notes.begin(), notes.end(), note) == notes.end()) {
                        notes.push_back(note);
                    }
                }
            });
    } else {
        makeViewerSeries(tool, o, sources.size(), [&](size_t i, float &scale) {
            std::vector<std::string> said;
            MeshPointer mesh = meshOf(sources[i], o, scale, i == 0 ? notes : said);
            return mesh.release();
        });
    }
    return notes;
}

static py::tuple meshText(const py::object &data, const OptionList &options)
{
    const Source source = sourceOf(data);
    const RenderOptions o = optionsOf(options, false, 1, 1);
    std::vector<std::string> notes;
    std::string text;
    {
        py::gil_scoped_release unlocked;
        text = meshTextOf(gridOf(source, o.import, notes));
    }
    return py::make_tuple(py::bytes(text), notes);
}

using PictureArray = py::array_t<unsigned char, py::array::c_style | py::array::forcecast>;

// An H x W x 3 uint8 array (top row first) as a frame.
static Frame frameOfArray(const PictureArray &rgb)
{
    if (rgb.ndim() != 3 || rgb.shape(2) != 3 || rgb.shape(0) < 1 || rgb.shape(1) < 1) {
        throw py::value_error("a picture is an H x W x 3 array of uint8");
    }
    Frame frame;
    frame.height = static_cast<int>(rgb.shape(0));
    frame.width = static_cast<int>(rgb.shape(1));
    frame.rgb.resize(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) * 3);
    const size_t row = static_cast<size_t>(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        std::memcpy(&frame.rgb[static_cast<size_t>(y) * row],
                    rgb.data() + static_cast<size_t>(frame.height - 1 - y) * row, row);
    }
    return frame;
}

// Writes the picture as .png or .bmp, whole or not at all.
static void save(const PictureArray &rgb, const std::string &path)
{
    const Frame frame = frameOfArray(rgb);
    py::gil_scoped_release unlocked;
    const OutputKind kind = outputKind(path, false);
    std::lock_guard<std::mutex> lock(drawing);
    Output out = openOutput(path, false);
    if (kind == OutputKind::Bmp) {
        writeBmp(out.stream, frame);
    } else {
        writePng(path.c_str(), out.stream, frame);
    }
    commitOutput(out);
}

// Writes a figure's page as .pdf or .svg, whole or not at all.
static void savePage(const std::shared_ptr<FigurePage> &page, const std::string &path)
{
    py::gil_scoped_release unlocked;
    const OutputKind kind = outputKind(path, false, true);
    if (kind != OutputKind::Pdf && kind != OutputKind::Svg) {
        throw py::value_error("internal: a page is a .pdf or .svg");
    }
    std::lock_guard<std::mutex> lock(drawing);
    Output out = openOutput(path, false);
    writeFigurePage(path.c_str(), out.stream, kind, *page);
    commitOutput(out);
}

// The PNG file's bytes, for a notebook to show.
static py::bytes pngBytes(const PictureArray &rgb)
{
    const Frame frame = frameOfArray(rgb);
    std::string bytes;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> lock(drawing);
        bytes = writtenToMemory([&frame](FILE *stream) { writePng("picture", stream, frame); });
    }
    return py::bytes(bytes);
}

// The tools' "cannot open/read/write" failures are the system's (OSError);
// the rest say what is wrong with the data or an option (ValueError).
static bool systemFailure(const std::string &message)
{
    for (const char *start : {"cannot open ", "cannot read ", "cannot write ", "cannot create ", "error writing "}) {
        if (message.compare(0, std::strlen(start), start) == 0) {
            return true;
        }
    }
    return false;
}

PYBIND11_MODULE(_quarvel, m)
{
    m.doc() = "quarvel's reader, importer and drawing code (use the quarvel package)";
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) {
                std::rethrow_exception(p);
            }
        } catch (const Failure &failure) {
            const std::string message = failure.what();
            PyErr_SetString(systemFailure(message) ? PyExc_OSError : PyExc_ValueError, message.c_str());
        } catch (const UnknownOption &e) {
            PyErr_SetString(PyExc_TypeError, e.what());
        }
    });
    m.def("read", &readSource);
    m.def("figure", &figure);
    m.def("picture", &picture);
    m.def("turntable", &turntable);
    m.def("series", &series);
    m.def("mesh_text", &meshText);
    m.def("save", &save);
    // What a figure's Picture keeps for its .pdf or .svg: the 3-D part as
    // drawn, the layout and the style.
    py::class_<FigurePage, std::shared_ptr<FigurePage>>(m, "FigurePage");
    m.def("save_page", &savePage);
    m.def("png_bytes", &pngBytes);
}
