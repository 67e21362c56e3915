#include "figure/overlay.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/failure.h"
#include "figure/colour_map.h"

static void setColour(cairo_t *cr, const Rgb &c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// A colour channel in 8 bits as cairo fills it on a picture (to 16 bits,
// rounded, then the high byte), so the bar's pixels are a fill's.
static uint32_t channel(double v)
{
    return static_cast<uint32_t>(std::clamp(v, 0.0, 1.0) * 65535.0 + 0.5) >> 8;
}

// One pixel a row, the top row the high end, drawn as an image without
// smoothing: the same pixels as filled rows on the picture, and on a page
// a few bytes that keep the earth map's coast sharp.  Framed.
static void drawColourBar(cairo_t *cr, const FigureLayout &l, const FigureStyle &style)
{
    const double x0 = std::round(l.colourBar.x0), x1 = std::round(l.colourBar.x1);
    const double y0 = std::round(l.colourBar.y0), y1 = std::round(l.colourBar.y1);
    const int rows = static_cast<int>(y1 - y0);
    if (rows > 0 && x1 > x0) {
        cairo_surface_t *bar = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, rows);
        if (cairo_surface_status(bar) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(bar);
            throw Failure("cannot draw the figure's colour bar: cairo has no memory");
        }
        cairo_surface_flush(bar);
        unsigned char *pixels = cairo_image_surface_get_data(bar);
        const int stride = cairo_image_surface_get_stride(bar);
        for (int y = 0; y < rows; ++y) {
            const double value = l.colourHigh - (y + 0.5) / rows * (l.colourHigh - l.colourLow);
            const Rgb c = colourOf(style.colourMap, value, l.colourLow, l.colourHigh);
            const uint32_t pixel = 0xFF000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
            std::memcpy(pixels + static_cast<size_t>(y) * stride, &pixel, 4);
        }
        cairo_surface_mark_dirty(bar);
        cairo_save(cr);
        cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        cairo_clip(cr);
        cairo_translate(cr, x0, y0);
        cairo_scale(cr, x1 - x0, 1.0);
        cairo_set_source_surface(cr, bar, 0.0, 0.0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(bar);
    }
    setColour(cr, inkOn(style.background, 0.45));
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, x0 + 0.5, y0 + 0.5, x1 - x0 - 1.0, y1 - y0 - 1.0);
    cairo_stroke(cr);
}

void drawFigureOverlayOn(cairo_t *cr, const FigureLayout &l, const FigureStyle &style)
{
    cairo_save(cr);
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
    cairo_restore(cr);
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
    drawFigureOverlayOn(cr, l, style);
    cairo_surface_flush(cairo_get_target(cr));
    cairo_destroy(cr);
}
