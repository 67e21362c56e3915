// Grey PNG images through libpng, from the bytes in memory, where the
// faster whole-image decoding (image_png_whole.cpp) leaves one to it: 1, 2, 4, 8 and
// 16-bit grey, and grey with alpha (the alpha is dropped).  Samples are the
// stored integers, unscaled.  Palette and colour images are refused: their
// pixels are not heights.
//
// libpng reports errors by calling back, and the callback must not return:
// it longjmps back into decode(), whose caller then frees libpng's memory
// and reports the message with the byte where reading stopped.
#include "image_common.h"
#include "raster.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

struct PngSource {
    const std::vector<unsigned char> &bytes;
    size_t at = 0;
    char error[256] = "";
};

// Frees libpng's structures however readPng ends.  The row buffer lives
// here too: decode() may be left by longjmp, so it owns no object that
// needs destroying.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<unsigned char> rows;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

}  // namespace

static void readBytes(png_structp png, png_bytep out, size_t count)
{
    PngSource *in = static_cast<PngSource *>(png_get_io_ptr(png));
    if (count > in->bytes.size() - in->at) {
        in->at = in->bytes.size();  // the message names the end
        png_error(png, "the file ends early");
    }
    std::memcpy(out, in->bytes.data() + in->at, count);
    in->at += count;
}

static void onError(png_structp png, png_const_charp message)
{
    PngSource *in = static_cast<PngSource *>(png_get_error_ptr(png));
    std::snprintf(in->error, sizeof in->error, "%s", message);
    png_longjmp(png, 1);
}

static void onWarning(png_structp, png_const_charp) {}

static std::string sizeText(const Raster &r)
{
    return std::to_string(r.width) + " x " + std::to_string(r.height);
}

// Header checks and transforms, before any pixel is read.
static void prepare(png_structp png, png_infop info, const std::string &name, Raster &r,
                    size_t fileSize)
{
    png_read_info(png, info);
    int type = png_get_color_type(png, info);
    if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_GRAY_ALPHA) {
        imageFail(name, std::string("is a ") +
                            (type == PNG_COLOR_TYPE_PALETTE ? "palette" : "colour") +
                            " image; quarvel-import takes grey elevation images (one height "
                            "per pixel)");
    }
    r.width = long(png_get_image_width(png, info));
    r.height = long(png_get_image_height(png, info));
    pixelCount(name, r.width, r.height);
    if (png_get_bit_depth(png, info) < 8) {
        png_set_packing(png);  // one byte per sample, not scaled
    }
    if (type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_strip_alpha(png);
    }
    if (!pngMayHold(fileSize, r.height, png_get_rowbytes(png, info))) {
        imageFail(name, "the header claims " + sizeText(r) +
                            " pixels, more than the file's data can hold");
    }
}

// Decodes the pixels into samples; false after a libpng error.
static bool decode(PngReader &reader, const std::string &name, Raster &r, size_t fileSize)
{
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    prepare(png, info, name, r, fileSize);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    bool wide = png_get_bit_depth(png, info) == 16;
    // Interlaced images fill every row in several passes: keep all the rows.
    std::vector<unsigned char> &rows = reader.rows;
    rows.resize(rowBytes * (passes > 1 ? size_t(r.height) : 1));
    r.samples.resize(size_t(r.width * r.height));
    unsigned low = 65535, high = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (long y = 0; y < r.height; ++y) {
            unsigned char *row = rows.data() + (passes > 1 ? size_t(y) * rowBytes : 0);
            png_read_row(png, row, nullptr);
            if (pass + 1 < passes) {
                continue;
            }
            double *out = r.samples.data() + y * r.width;
            for (long x = 0; x < r.width; ++x) {
                const unsigned v = wide ? row[2 * x] << 8 | row[2 * x + 1] : row[x];
                low = std::min(low, v);
                high = std::max(high, v);
                out[x] = v;
            }
        }
    }
    png_read_end(png, nullptr);
    r.rangeKnown = true;
    r.lowest = low;
    r.highest = high;
    return true;
}

Raster readPngThroughLibpng(const std::vector<unsigned char> &bytes, const std::string &name)
{
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        imageFail(name, "byte 0: not a PNG file (no PNG signature)");
    }
    PngSource in{bytes, 0, {}};
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &in, onError, onWarning);
    if (reader.png) {
        reader.info = png_create_info_struct(reader.png);
    }
    if (!reader.info) {
        imageFail(name, "out of memory starting libpng");
    }
    png_set_read_fn(reader.png, &in, readBytes);
    // Ancillary chunks are metadata we do not use: skipped unread (libpng
    // would otherwise allocate whatever length a text chunk claims, up to
    // 2 GiB for a file of a few bytes), and their checksums not held
    // against the file.
    png_set_keep_unknown_chunks(reader.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_crc_action(reader.png, PNG_CRC_DEFAULT, PNG_CRC_QUIET_USE);
    Raster r;
    if (!decode(reader, name, r, bytes.size())) {
        imageFail(name, "byte " + std::to_string(in.at) + ": bad PNG data: " + in.error);
    }
    return r;
}

Raster readPng(const std::vector<unsigned char> &bytes, const std::string &name)
{
    Raster r;
    if (readPngWhole(bytes, name, r)) {
        return r;
    }
    return readPngThroughLibpng(bytes, name);
}
