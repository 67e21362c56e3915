// The elevation-image readers: images written here with libpng, libtiff and
// libgeotiff (PGM by hand) must read back sample for sample, top row first,
// with the spacing and no-data their tags carry; every refusal is one line.
#include "base/failure.h"
#include "raster.h"

#include <geotiff/geotiff.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <unistd.h>

using Bytes = std::vector<unsigned char>;

// 3 wide, 2 high; the top row first.
static const std::vector<double> kSamples = {1, 2, 3, 40, 50, 255};
static const std::vector<double> kWide = {0, 258, 3, 4000, 50, 65535};

static void appendPng(png_structp png, png_bytep data, size_t size)
{
    Bytes *out = static_cast<Bytes *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

static void flushNothing(png_structp) {}

// Samples of one channel; extra channels (alpha, colour) are written as 7.
static Bytes makePng(int colorType, int bits, const std::vector<double> &samples,
                     int interlace = PNG_INTERLACE_NONE, long width = 3, long height = 2)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendPng, flushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), bits, colorType, interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[2] = {{0, 0, 0}, {255, 0, 0}};
        png_set_PLTE(png, info, palette, 2);
    }
    png_write_info(png, info);
    png_set_packing(png);
    int channels = png_get_channels(png, info);
    int bytes = bits == 16 ? 2 : 1;
    std::vector<Bytes> rows(size_t(height), Bytes(size_t(width * channels * bytes), 7));
    std::vector<png_bytep> pointers;
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width && size_t(y * width + x) < samples.size(); ++x) {
            unsigned v = unsigned(samples[size_t(y * width + x)]);
            unsigned char *p = &rows[size_t(y)][size_t(x * channels * bytes)];
            if (bytes == 2) {
                p[0] = (unsigned char)(v >> 8), p[1] = (unsigned char)v;
            } else {
                p[0] = (unsigned char)v;
            }
        }
        pointers.push_back(rows[size_t(y)].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

static Bytes text(const std::string &s) { return Bytes(s.begin(), s.end()); }

struct TiffLayout {
    int bits = 16, format = SAMPLEFORMAT_UINT, bands = 1;
    bool bigEndian = false, tiled = false;
    std::vector<double> samples = kSamples;
    long width = 3, height = 2;
    std::function<void(TIFF *, GTIF *)> tags = nullptr;
};

template <typename T>
static Bytes packed(const std::vector<double> &samples, int bands)
{
    Bytes out(samples.size() * sizeof(T) * size_t(bands));
    for (size_t k = 0; k < samples.size() * size_t(bands); ++k) {
        T v = T(samples[k / size_t(bands)]);
        std::memcpy(&out[k * sizeof(T)], &v, sizeof v);
    }
    return out;
}

static Bytes makeTiff(const TiffLayout &s)
{
    std::string path = testing::TempDir() + "image_readers_test." + std::to_string(getpid()) + ".tif";
    TIFF *tif = XTIFFOpen(path.c_str(), s.bigEndian ? "wb" : "wl");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(s.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(s.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(s.bands));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(s.bits));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, uint16_t(s.format));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.bands == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    if (s.tags) {
        GTIF *geo = GTIFNew(tif);
        s.tags(tif, geo);
        GTIFWriteKeys(geo);
        GTIFFree(geo);
    }
    Bytes data = s.format == SAMPLEFORMAT_IEEEFP ? (s.bits == 32 ? packed<float>(s.samples, s.bands)
                                                                 : packed<double>(s.samples, s.bands))
                 : s.bits == 8  ? packed<uint8_t>(s.samples, s.bands)
                 : s.bits == 16 ? (s.format == SAMPLEFORMAT_INT ? packed<int16_t>(s.samples, s.bands)
                                                                : packed<uint16_t>(s.samples, s.bands))
                                : packed<int32_t>(s.samples, s.bands);
    size_t rowBytes = data.size() / size_t(s.height);
    if (s.tiled) {
        // 16 x 16 tiles, the image's rows copied into each tile's top left.
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        size_t sampleBytes = rowBytes / size_t(s.width);
        for (long ty = 0; ty < s.height; ty += 16) {
            for (long tx = 0; tx < s.width; tx += 16) {
                Bytes tile(16 * 16 * sampleBytes, 0);
                for (long y = ty; y < std::min(ty + 16, s.height); ++y) {
                    long cols = std::min(16L, s.width - tx);
                    std::memcpy(&tile[size_t(y - ty) * 16 * sampleBytes],
                                &data[size_t(y) * rowBytes + size_t(tx) * sampleBytes], size_t(cols) * sampleBytes);
                }
                TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0);
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1u);
        for (long y = 0; y < s.height; ++y) {
            TIFFWriteScanline(tif, &data[size_t(y) * rowBytes], uint32_t(y), 0);
        }
    }
    XTIFFClose(tif);
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

static void gdalNoData(TIFF *tif, const char *value)
{
    static const TIFFFieldInfo info[] = {
        {42113, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char *>("GDALNoDataValue")}};
    TIFFMergeFieldInfo(tif, info, 1);
    TIFFSetField(tif, 42113, value);
}

static void projected(TIFF *tif, GTIF *geo, int unit, double scale)
{
    double scales[3] = {scale, 2 * scale, 0};
    TIFFSetField(tif, TIFFTAG_GEOPIXELSCALE, 3, scales);
    GTIFKeySet(geo, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeProjected);
    GTIFKeySet(geo, ProjLinearUnitsGeoKey, TYPE_SHORT, 1, unit);
}

// A large tiled float image: the tiles' overhang must be cut off.
static TiffLayout bigTiled()
{
    TiffLayout s{32, SAMPLEFORMAT_IEEEFP, 1, true, true};
    s.width = 37, s.height = 21;
    s.samples.clear();
    for (long k = 0; k < s.width * s.height; ++k) {
        s.samples.push_back(k == 5 ? NAN : double(k) * 0.25 - 3);
    }
    return s;
}

static Raster readAs(char kind, const Bytes &bytes)
{
    return kind == 'p' ? readPng(bytes, "t") : kind == 'g' ? readPgm(bytes, "t") : readTiff(bytes, "t");
}

TEST(ImageReaders, SamplesLandTopRowFirst)
{
    const TiffLayout big = bigTiled();
    struct Case {
        const char *what;
        char kind;
        Bytes bytes;
        std::vector<double> expect;
        long width = 3;
    } cases[] = {
        {"png 8-bit", 'p', makePng(PNG_COLOR_TYPE_GRAY, 8, kSamples), kSamples},
        {"png 16-bit", 'p', makePng(PNG_COLOR_TYPE_GRAY, 16, kWide), kWide},
        {"png 16-bit interlaced", 'p', makePng(PNG_COLOR_TYPE_GRAY, 16, kWide, PNG_INTERLACE_ADAM7), kWide},
        {"png 2-bit, unscaled", 'p', makePng(PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3, 2, 1}), {0, 1, 2, 3, 2, 1}},
        {"png grey and alpha", 'p', makePng(PNG_COLOR_TYPE_GRAY_ALPHA, 16, kWide), kWide},
        {"pgm P2", 'g', text("P2\n# c\n3 2 255\n1 2 3\n40 50\n255\n"), kSamples},
        {"pgm P5 8-bit", 'g', text("P5 3#c\n2 255\n\x01\x02\x03\x28\x32\xff"), kSamples},
        {"pgm P5, comment after maxval", 'g', text("P5 3 2 255#c\n\x01\x02\x03\x28\x32\xff"), kSamples},
        {"pgm P5, CR after maxval", 'g', text("P5 3 2 255#c\r\x01\x02\x03\x28\x32\xff"), kSamples},
        {"pgm P5 16-bit", 'g', text(std::string("P5 3 2 65535\n\0\0\x01\x02\0\x03\x0f\xa0\0\x32\xff\xff", 25)), kWide},
        {"tiff uint16 strips", 't', makeTiff({}), kSamples},
        {"tiff int16 big-endian", 't', makeTiff({16, SAMPLEFORMAT_INT, 1, true, false, {-1, 2, -300, 4, 5, 6}}),
         {-1, 2, -300, 4, 5, 6}},
        {"tiff uint8", 't', makeTiff({8}), kSamples},
        {"tiff int32 tiles", 't', makeTiff({32, SAMPLEFORMAT_INT, 1, false, true}), kSamples},
        {"tiff float64", 't', makeTiff({64, SAMPLEFORMAT_IEEEFP, 1, true, false, {0.1, -2.5, 1e300, 4, 5, 6}}),
         {0.1, -2.5, 1e300, 4, 5, 6}},
        {"tiff float32 tiles, NaN kept", 't', makeTiff(big), big.samples, big.width},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Raster r = readAs(c.kind, c.bytes);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, long(c.expect.size()) / c.width);
        ASSERT_EQ(r.samples.size(), c.expect.size());
        for (size_t k = 0; k < c.expect.size(); ++k) {
            if (std::isnan(c.expect[k])) {
                EXPECT_TRUE(std::isnan(r.samples[k])) << k;
            } else {
                EXPECT_EQ(r.samples[k], c.expect[k]) << k;
            }
        }
        EXPECT_FALSE(r.spacingKnown);
        EXPECT_FALSE(r.hasNoData);
    }
}

TEST(ImageReaders, GeoTiffSpacingAndNoData)
{
    struct Case {
        const char *what;
        TiffLayout layout;
        bool spacingKnown, degrees;
        double dx, dy, latitude;
        bool hasNoData;
        double noData;
        const char *note = "";
    } cases[] = {
        {"metres", {16, 1, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *g) { projected(t, g, Linear_Meter, 30); }},
         true, false, 30, 60, 0, false, 0},
        {"feet", {16, 1, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *g) { projected(t, g, Linear_Foot, 10); }},
         true, false, 3.048, 6.096, 0, false, 0},
        {"degrees, the centre's latitude from the tie point",
         {16, 1, 1, true, false, kSamples, 3, 2,
          [](TIFF *t, GTIF *g) {
              double scales[3] = {0.5, 0.25, 0}, tie[6] = {0, 0, 0, 10, 46, 0};
              TIFFSetField(t, TIFFTAG_GEOPIXELSCALE, 3, scales);
              TIFFSetField(t, TIFFTAG_GEOTIEPOINTS, 6, tie);
              GTIFKeySet(g, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeGeographic);
              GTIFKeySet(g, GeographicTypeGeoKey, TYPE_SHORT, 1, GCS_WGS_84);
          }},
         true, true, 0.5, 0.25, 45.75, false, 0},
        {"scale without units", {16, 1, 1, false, false, kSamples, 3, 2,
          [](TIFF *t, GTIF *) { double s[3] = {5, 5, 0}; TIFFSetField(t, TIFFTAG_GEOPIXELSCALE, 3, s); }},
         false, false, 1, 1, 0, false, 0},
        {"no-data, integer", {16, 2, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *) { gdalNoData(t, "-9999"); }},
         false, false, 1, 1, 0, true, -9999},
        {"no-data in float32 precision", {32, 3, 1, false, true, kSamples, 3, 2, [](TIFF *t, GTIF *) { gdalNoData(t, "-3.4e38 "); }},
         false, false, 1, 1, 0, true, double(-3.4e38f)},
        {"no-data nan", {32, 3, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *) { gdalNoData(t, "nan"); }},
         false, false, 1, 1, 0, false, 0},
        // Units nobody knows are not metres.
        {"unknown linear units", {16, 1, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *g) { projected(t, g, 9999, 30); }},
         false, false, 1, 1, 0, false, 0, "the projected units (or EPSG code) are unknown; the pixel spacing is not used"},
        {"unknown projected system",
         {16, 1, 1, false, false, kSamples, 3, 2,
          [](TIFF *t, GTIF *g) {
              double scales[3] = {30, 30, 0};
              TIFFSetField(t, TIFFTAG_GEOPIXELSCALE, 3, scales);
              GTIFKeySet(g, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeProjected);
              GTIFKeySet(g, ProjectedCSTypeGeoKey, TYPE_SHORT, 1, 1234);
          }},
         false, false, 1, 1, 0, false, 0,
         "the projected units (or EPSG code) are unknown; the pixel spacing is not used"},
        {"zero pixel size", {16, 1, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *g) { projected(t, g, Linear_Meter, 0); }},
         false, false, 1, 1, 0, false, 0, "the pixel size (ModelPixelScale: 0, 0) is not usable; the pixel spacing is not used"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = makeTiff(c.layout);
        testing::internal::CaptureStderr();
        Raster r = readTiff(file, "t");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no library's own complaints
        EXPECT_EQ(r.note, c.note);
        EXPECT_EQ(std::vector<double>(r.samples.begin(), r.samples.end()), kSamples);
        EXPECT_EQ(r.spacingKnown, c.spacingKnown);
        EXPECT_EQ(r.degrees, c.degrees);
        EXPECT_DOUBLE_EQ(r.dx, c.dx);
        EXPECT_DOUBLE_EQ(r.dy, c.dy);
        EXPECT_DOUBLE_EQ(r.latitude, c.latitude);
        EXPECT_EQ(r.hasNoData, c.hasNoData);
        EXPECT_EQ(r.noData, c.noData);
    }
}

// A byte cut off, or one changed, in a good file.
static Bytes cut(Bytes b, size_t keep) { b.resize(keep); return b; }
static Bytes poke(Bytes b, size_t at, unsigned char v) { b[at] = v; return b; }

// IHDR's width and height (bytes 16 to 23) made to lie, its checksum kept right.
static Bytes withSize(Bytes b, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i) {
        b[size_t(16 + i)] = (unsigned char)(width >> (24 - 8 * i));
        b[size_t(20 + i)] = (unsigned char)(height >> (24 - 8 * i));
    }
    uLong crc = crc32(0, &b[12], 17);
    for (int i = 0; i < 4; ++i) {
        b[size_t(29 + i)] = (unsigned char)(crc >> (24 - 8 * i));
    }
    return b;
}

// A little-endian TIFF put together by hand, for layouts libtiff would not
// write: entries (tag, type, count, value), sorted by tag, then `data` at
// byte rawDataAt(entries).
struct RawEntry {
    uint16_t tag, type;
    uint32_t count, value;
};
static const uint16_t kShort = 3, kLong = 4;

static uint32_t rawDataAt(size_t entries) { return uint32_t(8 + 2 + 12 * entries + 4); }

static Bytes rawTiff(const std::vector<RawEntry> &entries, const Bytes &data)
{
    Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put = [&b](uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back((unsigned char)(v >> (8 * i)));
    };
    put(entries.size(), 2);
    for (const RawEntry &e : entries) {
        put(e.tag, 2), put(e.type, 2), put(e.count, 4), put(e.value, 4);
    }
    put(0, 4);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// Width x height 16-bit samples in strips of rowsPerStrip rows, or tiles.
static Bytes rawImage(uint32_t width, uint32_t height, std::vector<RawEntry> layout, size_t dataBytes,
                      uint16_t bits = 16, uint16_t format = SAMPLEFORMAT_UINT)
{
    std::vector<RawEntry> e = {{256, kLong, 1, width}, {257, kLong, 1, height}, {258, kShort, 1, bits},
                               {259, kShort, 1, 1}, {262, kShort, 1, 1}};
    for (const RawEntry &entry : layout) {
        auto same = std::find_if(e.begin(), e.end(), [&](const RawEntry &x) { return x.tag == entry.tag; });
        if (same != e.end()) *same = entry; else e.push_back(entry);
    }
    e.push_back({339, kShort, 1, format});
    std::sort(e.begin(), e.end(), [](const RawEntry &a, const RawEntry &b) { return a.tag < b.tag; });
    uint32_t at = rawDataAt(e.size());
    for (RawEntry &entry : e) {
        if (entry.value == 0xffffffffu) entry.value = at;  // "the data"
    }
    return rawTiff(e, Bytes(dataBytes, 1));
}
static const uint32_t kData = 0xffffffffu;

TEST(ImageReaders, EveryRefusalIsOneLine)
{
    Bytes png16 = makePng(PNG_COLOR_TYPE_GRAY, 16, kWide);
    struct Case {
        char kind;
        Bytes bytes;
        const char *message;  // the whole line, or its start where a library speaks
    } cases[] = {
        {'g', text("P6 1 1 255\n\x01"), "t: byte 0: not a PGM file (it starts with neither P2 nor P5)"},
        {'g', text("P5 3 2 255\n\x01\x02"), "t: byte 13: the file ends early: 3 x 2 samples need 6 bytes, the file has 2"},
        {'g', text("P5 1 1 255\n\x01\x02"), "t: byte 12: data after the last sample: 1 x 1 samples need 1 bytes, the file has 2"},
        {'g', text("P5 1 2 1000\n\x03\xe8\x03\xe9"), "t: byte 14: sample 1001 is above maxval 1000"},
        {'g', text("P5 1 1 255"), "t: byte 10: expected one white space character after maxval, found the end of the file"},
        {'g', text("P5 1 1 255#c"), "t: byte 12: expected one white space character after maxval, found the end of the file"},
        {'g', text("P5 1 1 255 #\n\x01"), "t: byte 12: data after the last sample: 1 x 1 samples need 1 bytes, the file has 3"},
        {'g', text("P53 1 255\n"), "t: byte 2: expected white space after P5, found '3'"},
        {'g', text("P5 99999999999 1 255\n"), "t: byte 3: the PGM width is too large"},
        {'g', text("P5 1 1 0\n"), "t: byte 7: the PGM maxval is 0"},
        {'g', text("P5 1 1 65536\n"), "t: byte 7: the PGM maxval is too large"},
        {'g', text("P2 2x 1 9\n"), "t: byte 4: expected white space after the PGM width, found 'x'"},
        {'g', text("P2 2\n"), "t: byte 5: expected the height of the PGM header, found the end of the file"},
        {'g', text("P5 200000 200000 255\n12"), "t: byte 23: the file ends early: 200000 x 200000 samples need 40000000000 bytes, the file has 2"},
        {'g', text("P2 3 3 9\n1 2"), "t: line 1: the header promises 3 x 3 samples, more than the file's 12 bytes can hold"},
        {'g', text("P2 2 2 9\n1 2\n3 10\n"), "t: line 3: sample 4: above maxval 9"},
        {'g', text("P2 2 2 9\n1 2\n3 -1\n"), "t: line 3: sample 4: expected a sample, found '-'"},
        {'g', text("P2 2 2 9\n1 2\n3 4.5\n"), "t: line 3: sample 4: expected white space after it, found '.'"},
        {'g', text("P2 2 2 9\n1 2 3 4\n5\n"), "t: line 3: sample 5: '5' after the last of the 2 x 2 samples"},
        {'g', text("P2 2 2 9\n1 2\n3\n\n\n"), "t: line 6: sample 4: expected a sample, found the end of the file"},
        {'g', text("P2 2 2 9\r1 2 # c\r3\r\n\r-"), "t: line 5: sample 4: expected a sample, found '-'"},
        {'p', text("GIF89a..."), "t: byte 0: not a PNG file (no PNG signature)"},
        {'p', makePng(PNG_COLOR_TYPE_RGB, 8, kSamples), "t: is a colour image; quarvel-import takes grey elevation images"},
        {'p', makePng(PNG_COLOR_TYPE_PALETTE, 1, {0, 1}), "t: is a palette image; quarvel-import takes grey"},
        {'p', cut(png16, png16.size() - 20), "t: byte 59: bad PNG data: the file ends early"},
        {'p', poke(png16, 20, 9), "t: byte 33: bad PNG data: IHDR: CRC error"},
        {'p', withSize(png16, 2816, 2816), "t: the header claims 2816 x 2816 pixels, more than the file's data can hold"},
        {'p', withSize(png16, 900000, 900000), "t: the image is 900000 x 900000 pixels, more than this machine's available memory"},
        {'t', text("P5 1 1"), "t: byte 0: not a TIFF file (it starts with neither II nor MM)"},
        {'t', text(std::string("II*\0\x08\0\0\0\0\0", 10)), "t: not a readable TIFF file: "},
        {'t', makeTiff({8, 1, 3}), "t: has 3 bands; quarvel-import takes single-band elevation images"},
        {'t', cut(makeTiff({}), 20), "t: not a readable TIFF file: "},
        {'t', makeTiff({16, SAMPLEFORMAT_IEEEFP}), "t: has 16-bit floating samples; quarvel-import takes 8 to 64-bit"},
        {'t', makeTiff({16, 1, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *) { gdalNoData(t, "none"); }}),
         "t: the no-data tag (GDAL_NODATA) \"none\" is not a number"},
        // Strip and tile tags that cannot be trusted: never a surface of the file's own bytes.
        {'t', rawImage(3, 1000000, {{273, kLong, 0, 0}, {278, kShort, 1, 8}, {279, kLong, 0, 0}}, 12),
         "t: bad TIFF tag: "},
        {'t', rawImage(3, 4, {{273, kLong, 1, kData}, {278, kShort, 1, 4}, {279, kLong, 1, 20}}, 24),
         "t: bad TIFF tag: TIFFReadDirectory: Bogus \"StripByteCounts\" field"},
        {'t', rawImage(3, 4, {{259, kShort, 1, 8}, {273, kLong, 1, 5000}, {278, kShort, 1, 4}, {279, kLong, 1, 24}}, 24),
         "t: strip 0 (bytes 5000 to 5024) lies outside the 146-byte file"},
        {'t', rawImage(268435458, 1, {{259, kShort, 1, 8}, {273, kLong, 1, kData}, {278, kShort, 1, 1}, {279, kLong, 1, 64}}, 64,
                       64, SAMPLEFORMAT_IEEEFP),
         "t: strip 0 holds 64 bytes, too few for its 2147483664 bytes of samples"},
        {'t', rawImage(16, 24, {{322, kShort, 1, 16}, {323, kShort, 1, 24}, {324, kLong, 1, kData}, {325, kLong, 1, 768}}, 768),
         "t: tiles of 16 x 24 pixels: TIFF tile sides are multiples of 16"},
        {'t', rawImage(2, 1, {{273, kLong, 1, kData}, {278, kShort, 1, 1}, {279, kLong, 1, 16}}, 16, 64, SAMPLEFORMAT_INT),
         "t: sample at row 1, column 1 is 72340172838076673, which a double cannot hold exactly"},
        // Found by fuzzing: the tag's text broke the one line.
        {'t', makeTiff({16, 1, 1, false, false, kSamples, 3, 2, [](TIFF *t, GTIF *) { gdalNoData(t, "G\r\n\x1a\n"); }}),
         "t: the no-data tag (GDAL_NODATA) 'G\\r\\n\\x1a\\n' is not a number"},
    };
    for (const Case &c : cases) {
        try {
            readAs(c.kind, c.bytes);
            ADD_FAILURE() << "accepted; expected " << c.message;
        } catch (const Failure &failure) {
            const std::string line = failure.what();
            EXPECT_EQ(line.rfind(c.message, 0), 0u) << line << "\nexpected: " << c.message;
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        }
    }
}

// A PNG put together here: rows of arbitrary bytes behind each filter byte
// (any bytes are a valid filtered row), compressed by zlib with the given
// window, in IDAT chunks of at most `split` bytes, a text chunk before them.
struct HandPng {
    int depth, type;
    long width, height;
    int filter;  // -1: each row's own, 0 to 4 in turn
    size_t split;
    int windowBits;
    Bytes after;  // appended to the compressed data
};

static HandPng hand(int depth = 16, int type = 0, int filter = -1, int windowBits = 15, Bytes after = {})
{
    return {depth, type, 37, 23, filter, 1000, windowBits, std::move(after)};
}

static void putChunk(Bytes &out, const char *type, const Bytes &data)
{
    for (int i = 0; i < 4; ++i) out.push_back((unsigned char)(data.size() >> (24 - 8 * i)));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    uLong crc = crc32(0, body.data(), uInt(body.size()));
    for (int i = 0; i < 4; ++i) out.push_back((unsigned char)(crc >> (24 - 8 * i)));
}

static Bytes handPng(const HandPng &p)
{
    const size_t rowBytes = size_t(p.width) * (p.type == 4 ? 2 : 1) * size_t(p.depth / 8);
    Bytes raw;
    unsigned state = 12345;
    for (long y = 0; y < p.height; ++y) {
        raw.push_back((unsigned char)(p.filter < 0 ? y % 5 : p.filter));
        for (size_t i = 0; i < rowBytes; ++i) {
            state = state * 1103515245u + 12345u;
            raw.push_back((unsigned char)(state >> 16));
        }
    }
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, p.windowBits, 8, Z_DEFAULT_STRATEGY);
    Bytes packed(deflateBound(&z, uLong(raw.size())));
    z.next_in = raw.data();
    z.avail_in = uInt(raw.size());
    z.next_out = packed.data();
    z.avail_out = uInt(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    packed.insert(packed.end(), p.after.begin(), p.after.end());

    Bytes out = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    Bytes header(13, 0);
    for (int i = 0; i < 4; ++i) {
        header[size_t(i)] = (unsigned char)(p.width >> (24 - 8 * i));
        header[size_t(4 + i)] = (unsigned char)(p.height >> (24 - 8 * i));
    }
    header[8] = (unsigned char)p.depth;
    header[9] = (unsigned char)p.type;
    putChunk(out, "IHDR", header);
    putChunk(out, "tEXt", text(std::string("Comment\0made here", 17)));
    for (size_t at = 0; at < packed.size(); at += p.split) {
        putChunk(out, "IDAT", Bytes(packed.begin() + long(at), packed.begin() + long(std::min(packed.size(), at + p.split))));
    }
    putChunk(out, "IEND", {});
    return out;
}

// The usual PNG is decoded whole with libdeflate; it must give libpng's
// samples and range, and leave to libpng every file it does not take as
// it is (libpng then says what it always said).
TEST(ImageReaders, WholeDecodingGivesLibpngsSamples)
{
    std::vector<HandPng> taken;
    for (int depth : {8, 16}) {
        for (int type : {0, 4}) {
            for (int filter = -1; filter <= 4; ++filter) {
                taken.push_back(hand(depth, type, filter));
            }
        }
    }
    taken.push_back({8, 0, 1, 1, -1, 1, 15, {}});  // one pixel, one-byte chunks
    for (const HandPng &p : taken) {
        SCOPED_TRACE("depth " + std::to_string(p.depth) + " type " + std::to_string(p.type) + " filter " +
                     std::to_string(p.filter));
        const Bytes png = handPng(p);
        Raster whole;
        ASSERT_TRUE(readPngWhole(png, "t", whole));
        const Raster libpng = readPngThroughLibpng(png, "t");
        EXPECT_EQ(whole.width, libpng.width);
        EXPECT_EQ(whole.height, libpng.height);
        EXPECT_TRUE(whole.samples == libpng.samples);
        const auto range = std::minmax_element(libpng.samples.begin(), libpng.samples.end());
        EXPECT_TRUE(whole.rangeKnown && libpng.rangeKnown);
        EXPECT_EQ(whole.lowest, *range.first);
        EXPECT_EQ(whole.highest, *range.second);
        EXPECT_EQ(libpng.lowest, *range.first);
    }

    const Bytes usual = handPng(hand());
    const size_t firstData = 8 + 25 + 12 + 17;  // signature, IHDR, tEXt
    struct Declined {
        const char *what;
        Bytes png;
        const char *message;  // readPng's, nullptr when libpng reads it
    } declined[] = {
        {"a small zlib window", handPng(hand(16, 0, -1, 14)), nullptr},
        {"data after the zlib stream", handPng(hand(16, 0, -1, 15, {1, 2, 3})), nullptr},
        {"a bad checksum on image data", poke(usual, firstData + 200, usual[firstData + 200] ^ 1),
         "t: byte 1074: bad PNG data: IDAT: CRC error"},
        {"a sixth row filter", handPng(hand(8, 0, 5)), "t: byte 955: bad PNG data: bad adaptive filter value"},
        {"interlaced", makePng(PNG_COLOR_TYPE_GRAY, 16, kWide, PNG_INTERLACE_ADAM7), nullptr},
        {"2-bit", makePng(PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3, 2, 1}), nullptr},
        {"colour", makePng(PNG_COLOR_TYPE_RGB, 8, kSamples), "t: is a colour image;"},
        {"no IEND", cut(usual, usual.size() - 12), "t: byte "},
    };
    for (const Declined &d : declined) {
        SCOPED_TRACE(d.what);
        Raster whole;
        EXPECT_FALSE(readPngWhole(d.png, "t", whole));
        EXPECT_TRUE(whole.samples.empty());
        if (!d.message) {
            EXPECT_NO_THROW(readPng(d.png, "t"));
            continue;
        }
        try {
            readPng(d.png, "t");
            ADD_FAILURE() << "accepted";
        } catch (const Failure &failure) {
            EXPECT_EQ(std::string(failure.what()).rfind(d.message, 0), 0u) << failure.what();
        }
    }
}
