// Where everything of a figure goes on the picture: the box's scale and
// place, tick labels, axis titles, the title and the colour bar, so that
// all of it lies inside the picture and no two texts overlap.
#pragma once

#include <vector>

#include "figure/box.h"
#include "figure/figure_data.h"
#include "figure/text.h"

struct Rect {
    double x0, y0, x1, y1;
};

// A line on the picture, in pixels from the top left.
struct Stroke {
    double x0, y0, x1, y1;
};

// A line in model units (for the panes behind the surface).
struct ModelLine {
    Vec a, b;
};

struct FigureLayout {
    int width = 0, height = 0;
    double textSize = 10.0;
    Camera camera{};
    double scale = 1.0;                   // pixels per model unit
    double centreX = 0.0, centreY = 0.0;  // the box's centre, pixels from the top left
    double radius = 1.0;                  // the box's half diagonal in model units
    std::vector<TextItem> texts;          // title, tick labels, axis titles, the colour bar's
    std::vector<Stroke> strokes;          // axis edges and tick marks, over the picture
    Rect colourBar{};                     // the bar itself
    double colourLow = 0.0, colourHigh = 1.0;
    std::vector<ModelLine> paneGrid;      // behind the surface: lines at the ticks
    std::vector<ModelLine> paneEdges;     // and the back panes' edges
    int labelText = -1;                   // style's label among texts, if any
};

// The text height for a picture of that height.
double figureTextSize(int height);

// The heights the colour map spreads over: style's range, or the map's own
// for the box's heights.
void figureColourRange(const FigureBox &box, const FigureStyle &style, double &low, double &high);

// The layout of a figure of data (its box from figureBox) in style's
// picture, seen from azimuth and style's elevation.  fixedScale > 0 keeps
// that scale and the box centred (a turntable's frames); 0 fits it.
FigureLayout layoutFigure(const FigureBox &box, const FigureData &data, const FigureStyle &style,
                          double azimuth, double fixedScale = 0.0);

// Puts text in place of the label of a layout made with a style's label,
// centred where it was (shortened to fit the picture's width).
void setFigureLabel(FigureLayout &layout, const std::string &text);

// One scale, with the box centred, at which every frame of a turn of the
// given number of frames fits.
double turntableScale(const FigureBox &box, const FigureData &data, const FigureStyle &style, int frames);
