#include "figure/text.h"

#include <cairo.h>

#include <cmath>

#include "base/failure.h"

static const char fontFamily[] = "DejaVu Sans";

cairo_t *beginMeasuring()
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t *cr = cairo_create(surface);
    cairo_surface_destroy(surface);  // the context keeps it
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        throw Failure("cannot measure text: cairo has no memory");
    }
    return cr;
}

void endMeasuring(cairo_t *cr) { cairo_destroy(cr); }

static void selectFont(cairo_t *cr, const TextItem &item)
{
    cairo_select_font_face(cr, fontFamily, CAIRO_FONT_SLANT_NORMAL,
                           item.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, item.size);
}

// Along the reading direction, the advance; across it, the font's ascent
// and descent, the same for every text of one size so labels line up.
static void measureFlat(cairo_t *cr, const TextItem &item, double &along, double &across)
{
    selectFont(cr, item);
    cairo_text_extents_t text;
    cairo_text_extents(cr, item.text.c_str(), &text);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    along = text.x_advance;
    across = font.ascent + font.descent;
}

void measureText(cairo_t *cr, TextItem &item)
{
    measureFlat(cr, item, item.along, item.across);
    const double c = std::fabs(std::cos(item.angle)), s = std::fabs(std::sin(item.angle));
    item.width = c * item.along + s * item.across;
    item.height = s * item.along + c * item.across;
}

// Drops whole UTF-8 characters from the end.
static void dropLastCharacter(std::string &text)
{
    while (!text.empty()) {
        const unsigned char last = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((last & 0xC0) != 0x80) {
            return;
        }
    }
}

void fitText(cairo_t *cr, TextItem &item, double length)
{
    measureText(cr, item);
    if (item.along <= length) {
        return;
    }
    std::string kept = item.text;
    while (!kept.empty()) {
        dropLastCharacter(kept);
        item.text = kept + "\xE2\x80\xA6";
        measureText(cr, item);
        if (item.along <= length) {
            return;
        }
    }
}

void drawText(cairo_t *cr, const TextItem &item)
{
    double along, across;
    measureFlat(cr, item, along, across);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_save(cr);
    cairo_translate(cr, item.x, item.y);
    cairo_rotate(cr, item.angle);
    // The box's centre to the start of the baseline.
    cairo_move_to(cr, -along / 2.0, -across / 2.0 + font.ascent);
    cairo_show_text(cr, item.text.c_str());
    cairo_restore(cr);
}

std::string withMinusSign(const std::string &label)
{
    std::string text;
    for (char c : label) {
        text += c == '-' ? std::string("\xE2\x88\x92") : std::string(1, c);
    }
    return text;
}
