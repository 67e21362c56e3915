// Single-band TIFF and GeoTIFF elevation models through libtiff, from the
// bytes in memory: 8, 16, 32 and 64-bit integer samples, signed or not, and
// 32 and 64-bit floating samples, in strips or tiles, either byte order,
// any compression libtiff decodes.  Multi-band and palette images are
// refused.
//
// From the GeoTIFF tags (through libgeotiff): the pixel spacing
// (ModelPixelScale) in metres for a projected model (its linear unit
// converted, feet included) or in degrees for a geographic one, with the
// latitude of the centre from the tie point; GDAL's no-data value
// (GDAL_NODATA, tag 42113, a number as text).
//
// libtiff's first error becomes the one line of the Failure thrown.  A
// warning about a tag this reader relies on (size, sample type,
// compression, the strip or tile layout, the GeoTIFF tags) is one too:
// libtiff then goes on with a guess, which could make a surface of the
// file's own bytes.  Warnings about other tags are left unsaid.  Before
// any sample is read, every strip or tile the image needs must lie inside
// the file and be able to hold its samples, so no buffer is larger than
// the file can fill.
#include "common/mesh_text.h"
#include "common/quote.h"
#include "image_common.h"
#include "raster.h"

#include <geotiff/geo_normalize.h>
#include <geotiff/geotiff.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <proj.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <mutex>

namespace {

struct TiffSource {
    const std::vector<unsigned char> &bytes;
    toff_t at = 0;
    std::string error;       // libtiff's first error message
    std::string tagWarning;  // its first warning about a tag read here
};

// Closes the TIFF and frees the buffer however readTiff ends.
struct TiffReader {
    TIFF *tif = nullptr;
    std::unique_ptr<unsigned char[]> block;  // one strip or tile as decoded
    ~TiffReader()
    {
        if (tif) {
            TIFFClose(tif);
        }
    }
};

}  // namespace

static const ttag_t gdalNoDataTag = 42113;

static tmsize_t readBytes(thandle_t handle, void *out, tmsize_t count)
{
    TiffSource *in = static_cast<TiffSource *>(handle);
    size_t left = in->at < in->bytes.size() ? in->bytes.size() - in->at : 0;
    size_t n = std::min(size_t(count), left);
    if (n > 0) {
        std::memcpy(out, in->bytes.data() + in->at, n);
    }
    in->at += n;
    return tmsize_t(n);
}

static tmsize_t writeBytes(thandle_t, void *, tmsize_t) { return -1; }

static toff_t seekTo(thandle_t handle, toff_t offset, int whence)
{
    TiffSource *in = static_cast<TiffSource *>(handle);
    toff_t base = whence == SEEK_CUR ? in->at : whence == SEEK_END ? in->bytes.size() : 0;
    in->at = base + offset;
    return in->at;
}

static int closeSource(thandle_t) { return 0; }
static toff_t sourceSize(thandle_t handle) { return static_cast<TiffSource *>(handle)->bytes.size(); }
static int noMap(thandle_t, void **, toff_t *) { return 0; }
static void noUnmap(thandle_t, void *, toff_t) {}

static int onError(TIFF *, void *data, const char *module, const char *format, va_list args)
{
    TiffSource *in = static_cast<TiffSource *>(data);
    if (in->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        in->error = std::string(module ? module : "libtiff") + ": " + text;
    }
    return 1;
}

// The tags whose trouble is a refusal, by libtiff's and libgeotiff's names.
static const char *const tagsRead[] = {
    "ImageWidth", "ImageLength", "BitsPerSample", "SampleFormat", "SamplesPerPixel",
    "Compression", "PlanarConfiguration", "Photometric", "Orientation", "StripOffsets",
    "StripByteCounts", "RowsPerStrip", "TileWidth", "TileLength", "TileOffsets",
    "TileByteCounts", "GeoPixelScale", "GeoTiePoints", "GeoKeyDirectory", "GeoDoubleParams",
    "GeoASCIIParams", "GDALNoDataValue"};

static int onWarning(TIFF *, void *data, const char *module, const char *format, va_list args)
{
    TiffSource *in = static_cast<TiffSource *>(data);
    if (in->tagWarning.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        for (const char *tag : tagsRead) {
            if (std::strstr(text, tag)) {
                in->tagWarning = std::string(module ? module : "libtiff") + ": " + text;
                break;
            }
        }
    }
    return 1;
}

static void onGeoTiffError(GTIF *, int, const char *, ...) {}

// libgeotiff's tags, and GDAL's no-data text, so that libtiff reads them
// with known types.
static TIFFExtendProc nextExtender = nullptr;

static void addGdalTags(TIFF *tif)
{
    static const TIFFFieldInfo noData[] = {
        {gdalNoDataTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char *>("GDALNoDataValue")}};
    TIFFMergeFieldInfo(tif, noData, 1);
    if (nextExtender) {
        nextExtender(tif);
    }
}

static void registerTags()
{
    static std::once_flag once;
    std::call_once(once, [] {
        XTIFFInitialize();
        nextExtender = TIFFSetTagExtender(addGdalTags);
    });
}

static void failTiff(const TiffSource &in, const std::string &name, const std::string &what)
{
    imageFail(name, what + (in.error.empty() ? "" : ": " + printable(in.error)));
}

static void refuseTagWarning(const TiffSource &in, const std::string &name)
{
    if (!in.tagWarning.empty()) {
        imageFail(name, "bad TIFF tag: " + printable(in.tagWarning));
    }
}

// The most bytes one stored byte can decode to, by compression: exact for
// none and PackBits, the formats' limits for LZW (a 12-bit code stands for
// at most 4096 bytes) and Deflate (1032), and a generous bound for the
// rest (a Zstandard run-length block: 4 bytes for 128 KiB).
static double largestExpansion(uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_LZW: return 4096;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return 1032;
    default: return 32768;
    }
}

// Every strip or tile the image needs is there, lies inside the file and
// can hold the samples it must give: checked before any is decoded.
static void checkBlocks(TIFF *tif, const TiffSource &in, const std::string &name, const Raster &r,
                        uint32_t blockWidth, uint32_t blockHeight, int bytesPerSample)
{
    bool tiled = TIFFIsTiled(tif);
    const std::string kind = tiled ? "tile" : "strip";
    uint32_t across = tiled ? uint32_t((r.width + blockWidth - 1) / blockWidth) : 1;
    uint32_t down = uint32_t((r.height + blockHeight - 1) / blockHeight);
    uint32_t stored = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    if (double(across) * down > stored) {
        imageFail(name, "the image needs " +
                            std::to_string(uint64_t(across) * down) + " " + kind + "s" +
                            ", the file lists " + std::to_string(stored));
    }
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const double expansion = largestExpansion(compression);
    for (uint32_t down0 = 0; down0 < down; ++down0) {
        uint32_t rows = std::min(blockHeight, uint32_t(r.height) - down0 * blockHeight);
        for (uint32_t across0 = 0; across0 < across; ++across0) {
            uint32_t block = down0 * across + across0;
            uint64_t offset = TIFFGetStrileOffset(tif, block);
            uint64_t count = TIFFGetStrileByteCount(tif, block);
            std::string which = kind + " " + std::to_string(block);
            if (count == 0 || offset > in.bytes.size() || count > in.bytes.size() - offset) {
                imageFail(name, which + " (bytes " + std::to_string(offset) + " to " +
                                    std::to_string(offset + count) + ") lies outside the " +
                                    std::to_string(in.bytes.size()) + "-byte file" +
                                    (count == 0 ? " or is empty" : ""));
            }
            // A tile is decoded whole; a strip's rows below the image are not.
            double needed = double(tiled ? blockHeight : rows) * blockWidth * bytesPerSample;
            if (needed > double(count) * expansion) {
                imageFail(name, which + " holds " + std::to_string(count) + " bytes, too few for its " +
                                    std::to_string(uint64_t(needed)) + " bytes of samples");
            }
        }
    }
}

static std::string typeText(int format, int bits)
{
    const char *kind = format == SAMPLEFORMAT_IEEEFP ? "floating"
                       : format == SAMPLEFORMAT_INT  ? "signed integer"
                       : format == SAMPLEFORMAT_UINT ? "unsigned integer"
                                                     : "other";
    return std::to_string(bits) + "-bit " + kind;
}

// Whether a double holds v exactly: always, but for 64-bit integers above
// 2^53 that are not a multiple of a large enough power of two.
template <typename T>
static bool heldExactly(T v)
{
    if constexpr (std::is_integral_v<T> && sizeof(T) == 8) {
        double d = double(v);
        return d < 18446744073709551616.0 && d < double(std::numeric_limits<T>::max()) + 1.0 && T(d) == v;
    }
    return true;
}

// Converts count samples; returns the index of the first one a double
// cannot hold exactly, or -1.
template <typename T>
static long convert(const unsigned char *from, double *to, long count)
{
    for (long k = 0; k < count; ++k) {
        T v;
        std::memcpy(&v, from + k * sizeof(T), sizeof(T));
        to[k] = double(v);
        if (!heldExactly(v)) {
            return k;
        }
    }
    return -1;
}

// The sample at from as the file holds it, for a message.
static std::string integerText(const unsigned char *from, bool isSigned)
{
    int64_t i;
    uint64_t u;
    std::memcpy(&i, from, 8);
    std::memcpy(&u, from, 8);
    return isSigned ? std::to_string(i) : std::to_string(u);
}

using Converter = long (*)(const unsigned char *, double *, long);

static Converter converterFor(int format, int bits)
{
    if (format == SAMPLEFORMAT_UINT) {
        return bits == 8 ? convert<uint8_t> : bits == 16 ? convert<uint16_t>
               : bits == 32 ? convert<uint32_t> : bits == 64 ? convert<uint64_t> : nullptr;
    }
    if (format == SAMPLEFORMAT_INT) {
        return bits == 8 ? convert<int8_t> : bits == 16 ? convert<int16_t>
               : bits == 32 ? convert<int32_t> : bits == 64 ? convert<int64_t> : nullptr;
    }
    if (format == SAMPLEFORMAT_IEEEFP) {
        return bits == 32 ? convert<float> : bits == 64 ? convert<double> : nullptr;
    }
    return nullptr;
}

// Decodes block after block (strips, or tiles), copying the part of each
// inside the image into its rows.
static void readBlocks(TiffReader &reader, TiffSource &in, const std::string &name,
                       Raster &r, Converter convert, int bytesPerSample, bool isSigned)
{
    TIFF *tif = reader.tif;
    bool tiled = TIFFIsTiled(tif);
    uint32_t blockWidth = uint32_t(r.width), blockHeight = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &blockWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &blockHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &blockHeight);
        blockHeight = std::min(blockHeight, uint32_t(r.height));
    }
    if (tiled && (blockWidth % 16 != 0 || blockHeight % 16 != 0)) {
        imageFail(name, "tiles of " + std::to_string(blockWidth) + " x " + std::to_string(blockHeight) +
                            " pixels: TIFF tile sides are multiples of 16");
    }
    if (blockWidth > 0 && blockHeight > 0) {
        checkBlocks(tif, in, name, r, blockWidth, blockHeight, bytesPerSample);
    }
    tmsize_t blockSize = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif);
    // A tile may overhang the image, but not by more than the image itself.
    double imageBytes = double(r.width) * double(r.height) * bytesPerSample;
    if (blockWidth == 0 || blockHeight == 0 || blockSize <= 0 ||
        double(blockWidth) * blockHeight * bytesPerSample > double(blockSize) ||
        double(blockSize) > 4 * imageBytes + (1 << 24)) {
        failTiff(in, name, "bad strip or tile layout");
    }
    // Memory is taken as the data turns out to be there: the block buffer
    // untouched until decoded into, the samples a block row at a time
    // (reserved ahead only for an image the file's size makes plausible),
    // so a small file with a lying header fails before using much.
    reader.block.reset(new unsigned char[size_t(blockSize)]);
    if (imageBytes <= 64.0 * double(in.bytes.size())) {
        r.samples.reserve(size_t(r.width * r.height));
    }
    for (uint32_t y0 = 0; y0 < uint32_t(r.height); y0 += blockHeight) {
        for (uint32_t x0 = 0; x0 < uint32_t(r.width); x0 += blockWidth) {
            uint32_t block = tiled ? TIFFComputeTile(tif, x0, y0, 0, 0) : TIFFComputeStrip(tif, y0, 0);
            in.error.clear();  // only this block's trouble is quoted
            tmsize_t got = tiled ? TIFFReadEncodedTile(tif, block, reader.block.get(), blockSize)
                                 : TIFFReadEncodedStrip(tif, block, reader.block.get(), blockSize);
            uint32_t rows = std::min(blockHeight, uint32_t(r.height) - y0);
            uint32_t cols = std::min(blockWidth, uint32_t(r.width) - x0);
            // A short last strip holds only the rows inside the image.
            if (got < 0 || double(rows - 1) * blockWidth * bytesPerSample +
                                   double(cols) * bytesPerSample > double(got)) {
                failTiff(in, name, std::string(tiled ? "tile " : "strip ") +
                                       std::to_string(block) + " cannot be read");
            }
            r.samples.resize(std::max(r.samples.size(), size_t(y0 + rows) * size_t(r.width)));
            for (uint32_t y = 0; y < rows; ++y) {
                const unsigned char *from = reader.block.get() + size_t(y) * blockWidth * bytesPerSample;
                long inexact = convert(from, r.samples.data() + (y0 + y) * r.width + x0, cols);
                if (inexact >= 0) {
                    imageFail(name, "sample at row " + std::to_string(y0 + y + 1) + ", column " +
                                        std::to_string(x0 + uint32_t(inexact) + 1) + " is " +
                                        integerText(from + inexact * bytesPerSample, isSigned) +
                                        ", which a double cannot hold exactly");
                }
            }
        }
    }
}

// Rows stored bottom first or right to left (Orientation 2 to 4) are put
// top first, left to right.
static void orient(Raster &r, int orientation)
{
    bool mirror = orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT;
    bool flip = orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT;
    for (long y = 0; mirror && y < r.height; ++y) {
        std::reverse(r.samples.begin() + y * r.width, r.samples.begin() + (y + 1) * r.width);
    }
    for (long y = 0; flip && y < r.height / 2; ++y) {
        std::swap_ranges(r.samples.begin() + y * r.width, r.samples.begin() + (y + 1) * r.width,
                         r.samples.begin() + (r.height - 1 - y) * r.width);
    }
}

// PROJ, which libgeotiff asks about units and coordinate systems, prints
// its own complaints about codes it does not know; what matters to the
// user is said once, as a note of ours.
static void quietProj(void *, int, const char *) {}

// Whether the file's units are ones PROJ knows: the units code where one
// is given, else the coordinate system's code (which implies units), else
// nothing said (then metres or degrees are taken).
static bool unitsKnown(GTIF *geo, PJ_CONTEXT *proj, bool projected)
{
    unsigned short code = 0;
    double size = 0;
    if (GTIFKeyGetSHORT(geo, projected ? ProjLinearUnitsGeoKey : GeogAngularUnitsGeoKey, &code, 0, 1) == 1 &&
        code != KvUserDefined) {
        return projected ? GTIFGetUOMLengthInfoEx(proj, code, nullptr, &size) && size > 0
                         : GTIFGetUOMAngleInfoEx(proj, code, nullptr, &size) && size > 0;
    }
    if (GTIFKeyGetSHORT(geo, projected ? ProjectedCSTypeGeoKey : GeographicTypeGeoKey, &code, 0, 1) == 1 &&
        code != KvUserDefined) {
        return projected ? GTIFGetPCSInfoEx(proj, code, nullptr, nullptr, nullptr, nullptr)
                         : GTIFGetGCSInfoEx(proj, code, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

static void addNote(Raster &r, const std::string &note)
{
    if (r.note.empty()) {
        r.note = note + "; the pixel spacing is not used";
    }
}

// The short name of a projection's linear unit given in metres, or "".
static std::string lengthName(double unit)
{
    return unit == 1                                 ? "m"
           : std::fabs(unit - 0.3048) < 1e-12         ? "ft"
           : std::fabs(unit - 1200.0 / 3937.0) < 1e-12 ? "US ft"
                                                      : "";
}

// The tie point (I, J) -> (X, Y) and the pixel size place every pixel:
// raster (0, 0) is the top-left pixel's corner (PixelIsArea) or centre
// (PixelIsPoint).  The file's coordinates times k.
static void placePixels(Raster &r, const double *scale, const double *tie, bool pointPixels, double k)
{
    const double toCentre = pointPixels ? 0 : 0.5;
    r.x0 = (tie[3] + (toCentre - tie[0]) * scale[0]) * k;
    r.y0 = (tie[4] - (toCentre - tie[1]) * scale[1]) * k;
    r.xStep = scale[0] * k;
    r.yStep = -scale[1] * k;
    r.placed = std::isfinite(r.x0) && std::isfinite(r.y0) && std::isfinite(r.xStep) && std::isfinite(r.yStep);
}

// Spacing from ModelPixelScale, in metres or degrees per the GeoTIFF keys.
// Units or a coordinate system that PROJ does not know leave the spacing
// unknown, with a note, rather than taken as metres.
static void readSpacing(TIFF *tif, Raster &r)
{
    uint16_t count = 0;
    double *scale = nullptr, *tie = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_GEOPIXELSCALE, &count, &scale)) {
        return;
    }
    if (count < 2 || !(scale[0] > 0) || !(scale[1] > 0) || !std::isfinite(scale[0] * scale[1])) {
        std::string shown = count < 2 ? std::to_string(count) + " value" + (count == 1 ? "" : "s")
                                      : formatNumber(scale[0]) + ", " + formatNumber(scale[1]);
        addNote(r, "the pixel size (ModelPixelScale: " + shown + ") is not usable");
        return;
    }
    struct DestroyContext {
        void operator()(PJ_CONTEXT *c) const { proj_context_destroy(c); }
    };
    std::unique_ptr<PJ_CONTEXT, DestroyContext> proj(proj_context_create());
    if (!proj) {
        return;
    }
    proj_log_func(proj.get(), nullptr, quietProj);
    GTIF *geo = GTIFNewEx(tif, onGeoTiffError, nullptr);
    if (!geo) {
        return;
    }
    GTIFAttachPROJContext(geo, proj.get());
    GTIFDefn defn;
    bool known = GTIFGetDefn(geo, &defn) && defn.DefnSet;
    bool projected = defn.Model == ModelTypeProjected;
    std::string unknown = !known || unitsKnown(geo, proj.get(), projected) ? ""
                          : projected ? "the projected units (or EPSG code) are unknown"
                                      : "the angular units (or EPSG code) are unknown";
    unsigned short rasterType = RasterPixelIsArea;
    GTIFKeyGetSHORT(geo, GTRasterTypeGeoKey, &rasterType, 0, 1);
    GTIFFree(geo);
    if (!known) {
        return;
    }
    if (!unknown.empty()) {
        addNote(r, unknown);
        return;
    }
    const bool hasTie = TIFFGetField(tif, TIFFTAG_GEOTIEPOINTS, &count, &tie) && count >= 6;
    // Labels in the file's own unit when it has a short name, else in
    // metres; in degrees for a geographic model.
    double k = 0;
    if (projected && defn.UOMLengthInMeters > 0) {
        r.dx = scale[0] * defn.UOMLengthInMeters;
        r.dy = scale[1] * defn.UOMLengthInMeters;
        r.spacingKnown = true;
        r.unit = lengthName(defn.UOMLengthInMeters);
        k = r.unit.empty() ? defn.UOMLengthInMeters : 1;
        r.unit = r.unit.empty() ? "m" : r.unit;
    } else if (defn.Model == ModelTypeGeographic && defn.UOMAngleInDegrees > 0) {
        k = defn.UOMAngleInDegrees;
    }
    if (k > 0 && hasTie) {
        placePixels(r, scale, tie, rasterType == RasterPixelIsPoint, k);
    }
    if (!projected && r.placed) {
        const double latitude = r.y0 + r.yStep * double(r.height - 1) / 2.0;
        if (std::fabs(latitude) <= 90) {
            r.dx = r.xStep;
            r.dy = -r.yStep;
            r.degrees = true;
            r.latitude = latitude;
            r.spacingKnown = true;
        } else {
            r.placed = false;
        }
    }
}

static void readNoData(TIFF *tif, const std::string &name, Raster &r, int format, int bits)
{
    const char *text = nullptr;
    if (!TIFFGetField(tif, gdalNoDataTag, &text) || !text) {
        return;
    }
    char *end;
    double value = std::strtod(text, &end);
    while (*end == ' ') {
        ++end;
    }
    if (end == text || *end) {
        imageFail(name, "the no-data tag (GDAL_NODATA) " + printable(text, '"') + " is not a number");
    }
    if (std::isnan(value)) {
        return;  // NaN samples are no-data anyway
    }
    // Compare like GDAL, in the samples' own precision.
    r.noData = format == SAMPLEFORMAT_IEEEFP && bits == 32 ? double(float(value)) : value;
    r.hasNoData = true;
}

Raster readTiff(const std::vector<unsigned char> &bytes, const std::string &name)
{
    if (bytes.size() < 4 || !((bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M'))) {
        imageFail(name, "byte 0: not a TIFF file (it starts with neither II nor MM)");
    }
    registerTags();
    TiffSource in{bytes, 0, {}, {}};
    TiffReader reader;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, &in);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, &in);
    reader.tif = TIFFClientOpenExt(name.c_str(), "rm", &in, readBytes, writeBytes, seekTo,
                                   closeSource, sourceSize, noMap, noUnmap, options);
    TIFFOpenOptionsFree(options);
    if (!reader.tif) {
        failTiff(in, name, "not a readable TIFF file");
    }
    TIFF *tif = reader.tif;
    refuseTagWarning(in, name);
    in.error.clear();  // what went wrong with other tags on the way does not matter
    uint32_t width = 0, height = 0;
    uint16_t samplesPerPixel = 1, bits = 1, format = SAMPLEFORMAT_UINT, photometric = 0, orientation = 1;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (samplesPerPixel != 1) {
        imageFail(name, "has " + std::to_string(samplesPerPixel) +
                            " bands; quarvel-import takes single-band elevation images");
    }
    if (photometric == PHOTOMETRIC_PALETTE) {
        imageFail(name, "is a palette image; quarvel-import takes single-band elevation images");
    }
    Converter convert = converterFor(format, bits);
    if (!convert) {
        imageFail(name, "has " + typeText(format, bits) + " samples; quarvel-import takes 8 to "
                        "64-bit integers and 32 or 64-bit floating point");
    }
    if (orientation > ORIENTATION_BOTLEFT) {
        imageFail(name, "is stored transposed (TIFF orientation " + std::to_string(orientation) +
                            "), which quarvel-import does not read");
    }
    Raster r;
    r.width = long(width);
    r.height = long(height);
    pixelCount(name, r.width, r.height);
    readBlocks(reader, in, name, r, convert, bits / 8, format == SAMPLEFORMAT_INT);
    orient(r, orientation);
    readSpacing(tif, r);
    readNoData(tif, name, r, format, bits);
    refuseTagWarning(in, name);  // libgeotiff reads its tags late
    return r;
}
