// quarvel-import in-process: its output read back by the viewer's own
// reader (exact values in the right rows and columns, the top facing up)
// and every error line.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/failure.h"
#include "common/grid_text.h"
#include "common/output.h"
#include "import.h"
#include "mesh/prepare.h"
#include "text_limits.h"
#include "mesh/prepare.h"
#include "mesh/reader.h"

namespace {

FILE *fileWith(const std::string &bytes)
{
    FILE *file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return file;
}

std::string contents(FILE *file)
{
    std::rewind(file);
    std::string text;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    std::fclose(file);
    return text;
}

// The line quarvel-import prints for a Failure that f throws, or "".
template <class F>
std::string failureOf(F f)
{
    try {
        f();
    } catch (const Failure &failure) {
        return std::string("quarvel-import: ") + failure.what();
    }
    return "";
}

// The mesh text made from input, or the failure line in *error.
std::string convert(const std::string &input, const std::string &name, const ImportRequest &request,
                    std::string *error = nullptr)
{
    FILE *in = fileWith(input), *out = std::tmpfile();
    std::vector<std::string> notes;
    std::string line = failureOf([&] { writeGrid(out, importGrid(in, name, request, notes)); });
    std::fclose(in);
    std::string text = contents(out);
    if (error) *error = line;
    else EXPECT_EQ(line, "");
    return line.empty() ? text : "";
}

Mesh *readBack(const std::string &text)
{
    resetMeshReader();
    return readMesh(fileWith(text));  // closes the file
}

ImportRequest withSpacing(double d)
{
    ImportRequest request;
    request.convert.spacingGiven = true;
    request.convert.dx = request.convert.dy = d;
    return request;
}

std::string shortest(double v)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

// A .npy file: version 1.0 header padded to 128 bytes, then data.
std::string npy(const std::string &descr, bool fortran, const std::string &shape, const std::string &data)
{
    std::string dict = "{'descr': '" + descr + "', 'fortran_order': " + (fortran ? "True" : "False") +
                       ", 'shape': " + shape + ", }";
    dict.resize(128 - 10 - 1, ' ');
    dict += '\n';
    std::string head = "\x93NUMPY\x01";
    head += '\0';
    head += static_cast<char>(dict.size());
    head += '\0';
    return head + dict + data;
}

// value as the bytes of a dtype of size bytes, integer or IEEE.
std::string bytesOf(double value, char kind, int size, bool big)
{
    uint64_t bits = 0;
    if (kind == 'f' && size == 8) std::memcpy(&bits, &value, 8);
    else if (kind == 'f') {
        float f = static_cast<float>(value);
        uint32_t b;
        std::memcpy(&b, &f, 4);
        bits = b;
    } else bits = static_cast<uint64_t>(static_cast<int64_t>(value));
    std::string out;
    for (int k = 0; k < size; ++k) out += static_cast<char>(bits >> 8 * (big ? size - 1 - k : k));
    return out;
}

TEST(ImportRoundTrip, SourceValuesComeBackExactlyInPlace)
{
    const long lines = 5, perLine = 7;
    std::mt19937_64 random(7);
    std::vector<double> z(lines * perLine);
    for (double &v : z) v = std::ldexp(static_cast<double>(random() >> 11), -40) - 3000;
    auto small = [&](double v) { return std::round(v / 100); };  // fits every integer and f4 type

    std::string text = "\xEF\xBB\xBF";  // as spreadsheets write it
    for (long r = 0; r < lines; ++r)
        for (long c = 0; c < perLine; ++c) text += shortest(z[r * perLine + c]) + (c + 1 < perLine ? ", " : "\n");
    auto arrayOf = [&](char kind, int size, bool big, bool fortran) {
        std::string data;
        for (long k = 0; k < lines * perLine; ++k) {
            long r = fortran ? k % lines : k / perLine, c = fortran ? k / lines : k % perLine;
            double v = z[r * perLine + c];
            data += bytesOf(kind == 'f' && size == 8 ? v : small(v), kind, size, big);
        }
        return data;
    };
    const struct {
        std::string input, name;
        bool exact;  // else rounded to small()
    } cases[] = {
        {text, "heights.csv", true},
        {npy("<f8", false, "(5, 7)", arrayOf('f', 8, false, false)), "a.npy", true},
        {npy(">f8", true, "(5, 7)", arrayOf('f', 8, true, true)), "b.npy", true},
        {npy(">f4", false, "(5, 7)", arrayOf('f', 4, true, false)), "c.npy", false},
        {npy("<i2", true, "(5, 7)", arrayOf('i', 2, false, true)), "d.npy", false},
        {npy(">i8", false, "(5, 7)", arrayOf('i', 8, true, false)), "e.npy", false},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.name);
        Mesh *mesh = readBack(convert(t.input, t.name, withSpacing(1)));
        ASSERT_EQ(mesh->rows, perLine);
        ASSERT_EQ(mesh->cols, lines);
        for (long r = 0; r < lines; ++r) {
            for (long c = 0; c < perLine; ++c) {
                const Vec3 &p = mesh->points[c][r];
                double want = t.exact ? z[r * perLine + c] : small(z[r * perLine + c]);
                // Centred: the middle sample of 7 and of 5 at 0.
                EXPECT_TRUE(p.x == double(c - 3) && p.y == double(r - 2) && p.z == want) << r << " " << c << ": " << p.z;
            }
        }
        freeMesh(mesh);
    }
}

TEST(ImportRoundTrip, HalfFloatsAndUnsignedBytes)
{
    const struct {
        std::string input;
        double want[4];
    } cases[] = {
        {npy("<f2", false, "(2, 2)", std::string("\x00\x38\x00\xc0\xff\x7b\x01\x00", 8)),
         {0.5, -2, 65504, std::ldexp(1, -24)}},
        {npy("|u1", false, "(2, 2)", std::string("\x00\x01\xfe\xff", 4)), {0, 1, 254, 255}},
        {npy(">u8", false, "(2, 2)", std::string(7, '\0') + "\x01" + std::string(6, '\xff') + "\xf8" +
                                         std::string(17, '\0')),
         {1, 18446744073709549568.0, 0, 0}},  // 2^64 - 2^11: exact
        {npy("<i8", false, "(2, 2)", std::string(7, '\0') + "\x10" + std::string(7, '\0') + "\xf0" +
                                         std::string(16, '\0')),
         {std::ldexp(1, 60), -std::ldexp(1, 60), 0, 0}},
    };
    for (const auto &t : cases) {
        Mesh *mesh = readBack(convert(t.input, "h.npy", withSpacing(1)));
        for (int k = 0; k < 4; ++k) EXPECT_EQ(mesh->points[k % 2][k / 2].z, t.want[k]) << k;
        freeMesh(mesh);
    }
}

// The highest point of a mesh (x, y), and whether every normal points up.
void peak(const std::string &text, double *x, double *y, bool *up)
{
    Mesh *mesh = readBack(text);
    prepareSurface(*mesh, false);
    const Vec3 *top = &mesh->points[0][0];
    *up = true;
    for (int i = 0; i < mesh->rows; ++i) {
        for (int j = 0; j < mesh->cols; ++j) {
            if (mesh->points[i][j].z > top->z) top = &mesh->points[i][j];
            *up = *up && mesh->normals[i][j].z > 0;
        }
    }
    *x = top->x;
    *y = top->y;
    freeMesh(mesh);
}

std::string imageMesh(const Raster &raster)
{
    ConvertOptions options;
    std::vector<std::string> notes;
    FILE *out = std::tmpfile();
    writeGrid(out, layOut(rasterSamples(Raster(raster)), options, "i.png", notes));
    return contents(out);
}

TEST(ImportOrientation, ABumpEndsUpInItsCornerAndTheTopFacesUp)
{
    Raster image;  // the bump in the top right pixel: north east
    // Heights grids are centred on the origin; x y z data stays as given.
    image.width = 4;
    image.height = 3;
    image.samples = {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    const double d = 5.0 / 3;  // the longer side (3 steps) is 5 times the relief (1)
    const struct {
        std::string what, text;
        double x, y;
    } cases[] = {
        // x along a line, y down the lines: the first line's last value.
        {"matrix", convert("0 0 0 1\n0 0 0 0\n0 0 0 0\n", "m.txt", ImportRequest()), 1.5 * d, -d},
        {"matrix, CR line ends", convert("0 0 0 1\r0 0 0 0\r0 0 0 0\r", "m.txt", ImportRequest()), 1.5 * d, -d},
        {"csv, CR LF line ends", convert("0,0,0,1\r\n0,0,0,0\r\n0,0,0,0", "m.csv", ImportRequest()), 1.5 * d, -d},
        {"nonuniform, y decreasing",
         convert("3 10 20 30\n9 0 0 1\n8 0 0 0\n7 0 0 0\n", "n.txt", ImportRequest()), 30, 9},
        {"grid scans along y",
         convert("0 0 0\n# a comment\n0 1 0\n0 2 0\n\n\n1 0 0\n1 1 0\n1 2 1\n", "g.dat", ImportRequest()), 1, 2},
        {"npy (3, R, C), x decreasing",
         convert(npy("|i1", false, "(3, 2, 2)", std::string("\x01\x00\x01\x00\x00\x00\x01\x01\x00\x00\x00\x05", 12)),
                 "x.npy", ImportRequest()),
         0, 1},
        {"image, top right pixel", imageMesh(image), 1.5 * d, d},
        {"pgm file, top right pixel", convert("P2 4 3 1\n0 0 0 1\n0 0 0 0\n0 0 0 0\n", "i.pgm", ImportRequest()),
         1.5 * d, d},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.what);
        double x, y;
        bool up;
        peak(t.text, &x, &y, &up);
        EXPECT_DOUBLE_EQ(x, t.x);
        EXPECT_DOUBLE_EQ(y, t.y);
        EXPECT_TRUE(up);
    }
}

// Every point of a mesh text (x y z), sorted, and whether the top faces up.
std::vector<std::array<double, 3>> pointsOf(const std::string &text, bool *up)
{
    Mesh *mesh = readBack(text);
    prepareSurface(*mesh, false);
    std::vector<std::array<double, 3>> points;
    *up = true;
    for (int i = 0; i < mesh->rows; ++i) {
        for (int j = 0; j < mesh->cols; ++j) {
            const Vec3 &p = mesh->points[i][j];
            points.push_back({p.x, p.y, p.z});
            *up = *up && mesh->normals[i][j].z > 0;
        }
    }
    freeMesh(mesh);
    std::sort(points.begin(), points.end());
    return points;
}

std::string commentLine(const std::string &text, int n)
{
    size_t start = 0;
    for (int k = 1; k < n; ++k) start = text.find('\n', start) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

// One DEM as an image (top row north, 30 m pixels), as ESRI grids and as
// GDAL XYZ files: the same heights at the same places.
TEST(ImportGeoGrids, EsriAndXyzGiveTheImagesHeightsAtTheirPlaces)
{
    const long width = 4, height = 3;
    Raster image;
    image.width = width;
    image.height = height;
    image.spacingKnown = true;
    image.dx = image.dy = 30;
    for (long k = 0; k < width * height; ++k) image.samples.push_back(1000 + 0.1 * double(k * k % 7) - double(k));
    auto z = [&](long r, long c) { return shortest(image.samples[r * width + c]); };
    // Cell centres: the lower-left one at (500015, 4100015).
    auto x = [](long c) { return std::to_string(500015 + 30 * c); };
    auto y = [&](long r) { return std::to_string(4100015 + 30 * (height - 1 - r)); };

    std::string values;  // wrapped 5 to a line, as some writers do
    for (long k = 0; k < width * height; ++k) values += z(k / width, k % width) + (k % 5 == 4 ? "\r\n" : " ");
    const std::string corner = "NCOLS 4\r\nnrows 3\r\nCellSize 30\r\nyllcorner 4100000\r\nxllcorner 500000\r\n" + values;
    const std::string centre = "ncols 4\nnrows 3\nxllcenter 500015\nyllcenter 4100015\ndx 30\ndy 30\n"
                               "NODATA_value -9999\n" + values;
    std::string xFastest, yFastest;  // gdal_translate -of XYZ, and the other way round
    for (long r = 0; r < height; ++r)
        for (long c = 0; c < width; ++c) xFastest += x(c) + " " + y(r) + " " + z(r, c) + "\n";
    for (long c = 0; c < width; ++c)
        for (long r = height - 1; r >= 0; --r) yFastest += x(c) + "," + y(r) + "," + z(r, c) + "\n";

    bool up;
    const auto want = pointsOf(imageMesh(image), &up);
    ASSERT_TRUE(up);
    const struct {
        std::string name, input, read, placed, place;
    } cases[] = {
        {"dem.asc", corner, "esri, 3 lines of 4", "x y spacing 30 30 (ESRI cellsize)",
         "ESRI grid, lower-left cell corner at x = 500000, y = 4100000"},
        {"dem.txt", centre, "esri, 3 lines of 4", "x y spacing 30 30 (ESRI dx and dy)",
         "ESRI grid, lower-left cell centre at x = 500015, y = 4100015"},
        {"dem.xyz", xFastest, "xyz, 3 lines of 4", "x y z as given; rows and columns swapped so the top faces up",
         "centred: x - 500060, y - 4100045"},
        {"dem.csv", yFastest, "xyz, 4 lines of 3", "x y z as given; rows and columns swapped so the top faces up",
         "centred: x - 500060, y - 4100045"},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.name);
        const std::string text = convert(t.input, t.name, ImportRequest());
        EXPECT_EQ(commentLine(text, 1), "# " + t.name + ": " + t.read + " samples (made by quarvel-import)");
        EXPECT_EQ(commentLine(text, 2), "# " + t.placed);
        EXPECT_EQ(commentLine(text, 3), "# " + t.place);
        EXPECT_EQ(pointsOf(text, &up), want);
        EXPECT_TRUE(up);
    }
}

// Which text is which: XYZ needs one complete grid in one block.
TEST(ImportGeoGrids, DetectionByContentAndName)
{
    const std::string header = "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 10\n";
    const struct {
        std::string name, input, found;
        std::string note = "";
    } cases[] = {
        {"a.txt", header + "1 2\n3 4\n", "esri"},
        {"b.txt", "  NRows 2\nncols 2\nxllcorner 0\nyllcorner 0\ncellsize 10\n1 2\n3 4\n", "esri"},
        {"c.asc", "# not a header\n" + header + "1 2 3 4\n", "quarvel-import: c.asc:1: no ESRI grid header (ncols, nrows, xllcorner, yllcorner, cellsize lines)"},
        {"d.dat", "0 0 1\n1 0 2\n3 0 3\n0 2 4\n1 2 5\n3 2 6\n", "xyz"},  // rectilinear
        {"e.dat", "5 9 1\n5 8 2\n4 9 3\n4 8 4\n", "xyz"},
        {"f.dat", "0 0 1\n1 0 2\n3 0 3\n0 2 4\n3 2 6\n", "matrix",
         "f.dat: read as a matrix of 3 columns; as x y z lines (--format xyz) it is no grid: line 5: x = 3, but the first row has x = 1 in this place (a missing or extra point?)"},
        {"g.dat", "0 0 1\n1 0 2\n0 1 3\n1 1 4\n2 1 5\n", "matrix",
         "g.dat: read as a matrix of 3 columns; as x y z lines (--format xyz) it is no grid: line 5: a 3rd point with y = 1, but the first row has 2 (a duplicate or extra point?)"},
        {"h.dat", "0 5 1\n1 5 2\n2 5 3\n", "matrix"},  // one row: no grid
        {"i.dat", "1 2 3\n4 5 6\n7 8 9\n", "matrix"},
        {"j.dat", "0 0 1\n1 0 2\n\n0 1 3\n1 1 4\n", "grid"},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.name);
        FILE *in = fileWith(t.input);
        std::vector<std::string> notes;
        std::string comment;
        const std::string failure = failureOf([&] { comment = importGrid(in, t.name, ImportRequest(), notes).comment; });
        std::fclose(in);
        EXPECT_EQ(failure.empty() ? comment.substr(0, comment.find(',')) : failure,
                  failure.empty() ? t.name + ": " + t.found : t.found);
        EXPECT_EQ(notes, t.note.empty() ? std::vector<std::string>() : std::vector<std::string>{t.note});
    }
}

TEST(ImportErrors, OneLineNamingThePlace)
{
    ImportRequest plain, grid, nonuniform, every, tall, spaced = withSpacing(2), first, last, esri, xyz, strict;
    esri.formatGiven = xyz.formatGiven = true;
    esri.format = Format::Esri;
    xyz.format = Format::Xyz;
    strict.convert.noData = ConvertOptions::NoData::Error;
    first.layout = ArrayLayout::XyzFirst;
    last.layout = ArrayLayout::XyzLast;
    grid.formatGiven = nonuniform.formatGiven = true;
    grid.format = Format::Grid;
    nonuniform.format = Format::Nonuniform;
    every.convert.every = 3;
    tall.convert.zFactor = 1e308;
    ImportRequest noDataError, markerError;
    noDataError.convert.noData = markerError.convert.noData = ConvertOptions::NoData::Error;
    markerError.convert.markerGiven = true;
    markerError.convert.marker = -9999;
    ImportRequest upper, lonlat, skipTwo, skipRow;
    upper.convert.origin = ConvertOptions::Origin::Upper;
    lonlat.convert.lonlat = true;
    ImportRequest lonlatAt = lonlat, spacedLonlat = withSpacing(0.001);
    lonlatAt.convert.latitudeGiven = spacedLonlat.convert.lonlat = true;
    skipTwo.skips.cols = 2;
    skipRow.skips.rows = 1;
    const std::string scans = "0 0 1\n0 1 1\n\n1 0 1\n1 1 1\n";
    const std::string f8 = std::string(8, '\0');
    const struct {
        std::string input, name;
        const ImportRequest &request;
        std::string message;
    } cases[] = {
        {"", "e.txt", plain, "e.txt: no numbers in the input"},
        {"# only a comment\n\n", "-", plain, "standard input: no numbers in the input"},
        {"1 2\n3 4 5\n", "m.txt", plain, "m.txt:2: 3 values, but line 1 has 2 (every line of a matrix needs the same number)"},
        {"1 2\n1 x\n", "m.txt", plain, "m.txt:2: column 2 ('x') is not a number"},
        {"1;2\n3;1.5.2\n", "m.txt", plain, "m.txt:2: column 2 ('1.5.2') is not a number"},
        // Only a height may be no-data.
        {"0 0 1\n0 1 1\n\n# c\nnan 0 1\n1 1 1\n", "g.dat", plain, "g.dat:5: x and y must be finite numbers, not nan 0 (only a height may be no-data)"},
        {"3 0 -inf 2\n0 1 2 3\n1 1 2 3\n", "n.txt", nonuniform, "n.txt:1: x value 2 (-inf) is not a finite number (nonuniform matrix)"},
        {"3 0 1 2\n0 1 2 3\n\ninf 1 2 3\n", "n.txt", nonuniform, "n.txt:4: y value inf is not a finite number (nonuniform matrix)"},
        {npy("<f8", false, "(3, 1, 2)", f8 + std::string("\x00\x00\x00\x00\x00\x00\xf8\x7f", 8) + std::string(32, '\0')), "n.npy", plain, "n.npy: sample [0, 0, 1] is nan, but x and y must be finite numbers"},
        {"1,2\n3,nan\n", "m.csv", noDataError, "m.csv:2: column 2 is no-data (nan); --nodata min or --nodata VALUE fills it"},
        {",a,b\n0,1,2\n# c\n1,-9999,4\n", "p.csv", markerError, "p.csv:4: column 2 is no-data (-9999); --nodata min or --nodata VALUE fills it"},
        {"0 0 1\n0 1 1\n\n1 0 1\n1 1 -inf\n", "g.dat", noDataError, "g.dat:5: column 3 is no-data (-inf); --nodata min or --nodata VALUE fills it"},
        {"1 1e999\n", "m.txt", plain, "m.txt:1: column 2 ('1e999') is out of the range of a double"},
        {"1,,2\n3,4,5\n", "m.csv", noDataError, "m.csv:1: column 2 is no-data (nan); --nodata min or --nodata VALUE fills it"},
        {"1;2\n1,5;2,5\n", "m.txt", plain, "m.txt:2: both ',' and ';' separate values (decimal commas are not read: use decimal points)"},
        {"1,5 2,5\n3,5 4,5\n", "m.txt", plain, "m.txt:1: column 1 ('1,5') has a decimal comma (decimal commas are not read: use decimal points)"},
        {"1, 2\n3\t\t-4,25e1 # c\n", "m.txt", plain, "m.txt:2: column 2 ('-4,25e1') has a decimal comma (decimal commas are not read: use decimal points)"},
        {"1 2\r\r3 4\r\n5 x\n", "m.txt", plain, "m.txt:4: column 2 ('x') is not a number"},
        {std::string("1 2\n3 4\0", 8), "m.txt", plain, "m.txt: byte 7: a NUL byte, which text never holds (is this a binary file?)"},
        {std::string("P2 1 1 9\n\0", 10), "p.pgm", plain, "p.pgm: byte 9: a NUL byte, which text never holds (is this a binary file?)"},
        {std::string(maxTextLine, '9'), "l.txt", plain, "l.txt:1: column 1 ('9999999999999999999999999999999999999999...') is out of the range of a double"},
        {"1\n" + std::string(maxTextLine + 1, '9'), "l.txt", plain, "l.txt: byte 2: the line starting here is longer than 16 MiB, the limit for a line of text"},
        {"1 2 3 4\n", "m.txt", plain, "m.txt: 1 line(s) of 4 sample(s): a surface needs at least 2 x 2"},
        {"1 2 3\n4 5 6\n", "m.txt", every, "m.txt: 1 line(s) of 1 sample(s) after --every or --max: a surface needs at least 2 x 2"},
        {"0 0 1\n0 1 1\n\n1 0 1\n\n", "g.dat", grid, "g.dat:4: scan 2 starting here has 1 points, but the first has 2 (every scan needs the same number)"},
        {"0 0 1\n0 1 1\n\n1 0\n", "g.dat", grid, "g.dat:4: 2 values; grid data has x y z, 3 per line"},
        {"0 0 1\n0 1 1\n\n1 0 1\n1 1 1\n", "g.dat", spaced, "g.dat: --spacing is for height matrices and images; x y z data keeps its own coordinates"},
        {"3 0 1 2\n0 1 2 3\n1 1 2 3\n", "n.txt", tall, "n.txt: the heights times --z-factor are out of the range of a double"},
        {"2 0 1 2\n0 1 2 3\n", "n.txt", nonuniform, "n.txt:1: the first value (2) must be the number of x values that follow it (3) (nonuniform matrix)"},
        {"3 0 2 1\n0 1 2 3\n", "n.txt", nonuniform, "n.txt:1: x value 3 (1) breaks the strictly increasing or decreasing x values (nonuniform matrix)"},
        {"3 0 1 2\n0 1 2 3\n\n2 1 2 3\n1 1 2 3\n", "n.txt", nonuniform, "n.txt:5: y value 1 breaks the strictly increasing or decreasing y values of the lines above (nonuniform matrix)"},
        {"3 0 1 2\n0 1 2 3\n# a\n# b\n2 1 2 3\n1 1 2 3\n", "n.txt", nonuniform, "n.txt:6: y value 1 breaks the strictly increasing or decreasing y values of the lines above (nonuniform matrix)"},
        {"3 0 1 2\n0 1 2 3\n1 1 2\n", "n.txt", nonuniform, "n.txt:3: 3 values, but the first line has 4 (y and 3 heights) (nonuniform matrix)"},
        {"3 0 1 2\n", "n.txt", nonuniform, "n.txt:1: x values but no lines of y and heights below them (nonuniform matrix)"},
        // ESRI grids: the header (any order and case), then ncols x nrows values.
        {"ncols 3\nnrows 2\nxllcenter 5\nyllcenter 7\ncellsize 2\n1 2 3\n4 5\n", "a.asc", plain, "a.asc:7: 5 values after the header, but ncols x nrows is 3 x 2 = 6"},
        {"ncols 3\nnrows 2\nxllcenter 5\nyllcenter 7\ncellsize 2\n1 2 3\n4 5 6 7\n8\n", "a.asc", plain, "a.asc:7: 8 values after the header, but ncols x nrows is 3 x 2 = 6"},
        {"ncols 3\nnrows 2\nxllcenter 5\nyllcenter 7\ncellsize 2\n", "a.asc", plain, "a.asc:5: 0 values after the header, but ncols x nrows is 3 x 2 = 6"},
        {"ncols 2147483647\nnrows 2147483647\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3\n", "a.asc", plain, "a.asc:6: 3 values after the header, but ncols x nrows is 2147483647 x 2147483647 = 4611686014132420609"},
        {"ncols 3\nnrows 2\nxllcenter 5\nyllcenter 7\n1 2 3\n4 5 6\n", "a.asc", plain, "a.asc:4: the ESRI grid header ends here without cellsize (or dx and dy)"},
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ndx 1\n1 2 3 4", "a.asc", plain, "a.asc:5: the ESRI grid header ends here without dy"},
        {"nrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3 4", "a.asc", plain, "a.asc:4: the ESRI grid header ends here without ncols"},
        {"1 2\n3 4\n", "m.txt", esri, "m.txt:1: no ESRI grid header (ncols, nrows, xllcorner, yllcorner, cellsize lines)"},
        {"ncols 3\nNROWS 2\nxllcenter 5\nxllcorner 7\n", "a.asc", plain, "a.asc:4: xllcorner, but line 3 has xllcenter: give one of them"},
        {"ncols 3\nncols 2\n", "a.asc", plain, "a.asc:2: a second ncols (the first is on line 1)"},
        {"cellsize 2\ndx 3\n", "a.asc", plain, "a.asc:2: dx, but line 1 has cellsize: give cellsize, or dx and dy"},
        {"dy 2\nCELLSIZE 3\n", "a.asc", plain, "a.asc:2: cellsize, but line 1 has dy: give cellsize, or dx and dy"},
        {"ncols -3\n", "a.asc", plain, "a.asc:1: ncols needs a whole number from 1 to 2147483647, not '-3'"},
        {"nrows 1e12\n", "a.asc", plain, "a.asc:1: nrows needs a whole number from 1 to 2147483647, not '1e12'"},
        {"ncols 2.5\n", "a.asc", plain, "a.asc:1: ncols needs a whole number from 1 to 2147483647, not '2.5'"},
        {"ncols\n", "a.asc", plain, "a.asc:1: ncols needs a whole number from 1 to 2147483647, not ''"},
        {"cellsize 0\n", "a.asc", plain, "a.asc:1: cellsize needs a distance above 0, not '0'"},
        {"cellsize nan\n", "a.asc", plain, "a.asc:1: cellsize needs a distance above 0, not 'nan'"},
        {"dx -1\n", "a.asc", plain, "a.asc:1: dx needs a distance above 0, not '-1'"},
        {"xllcorner inf\n", "a.asc", plain, "a.asc:1: xllcorner needs a finite number, not 'inf'"},
        {"yllcenter 1 2\n", "a.asc", plain, "a.asc:1: yllcenter needs a finite number, not '1 2'"},
        {"NODATA_value none\n", "a.asc", plain, "a.asc:1: NODATA_value needs a number, not 'none'"},
        {"ncols 4" + std::string(4096, ' ') + "\n", "a.asc", plain, "a.asc:1: ncols on a line longer than 4096 bytes"},
        {std::string("ncols 2\0\n", 9), "a.asc", plain, "a.asc: byte 7: a NUL byte, which text never holds (is this a binary file?)"},
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nfoo 3\n1 2 3 4", "a.asc", plain, "a.asc:6: column 1 ('foo') is not a number"},
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3 nan\n", "a.asc", plain, ""},  // NaN: no-data, filled
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcenter 0\ncellsize 1\nNODATA_value -9\n1 -9 3 4\n", "a.asc", strict, "a.asc: sample at row 1, column 2 is no-data (-9); --nodata min or --nodata VALUE fills it"},
        // XYZ grids, forced: the first line where the grid breaks.
        {"0 0 1\n1 0 2\n2 0 3\n0 1 4\n2 1 6\n", "g.xyz", xyz, "g.xyz:5: x = 2, but the first row has x = 1 in this place (a missing or extra point?) (XYZ grid)"},
        {"0 0 1\n1 0 2\n2 0 3\n0 1 4\n1 1 5\n1 1 5\n2 1 6\n", "g.xyz", xyz, "g.xyz:6: x and y as on the line before (a duplicate point) (XYZ grid)"},
        {"0 0 1\n1 0 2\n2 0 3\n2 0 3\n0 1 4\n1 1 5\n2 1 6\n", "g.xyz", xyz, "g.xyz:4: x and y as on the line before (a duplicate point) (XYZ grid)"},
        {"0 0 1\n0 0 2\n", "g.xyz", xyz, "g.xyz:2: x and y as on the line before (a duplicate point) (XYZ grid)"},
        {"0 0 1\n1 0 2\n2 0 3\n0 1 4\n1 1 5\n", "g.xyz", xyz, "g.xyz:5: the last row has 2 points, but the first has 3 (a missing point?) (XYZ grid)"},
        {"0 0 1\n1 0 2\n0 1 4\n1 2 5\n", "g.xyz", xyz, "g.xyz:4: the row of y = 1 ends after 1 point, but the first row has 2 (a missing point?) (XYZ grid)"},
        {"0 0 1\n1 0 2\n0 1 4\n1 1 5\n0 0 7\n1 0 8\n", "g.xyz", xyz, "g.xyz:5: y = 0 breaks the strictly increasing or decreasing y of the rows before (XYZ grid)"},
        {"0 0 1\n2 0 2\n1 0 3\n", "g.xyz", xyz, "g.xyz:3: x = 1 breaks the strictly increasing or decreasing x of the first row (XYZ grid)"},
        {"0 0 1\n1 1 2\n", "g.xyz", xyz, "g.xyz:2: x and y both differ from the line before: XYZ data runs along rows of equal y (or of equal x) (XYZ grid)"},
        {"0 0 1\n# c\n\n0 1 2\n1 0 3\n1 1 3 9\n", "g.xyz", xyz, "g.xyz:6: 4 values; XYZ data has x y z, 3 per line (XYZ grid)"},
        {"0 0 1\nnan 1 2\n", "g.xyz", xyz, "g.xyz:2: x and y must be finite numbers, not nan 1 (only a height may be no-data) (XYZ grid)"},
        {"0 0 1\n1 -inf 2\n", "g.xyz", xyz, "g.xyz:2: x and y must be finite numbers, not 1 -inf (only a height may be no-data) (XYZ grid)"},
        {"4,inf\f8\n", "g.xyz", xyz, "g.xyz:1: x and y must be finite numbers, not 4 inf (only a height may be no-data) (XYZ grid)"},  // found by fuzzing: one point
        {"1 0 1\n2 0 2\n", "g.xyz", xyz, "g.xyz: 1 line(s) of 2 sample(s): a surface needs at least 2 x 2"},
        {"", "g.xyz", xyz, "g.xyz: no numbers in the input"},
        {"0 0 1\n1 0 2\n0 1 4\n1 1 5\n", "g.xyz", spaced, "g.xyz: --spacing is for height matrices and images; x y z data keeps its own coordinates"},
        {"not npy", "x.npy", plain, "x.npy: byte 0: not a NumPy .npy file (no \\x93NUMPY at the start)"},
        {std::string("\x93NUMPY\x04\x00\x10\x00", 10), "v.npy", plain, "v.npy: byte 6: .npy version 4.0 is not read (1.0, 2.0 and 3.0 are)"},
        {npy("<f8", false, "(2, 2)", f8), "t.npy", plain, "t.npy: byte 128: shape (2, 2) of '<f8' needs 32 bytes of data, the file has 8 (cut short)"},
        {npy("<f8", false, "(1, 1)", f8 + f8), "l.npy", plain, "l.npy: byte 128: shape (1, 1) of '<f8' needs 8 bytes of data, the file has 16"},
        {npy("<f8", false, "(2000000000, 2000000000)", f8), "o.npy", plain, "o.npy: byte 10: shape (2000000000, 2000000000) is too large"},
        {npy("<f8", false, "(0, 9223372036854775808)", ""), "d.npy", plain, "d.npy: byte 64: array dimension too large"},
        {npy("<c16", false, "(1, 1)", f8 + f8), "c.npy", plain, "c.npy: byte 10: dtype '<c16' is not read: integers (i1..i8, u1..u8) and floats (f2, f4, f8) are"},
        {npy("<f8", false, "(0, 3, 3)", ""), "z.npy", every, "z.npy: 0 line(s) of 3 sample(s): a surface needs at least 2 x 2"},
        {npy("<f8", false, "(4,)", f8), "s.npy", plain, "s.npy: byte 10: shape (4,) is neither a height matrix (R, C) nor x y z as (3, R, C) or (R, C, 3)"},
        {npy("<f2", false, "(2, 3, 3)", std::string(36, '\0') ), "x.npy", plain, ""},
        // Integers a double cannot hold, and arrays that could be x y z either way.
        {npy(">i8", false, "(1, 2)", f8 + "\x7f" + std::string(7, '\xff')), "i.npy", plain, "i.npy: sample [0, 1] is 9223372036854775807, which a double cannot hold exactly"},
        {npy("<u8", false, "(1, 2)", f8 + "\x01" + std::string(6, '\0') + "\x80"), "u.npy", plain, "u.npy: sample [0, 1] is 9223372036854775809, which a double cannot hold exactly"},
        {npy("<f2", false, "(3, 2, 3)", std::string(36, '\0')), "a.npy", plain, "a.npy: byte 10: shape (3, 2, 3) could be x y z as (3, R, C) or as (R, C, 3): say which with --layout xyz-first or --layout xyz-last"},
        {npy("<f2", false, "(3, 2, 3)", std::string(36, '\0')), "a.npy", first, ""},
        {npy("<f2", false, "(2, 2, 3)", std::string(24, '\0')), "a.npy", first, "a.npy: byte 10: shape (2, 2, 3) is not (3, R, C) (--layout xyz-first)"},
        {npy("<f2", false, "(2, 2)", std::string(8, '\0')), "a.npy", last, "a.npy: byte 10: shape (2, 2) is a height matrix; --layout is for x y z arrays"},
        {"1 2\n3 4\n", "a.txt", last, "a.txt: --layout is for NumPy x y z arrays, and this is text"},
        {scans, "g.dat", upper, "g.dat: --origin is for height grids; x y z data places each row by its coordinates"},
        {"1 2\n3 4\n", "m.txt", lonlat, "m.txt: --lonlat needs the cell size in degrees: give it with --spacing DX[,DY]"},
        {"1 2\n3 4\n", "m.txt", spacedLonlat, "m.txt: --lonlat needs the latitude of the grid's middle, which the file does not give: --lonlat=LAT"},
        {contents(std::fopen(QUARVEL_TEST_DATA "/import/nodata.tif", "rb")), "nodata.tif", lonlat, "nodata.tif: --lonlat: the file gives its spacing in metres already"},
        {scans, "g.dat", lonlatAt, "g.dat: --lonlat=LAT is for height grids; x y z data gives its own latitudes (use --lonlat)"},
        {"0 0 1\n0 100 1\n\n1 0 1\n1 100 1\n", "g.dat", lonlat, "g.dat: --lonlat: x runs 0 to 1 and y 0 to 100, not longitudes (-180 to 360) and latitudes (-90 to 90)"},
        {"1,2,3\n4\n", "m.csv", skipTwo, "m.csv:2: 1 column(s), fewer than the 2 dropped before the values (--skip-cols, or an index column under a header)"},
        {"1,2,3\n4,5 # c\n", "m.csv", skipTwo, "m.csv:2: no values after the 2 column(s) dropped (--skip-cols, or an index column under a header)"},
        {npy("<f2", false, "(2, 2)", std::string(8, '\0')), "a.npy", skipRow, "a.npy: --skip-rows and --skip-cols are for text, and this is npy"},
        {std::string("\x93NUMPY\x01\x00\x50\x00{}", 12), "h.npy", plain, "h.npy: byte 8: the header length 80 runs past the end of the file"},
        {npy("<f8", false, "(1 2)", ""), "p.npy", plain, "p.npy: byte 63: expected ')' in the .npy header"},
        {std::string("\x93NUMPY\x01\x00\x22\x00", 10) + "{'descr': '<f8', 'shape': (1, 1)} ", "k.npy", plain, "k.npy: byte 43: the .npy header lacks descr, fortran_order or shape"},
    };
    for (const auto &t : cases) {
        std::string error;
        convert(t.input, t.name, t.request, &error);
        EXPECT_EQ(error, t.message.empty() ? "" : "quarvel-import: " + t.message) << t.input.substr(0, 80);
    }
    // What a reader may hand on unchecked: a NaN x, a grid placed off the globe.
    Samples unchecked, placed;
    unchecked.xyz = true;
    unchecked.resize(2, 2);
    unchecked.grid.x = {0, 1, NAN, 1};
    unchecked.grid.y = unchecked.grid.z = {0, 0, 1, 1};
    placed.resize(2, 2);
    placed.spacingKnown = placed.hasMiddleY = true;
    placed.middleY = 4100000;
    std::vector<std::string> notes;
    EXPECT_EQ(failureOf([&] { layOut(std::move(unchecked), ConvertOptions(), "p.xyz", notes); }),
              "quarvel-import: p.xyz: point 3 has x nan and y 1: x and y must be finite numbers (only a height may be no-data)");
    EXPECT_EQ(failureOf([&] { layOut(std::move(placed), lonlat.convert, "g.asc", notes); }),
              "quarvel-import: g.asc: --lonlat: the grid's middle lies at y 4100000, not a latitude (-90 to 90)");
}

// Every format through the whole conversion: the bytes of each output and
// each note are those quarvel-import wrote for the same input and options
// (tests/data/import holds the inputs and those outputs).
TEST(ImportGolden, EveryFormatGivesTheSameBytes)
{
    using Set = void (*)(ConvertOptions &);
    const std::string unknownUnits = "unknown-units.tif: the projected units (or EPSG code) are unknown; the "
                                     "pixel spacing is not used";
    const struct {
        const char *input, *expected;
        Set set;
        std::vector<std::string> notes;
        std::string failure = "";
    } cases[] = {
        {"heights.csv", "heights.mesh", [](ConvertOptions &) {},
         {"heights.csv: heights as written reach 3010, far from 0 for sides of 49.8083: the surface starts "
          "outside the view; --zero-base puts the lowest point at 0"}},
        {"matrix.txt", "matrix.mesh",
         [](ConvertOptions &o) { o.zeroBase = true, o.zFactor = 2.5, o.spacingGiven = true, o.dx = 0.3, o.dy = 0.7; },
         {"matrix.txt: heights as written reach 23.5, far from 0 for sides of 2.8: the surface starts outside the view"}},
        {"nonuniform.txt", "nonuniform.mesh", [](ConvertOptions &) {}, {}},
        {"nonuniform.txt", "nonuniform-max.mesh", [](ConvertOptions &o) { o.max = 2; }, {}},
        {"scans.dat", "scans.mesh", [](ConvertOptions &o) { o.zFactor = -1; }, {}},
        {"heights.npy", "heights-npy.mesh", [](ConvertOptions &o) { o.every = 2; }, {}},
        {"xyz-first.npy", "xyz-first-plain.mesh", [](ConvertOptions &) {}, {}},
        {"xyz-first.npy", "xyz-first.mesh", [](ConvertOptions &o) { o.max = 2; }, {}},
        // x 0 to 40 and y 0 to 60 under a relief of 5463 could be degrees.
        {"xyz-last.npy", "xyz-last.mesh", [](ConvertOptions &) {},
         {"xyz-last.npy: x and y look like degrees of longitude and latitude (x 0 to 40, y 0 to 60) under a relief "
          "of 5463: --lonlat turns them into metres"}},
        {"terrain.png", "terrain.mesh", [](ConvertOptions &) {}, {}},
        // More points than one piece of the writer's text.
        {"big.pgm", "big.mesh", [](ConvertOptions &o) { o.spacingGiven = true, o.dx = o.dy = 1; },
         {"big.pgm: heights as written reach 255, far from 0 for sides of 69: the surface starts outside the "
          "view; --zero-base puts the lowest point at 0"}},
        {"plain.pgm", "plain.mesh", [](ConvertOptions &o) { o.zeroBase = true; }, {}},
        {"nodata.tif", "nodata.mesh", [](ConvertOptions &) {},
         {"nodata.tif: 2 of 30 heights were no-data (NaN, infinite or -9999), now the lowest real height, "
          "101.24478912353516"}},
        {"nodata.tif", "nodata-value.mesh",
         [](ConvertOptions &o) { o.noData = ConvertOptions::NoData::Value, o.noDataValue = 0.5; },
         {"nodata.tif: 2 of 30 heights were no-data (NaN, infinite or -9999), now 0.5"}},
        {"unknown-units.tif", "unknown.mesh", [](ConvertOptions &) {}, {unknownUnits}},
        {"unknown-units.tif", "", [](ConvertOptions &o) { o.every = 4; }, {unknownUnits},
         "quarvel-import: unknown-units.tif: 1 line(s) of 2 sample(s) after --every or --max: a surface needs at "
         "least 2 x 2"},
    };
    const std::string data = QUARVEL_TEST_DATA "/import/";
    for (const auto &t : cases) {
        SCOPED_TRACE(t.expected);
        ImportRequest request;
        t.set(request.convert);
        FILE *in = std::fopen((data + t.input).c_str(), "rb"), *out = std::tmpfile();
        ASSERT_TRUE(in);
        std::vector<std::string> notes;
        std::string failure = failureOf([&] { writeGrid(out, importGrid(in, t.input, request, notes)); });
        std::fclose(in);
        EXPECT_EQ(notes, t.notes);
        EXPECT_EQ(failure, t.failure);
        std::string text = contents(out);
        if (*t.expected) {
            EXPECT_TRUE(text == contents(std::fopen((data + t.expected).c_str(), "rb")));
        }
    }
}

TEST(ImportErrors, ImageNoDataFollowsTheOption)
{
    const struct {
        ConvertOptions::NoData mode;
        std::vector<double> samples;
        std::vector<double> want;  // or the message
        std::string message;
    } cases[] = {
        {ConvertOptions::NoData::Min, {5, -9999, NAN, 3}, {5, 3, 3, 3}, ""},
        {ConvertOptions::NoData::Value, {5, -9999, INFINITY, 3}, {5, 0.5, 0.5, 3}, ""},
        {ConvertOptions::NoData::Error, {5, 1, NAN, 3}, {}, "quarvel-import: i.tif: sample at row 2, column 1 is no-data (nan); --nodata min or --nodata VALUE fills it"},
        {ConvertOptions::NoData::Min, {-9999, -9999, NAN, NAN}, {}, "quarvel-import: i.tif: every sample is no-data"},
    };
    for (const auto &t : cases) {
        Samples s;
        s.resize(2, 2);
        std::copy(t.samples.begin(), t.samples.end(), s.grid.z.begin());
        s.hasNoData = true;
        s.noData = -9999;
        ConvertOptions options;
        options.noData = t.mode;
        options.noDataValue = 0.5;
        std::vector<std::string> notes;
        EXPECT_EQ(failureOf([&] { fillNoData(s, options, "i.tif", notes); }), t.message);
        if (t.message.empty()) {
            EXPECT_EQ(std::vector<double>(s.grid.z.begin(), s.grid.z.end()), t.want);
        }
    }
}

// The mesh text without its comment lines: the points alone.
std::string pointsOf(const std::string &mesh)
{
    std::string points;
    for (size_t at = 0, end; at < mesh.size(); at = end + 1) {
        end = mesh.find('\n', at);
        if (mesh[at] != '#') points += mesh.substr(at, end - at + 1);
    }
    return points;
}

TEST(ImportOrigin, ADemWrittenAsCsvMatchesItsImageUnderOriginUpper)
{
    const std::string png = contents(std::fopen(QUARVEL_TEST_DATA "/import/terrain.png", "rb"));
    Raster raster = readPng(std::vector<unsigned char>(png.begin(), png.end()), "terrain.png");
    std::string csv;  // row 0 north, as a raster tool writes it
    for (long k = 0; k < raster.width * raster.height; ++k)
        csv += shortest(raster.samples[k]) + ((k + 1) % raster.width ? "," : "\n");
    ImportRequest plain, upper, lower;
    upper.convert.origin = ConvertOptions::Origin::Upper;
    lower.convert.origin = ConvertOptions::Origin::Lower;
    const std::string image = pointsOf(convert(png, "terrain.png", plain));
    EXPECT_EQ(pointsOf(convert(csv, "dem.csv", upper)), image);
    EXPECT_NE(pointsOf(convert(csv, "dem.csv", plain)), image);  // mirrored north to south
    EXPECT_EQ(pointsOf(convert(png, "terrain.png", lower)), pointsOf(convert(csv, "dem.csv", plain)));
}

// The heights of a mesh in the order written, and the notes.
std::vector<double> heightsOf(const std::string &input, const std::string &name, const ImportRequest &request,
                              std::vector<std::string> *notes)
{
    FILE *in = fileWith(input);
    Grid grid = importGrid(in, name, request, *notes);
    std::fclose(in);
    return std::vector<double>(grid.z.begin(), grid.z.end());
}

TEST(ImportNoData, NaNAndTheMarkerFollowNodataInTextAndArrays)
{
    const std::string f8 = bytesOf(1, 'f', 8, false) + bytesOf(NAN, 'f', 8, false) + bytesOf(3, 'f', 8, false) +
                           bytesOf(4, 'f', 8, false);
    ImportRequest lowest, value, marker, thinned;
    thinned.convert.every = 2;
    thinned.convert.zeroBase = true;
    value.convert.noData = marker.convert.noData = ConvertOptions::NoData::Value;
    value.convert.noDataValue = marker.convert.noDataValue = 0.5;
    marker.convert.markerGiven = true;
    marker.convert.marker = -9999;
    const struct {
        std::string input, name;
        const ImportRequest &request;
        std::vector<double> heights;
        std::string note;
    } cases[] = {
        {"1,nan\n3,4\n", "m.csv", lowest, {1, 1, 3, 4}, "m.csv: 1 of 4 heights were no-data (NaN or infinite), now the lowest real height, 1"},
        // Empty fields as pandas writes NaN, the last one included; a
        // trailing separator on every line is not a field.
        {"1,2,3\n4,,6\n,8,\n", "p.csv", value, {1, 2, 3, 4, 0.5, 6, 0.5, 8, 0.5}, "p.csv: 3 of 9 heights were no-data (NaN or infinite), now 0.5"},
        {"1,2,\n3,4,\n", "t.csv", lowest, {1, 2, 3, 4}, ""},
        // The range found while filling is the whole grid's, not the one kept.
        {"1 2 3\n4 -100 6\n7 8 9\n", "e.txt", thinned, {0, 2, 6, 8}, ""},
        {"1 -inf\n-9999 4\n", "m.txt", marker, {1, 0.5, 0.5, 4}, "m.txt: 2 of 4 heights were no-data (NaN, infinite or -9999), now 0.5"},
        {npy("<f8", false, "(2, 2)", f8), "h.npy", lowest, {1, 1, 3, 4}, "h.npy: 1 of 4 heights were no-data (NaN or infinite), now the lowest real height, 1"},
        {npy("<f8", false, "(2, 2)", f8), "h.npy", value, {1, 0.5, 3, 4}, "h.npy: 1 of 4 heights were no-data (NaN or infinite), now 0.5"},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.name);
        std::vector<std::string> notes;
        EXPECT_EQ(heightsOf(t.input, t.name, t.request, &notes), t.heights);
        EXPECT_EQ(notes, t.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{t.note});
    }
}

TEST(ImportText, HeadersAndIndexColumnsAreSkipped)
{
    const std::string plain = pointsOf(convert("1.5,2.5,3.5\n4.5,5.5,6.5\n", "m.csv", ImportRequest()));
    ImportRequest skip;
    skip.skips.rows = 2;
    skip.skips.cols = 1;
    const struct {
        std::string input;
        const ImportRequest &request;
        std::string note;
    } cases[] = {
        // DataFrame.to_csv(), with and without column names; R's write.csv.
        {",0,1,2\n0,1.5,2.5,3.5\n1,4.5,5.5,6.5\n", ImportRequest(), "p.csv:1: a header line (',0,1,2'), skipped; its empty first field marks an index column (as pandas writes it), dropped from every line"},
        {"\xEF\xBB\xBF,a b,c\n\"x, y\",1.5,2.5,3.5\nz,4.5,5.5,6.5\n", ImportRequest(), "p.csv:1: a header line (',a b,c'), skipped; its empty first field marks an index column (as pandas writes it), dropped from every line"},
        {"\"\",\"V1\",\"V2\",\"V3\"\n\"1\",1.5,2.5,3.5\n\"2\",4.5,5.5,6.5\n", ImportRequest(), "p.csv:1: a header line ('\"\",\"V1\",\"V2\",\"V3\"'), skipped; its empty first field marks an index column (as pandas writes it), dropped from every line"},
        {"# made by hand\n\nx;y;nan\n1.5;2.5;3.5\n4.5;5.5;6.5\n", ImportRequest(), "p.csv:3: a header line ('x;y;nan'), skipped"},
        {"exported\n1 2 3 4\nid,1.5,2.5,3.5\n7,4.5,5.5,6.5\n", skip, ""},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.input);
        FILE *in = fileWith(t.input), *out = std::tmpfile();
        std::vector<std::string> notes;
        EXPECT_EQ(failureOf([&] { writeGrid(out, importGrid(in, "p.csv", t.request, notes)); }), "");
        std::fclose(in);
        EXPECT_EQ(pointsOf(contents(out)), plain);
        EXPECT_EQ(notes, t.note.empty() ? std::vector<std::string>() : std::vector<std::string>{t.note});
    }
}

// The x and y extent of a mesh.
void extentOf(const std::string &text, double *wx, double *wy)
{
    Mesh *mesh = readBack(text);
    double x0 = HUGE_VAL, x1 = -HUGE_VAL, y0 = HUGE_VAL, y1 = -HUGE_VAL;
    for (int i = 0; i < mesh->rows; ++i) {
        for (int j = 0; j < mesh->cols; ++j) {
            const Vec3 &p = mesh->points[i][j];
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    }
    EXPECT_DOUBLE_EQ(x0, -x1);  // centred
    EXPECT_NEAR(y0, -y1, 1e-6);
    *wx = x1 - x0;
    *wy = y1 - y0;
    freeMesh(mesh);
}

TEST(ImportLonLat, DegreesBecomeMetresOnTheGround)
{
    const double north = 110574, east45 = 111320 * std::cos(45.005 * M_PI / 180);
    ImportRequest lonlat, at60 = withSpacing(0.001);
    lonlat.convert.lonlat = at60.convert.lonlat = at60.convert.latitudeGiven = true;
    at60.convert.latitude = 60;
    Samples esri;  // a grid whose file gives its cell size and place, in degrees
    esri.resize(3, 5);
    for (int k = 0; k < 15; ++k) esri.grid.z[k] = k;
    esri.spacingKnown = esri.hasMiddleY = true;
    esri.dx = esri.dy = 0.002;
    esri.middleY = 45.005;
    std::vector<std::string> notes;
    FILE *out = std::tmpfile();
    writeGrid(out, layOut(std::move(esri), lonlat.convert, "dem.asc", notes));
    const struct {
        std::string what, mesh;
        double wx, wy;
    } cases[] = {
        {"grid data", convert("10 45 100\n10 45.01 200\n\n10.02 45 300\n10.02 45.01 400\n", "ll.dat", lonlat), 0.02 * east45, 0.01 * north},
        {"matrix with --spacing", convert("1 2 3\n4 5 6\n", "m.txt", at60), 0.002 * 111320 * 0.5, 0.001 * north},
        {"grid with a cell size", contents(out), 0.008 * east45, 0.004 * north},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.what);
        double wx, wy;
        extentOf(t.mesh, &wx, &wy);
        EXPECT_NEAR(wx, t.wx, 1e-9 * t.wx);
        EXPECT_NEAR(wy, t.wy, 1e-9 * t.wy);
    }
}

TEST(ImportNotes, ProportionsPlaceAndDensityThatTheViewerShowsBadly)
{
    ImportRequest plain, center, spaced = withSpacing(1);
    center.convert.center = true;
    std::string wide[2];  // 151 and 150 points a side
    for (int n = 0; n < 2; ++n)
        for (int k = 0; k < 2 * (151 - n); ++k) wide[n] += std::to_string(k % 7) + ((k + 1) % (151 - n) ? " " : "\n");
    const std::string utm = "500000 4100000 1\n500000 4100100 2\n\n500100 4100000 1\n500100 4100100 3\n";
    const struct {
        std::string input;
        const ImportRequest &request;
        std::vector<std::string> notes;
        std::string comment;
    } cases[] = {
        {"1 2\n3 400\n", spaced, {"d: heights as written reach 400, far from 0 for sides of 1: the surface starts outside the view; --zero-base puts the lowest point at 0", "d: the relief (399) is 399 times the wider side (1): --z-factor scales the heights, --spacing the sides"}, ""},
        {"0 0 0\n0 100 0.01\n\n100 0 0\n100 100 0\n", plain, {"d: the relief (0.01) is 1/10000 of the wider side (100): --z-factor scales the heights"}, ""},
        {"10 45 100\n10 45.01 200\n\n10.02 45 300\n10.02 45.01 400\n", plain, {"d: x and y look like degrees of longitude and latitude (x 10 to 10.02, y 45 to 45.01) under a relief of 300: --lonlat turns them into metres"}, ""},
        {utm, plain, {"d: the points lie around x = 500050, y = 4100050, far from 0 for their extent (100): the viewer shows them small and off-centre; --center moves them to x = y = 0"}, ""},
        {utm, center, {}, "; centred: x - 500050, y - 4100050"},
        {"-5 -5 1\n-5 -4 2\n\n-4 -5 1\n-4 -4 3\n", center, {}, "; centred: x + 4.5, y + 4.5"},
        {wide[0], plain, {"d: 151 x 2 points: the viewer's black grid lines cover a surface this dense; type f in the viewer to turn them off"}, ""},
        {wide[1], plain, {}, ""},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.input.substr(0, 40));
        FILE *in = fileWith(t.input);
        std::vector<std::string> notes;
        Grid grid = importGrid(in, "d", t.request, notes);
        std::fclose(in);
        EXPECT_EQ(notes, t.notes);
        EXPECT_EQ(grid.comment.substr(grid.comment.size() - t.comment.size()), t.comment);
        if (!t.comment.empty()) {
            EXPECT_EQ(grid.x[0], -0.5 * (grid.x[3] - grid.x[0]));
        }
    }
}

TEST(ImportReduce, EveryAndMaxKeepTheCornersAndAverageBlocks)
{
    Samples s;
    s.resize(5, 4);
    for (int k = 0; k < 20; ++k) s.grid.z[k] = k;
    ConvertOptions every, max;
    every.every = 2;
    max.max = 2;  // blocks of 3: sides 2 x 2, the last blocks smaller
    Samples a = reduceSamples(Samples(s), every), b = reduceSamples(Samples(s), max);
    EXPECT_EQ(std::vector<double>(a.grid.z.begin(), a.grid.z.end()), (std::vector<double>{0, 2, 8, 10, 16, 18}));
    EXPECT_EQ(a.step, 2);
    EXPECT_EQ(std::vector<double>(b.grid.z.begin(), b.grid.z.end()), (std::vector<double>{(0 + 1 + 2 + 4 + 5 + 6 + 8 + 9 + 10) / 9.0,
                                             (3 + 7 + 11) / 3.0, (12 + 13 + 14 + 16 + 17 + 18) / 6.0,
                                             (15 + 19) / 2.0}));
    EXPECT_EQ(b.step, 3);
}

// The files in dir.
std::vector<std::string> entries(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        }
        closedir(d);
    }
    return names;
}

// In a long-lived process: an output that an error leaves unfinished
// leaves no file, and a failed write or open is a Failure, not the end.
TEST(ToolOutput, AnUnfinishedOutputLeavesNothing)
{
    const std::string dir = testing::TempDir() + "import_test." + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string path = dir + "/out.mesh";
    try {
        Output out = openOutput(path, false);
        std::fputs("2 * 2\n", out.stream);
        throw Failure("stopped");
    } catch (const Failure &) {
    }
    EXPECT_EQ(entries(dir), std::vector<std::string>());
    Output out = openOutput(path, false);
    std::fputs("2 * 2\n", out.stream);
    commitOutput(out);
    EXPECT_EQ(entries(dir), std::vector<std::string>{"out.mesh"});
    EXPECT_EQ(failureOf([&] { openOutput(dir + "/none/x", false); }),
              "quarvel-import: cannot write " + dir + "/none/x: No such file or directory");
    EXPECT_EQ(failureOf([] {
                  Output full = openOutput("/dev/full", false);
                  std::fputs("2 * 2\n", full.stream);
                  commitOutput(full);
              }),
              "quarvel-import: error writing /dev/full: No space left on device");
    unlink(path.c_str());
    rmdir(dir.c_str());
}

}  // namespace

// Arrays of 4 MiB and more live in mappings of their own: growing,
// copying and shrinking one must keep every value and free what it maps
// (a wrong length would unmap a neighbour, which the next use trips on).
TEST(ValueArrays, LargeOnesKeepTheirValuesThroughGrowthCopiesAndShrinking)
{
    const size_t large = std::min(bigBlock, size_t{4} << 20) / sizeof(double) + 3;  // ASan: no mappings
    Values v(large);
    for (size_t i = 0; i < large; ++i) v[i] = double(i);
    Values copy = v;
    v.resize(3 * large);  // a larger mapping, the old one freed
    for (size_t i = large; i < v.size(); ++i) v[i] = -1;
    copy.resize(10);
    copy.shrink_to_fit();  // from a mapping to the ordinary heap
    for (size_t i = 0; i < large; ++i) ASSERT_EQ(v[i], double(i));
    EXPECT_EQ(copy[9], 9.0);
    EXPECT_EQ(v.back(), -1.0);
}
