// The 2-D part of a figure, drawn with cairo over the 3-D part: texts,
// axis edges and ticks, the colour bar.
#pragma once

#include "figure/figure_data.h"
#include "figure/layout.h"

// Draws over a picture of layout.width x layout.height pixels held as
// cairo's ARGB32 (top row first, stride bytes a row).  Throws a Failure
// when cairo cannot draw.
void drawFigureOverlay(const FigureLayout &layout, const FigureStyle &style, unsigned char *argb, int stride);
