// quarvel-gen's code, checked through the viewer's own reader and
// preparation: values land exactly, z = f(x, y) faces up, a whole turn is
// closed, and every refusal says where.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <vector>

#include "base/failure.h"
#include "common/grid_text.h"
#include "common/fail.h"
#include "mesh/prepare.h"
#include "mesh/reader.h"
#include "quarvel-gen/formula.h"
#include "quarvel-gen/options.h"
#include "quarvel-gen/shapes.h"

namespace {

Range range(const char *text)
{
    Range r;
    EXPECT_EQ(parseRange(text, r), "") << text;
    return r;
}

Grid formulaSurface(const char *formula, const char *a, const char *b, long rows, long cols)
{
    Grid s;
    makeFormulaSurface(formula, range(a), range(b), rows, cols, s);
    closeSeams(s);
    return s;
}

// The surface as the viewer reads it.
Mesh *throughViewer(const Grid &s)
{
    FILE *file = std::tmpfile();
    writeGrid(file, s);
    EXPECT_EQ(std::fflush(file), 0);
    std::rewind(file);
    resetMeshReader();
    return readMesh(file);
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Prepares mesh as the viewer does; returns whether it found it closed.
bool prepareAsViewer(Mesh &mesh)
{
    Preparation work;
    beginPreparation(work, mesh, false);
    prepareNormals(work, mesh.cols);
    prepareExtent(work, mesh.cols);
    endPreparation(work);
    return work.closed == 1;
}

} // namespace

TEST(GenOptions, Sizes)
{
    struct Case {
        const char *text;
        long rows, cols;  // 0: refused
    } cases[] = {
        {"7", 7, 7},     {"3x5", 3, 5},  {"1x100000", 1, 100000}, {"0", 0, 0},
        {"100001", 0, 0}, {"3x", 0, 0},  {"x3", 0, 0},           {"3x4x5", 0, 0},
        {"-3", 0, 0},    {"3 x 4", 0, 0}, {"", 0, 0},            {"99999999999999999999", 0, 0},
    };
    for (const Case &c : cases) {
        long rows = 0, cols = 0;
        std::string error = parseSize(c.text, rows, cols);
        if (c.rows) {
            EXPECT_EQ(error, "") << c.text;
            EXPECT_EQ(rows * 1000000 + cols, c.rows * 1000000 + c.cols) << c.text;
        } else {
            EXPECT_NE(error.find("bad grid size '" + std::string(c.text) + "'"), std::string::npos)
                << c.text << ": " << error;
        }
    }
}

TEST(GenOptions, Ranges)
{
    struct Case {
        const char *text;
        double min, max;
        const char *error;  // a part of the message, or nullptr
    } cases[] = {
        {"-1:1", -1, 1, nullptr},
        {"0:2*pi", 0, 2 * M_PI, nullptr},
        {"-pi:pi", -M_PI, M_PI, nullptr},
        {"e:e^2", M_E, M_E * M_E, nullptr},
        {"1:-1", 1, -1, nullptr},  // the grid runs the other way
        {"1e-3:2.5", 1e-3, 2.5, nullptr},
        {"1", 0, 0, "expected MIN:MAX"},
        {"0:1:2", 0, 0, "expected MIN:MAX"},
        {":1", 0, 0, "MIN is missing"},
        {"0:", 0, 0, "MAX is missing"},
        {"2:2", 0, 0, "MIN and MAX are equal"},
        {"0:1/0", 0, 0, "MAX is not finite"},
        {"log(0):1", 0, 0, "MIN is not finite"},
        {"-1e308:1e308", 0, 0, "too wide"},
        {"0:2*pj", 0, 0, "at character 5: Unexpected token \"pj\""},
        {"0:x", 0, 0, "at character 3: Unexpected token \"x\""},
        {"(1:2", 0, 0, "error in range"},
    };
    for (const Case &c : cases) {
        Range r;
        std::string error = parseRange(c.text, r);
        if (!c.error) {
            EXPECT_EQ(error, "") << c.text;
            EXPECT_TRUE(sameBits(r.min, c.min) && sameBits(r.max, c.max)) << c.text;
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
        }
    }
}

TEST(GenOptions, CommandLines)
{
    struct Case {
        std::vector<const char *> args;
        const char *error;  // a part of the message; "" when accepted
        long rows, cols;
    } cases[] = {
        {{"sin(x)"}, "", 51, 51},
        {{"torus"}, "", 0, 0},
        {{"wave", "41", "31"}, "", 41, 31},
        {{"-n", "20x30", "-o", "out.mesh", "x*y"}, "", 20, 30},
        {{"-x^2-y^2"}, "", 51, 51},
        {{"--", "-n"}, "", 51, 51},
        {{"-u", "0:pi", "cos(u);sin(u);v"}, "", 51, 51},
        {{"-1"}, "", 51, 51},
        {{"-o", "", "x"}, "option -o needs a file name", 0, 0},
        {{}, "no formula or shape given", 0, 0},
        {{"-q", "x"}, "unknown option -q", 0, 0},
        {{"--size", "x"}, "unknown option --size", 0, 0},
        {{"x", "-n"}, "option -n needs a value", 0, 0},
        {{"x", "3"}, "got 2 arguments", 0, 0},
        {{"x", "3", "0"}, "bad grid size '3 0'", 0, 0},
        {{"-n", "4", "x", "3", "3"}, "grid size given twice", 0, 0},
        {{"-u", "0:1", "x"}, "-u does not apply to z = f(x, y)", 0, 0},
        {{"-y", "0:1", "u;v;1"}, "-y does not apply to a parametric formula", 0, 0},
        {{"-x", "0:1", "torus"}, "-x does not apply to shape torus", 0, 0},
        {{"-x", "0", "x"}, "-x: bad range '0'", 0, 0},
    };
    for (const Case &c : cases) {
        std::vector<const char *> argv = {"quarvel-gen"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Options o;
        std::string error = parseOptions(static_cast<int>(argv.size()), argv.data(), o);
        std::string line = argv.size() > 1 ? argv[1] : "";
        if (*c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << line << ": " << error;
        } else {
            EXPECT_EQ(error, "") << line;
            EXPECT_EQ(o.rows * 1000000 + o.cols, c.rows * 1000000 + c.cols) << line;
        }
    }
    Options o;
    const char *argv[] = {"quarvel-gen", "x", "-y", "-1:2"};
    ASSERT_EQ(parseOptions(4, argv, o), "");
    EXPECT_TRUE(sameBits(o.ranges[rangeX].min, -M_PI) && o.ranges[rangeY].max == 2);
}

TEST(GenFormula, RefusalsNameThePlace)
{
    struct Case {
        const char *formula;
        const char *a, *b;
        const char *message;
    } cases[] = {
        {"x + u", "-1:1", "-1:1",
         "error in formula at character 5: Unexpected token \"u\" (known names: x, y, pi, e and "
         "muparser's functions)"},
        {"sin(x", "-1:1", "-1:1", "error in formula at its end: Missing parenthesis"},
        {"cos(u); sin(u) *; v", "0:1", "0:1", "error in formula at character 17: Unexpected end of expression"},
        {"x; y", "-1:1", "-1:1", "a formula is z = f(x, y) or three parts 'x(u,v); y(u,v); z(u,v)', "
                                 "not 2 parts separated by ';'"},
        {"u; v;", "0:1", "0:1", "nothing after character 5 of the formula"},
        {"x, y", "-1:1", "-1:1", "formula part at character 1 gives 2 values: separate x(u,v); y(u,v); z(u,v) with ';'"},
        {"1/x", "-1:1", "-1:1", "z is inf at row 1, column 0 (x = 0, y = -1): nothing written"},
        {"log(x*y)", "0:1", "-1:1", "z is -inf at row 0, column 0 (x = 0, y = -1): nothing written"},
        {"sqrt(x)", "-1:1", "0:1", "z is nan at row 0, column 0 (x = -1, y = 0): nothing written"},
        {"u; 1/v; 0", "0:1", "0:1", "y is inf at row 0, column 0 (u = 0, v = 0): nothing written"},
        {"u; v; 1/(v - 2)", "0:1", "1:2", "z is inf at row 0, column 1 (u = 0, v = 2): nothing written"},
    };
    for (const Case &c : cases) {
        Grid s;
        try {
            makeFormulaSurface(c.formula, range(c.a), range(c.b), 3, 2, s);
            ADD_FAILURE() << c.formula << ": accepted";
        } catch (const Failure &failure) {
            EXPECT_STREQ(failure.what(), c.message) << c.formula;
        }
    }
}

// Every value lands exactly where it belongs, through the viewer's reader;
// the grid is large enough to be formatted in several pieces at once.
TEST(GenFormula, ValuesReadBackExactly)
{
    const long rows = 301, cols = 250;
    Grid s = formulaSurface("sin(x)*cos(y)", "-pi:pi", "-1:2", rows, cols);
    Mesh *mesh = throughViewer(s);
    ASSERT_EQ(mesh->rows * 1000 + mesh->cols, rows * 1000 + cols);
    long wrong = 0;
    for (long i = 0; i < rows; ++i) {
        for (long j = 0; j < cols; ++j) {
            const Vec3 &p = mesh->points[i][j];
            const double x = -M_PI + 2 * M_PI * double(i) / double(rows - 1), y = -1.0 + 3.0 * double(j) / double(cols - 1);
            wrong += !sameBits(p.x, i == rows - 1 ? M_PI : x) || !sameBits(p.y, j == cols - 1 ? 2 : y) ||
                     !sameBits(p.z, std::sin(p.x) * std::cos(p.y));
        }
    }
    EXPECT_EQ(wrong, 0);
    freeMesh(mesh);

    Grid t = formulaSurface("u*v; v-u; exp(u)/3", "0:1", "1:3", 7, 5);
    mesh = throughViewer(t);
    for (long k = 0; k < 35; ++k) {
        const Vec3 &p = mesh->points[k % 7][k / 7];
        EXPECT_TRUE(sameBits(p.x, t.x[k]) && sameBits(p.y, t.y[k]) && sameBits(p.z, t.z[k])) << k;
    }
    freeMesh(mesh);
}

// Rows along x, columns along y: the top of z = f(x, y) is seen from above.
TEST(GenFormula, HeightsFaceUp)
{
    for (const char *formula : {"0", "x", "-x*y", "0.3*sin(3*x)*cos(2*y)"}) {
        Mesh *mesh = throughViewer(formulaSurface(formula, "-1:1", "-1:1", 9, 8));
        prepareAsViewer(*mesh);
        long down = 0;
        for (int i = 0; i < mesh->rows; ++i) {
            for (int j = 0; j < mesh->cols; ++j) {
                down += !(mesh->normals[i][j].z > 0);
            }
        }
        EXPECT_EQ(down, 0) << formula;
        freeMesh(mesh);
    }
}

TEST(GenFormula, WholeTurnsAreClosed)
{
    const char *torus = "cos(u)*(1+0.4*cos(v)); sin(u)*(1+0.4*cos(v)); 0.4*sin(v)";
    const char *sphere = "cos(u)*sin(v); sin(u)*sin(v); cos(v)";
    // sin(2 pi) * 1e9 is 2.4e-7 away from 0: closed only by the copied row.
    const char *bigTorus = "1e9*cos(u)*(1+0.4*cos(v)); 1e9*sin(u)*(1+0.4*cos(v)); 4e8*sin(v)";
    // Radius 1.4 at x = 1e9: 0:6 leaves a gap of 0.395, far below 1e9 but not below 1.4.
    const char *farTube = "1e9 + 1.4*cos(u); 1.4*sin(u); v";
    struct Case {
        const char *formula, *u, *v;
        long rows;
        bool closed;
    } cases[] = {
        {torus, "0:2*pi", "0:2*pi", 97, true},
        {torus, "-pi:pi", "0:2*pi", 30, true},
        {torus, "2*pi:0", "0:2*pi", 61, true},
        {sphere, "0:2*pi", "0:pi", 48, true},
        {bigTorus, "0:2*pi", "0:2*pi", 50, true},
        {torus, "0:6.28", "0:2*pi", 97, false},
        {torus, "0:pi", "0:2*pi", 97, false},
        {farTube, "0:2*pi", "0:1", 40, true},
        {farTube, "0:6", "0:1", 40, false},
    };
    for (const Case &c : cases) {
        Grid s = formulaSurface(c.formula, c.u, c.v, c.rows, 24);
        Mesh *mesh = throughViewer(s);
        EXPECT_EQ(prepareAsViewer(*mesh), c.closed) << c.formula << " over " << c.u;
        freeMesh(mesh);
    }
    Grid shape;
    makeShape("torus", 0, 0, shape);
    Mesh *mesh = throughViewer(shape);
    EXPECT_TRUE(prepareAsViewer(*mesh));
    freeMesh(mesh);
}

// Two rows of one point each side of a middle one that sets the extent:
// whether the last is made a copy of the first.
TEST(GenFormula, SeamTolerance)
{
    const double far = 1e9, ulp = std::nextafter(far, 2 * far) - far;
    struct Case {
        double first[3], middle[3], last[3];
        bool closed;
    } cases[] = {
        // A millionth wide at 1e9: only the values' own precision counts.
        {{far, 0, 0}, {far, 1e-6, 0}, {far + 4 * ulp, 0, 0}, true},
        {{far, 0, 0}, {far, 1e-6, 0}, {far + 5 * ulp, 0, 0}, false},
        // An extent beyond the largest double must not close everything.
        {{1e308, 0, 0}, {-1e308, 0, 0}, {1e308, 1e300, 0}, false},
    };
    for (const Case &c : cases) {
        Grid s;
        s.rows = 3;
        s.cols = 1;
        for (const double *p : {c.first, c.middle, c.last}) {
            s.x.push_back(p[0]);
            s.y.push_back(p[1]);
            s.z.push_back(p[2]);
        }
        closeSeams(s);
        EXPECT_EQ(s.x[2] == s.x[0] && s.y[2] == s.y[0], c.closed) << c.last[0] << " " << c.last[1];
    }
}

// QUARVEL_HUGE_PAGES=0 leaves the allocator as the system has it; else the
// heap grows by the reserve that huge pages back.  Each in a new process,
// whose heap has not grown yet, as at the start of main.
TEST(GenHugePages, SwitchedOffByTheEnvironment)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer has an allocator of its own";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char *setting : {"0", "1"}) {
        EXPECT_EXIT(
            {
                setenv("QUARVEL_HUGE_PAGES", setting, 1);
                preferHugePages();
                std::_Exit(mallinfo2().arena >= size_t{512} << 20 ? 2 : 1);
            },
            testing::ExitedWithCode(*setting == '0' ? 1 : 2), "")
            << setting;
    }
}
