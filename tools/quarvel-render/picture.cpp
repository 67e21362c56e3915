#include "quarvel-render/picture.h"

#include <new>
#include <string>

#include "base/failure.h"
#include "figure/layout.h"
#include "quarvel-render/figure_relief.h"
#include "ui/commands.h"
#include "ui/view_motion.h"

bool applyKeys(const std::vector<Key> &keys, ViewState &view, Mesh &mesh)
{
    bool smooth = view.smoothShading != 0;  // the viewer's first frame
    for (const Key &key : keys) {
        if (key.arrow) {
            turnCamera(view, key.code);
        } else {
            applyCommand(view, &mesh, key.code);
        }
        if (!view.wireFrame) {
            smooth = view.smoothShading != 0;
        }
    }
    return smooth;
}

ViewState viewerView(const RenderOptions &options, float scale, Mesh &mesh, bool &smoothBefore)
{
    ViewState view = initialViewState;
    view.reverseSurface = options.reverse ? 1 : 0;
    view.scale = scale;
    smoothBefore = applyKeys(options.keys, view, mesh);
    return view;
}

void applyTitles(FigureData &data, const RenderOptions &options)
{
    if (options.xTitleGiven) {
        data.xTitle = options.xTitle;
    }
    if (options.yTitleGiven) {
        data.yTitle = options.yTitle;
    }
    if (options.zTitleGiven) {
        data.zTitle = options.zTitle;
    }
}

PreparedFigure prepareFigure(FigureData &&data, const RenderOptions &options)
{
    try {
        PreparedFigure figure;
        figure.data = std::move(data);
        applyTitles(figure.data, options);
        figure.box = figureBox(figure.data, options.style.relief);
        if (!options.reliefGiven) {
            figure.box = figureBox(figure.data, trueRelief(figure.data, figure.box));
        }
        figure.surface = prepareSurface(figure.data, figure.box, options.style);
        // From here on the layout needs only the box and the titles.
        std::vector<double>().swap(figure.data.x);
        std::vector<double>().swap(figure.data.y);
        std::vector<double>().swap(figure.data.z);
        return figure;
    } catch (const std::bad_alloc &) {
        throw Failure("not enough memory to draw the figure");
    }
}

void drawFigure(Offscreen &offscreen, const PreparedFigure &figure, const FigureStyle &style, Frame &frame)
{
    drawFigureFrame(offscreen, figure.surface, layoutFigure(figure.box, figure.data, style, style.azimuth), style,
                    frame);
}

FigurePage drawFigurePage(Offscreen &offscreen, const PreparedFigure &figure, const FigureStyle &style, int dpi)
{
    FigurePage page;
    page.layout = layoutFigure(figure.box, figure.data, style, style.azimuth);
    page.style = style;
    page.dpi = dpi;
    pageImageSize(style.width, style.height, dpi, page.imageWidth, page.imageHeight);
    if (page.imageWidth > maxFrameSide || page.imageHeight > maxFrameSide) {
        throw Failure("a figure of " + std::to_string(style.width) + "x" + std::to_string(style.height) + " at " +
                      std::to_string(dpi) + " dpi needs an image of " + std::to_string(page.imageWidth) + "x" +
                      std::to_string(page.imageHeight) + " pixels, over " + std::to_string(maxFrameSide) + "x" +
                      std::to_string(maxFrameSide) + ": lower --dpi or --size");
    }
    drawFigureSurface(offscreen, figure.surface, page.layout, style, page.imageWidth, page.imageHeight, page.argb);
    return page;
}
