// Text through cairo in a real font (DejaVu Sans, found by fontconfig),
// measured for the layout and drawn antialiased over the picture.
#pragma once

#include <string>

typedef struct _cairo cairo_t;

// A piece of text of a given size in pixels, centred at (x, y), turned a
// quarter turn anticlockwise when upright is set (reading upwards).
struct TextItem {
    std::string text;
    double size = 10.0;
    bool bold = false;
    bool upright = false;
    double x = 0.0, y = 0.0;
    double width = 0.0, height = 0.0;  // the box on the picture, turned
};

// A cairo context of its own, only for measuring; freed with endMeasuring.
cairo_t *beginMeasuring();
void endMeasuring(cairo_t *cr);

// Fills in item's width and height from its text, size and turn.
void measureText(cairo_t *cr, TextItem &item);

// Shortens item's text with an ellipsis until its length along the
// reading direction is at most length (at least the ellipsis stays).
void fitText(cairo_t *cr, TextItem &item, double length);

// Draws item in the current source colour.
void drawText(cairo_t *cr, const TextItem &item);

// The label of a number for the picture: a true minus sign.
std::string withMinusSign(const std::string &label);
