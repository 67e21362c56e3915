// The figure room: round-number ticks and their labels, a layout that
// keeps every text inside the picture and apart, imported grids in their
// source's values, and figures sharing an offscreen context with the
// viewer's frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <geotiff/geotiff.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <unistd.h>

#include "figure/box.h"
#include "figure/layout.h"
#include "figure/surface.h"
#include "figure/ticks.h"
#include "import_options.h"
#include "quarvel-render/figure_input.h"
#include "quarvel-render/figure_relief.h"
#include "quarvel-render/mesh_input.h"
#include "quarvel-render/offscreen.h"
#include "scene/view_state.h"

TEST(Ticks, RoundNumbersWithCleanLabels)
{
    struct Case {
        double low, high;
        int most;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {0, 1, 6, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        {0.1, 0.3, 5, {"0.10", "0.15", "0.20", "0.25", "0.30"}},
        {236, 1076, 6, {"400", "600", "800", "1000"}},
        {-1437, 2205, 6, {"-1000", "0", "1000", "2000"}},
        {-1437, 2205, 9, {"-1000", "-500", "0", "500", "1000", "1500", "2000"}},
        {48.016, 49.984, 6, {"48.5", "49.0", "49.5"}},
        {48.016, 49.984, 2, {"49"}},
        {0, 1e-9, 6, {"0", "0.2e-9", "0.4e-9", "0.6e-9", "0.8e-9", "1.0e-9"}},
        {1, 1 + 1e-9, 3, {"1.0000000000", "1.0000000005", "1.0000000010"}},
        {-3e12, 3e12, 4, {"-2e12", "0", "2e12"}},
        {-1e7, 1e7, 3, {"-1e7", "0", "1e7"}},
        {5.4e6, 5.402e6, 3, {"5400000", "5401000", "5402000"}},
        {5, 5, 6, {"5"}},
        {0.3, 0.3, 6, {"0.3"}},
    };
    for (const Case &c : cases) {
        const Ticks ticks = chooseTicks(c.low, c.high, c.most);
        std::vector<std::string> labels;
        for (double v : ticks.values) {
            labels.push_back(tickLabel(v, ticks));
            EXPECT_GE(v, c.low - std::fabs(c.low) * 1e-12);
            EXPECT_LE(v, c.high + std::fabs(c.high) * 1e-12);
        }
        EXPECT_EQ(labels, c.labels) << c.low << ".." << c.high << " at most " << c.most;
    }
}

TEST(Ticks, WidenedRangesHoldRoundNumbers)
{
    const double ranges[][2] = {{5, 5}, {0, 0}, {-2e-300, -2e-300}, {48, 48 + 1e-14}};
    for (const auto &r : ranges) {
        double low = r[0], high = r[1];
        widenRange(low, high);
        EXPECT_LT(low, r[0]);
        EXPECT_GT(high, r[1]);
        EXPECT_GE(chooseTicks(low, high, 5).values.size(), 2u) << r[0];
    }
}

static FigureData grid(double x0, double x1, double y0, double y1, double z0, double z1)
{
    FigureData d;
    d.rows = d.cols = 2;
    d.x = {x0, x1, x0, x1};
    d.y = {y0, y0, y1, y1};
    d.z = {z0, z1, z1, z0};
    d.xTitle = "easting";
    d.xUnit = "m";
    d.yTitle = "northing";
    d.yUnit = "m";
    d.zTitle = "elevation above the sea";
    d.zUnit = "m";
    return d;
}

static bool inside(const TextItem &t, double width, double height)
{
    return t.x - t.width / 2 >= 0 && t.y - t.height / 2 >= 0 && t.x + t.width / 2 <= width &&
           t.y + t.height / 2 <= height;
}

// The corners of a text as turned on the picture.
static std::vector<Vec> corners(const TextItem &t)
{
    const double c = std::cos(t.angle), s = std::sin(t.angle);
    std::vector<Vec> out;
    for (int i = 0; i < 4; ++i) {
        const double a = (i & 1 ? 0.5 : -0.5) * t.along, b = (i & 2 ? 0.5 : -0.5) * t.across;
        out.push_back({t.x + a * c - b * s, t.y + a * s + b * c, 0});
    }
    return out;
}

// Two turned rectangles are apart when the corners of one lie beyond a
// side of the other.
static bool apart(const TextItem &a, const TextItem &b)
{
    const std::vector<Vec> ca = corners(a), cb = corners(b);
    for (const TextItem *t : {&a, &b}) {
        for (double turn : {0.0, M_PI / 2}) {
            const Vec axis = {std::cos(t->angle + turn), std::sin(t->angle + turn), 0};
            double a0 = 1e300, a1 = -1e300, b0 = 1e300, b1 = -1e300;
            for (const Vec &p : ca) {
                a0 = std::min(a0, dot(p, axis));
                a1 = std::max(a1, dot(p, axis));
            }
            for (const Vec &p : cb) {
                b0 = std::min(b0, dot(p, axis));
                b1 = std::max(b1, dot(p, axis));
            }
            if (a1 <= b0 || b1 <= a0) {
                return true;
            }
        }
    }
    return false;
}

// Every text, the box's corners and the colour bar inside the picture; no
// two texts on top of each other; the box clear of the colour bar.
static void expectFits(const FigureLayout &l, const FigureBox &box, const std::string &what)
{
    for (size_t i = 0; i < l.texts.size(); ++i) {
        EXPECT_TRUE(inside(l.texts[i], l.width, l.height)) << what << ": '" << l.texts[i].text << "'";
        for (size_t j = 0; j < i; ++j) {
            EXPECT_TRUE(apart(l.texts[i], l.texts[j]))
                << what << ": '" << l.texts[i].text << "' on '" << l.texts[j].text << "'";
        }
    }
    for (int corner = 0; corner < 8; ++corner) {
        const Vec v = {corner & 1 ? box.half[0] : -box.half[0], corner & 2 ? box.half[1] : -box.half[1],
                       corner & 4 ? box.half[2] : -box.half[2]};
        const double x = l.centreX + l.scale * dot(v, l.camera.right);
        const double y = l.centreY - l.scale * dot(v, l.camera.up);
        EXPECT_TRUE(x >= 0 && y >= 0 && x <= l.width && y <= l.height) << what << ": corner " << corner;
        EXPECT_LT(x, l.colourBar.x0) << what << ": corner " << corner;
    }
    EXPECT_TRUE(l.colourBar.x0 >= 0 && l.colourBar.y0 >= 0 && l.colourBar.y1 <= l.height) << what;
    EXPECT_GT(l.scale * 2, 0.2 * std::min(l.width, l.height)) << what << ": a box that small wastes the picture";
}

TEST(Layout, EverythingInsideAndApart)
{
    const FigureData data[] = {
        grid(236, 1076, 48.016, 49.984, -1437, 2205),  // x 400 times as wide as y
        grid(0, 10, 0, 10, 0, 1000),                    // a needle's box
        grid(-1e-9, 1e-9, 0, 1e-9, 5, 5),               // tiny extents, flat
        grid(1e6, 2e6, 3e6, 3.5e6, -1e7, 1e7),
    };
    const int sizes[][2] = {{320, 240}, {800, 600}, {1600, 500}, {500, 1000}, {2000, 2000}};
    const double views[][2] = {{202.5, 30}, {180, 90}, {45, 10}, {300, -40}, {90, 0}, {0, 60}};
    for (const FigureData &d : data) {
        const FigureBox box = figureBox(d, 1.0);
        for (const auto &size : sizes) {
            for (const auto &view : views) {
                FigureStyle style;
                style.width = size[0];
                style.height = size[1];
                style.elevation = view[1];
                style.title = "Relief of a field measured in the summer of the year";
                const std::string what = std::to_string(size[0]) + "x" + std::to_string(size[1]) + " from " +
                                         std::to_string(view[0]) + "," + std::to_string(view[1]) + ", x " +
                                         std::to_string(d.x[0]);
                expectFits(layoutFigure(box, d, style, view[0]), box, what);
            }
        }
    }
}

TEST(Layout, TurntableFramesShareOneScaleThatFits)
{
    const FigureData d = grid(236, 1076, 0, 300, -1437, 2205);
    const FigureBox box = figureBox(d, 2.0);
    FigureStyle style;
    style.width = 640;
    style.height = 360;
    const double scale = turntableScale(box, d, style, 12);
    for (int i = 0; i < 12; ++i) {
        const FigureLayout l = layoutFigure(box, d, style, style.azimuth + 30.0 * i, scale);
        EXPECT_EQ(l.scale, scale);
        expectFits(l, box, "frame " + std::to_string(i));
    }
}

// A figure drawn between two viewer frames in one context leaves the
// second viewer frame as the first.
TEST(Offscreen, FigureAndViewerFramesShareAContext)
{
    float scale = 1.0f;
    struct Free {
        void operator()(Mesh *m) const { freeMesh(m); }
    };
    std::unique_ptr<Mesh, Free> mesh(readMeshFile(QUARVEL_SOURCE_DIR "/examples/wave.mesh", false, &scale));
    ViewState view = initialViewState;
    view.scale = scale;
    FigureData data = figureDataOf(*mesh);
    FigureStyle style;
    style.width = 320;
    style.height = 240;
    const FigureBox box = figureBox(data, 1.0);
    const FigureSurface surface = prepareSurface(data, box, style);
    Offscreen *offscreen = openOffscreen(320, 240);
    Frame before, figure, again, after;
    drawViewerFrame(*offscreen, *mesh, view, true, before);
    drawFigureFrame(*offscreen, surface, layoutFigure(box, data, style, style.azimuth), style, figure);
    drawFigureFrame(*offscreen, surface, layoutFigure(box, data, style, style.azimuth), style, again);
    drawViewerFrame(*offscreen, *mesh, view, true, after);
    closeOffscreen(offscreen);
    EXPECT_TRUE(before.rgb == after.rgb);
    EXPECT_TRUE(figure.rgb == again.rgb);
    EXPECT_FALSE(figure.rgb == before.rgb);
}

// An input read as quarvel-render --figure reads it, with import options
// as name, value pairs.
static FigureData imported(const std::string &bytes, const std::string &name,
                           const std::vector<std::pair<std::string, std::string>> &options)
{
    ImportRequest request;
    request.convert.forFigure = true;
    for (const auto &o : options) {
        parseImportOption(o.first, !o.second.empty(), o.second, request);
    }
    FILE *stream = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    std::vector<std::string> notes;
    FigureData data = figureDataOf(importGrid(stream, name, request, notes));
    std::fclose(stream);
    return data;
}

// The first point at height z, or d.z.size().
static size_t pointOfHeight(const FigureData &d, double z)
{
    size_t i = 0;
    while (i < d.z.size() && std::fabs(d.z[i] - z) > 1e-9) {
        ++i;
    }
    return i;
}

// Each point is labelled with what the source holds there: column and
// row indices before thinning out (row 0 of an image north), degrees,
// heights times --z-factor; the ground scale keeps the box's proportions.
TEST(FigureInput, PointsInTheSourcesValues)
{
    struct Case {
        const char *what, *bytes, *name;
        std::vector<std::pair<std::string, std::string>> options;
        double sourceZ, x, y, z;  // the point whose height was sourceZ
        double xGround, yGround;   // 0: only the sign is checked
    };
    const double east = 111320 * std::cos(60.5 * M_PI / 180);
    const Case cases[] = {
        {"image: row 0 north", "P2 3 2 9\n1 2 3\n4 5 6\n", "a.pgm", {{"--spacing", "30"}}, 6, 2, 1, 6, 30, -30},
        {"image, top left", "P2 3 2 9\n1 2 3\n4 5 6\n", "a.pgm", {}, 1, 0, 0, 1, 0, -1},
        {"matrix: row 0 south", "1,2,3\n4,5,6\n", "m.csv", {}, 6, 2, 1, 6, 0, 1},
        {"matrix --origin upper", "1,2,3\n4,5,6\n", "m.csv", {{"--origin", "upper"}}, 4, 0, 1, 4, 0, -1},
        {"--every 2", "1 2 3 4 5\n6 7 8 9 10\n11 12 13 14 15\n", "m.txt", {{"--every", "2"}}, 15, 4, 2, 15, 0, 1},
        {"--z-factor --zero-base", "1,2\n3,4\n", "m.csv", {{"--z-factor", "2"}, {"--zero-base", ""}}, 3, 0, 1, 6, 0, 1},
        {"x y z --lonlat", "10 60 1\n11 60 2\n\n10 61 3\n11 61 4\n", "g.dat", {{"--lonlat", ""}}, 2, 11, 60, 2,
         east, 110574},
        {"x y z --center", "10 60 1\n11 60 2\n\n10 61 3\n11 61 4\n", "g.dat", {{"--center", ""}}, 3, 10, 61, 3, 1, 1},
    };
    for (const Case &c : cases) {
        const FigureData d = imported(c.bytes, c.name, c.options);
        const size_t i = pointOfHeight(d, c.z);
        ASSERT_LT(i, d.z.size()) << c.what;
        EXPECT_NEAR(d.x[i], c.x, 1e-9) << c.what;
        EXPECT_NEAR(d.y[i], c.y, 1e-9) << c.what;
        if (c.xGround != 0) {
            EXPECT_NEAR(d.xGround, c.xGround, 1e-6 * std::fabs(c.xGround)) << c.what;
            EXPECT_NEAR(d.yGround, c.yGround, 1e-6 * std::fabs(c.yGround)) << c.what;
        } else {
            EXPECT_GT(d.xGround, 0) << c.what;
            EXPECT_EQ(d.yGround > 0, c.yGround > 0) << c.what;
        }
    }
}

// Seen from the top, an image's y labels run from 0 at the top edge down.
TEST(FigureInput, ImageRowsCountDownTheMap)
{
    std::string pgm = "P2 3 11 9\n";
    for (int r = 0; r < 11; ++r) {
        pgm += "1 2 3\n";
    }
    const FigureData d = imported(pgm, "a.pgm", {});
    FigureStyle style;
    style.azimuth = 180;
    style.elevation = 90;
    const FigureBox box = figureBox(d, 1.0);
    const FigureLayout l = layoutFigure(box, d, style, style.azimuth);
    const TextItem *ten = nullptr;
    for (const TextItem &t : l.texts) {
        ten = t.text == "10" ? &t : ten;
    }
    ASSERT_NE(ten, nullptr);
    const TextItem *zero = nullptr;  // y's 0: in the column of its 10
    for (const TextItem &t : l.texts) {
        if (t.text == "0" && (!zero || std::fabs(t.x - ten->x) < std::fabs(zero->x - ten->x))) {
            zero = &t;
        }
    }
    ASSERT_NE(zero, nullptr);
    EXPECT_LT(zero->y, ten->y - 50);  // picture y runs down
}

// A 3 x 2 GeoTIFF of heights 1 to 6, top row first, with the given tags.
static std::string geoTiff(const std::function<void(TIFF *, GTIF *)> &tags)
{
    const std::string path = testing::TempDir() + "figure_test." + std::to_string(getpid()) + ".tif";
    TIFF *tif = XTIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 3u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    GTIF *geo = GTIFNew(tif);
    tags(tif, geo);
    GTIFWriteKeys(geo);
    GTIFFree(geo);
    for (uint16_t row = 0; row < 2; ++row) {
        uint16_t values[3] = {uint16_t(3 * row + 1), uint16_t(3 * row + 2), uint16_t(3 * row + 3)};
        TIFFWriteScanline(tif, values, row, 0);
    }
    XTIFFClose(tif);
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    std::remove(path.c_str());
    return bytes;
}

// Pixel size 0.5 x 0.25 degrees (or unit), tie point (I, J) -> (X, Y).
static std::function<void(TIFF *, GTIF *)> placed(double i, double j, double x, double y, bool point,
                                                  int unit = 0)
{
    return [=](TIFF *tif, GTIF *geo) {
        double scales[3] = {0.5, 0.25, 0}, tie[6] = {i, j, 0, x, y, 0};
        TIFFSetField(tif, TIFFTAG_GEOPIXELSCALE, 3, scales);
        TIFFSetField(tif, TIFFTAG_GEOTIEPOINTS, 6, tie);
        GTIFKeySet(geo, GTModelTypeGeoKey, TYPE_SHORT, 1, unit ? ModelTypeProjected : ModelTypeGeographic);
        if (unit) {
            GTIFKeySet(geo, ProjLinearUnitsGeoKey, TYPE_SHORT, 1, unit);
        } else {
            GTIFKeySet(geo, GeographicTypeGeoKey, TYPE_SHORT, 1, GCS_WGS_84);
        }
        if (point) {
            GTIFKeySet(geo, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsPoint);
        }
    };
}

// A GeoTIFF's or ESRI grid's samples are labelled where the file puts
// their centres, in degrees or the map's unit, after --every and --max.
TEST(FigureInput, PlacedSamplesInMapCoordinates)
{
    struct Case {
        const char *what;
        std::string bytes;
        const char *name;
        std::vector<std::pair<std::string, std::string>> options;
        double z, x, y;  // the point of height z
        const char *xTitle, *yTitle;
        double latitude;  // for the ground scale of degrees; else metres
    };
    const std::string esri = "ncols 3\nnrows 2\nxllcorner 10\nyllcorner 45\ncellsize 0.5\n1 2 3\n4 5 6\n";
    std::string esri4 = "ncols 4\nnrows 4\nxllcenter 10\nyllcenter 45\ncellsize 0.5\n";
    for (int k = 1; k <= 16; ++k) {
        esri4 += std::to_string(k) + (k % 4 ? " " : "\n");
    }
    const Case cases[] = {
        {"degrees: the corner tied", geoTiff(placed(0, 0, 10, 46, false)), "d.tif", {}, 1, 10.25, 45.875,
         "longitude (°)", "latitude (°)", 45.75},
        {"degrees, bottom right", geoTiff(placed(0, 0, 10, 46, false)), "d.tif", {}, 6, 11.25, 45.625,
         "longitude (°)", "latitude (°)", 45.75},
        {"PixelIsPoint: the centre tied", geoTiff(placed(0, 0, 10, 46, true)), "d.tif", {}, 1, 10, 46,
         "longitude (°)", "latitude (°)", 45.875},
        {"tie point inside", geoTiff(placed(1, 1, 10, 46, false)), "d.tif", {}, 1, 9.75, 46.125,
         "longitude (°)", "latitude (°)", 46},
        {"metres", geoTiff(placed(0, 0, 500000, 4100000, false, Linear_Meter)), "m.tif", {}, 5, 500000.75,
         4099999.625, "x (m)", "y (m)", 0},
        {"feet stay feet", geoTiff(placed(0, 0, 1000, 2000, false, Linear_Foot)), "f.tif", {}, 1, 1000.25,
         1999.875, "x (ft)", "y (ft)", 0},
        {"ESRI corner", esri, "g.asc", {}, 4, 10.25, 45.25, "x", "y", 0},
        {"ESRI --lonlat", esri, "g.asc", {{"--lonlat", ""}}, 3, 11.25, 45.75, "longitude (°)", "latitude (°)",
         45.5},
        {"ESRI centre, --every 3", esri4, "g.asc", {{"--every", "3"}}, 16, 11.5, 45, "x", "y", 0},
        {"ESRI centre, --max 2: block middles", esri4, "g.asc", {{"--max", "2"}}, 3.5, 10.25, 46.25, "x", "y", 0},
    };
    for (const Case &c : cases) {
        const FigureData d = imported(c.bytes, c.name, c.options);
        const size_t i = pointOfHeight(d, c.z);
        ASSERT_LT(i, d.z.size()) << c.what;
        EXPECT_NEAR(d.x[i], c.x, 1e-9) << c.what;
        EXPECT_NEAR(d.y[i], c.y, 1e-9) << c.what;
        EXPECT_EQ(d.xTitle, c.xTitle) << c.what;
        EXPECT_EQ(d.yTitle, c.yTitle) << c.what;
        if (c.latitude != 0) {
            EXPECT_NEAR(d.xGround, 111320 * std::cos(c.latitude * M_PI / 180), 1e-6) << c.what;
            EXPECT_NEAR(d.yGround, 110574, 1e-6) << c.what;
        }
    }
}

// rows x cols points of (u, v) -> (x, y, z) over u, v in [0, 2 pi].
static FigureData surfaceOf(int rows, int cols, double (*x)(double, double), double (*y)(double, double),
                            double (*z)(double, double))
{
    FigureData d;
    d.rows = rows;
    d.cols = cols;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const double u = 2 * M_PI * r / (rows - 1), v = 2 * M_PI * c / (cols - 1);
            d.x.push_back(x(u, v));
            d.y.push_back(y(u, v));
            d.z.push_back(z(u, v));
        }
    }
    return d;
}

// A solid (a surface that folds over itself) keeps its true proportions;
// a map keeps the readable 4:4:3 box, as does a solid in degrees.
TEST(FigureRelief, SolidsInTrueProportions)
{
    auto tx = [](double u, double v) { return std::cos(u) * (1 + 0.4 * std::cos(v)); };
    auto ty = [](double u, double v) { return std::sin(u) * (1 + 0.4 * std::cos(v)); };
    auto tz = [](double, double v) { return 0.4 * std::sin(v); };
    auto hz = [](double u, double v) { return std::sin(u) * std::cos(v); };
    struct Case {
        const char *what;
        FigureData data;
        double xGround;
        bool folds, solid;
    } cases[] = {
        {"torus", surfaceOf(40, 20, tx, ty, tz), 1, true, true},
        {"torus in degrees", surfaceOf(40, 20, tx, ty, tz), 80000, true, false},
        {"height field", surfaceOf(40, 20, [](double u, double) { return u; }, [](double, double v) { return v; }, hz),
         1, false, false},
    };
    for (Case &c : cases) {
        c.data.xGround = c.xGround;
        const FigureBox first = figureBox(c.data, 1.0);
        const FigureBox box = figureBox(c.data, trueRelief(c.data, first));
        const double height = box.half[2] / box.half[0];
        const double truth = (box.high[2] - box.low[2]) / (box.high[0] - box.low[0]);
        EXPECT_EQ(foldsOver(c.data), c.folds) << c.what;
        EXPECT_NEAR(height, c.solid ? truth : heightShare / box.half[0], 1e-9) << c.what;
    }
}
