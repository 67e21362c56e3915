#include "quarvel-render/series.h"

#include <future>
#include <memory>
#include <new>

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

static SeriesShape shapeOf(size_t count, const RenderOptions &options, const ReadFigureInput &read)
{
    SeriesShape shape;
    for (size_t i = 0; i < count; ++i) {
        FigureData data = read(i, false);
        includeExtents(shape.extents, figureExtents(data));
        shape.folds = shape.folds || (!options.reliefGiven && foldsOver(data));
        if (i == 0) {
            data.x.clear();
            data.y.clear();
            data.z.clear();
            data.x.shrink_to_fit();
            data.y.shrink_to_fit();
            data.z.shrink_to_fit();
            shape.first = std::move(data);
        }
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
                               const ReadFigureInput &read)
{
    const FigureData data = read(i, true);
    return prepareSurface(data, box, style);
}

void makeFigureSeries(const char *tool, const RenderOptions &options, const std::vector<std::string> &names,
                      const ReadFigureInput &read)
{
    const std::string &path = options.outputs.at(0);
    seriesOutput(path);
    const int count = static_cast<int>(names.size());
    try {
        const SeriesShape shape = shapeOf(names.size(), options, read);
        const FigureBox box = seriesBox(shape, options);
        FigureStyle style = options.style;
        style.label = options.frameLabel;  // keeps the label's line; each frame fills it
        FigureLayout layout = layoutFigure(box, shape.first, style, style.azimuth);
        std::unique_ptr<Offscreen, CloseOffscreen> offscreen(openOffscreen(style.width, style.height));
        drawFiguresAsFrames(*offscreen);
        // The next input is read and its surface made on a thread of its
        // own while this one is drawn; inputs are still read one at a time,
        // in order.
        std::future<FigureSurface> next;
        auto readNext = [&](int i) {
            next = std::async(std::launch::async, [&, i] { return surfaceOf(static_cast<size_t>(i), box, style, read); });
        };
        writeTurntable(tool, path, options, count, [&](int i, Frame &frame) {
            const FigureSurface surface = i == 0 ? surfaceOf(0, box, style, read) : next.get();
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
