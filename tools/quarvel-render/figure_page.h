// A figure as a page of a .pdf or .svg file: its 3-D part an embedded
// image, its box edges, ticks, colour bar and texts cairo's own paths and
// text, so that it scales in a document and its labels can be searched.
#pragma once

#include <cstdio>
#include <vector>

#include "figure/layout.h"
#include "quarvel-render/output_kind.h"

// A figure's pixels are CSS's and the screen's, 96 to the inch: an
// 800x600 figure is a page of 600x450 points.
constexpr int pagePixelsPerInch = 96;

struct FigurePage {
    FigureLayout layout;  // in the figure's pixels
    FigureStyle style;
    // The 3-D part, image pixels to the page's inch (pagePixelsPerInch:
    // the figure's own pixels), as cairo's ARGB32, top row first.
    int dpi = pagePixelsPerInch;
    int imageWidth = 0, imageHeight = 0;
    std::vector<unsigned char> argb;
};

// The image's size in pixels for a figure of width x height at dpi.
void pageImageSize(int width, int height, int dpi, int &imageWidth, int &imageHeight);

// Writes page as kind (Pdf or Svg) to stream, with no date in it, so the
// same figure gives the same bytes.  Throws a Failure naming path.
void writeFigurePage(const char *path, FILE *stream, OutputKind kind, const FigurePage &page);
