#include "quarvel-render/image_files.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "base/failure.h"
#include "common/quote.h"
#include "image/bmp_write.h"

void writeBmp(FILE *stream, const Frame &frame)
{
    writeBmpHeaders(stream, frame.width, frame.height);
    writeBmpRows(stream, frame.rgb.data(), frame.width, frame.height);
}

// Why libpng gave up: its own words, or the reason a write failed.
static std::string pngFailure;

static void pngError(png_structp png, png_const_charp message)
{
    pngFailure = message;
    png_longjmp(png, 1);
}

static void pngWarning(png_structp, png_const_charp) {}

// libpng's own writer says only "Write Error"; the reason is errno's.
static void pngWrite(png_structp png, png_bytep bytes, size_t length)
{
    FILE *stream = static_cast<FILE *>(png_get_io_ptr(png));
    errno = 0;
    if (std::fwrite(bytes, 1, length, stream) != length) {
        png_error(png, std::strerror(errno ? errno : EIO));
    }
}

static void pngFlush(png_structp) {}  // commitOutput flushes and checks

void writePng(const char *path, FILE *stream, const Frame &frame)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        throw Failure("cannot write " + printable(path) + ": out of memory");
    }
    // The frame's rows are bottom-up; a PNG's are top-down.
    std::vector<png_bytep> rows(static_cast<size_t>(frame.height));
    const size_t stride = static_cast<size_t>(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(frame.rgb.data() + stride * static_cast<size_t>(frame.height - 1 - y));
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw Failure("error writing " + printable(path) + ": " + pngFailure);
    }
    png_set_write_fn(png, stream, pngWrite, pngFlush);
    // Level 1 and one filter: several times faster than the defaults for
    // a few per cent more bytes on shaded surfaces.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width), static_cast<png_uint_32>(frame.height),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
}
