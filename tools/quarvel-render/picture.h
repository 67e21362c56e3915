// The two pictures quarvel-render draws, from data already in memory, so
// that the command line and the Python binding give the same pixels.
#pragma once

#include <vector>

#include "figure/box.h"
#include "figure/figure_data.h"
#include "figure/surface.h"
#include "mesh/mesh.h"
#include "quarvel-render/figure_page.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/options.h"
#include "scene/view_state.h"

// Applies keys to view as the viewer does, one frame after each.  Returns
// the shading of the last of those frames that drew the surface:
// wire-frame lines keep the shade model a shaded frame left behind.
bool applyKeys(const std::vector<Key> &keys, ViewState &view, Mesh &mesh);

// The viewer's view of a mesh read with the given reverse flag and
// fit-to-view scale, after options' keys; smoothBefore as applyKeys says.
ViewState viewerView(const RenderOptions &options, float scale, Mesh &mesh, bool &smoothBefore);

// Puts options' axis titles (--xlabel and the like) in place of data's.
void applyTitles(FigureData &data, const RenderOptions &options);

// A figure ready to draw: the data with options' axis titles, its box and
// its surface.  Throws a Failure (memory included).
struct PreparedFigure {
    FigureData data;
    FigureBox box;
    FigureSurface surface;
};
PreparedFigure prepareFigure(FigureData &&data, const RenderOptions &options);

// The still figure as options' style places it, in an offscreen context of
// the style's size.
void drawFigure(Offscreen &offscreen, const PreparedFigure &figure, const FigureStyle &style, Frame &frame);

// The still figure as a page (see figure_page.h), its 3-D part drawn at
// dpi image pixels to the page's inch.  Throws a Failure when that image
// would pass maxFrameSide.
FigurePage drawFigurePage(Offscreen &offscreen, const PreparedFigure &figure, const FigureStyle &style, int dpi);
