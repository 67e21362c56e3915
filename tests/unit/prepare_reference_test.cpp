// Mesh preparation computes normals and extent in one fused sweep.  It must
// give bit for bit what the plain passes give (clear, add the facets cell
// by cell and column by column, join the seam, normalise, then the extent
// column by column), on random grids of every small shape, closed or open,
// reversed or not, with degenerate and non-finite points among them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "ui/view_state.h"

namespace {

Vec3 sub(const Vec3 &a, const Vec3 &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(const Vec3 &a, const Vec3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
void addTo(Vec3 &s, const Vec3 &v)
{
    s.x += v.x;
    s.y += v.y;
    s.z += v.z;
}

// The straightforward passes, kept here as the reference.
float referencePrepare(Vec3 **p, Vec3 **n, int rows, int cols, bool reverse)
{
    if (reverse) {
        for (int i = 0; i < rows / 2; ++i) std::swap(p[i], p[rows - 1 - i]);
    }
    bool closed = false;
    if (cols > seamTestColumn) {
        Vec3 d = sub(p[0][seamTestColumn], p[rows - 1][seamTestColumn]);
        closed = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) < closedThreshold;
    }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) n[i][j] = {0.0, 0.0, 0.0};
    for (int j = 0; j + 1 < cols; ++j) {
        for (int i = 0; i + 1 < rows; ++i) {
            Vec3 a = sub(p[i][j], p[i][j + 1]);
            Vec3 b = sub(p[i + 1][j + 1], p[i][j]);
            Vec3 c = sub(p[i + 1][j], p[i + 1][j + 1]);
            Vec3 f1 = cross(a, b);
            addTo(n[i][j + 1], f1);
            addTo(n[i][j], f1);
            addTo(n[i + 1][j + 1], f1);
            Vec3 f2 = cross(c, b);
            addTo(n[i + 1][j + 1], f2);
            addTo(n[i][j], f2);
            addTo(n[i + 1][j], f2);
        }
    }
    if (closed) {
        for (int j = 0; j < cols; ++j) {
            addTo(n[0][j], n[rows - 1][j]);
            n[rows - 1][j] = n[0][j];
        }
    }
    for (int j = 0; j < cols; ++j) {
        for (int i = 0; i < rows; ++i) {
            Vec3 &v = n[i][j];
            double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
            if (length > 0.0) {
                double inverse = 1.0 / length;
                v.x *= inverse;
                v.y *= inverse;
                v.z *= inverse;
            }
        }
    }
    double maximum = 0.0, minimum = 0.0;
    for (int j = 0; j < cols; ++j) {
        for (int i = 0; i < rows; ++i) {
            double x = p[i][j].x, y = p[i][j].y;
            if (x > maximum) maximum = x;
            else if (y > maximum) maximum = y;
            if (x < minimum) minimum = x;
            else if (y < minimum) minimum = y;
        }
    }
    double m = -minimum > maximum ? -minimum : maximum;
    float fit = m > 0.0 ? static_cast<float>(1.0 / m) : 1.0f;
    return std::isfinite(fit) ? fit : 1.0f;
}

// Bit for bit, except that any NaN equals any NaN: which operand's sign a
// NaN result carries depends on the order the compiler gives the operands.
bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameRow(const Vec3 *a, const Vec3 *b, int cols)
{
    for (int j = 0; j < cols; ++j) {
        if (!sameValue(a[j].x, b[j].x) || !sameValue(a[j].y, b[j].y) ||
            !sameValue(a[j].z, b[j].z)) {
            return false;
        }
    }
    return true;
}

struct Grid {
    int rows, cols;
    std::vector<std::vector<Vec3>> pointRows, normalRows;
    std::vector<Vec3 *> points, normals;
    Grid(int r, int c) : rows(r), cols(c), pointRows(r, std::vector<Vec3>(c)),
                         normalRows(r, std::vector<Vec3>(c, Vec3{9, 9, 9}))
    {
        for (int i = 0; i < r; ++i) {
            points.push_back(pointRows[i].data());
            normals.push_back(normalRows[i].data());
        }
    }
};

TEST(PrepareReference, FusedSweepMatchesPlainPassesBitForBit)
{
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
    for (int trial = 0; trial < 2000; ++trial) {
        int rows = 1 + static_cast<int>(rng() % 12);
        int cols = 1 + static_cast<int>(rng() % 12);
        bool reverse = rng() % 2;
        Grid fused(rows, cols), plain(rows, cols);
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < cols; ++j) {
                Vec3 v = {coordinate(rng), coordinate(rng), coordinate(rng)};
                switch (rng() % 16) {
                case 0: v = {0.0, 0.0, 0.0}; break;           // degenerate facets
                case 1: v.z = -0.0; v.x = 1.0; break;
                case 2: v.x = INFINITY; break;
                case 3: v.y = NAN; break;
                default: break;
                }
                fused.pointRows[i][j] = plain.pointRows[i][j] = v;
            }
        }
        if (rng() % 3 == 0) {  // a closed seam
            fused.pointRows[rows - 1] = plain.pointRows[rows - 1] = plain.pointRows[0];
        }

        Mesh mesh = {fused.points.data(), fused.normals.data(), rows, cols};
        viewState.reverseSurface = reverse;
        prepareMesh(mesh);
        float expectedScale =
            referencePrepare(plain.points.data(), plain.normals.data(), rows, cols, reverse);

        EXPECT_EQ(std::memcmp(&viewState.scale, &expectedScale, sizeof(float)), 0)
            << "trial " << trial;
        for (int i = 0; i < rows; ++i) {
            ASSERT_TRUE(sameRow(fused.points[i], plain.points[i], cols)) << "trial " << trial;
            ASSERT_TRUE(sameRow(fused.normals[i], plain.normals[i], cols))
                << "trial " << trial << " (" << rows << " x " << cols << "), row " << i;
        }
    }
    viewState = initialViewState;
}

}  // namespace
