// Text through cairo in a real font (DejaVu Sans, found by fontconfig),
// measured for the layout and drawn antialiased over the picture.
#pragma once

#include <string>

typedef struct _cairo cairo_t;

// A piece of text of a given size in pixels, centred at (x, y), turned
// by angle (radians, clockwise on the picture: -pi/2 reads upwards).
struct TextItem {
    std::string text;
    double size = 10.0;
    bool bold = false;
    double angle = 0.0;
    double x = 0.0, y = 0.0;
    double along = 0.0, across = 0.0;  // length and height as read
    double width = 0.0, height = 0.0;  // the upright box around it on the picture
};

constexpr double readingUpwards = -1.5707963267948966;

// A cairo context of its own, only for measuring; freed with endMeasuring.
cairo_t *beginMeasuring();
void endMeasuring(cairo_t *cr);

// Fills in item's sizes from its text, size and turn.
void measureText(cairo_t *cr, TextItem &item);

// Shortens item's text with an ellipsis until its length along the
// reading direction is at most length (at least the ellipsis stays).
void fitText(cairo_t *cr, TextItem &item, double length);

// Draws item in the current source colour.
void drawText(cairo_t *cr, const TextItem &item);

// The label of a number for the picture: a true minus sign.
std::string withMinusSign(const std::string &label);
