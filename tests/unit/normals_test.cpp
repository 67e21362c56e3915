// Mesh preparation: normals, the closed seam, reversal and the fit-to-view scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "mesh/prepare.h"
#include "ui/view_state.h"

namespace {

// A grid of the reader's shape (one array per row), prepared at once.
struct Grid {
    std::vector<std::vector<Vec3>> p, n;
    std::vector<Vec3 *> pp, np;
    Mesh mesh;
    Grid(int rows, int cols, const std::function<Vec3(int, int)> &at, int reverse = 0,
         bool run = true)
        : p(rows, std::vector<Vec3>(cols)), n(rows, std::vector<Vec3>(cols, Vec3{7, 7, 7}))
    {
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < cols; ++j) p[i][j] = at(i, j);
            pp.push_back(p[i].data());
            np.push_back(n[i].data());
        }
        mesh = {pp.data(), np.data(), rows, cols};
        viewState = initialViewState;
        viewState.reverseSurface = reverse;
        viewState.scale = 123.0f;  // to be replaced, not combined
        if (run) prepareMesh(mesh);
    }
    ~Grid() { viewState = initialViewState; }
    bool near(int i, int j, Vec3 w, double tolerance = 1e-12) const
    {
        const Vec3 &v = n[i][j];
        return std::fabs(v.x - w.x) <= tolerance && std::fabs(v.y - w.y) <= tolerance &&
               std::fabs(v.z - w.z) <= tolerance;
    }
    bool sameRows(int a, int b) const
    {
        return !std::memcmp(n[a].data(), n[b].data(), n[a].size() * sizeof(Vec3));
    }
};

// A cylinder of radius r(i, j) about z, row i at the angle 2 pi i / turn.
std::function<Vec3(int, int)> cylinder(int turn, std::function<double(int, int)> r = nullptr)
{
    return [=](int i, int j) {
        const double a = 2 * M_PI * i / turn, radius = r ? r(i, j) : 1;
        return Vec3{radius * std::cos(a), radius * std::sin(a), double(j)};
    };
}

TEST(Prepare, NormalsAndSeam)
{
    for (int reverse : {0, 1}) {
        Grid g(4, 6, [](int i, int j) { return Vec3{double(i), double(j), 0}; }, reverse);
        for (int k = 0; k < 24; ++k) EXPECT_TRUE(g.near(k / 6, k % 6, {0, 0, 1 - 2.0 * reverse}));
        EXPECT_EQ(viewState.scale, float(0.2));
    }
    Grid closed(9, 8, cylinder(8));
    EXPECT_TRUE(closed.sameRows(0, 8) && closed.near(0, 3, {1, 0, 0}));
    // A border point of the seam has two facets on one side, one on the other.
    EXPECT_TRUE(closed.near(0, 0, {0.9906, 0.1368, 0}, 5e-5));
    EXPECT_TRUE(closed.near(0, 7, {0.9906, -0.1368, 0}, 5e-5));
    // Only column 5 of the first and last rows decides: closed below 1e-8.
    struct Case { double elsewhere, column5; int cols; bool closed; };
    for (const Case &c : {Case{0.3, 0, 8, true}, Case{0, 0.3, 8, false}, Case{0, 0.5e-8, 8, true},
                          Case{0, 2e-8, 8, false}, Case{0, 0, 5, false}}) {
        Grid g(9, c.cols, cylinder(8, [&](int i, int j) {
                   return 1 + (i < 8 ? 0 : j == 5 ? c.column5 : c.elsewhere);
               }));
        EXPECT_EQ(g.sameRows(0, 8), c.closed) << c.column5 << " " << c.cols;
    }
}

// The extent looks at y only where x did not just move the bound, so the
// scale depends on the row order: (1, 5) first hides the 5, (1, 0) first not.
TEST(Prepare, ScaleFollowsTheVisitingOrder)
{
    for (int reverse : {0, 1}) {
        Grid g(2, 6, [](int i, int j) { return j ? Vec3{0.5, -0.5, 9} : Vec3{1, 5.0 - 5 * i, 0}; },
               reverse);
        EXPECT_EQ(viewState.scale, reverse ? 0.2f : 1.0f);
    }
    for (double size : {0.0, 1e-40, 1e-300}) {  // no extent, or 1 / extent beyond a float
        Grid g(3, 6, [size](int i, int j) { return Vec3{size * i, 0, double(i + j)}; });
        EXPECT_EQ(viewState.scale, 1.0f) << size;
    }
}

// The plain passes the banded computation must match bit for bit: facets
// cell by cell, column by column; seam; normalising; extent column by column.
float plainPrepare(Vec3 **p, Vec3 **n, int rows, int cols)
{
    auto sub = [](const Vec3 &a, const Vec3 &b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; };
    auto add = [](Vec3 &s, const Vec3 &v) { s = {s.x + v.x, s.y + v.y, s.z + v.z}; };
    auto cross = [](const Vec3 &a, const Vec3 &b) {
        return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    };
    for (int k = 0; k < rows * cols; ++k) n[k / cols][k % cols] = {0, 0, 0};
    for (int j = 0; j + 1 < cols; ++j) {
        for (int i = 0; i + 1 < rows; ++i) {
            const Vec3 b = sub(p[i + 1][j + 1], p[i][j]), f1 = cross(sub(p[i][j], p[i][j + 1]), b);
            const Vec3 f2 = cross(sub(p[i + 1][j], p[i + 1][j + 1]), b);
            add(n[i][j + 1], f1), add(n[i][j], f1), add(n[i + 1][j + 1], f1);
            add(n[i + 1][j + 1], f2), add(n[i][j], f2), add(n[i + 1][j], f2);
        }
    }
    const Vec3 d = cols > 5 ? sub(p[0][5], p[rows - 1][5]) : Vec3{1, 0, 0};
    for (int j = 0; std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) < 1e-8 && j < cols; ++j) {
        add(n[0][j], n[rows - 1][j]);
        n[rows - 1][j] = n[0][j];
    }
    double maximum = 0, minimum = 0;
    for (int k = 0; k < rows * cols; ++k) {
        Vec3 &v = n[k % rows][k / rows];
        const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), inverse = 1 / length;
        if (length > 0) v = {v.x * inverse, v.y * inverse, v.z * inverse};
        const double x = p[k % rows][k / rows].x, y = p[k % rows][k / rows].y;
        maximum = x > maximum ? x : y > maximum ? y : maximum;
        minimum = x < minimum ? x : y < minimum ? y : minimum;
    }
    const double extent = std::max(-minimum, maximum);
    const float fit = extent > 0 ? float(1 / extent) : 1.0f;
    return std::isfinite(fit) ? fit : 1.0f;
}

TEST(Prepare, SameAsPlainPasses)
{
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
    for (int trial = 0; trial < 2000; ++trial) {
        const int rows = int(1 + rng() % 12), cols = int(1 + rng() % 12), reverse = int(rng() % 2);
        const int seam = rng() % 3 ? rows : rows - 1;  // a last row that repeats the first
        std::vector<Vec3> points;  // with degenerate facets, infinities and NaNs
        for (int k = 0; k < rows * cols; ++k) {
            Vec3 v = {coordinate(rng), coordinate(rng), coordinate(rng)};
            const Vec3 odd[] = {{0, 0, 0}, {1, v.y, -0.0}, {INFINITY, v.y, v.z}, {v.x, NAN, v.z}};
            points.push_back(rng() % 4 ? v : odd[rng() % 4]);
        }
        auto at = [&](int i, int j) { return points[(i == seam ? 0 : i) * cols + j]; };
        Grid plain(rows, cols, at, 0, false);
        if (reverse) std::reverse(plain.pp.begin(), plain.pp.end());
        const float scale = plainPrepare(plain.pp.data(), plain.np.data(), rows, cols);
        Grid banded(rows, cols, at, reverse);
        EXPECT_EQ(std::memcmp(&viewState.scale, &scale, sizeof scale), 0) << "trial " << trial;
        auto same = [](double a, double b) {
            return (std::isnan(a) && std::isnan(b)) || !std::memcmp(&a, &b, sizeof a);
        };
        for (int k = 0; k < rows * cols; ++k) {
            const Vec3 &a = banded.n[k / cols][k % cols], &b = plain.n[k / cols][k % cols];
            ASSERT_TRUE(same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z)) << trial << ", " << k;
        }
    }
}

}  // namespace
