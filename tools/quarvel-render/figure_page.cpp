#include "quarvel-render/figure_page.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "base/failure.h"
#include "common/quote.h"
#include "figure/overlay.h"

void pageImageSize(int width, int height, int dpi, int &imageWidth, int &imageHeight)
{
    imageWidth = static_cast<int>(std::lround(static_cast<double>(width) * dpi / pagePixelsPerInch));
    imageHeight = static_cast<int>(std::lround(static_cast<double>(height) * dpi / pagePixelsPerInch));
}

// Where cairo's bytes go, and the first write's failure.
struct Sink {
    FILE *stream;
    int error;
};

static cairo_status_t writeBytes(void *closure, const unsigned char *data, unsigned int length)
{
    Sink &sink = *static_cast<Sink *>(closure);
    errno = 0;
    if (std::fwrite(data, 1, length, sink.stream) != length) {
        if (!sink.error) {
            sink.error = errno ? errno : EIO;
        }
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

static cairo_surface_t *pageSurface(OutputKind kind, Sink &sink, double width, double height)
{
    if (kind == OutputKind::Svg) {
        cairo_surface_t *surface = cairo_svg_surface_create_for_stream(writeBytes, &sink, width, height);
        cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PT);
        return surface;
    }
    cairo_surface_t *surface = cairo_pdf_surface_create_for_stream(writeBytes, &sink, width, height);
    // cairo would stamp the time of writing.
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2000-01-01T00:00:00Z");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_MOD_DATE, "2000-01-01T00:00:00Z");
    return surface;
}

// The image over the whole figure, the overlay on it, in the figure's pixels.
static void drawPage(cairo_t *cr, cairo_surface_t *image, const FigurePage &page)
{
    const FigureLayout &l = page.layout;
    cairo_scale(cr, 72.0 / pagePixelsPerInch, 72.0 / pagePixelsPerInch);
    cairo_save(cr);
    cairo_scale(cr, static_cast<double>(l.width) / page.imageWidth, static_cast<double>(l.height) / page.imageHeight);
    cairo_set_source_surface(cr, image, 0.0, 0.0);
    cairo_paint(cr);
    cairo_restore(cr);
    drawFigureOverlayOn(cr, l, page.style);
    cairo_show_page(cr);
}

void writeFigurePage(const char *path, FILE *stream, OutputKind kind, const FigurePage &page)
{
    Sink sink{stream, 0};
    const double points = 72.0 / pagePixelsPerInch;
    cairo_surface_t *surface = pageSurface(kind, sink, page.layout.width * points, page.layout.height * points);
    cairo_surface_t *image = cairo_image_surface_create_for_data(const_cast<unsigned char *>(page.argb.data()),
                                                                 CAIRO_FORMAT_RGB24, page.imageWidth,
                                                                 page.imageHeight, page.imageWidth * 4);
    cairo_t *cr = cairo_create(surface);
    try {
        if (cairo_status(cr) == CAIRO_STATUS_SUCCESS) {
            drawPage(cr, image, page);
        }
    } catch (...) {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        cairo_surface_destroy(image);
        throw;
    }
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS) {
        status = cairo_surface_status(surface);
    }
    cairo_surface_destroy(surface);
    cairo_surface_destroy(image);
    if (sink.error) {
        throw Failure("error writing " + printable(path) + ": " + std::strerror(sink.error));
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        throw Failure("cannot write " + printable(path) + ": " + cairo_status_to_string(status));
    }
}
