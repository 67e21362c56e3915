// Mesh preparation: per-point normals, the closed seam, reversal and the
// fit-to-view scale.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "ui/commands.h"
#include "ui/view_state.h"

namespace {

// A grid built from a function of (row, column), with the reader's shape:
// one array per row behind its own pointer, normals stored separately.
struct Grid {
    std::vector<std::vector<Vec3>> pointRows, normalRows;
    std::vector<Vec3 *> pointPtrs, normalPtrs;
    Mesh mesh;

    Grid(int rows, int cols, const std::function<Vec3(int, int)> &at)
        : pointRows(rows, std::vector<Vec3>(cols)),
          normalRows(rows, std::vector<Vec3>(cols, Vec3{7, 7, 7}))
    {
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < cols; ++j) pointRows[i][j] = at(i, j);
            pointPtrs.push_back(pointRows[i].data());
            normalPtrs.push_back(normalRows[i].data());
        }
        mesh = {pointPtrs.data(), normalPtrs.data(), rows, cols};
    }
    Grid(const Grid &) = delete;
    const Vec3 &n(int i, int j) const { return mesh.normals[i][j]; }
};

// Cylinder of radius 1 about z: row i at angle 2*pi*i/turn, column j at z = j.
Grid cylinder(int rows, int turn, int cols = 8)
{
    return Grid(rows, cols, [turn](int i, int j) {
        double a = 2 * M_PI * i / turn;
        return Vec3{std::cos(a), std::sin(a), double(j)};
    });
}

void expectNear(const Vec3 &v, double x, double y, double z, double tolerance = 1e-12)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

bool sameVec(const Vec3 &a, const Vec3 &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

class Prepare : public testing::Test {
protected:
    void SetUp() override { viewState = initialViewState; }
    void TearDown() override
    {
        viewState = initialViewState;
        theMesh = nullptr;
    }
};

TEST_F(Prepare, FlatGridFacesUpOrDownWhenReversed)
{
    for (int reverse : {0, 1}) {
        SCOPED_TRACE(reverse ? "reversed" : "as read");
        Grid g(4, 6, [](int i, int j) { return Vec3{double(i), double(j), 0}; });
        viewState.reverseSurface = reverse;
        viewState.scale = 123.0f;  // replaced, not combined
        prepareMesh(g.mesh);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 6; ++j) expectNear(g.n(i, j), 0, 0, reverse ? -1 : 1);
        }
        EXPECT_EQ(viewState.scale, static_cast<float>(1.0 / 5.0));
        EXPECT_EQ(g.mesh.points[0][0].x, reverse ? 3.0 : 0.0);
    }
}

TEST_F(Prepare, ClosedCylinderHasOutwardSeamlessNormals)
{
    for (int reverse : {0, 1}) {
        SCOPED_TRACE(reverse ? "reversed" : "as read");
        Grid g = cylinder(9, 8);
        viewState.reverseSurface = reverse;
        prepareMesh(g.mesh);
        const double out = reverse ? -1 : 1;
        for (int i = 0; i < 9; ++i) {
            for (int j = 0; j < 8; ++j) {
                const Vec3 &p = g.mesh.points[i][j];
                const Vec3 &v = g.n(i, j);
                EXPECT_NEAR(v.z, 0, 1e-12);
                EXPECT_NEAR(std::hypot(v.x, v.y), 1, 1e-12);
                EXPECT_GT(out * (v.x * p.x + v.y * p.y), 0.9) << i << "," << j;
            }
        }
        for (int j = 0; j < 8; ++j) {
            EXPECT_TRUE(sameVec(g.n(0, j), g.n(8, j))) << "column " << j;
        }
        for (int j = 1; j <= 6; ++j) expectNear(g.n(0, j), out, 0, 0);
        // A border point of the seam touches two facets on one side and one
        // on the other, so its normal leans towards the side with two.
        expectNear(g.n(0, 0), out * 0.9906, 0.1368, 0, 5e-5);
        expectNear(g.n(0, 7), out * 0.9906, -0.1368, 0, 5e-5);
        EXPECT_EQ(viewState.scale, 1.0f);
    }
}

TEST_F(Prepare, OpenCylinderKeepsOneSidedNormalsAtItsEdges)
{
    Grid g = cylinder(9, 9);
    prepareMesh(g.mesh);
    for (int j = 1; j <= 6; ++j) {
        // Halfway between the directions of rows 0 and 1 (20 degrees).
        expectNear(g.n(0, j), std::cos(M_PI / 9), std::sin(M_PI / 9), 0, 1e-9);
        expectNear(g.n(8, j), std::cos(M_PI * 15 / 9), std::sin(M_PI * 15 / 9), 0, 1e-9);
    }
}

// Only column 5 of the first and last rows decides whether the seam is
// closed, with a distance threshold of 1e-8.
TEST_F(Prepare, SeamTestLooksAtColumnFiveOnly)
{
    struct Case {
        const char *name;
        double elsewhere;  // radial offset of the last row outside column 5
        double column5;    // the same in column 5
        int cols;
        bool closed;
    };
    const Case cases[] = {
        {"rows equal", 0, 0, 8, true},
        {"differ except column 5", 0.3, 0, 8, true},
        {"equal except column 5", 0, 0.3, 8, false},
        {"column 5 just inside threshold", 0, 0.5e-8, 8, true},
        {"column 5 just outside threshold", 0, 2e-8, 8, false},
        {"narrower than six columns", 0, 0, 5, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Grid g(9, c.cols, [&](int i, int j) {
            double a = 2 * M_PI * i / 8;
            double r = 1 + (i == 8 ? (j == 5 ? c.column5 : c.elsewhere) : 0);
            return Vec3{r * std::cos(a), r * std::sin(a), double(j)};
        });
        prepareMesh(g.mesh);
        bool merged = true;
        for (int j = 0; j < c.cols; ++j) merged = merged && sameVec(g.n(0, j), g.n(8, j));
        EXPECT_EQ(merged, c.closed);
    }
}

// Grids where no facet has any area leave every normal at zero instead of
// dividing by a zero length.
TEST_F(Prepare, DegenerateGridsGiveZeroNormals)
{
    struct Case {
        const char *name;
        int rows, cols;
        bool allEqual;
    };
    for (const Case &c : {Case{"all points equal", 4, 6, true}, Case{"one row", 1, 6, false},
                          Case{"one column", 6, 1, false}, Case{"one point", 1, 1, false}}) {
        SCOPED_TRACE(c.name);
        Grid g(c.rows, c.cols, [&](int i, int j) {
            return c.allEqual ? Vec3{2, 2, 2} : Vec3{double(i), double(j), double(i * j)};
        });
        prepareMesh(g.mesh);
        for (int i = 0; i < c.rows; ++i) {
            for (int j = 0; j < c.cols; ++j) expectNear(g.n(i, j), 0, 0, 0, 0);
        }
    }
}

// The extent compares a point's y only when its x did not just move the
// bound, visiting column by column, so the scale depends on the row order.
TEST_F(Prepare, ScaleFollowsTheVisitingOrder)
{
    struct Special {
        int i, j;
        Vec3 p;
    };
    struct Case {
        const char *name;
        int rows;
        std::vector<Special> special;  // all other points have |x|, |y| < 1
        int reverse;
        float scale;
    };
    const std::vector<Special> twoBySix = {{0, 0, {1, 5, 0}}, {1, 0, {1, 0, 0}}};
    const Case cases[] = {
        {"y hidden behind x", 2, twoBySix, 0, 1.0f},
        {"y seen after reversal", 2, twoBySix, 1, 0.2f},
        {"x = 3 with a high z", 4, {{2, 3, {3, 0, 50}}}, 0, static_cast<float>(1.0 / 3.0)},
        {"x = -4", 4, {{1, 4, {-4, 0, -9}}}, 0, 0.25f},
        {"y = -5 where x is 0", 3, {{2, 2, {0, -5, 0}}}, 0, 0.2f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Grid g(c.rows, 6, [&](int i, int j) {
            Vec3 p{0.9 * std::cos(i + 3 * j), 0.9 * std::sin(i * j), 40.0 * i};
            for (const Special &s : c.special) {
                if (s.i == i && s.j == j) p = s.p;
            }
            return p;
        });
        viewState.reverseSurface = c.reverse;
        prepareMesh(g.mesh);
        EXPECT_EQ(viewState.scale, c.scale);
    }
}

// With no x-y extent at all (every point on the z axis), or one whose
// reciprocal overflows a float, the surface keeps its natural size instead
// of an infinite scale.
TEST_F(Prepare, ZeroOrTinyExtentKeepsScaleOne)
{
    for (double size : {0.0, 1e-40, 1e-300}) {
        Grid g(3, 6, [size](int i, int j) { return Vec3{size * i, 0, double(i + j)}; });
        viewState.scale = 5.0f;
        prepareMesh(g.mesh);
        EXPECT_EQ(viewState.scale, 1.0f) << size;
    }
}

// "r" turns the surface over each time; twice brings back the order of
// the points and exactly the same normals and scale.
TEST_F(Prepare, ReverseTwiceRestoresPointsAndNormals)
{
    Grid g(5, 7, [](int i, int j) {
        return Vec3{i + 0.3 * j, j - 0.2 * i * i, std::sin(i * 0.7) * std::cos(j * 0.4)};
    });
    prepareMesh(g.mesh);
    const std::vector<Vec3 *> order(g.mesh.points, g.mesh.points + 5);
    std::vector<std::vector<Vec3>> normals;
    for (int i = 0; i < 5; ++i) normals.emplace_back(g.mesh.normals[i], g.mesh.normals[i] + 7);
    const float scale = viewState.scale;

    theMesh = &g.mesh;
    applyCommand('r');
    EXPECT_EQ(viewState.reverseSurface, 1);
    EXPECT_EQ(g.mesh.points[0], order[4]);
    EXPECT_EQ(g.mesh.points[2], order[2]);  // the middle row stays

    applyCommand('r');
    EXPECT_EQ(viewState.reverseSurface, 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(g.mesh.points[i], order[i]);
        for (int j = 0; j < 7; ++j) EXPECT_TRUE(sameVec(g.n(i, j), normals[i][j])) << i << "," << j;
    }
    EXPECT_EQ(viewState.scale, scale);
}

}  // namespace
