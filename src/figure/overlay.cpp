#include "figure/overlay.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "base/failure.h"
#include "figure/colour_map.h"

static void setColour(cairo_t *cr, const Rgb &c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// Row by row, the top row the high end; framed.
static void drawColourBar(cairo_t *cr, const FigureLayout &l, const FigureStyle &style)
{
    const double x0 = std::round(l.colourBar.x0), x1 = std::round(l.colourBar.x1);
    const double y0 = std::round(l.colourBar.y0), y1 = std::round(l.colourBar.y1);
    for (double y = y0; y < y1; ++y) {
        const double value = l.colourHigh - (y + 0.5 - y0) / (y1 - y0) * (l.colourHigh - l.colourLow);
        setColour(cr, colourOf(style.colourMap, value, l.colourLow, l.colourHigh));
        cairo_rectangle(cr, x0, y, x1 - x0, 1.0);
        cairo_fill(cr);
    }
    setColour(cr, inkOn(style.background, 0.45));
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, x0 + 0.5, y0 + 0.5, x1 - x0 - 1.0, y1 - y0 - 1.0);
    cairo_stroke(cr);
}

void drawFigureOverlay(const FigureLayout &l, const FigureStyle &style, unsigned char *argb, int stride)
{
    cairo_surface_t *surface = cairo_image_surface_create_for_data(argb, CAIRO_FORMAT_RGB24, l.width, l.height, stride);
    cairo_t *cr = cairo_create(surface);
    cairo_surface_destroy(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        throw Failure("cannot draw the figure's text: cairo has no memory");
    }
    drawColourBar(cr, l, style);
    setColour(cr, inkOn(style.background, 0.8));
    cairo_set_line_width(cr, std::max(1.0, l.textSize / 12.0));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    for (const Stroke &s : l.strokes) {
        cairo_move_to(cr, s.x0, s.y0);
        cairo_line_to(cr, s.x1, s.y1);
    }
    cairo_stroke(cr);
    setColour(cr, inkOn(style.background, 0.9));
    for (const TextItem &t : l.texts) {
        drawText(cr, t);
    }
    cairo_surface_flush(cairo_get_target(cr));
    cairo_destroy(cr);
}
