#include "quarvel-render/series.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "base/failure.h"
#include "common/quote.h"
#include "figure/box.h"
#include "figure/layout.h"
#include "figure/surface.h"
#include "quarvel-render/figure_relief.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/output_kind.h"
#include "quarvel-render/picture.h"
#include "quarvel-render/series_names.h"
#include "quarvel-render/turntable.h"

namespace {

struct CloseOffscreen {
    void operator()(Offscreen *o) const { closeOffscreen(o); }
};
struct FreeMesh {
    void operator()(Mesh *m) const { freeMesh(m); }
};

// What the first pass keeps of the inputs: numbers, no grid.
struct SeriesShape {
    FigureData first;  // the first input's titles and ground units, no points
    FigureExtents extents;
    bool folds = false;  // some input folds over itself (a solid)
};

}  // namespace

// OUT's kind, told as a series' when it names a still picture.
static OutputKind seriesOutput(const std::string &path)
{
    try {
        return outputKind(path, true);
    } catch (const Failure &) {
        const OutputKind kind = outputKind(path, false);  // rethrows a name of no kind
        if (kind == OutputKind::Bmp || kind == OutputKind::Png) {
            throw Failure("a series goes to a .gif, an .mp4 or a directory, not " + printable(path));
        }
        throw;
    }
}

// What the first pass found of one input.
struct InputShape {
    FigureExtents extents;
    bool folds = false;
    std::vector<std::string> notes;
    std::exception_ptr failure;
};

// Reads inputs from next on, each by the first thread to come to it,
// until none is left or one before it failed.
static void readShapes(const RenderOptions &options, const ReadFigureInput &read, std::vector<InputShape> &found,
                       FigureData &first, std::atomic<size_t> &next, std::atomic<size_t> &failedAt)
{
    for (size_t i = next++; i < failedAt.load(); i = next++) {
        InputShape &f = found[i];
        try {
            FigureData data = read(i, f.notes);
            f.extents = figureExtents(data);
            f.folds = !options.reliefGiven && foldsOver(data);
            if (i == 0) {
                data.x = data.y = data.z = std::vector<double>();
                first = std::move(data);
            }
        } catch (...) {
            f.failure = std::current_exception();
            size_t seen = failedAt.load();
            while (i < seen && !failedAt.compare_exchange_weak(seen, i)) {
            }
        }
    }
}

// The first pass: the inputs' ranges together.  It reads two inputs at
// once, as it does little but read and the drawing waits for it (no more:
// the drawing holds two grids, the one drawn and the next); each input's
// notes are told, and the first failure thrown, in input order.
static SeriesShape shapeOf(size_t count, const RenderOptions &options, const ReadFigureInput &read,
                           const TellNotes &tell)
{
    std::vector<InputShape> found(count);
    SeriesShape shape;
    std::atomic<size_t> next{0}, failedAt{count};
    std::thread helper;  // readShapes throws nothing: no guard to join it
    if (count > 1 && std::thread::hardware_concurrency() != 1) {
        try {
            helper = std::thread(readShapes, std::cref(options), std::cref(read), std::ref(found),
                                 std::ref(shape.first), std::ref(next), std::ref(failedAt));
        } catch (const std::system_error &) {
            // No thread to be had: this one reads them all.
        }
    }
    readShapes(options, read, found, shape.first, next, failedAt);
    if (helper.joinable()) {
        helper.join();
    }
    for (size_t i = 0; i < count; ++i) {
        const InputShape &f = found[i];
        tell(i, f.notes, f.failure != nullptr);
        if (f.failure) {
            std::rethrow_exception(f.failure);
        }
        includeExtents(shape.extents, f.extents);
        shape.folds = shape.folds || f.folds;
    }
    applyTitles(shape.first, options);
    return shape;
}

static FigureBox seriesBox(const SeriesShape &shape, const RenderOptions &options)
{
    const FigureData &d = shape.first;
    const FigureBox box = boxOfExtents(shape.extents, d.xGround, d.yGround, options.style.relief);
    if (!options.reliefGiven && shape.folds && measuredAlike(d)) {
        return boxOfExtents(shape.extents, d.xGround, d.yGround, solidRelief(box));
    }
    return box;
}

static FigureSurface surfaceOf(size_t i, const FigureBox &box, const FigureStyle &style,
                               const ReadFigureInput &read, const TellNotes &tell)
{
    std::vector<std::string> notes;  // told in the first pass
    try {
        const FigureData data = read(i, notes);
        return prepareSurface(data, box, style);
    } catch (const Failure &) {
        tell(i, notes, true);  // the input changed since the first pass
        throw;
    }
}

void makeFigureSeries(const char *tool, const RenderOptions &options, const std::vector<std::string> &names,
                      const ReadFigureInput &read, const TellNotes &tell)
{
    const std::string &path = options.outputs.at(0);
    seriesOutput(path);
    const int count = static_cast<int>(names.size());
    try {
        const SeriesShape shape = shapeOf(names.size(), options, read, tell);
        const FigureBox box = seriesBox(shape, options);
        FigureStyle style = options.style;
        style.label = options.frameLabel;  // keeps the label's line; each frame fills it
        FigureLayout layout = layoutFigure(box, shape.first, style, style.azimuth);
        std::unique_ptr<Offscreen, CloseOffscreen> offscreen(openOffscreen(style.width, style.height));
        drawFiguresAsFrames(*offscreen);
        // The next input is read and its surface made on a thread of its
        // own while this one is drawn: two grids at a time, in order.
        std::future<FigureSurface> next;
        auto readNext = [&](int i) {
            next = std::async(std::launch::async, [&, i] { return surfaceOf(static_cast<size_t>(i), box, style, read, tell); });
        };
        writeTurntable(tool, path, options, count, [&](int i, Frame &frame) {
            const FigureSurface surface = i == 0 ? surfaceOf(0, box, style, read, tell) : next.get();
            if (i + 1 < count) {
                readNext(i + 1);
            }
            if (!options.frameLabel.empty()) {
                setFigureLabel(layout, frameLabel(options.frameLabel, i, count, names[static_cast<size_t>(i)]));
            }
            drawFigureFrame(*offscreen, surface, layout, style, frame);
        });
    } catch (const std::bad_alloc &) {
        throw Failure("not enough memory to draw the figure");
    }
}

void makeViewerSeries(const char *tool, const RenderOptions &options, size_t count, const ReadMeshInput &read)
{
    const std::string &path = options.outputs.at(0);
    float scale = 1.0f;
    if (seriesOutput(path) == OutputKind::Frames) {
        for (size_t i = 0; i < count; ++i) {
            std::unique_ptr<Mesh, FreeMesh> mesh(read(i, scale));
        }
    }
    std::unique_ptr<Offscreen, CloseOffscreen> offscreen(openOffscreen(options.width, options.height));
    writeTurntable(tool, path, options, static_cast<int>(count), [&](int i, Frame &frame) {
        std::unique_ptr<Mesh, FreeMesh> mesh(read(static_cast<size_t>(i), scale));
        bool smoothBefore = false;
        const ViewState view = viewerView(options, scale, *mesh, smoothBefore);
        drawViewerFrame(*offscreen, *mesh, view, smoothBefore, frame);
    });
}
