// The 2-D part of a figure, drawn with cairo over the 3-D part: texts,
// axis edges and ticks, the colour bar.
#pragma once

#include "figure/figure_data.h"
#include "figure/layout.h"

typedef struct _cairo cairo_t;

// Draws into cr, whose user space is the picture's pixels from the top
// left: an image surface, or a PDF or SVG page scaled to them, where the
// lines are paths and the texts text.  Leaves cr's state as it was.
void drawFigureOverlayOn(cairo_t *cr, const FigureLayout &layout, const FigureStyle &style);

// Draws over a picture of layout.width x layout.height pixels held as
// cairo's ARGB32 (top row first, stride bytes a row).  Throws a Failure
// when cairo cannot draw.
void drawFigureOverlay(const FigureLayout &layout, const FigureStyle &style, unsigned char *argb, int stride);
