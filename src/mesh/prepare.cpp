#include "mesh/prepare.h"

#include <cmath>
#include <utility>

#include "ui/view_state.h"

static Vec3 sub(const Vec3 &a, const Vec3 &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

static Vec3 cross(const Vec3 &a, const Vec3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

static void addTo(Vec3 &sum, const Vec3 &v)
{
    sum.x += v.x;
    sum.y += v.y;
    sum.z += v.z;
}

// The surface is closed when the first and last rows meet.  Only the
// points of one column are compared; narrower grids count as open.
static bool isClosed(const Mesh &mesh)
{
    if (mesh.cols <= seamTestColumn) {
        return false;
    }
    Vec3 d = sub(mesh.points[0][seamTestColumn], mesh.points[mesh.rows - 1][seamTestColumn]);
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) < closedThreshold;
}

// Adds the two facet normals of the cell whose top-left corner is
// points[i][j].  The cell is split along its diagonal p00-p11, as the
// surface is drawn; the unnormalised cross products weight each facet by
// its area.
static void addCellFacets(Vec3 **p, Vec3 **n, int i, int j)
{
    const Vec3 &p00 = p[i][j];
    const Vec3 &p01 = p[i][j + 1];
    const Vec3 &p10 = p[i + 1][j];
    const Vec3 &p11 = p[i + 1][j + 1];
    Vec3 a = sub(p00, p01);
    Vec3 b = sub(p11, p00);
    Vec3 c = sub(p10, p11);

    Vec3 f1 = cross(a, b);
    addTo(n[i][j + 1], f1);
    addTo(n[i][j], f1);
    addTo(n[i + 1][j + 1], f1);

    Vec3 f2 = cross(c, b);
    addTo(n[i + 1][j + 1], f2);
    addTo(n[i][j], f2);
    addTo(n[i + 1][j], f2);
}

// A normal touching no facet of non-zero area stays (0, 0, 0).
static void normalise(Vec3 &v)
{
    double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 0.0) {
        double inverse = 1.0 / length;
        v.x *= inverse;
        v.y *= inverse;
        v.z *= inverse;
    }
}

// The x-y extent.  A point's y is compared only when its x did not just
// replace the bound, visiting column by column, so the result depends on
// the visiting order (and on reversal).  That is the intended rule: it is
// not the larger of x and y taken together.
struct Extent {
    double maximum = 0.0;
    double minimum = 0.0;
};

static void widen(Extent &e, const Vec3 &point)
{
    if (point.x > e.maximum) {
        e.maximum = point.x;
    } else if (point.y > e.maximum) {
        e.maximum = point.y;
    }
    if (point.x < e.minimum) {
        e.minimum = point.x;
    } else if (point.y < e.minimum) {
        e.minimum = point.y;
    }
}

// Normals and extent in one sweep, column by column and row by row within
// a column, so a large grid passes through the cache once.  The result is
// exactly that of separate passes (clear every normal; add the facets cell
// by cell, column by column; join the seam; normalise; then the extent):
// - a normal is cleared just before the first cell that adds to it, so its
//   sum still starts at +0 and receives its facets in the same order;
// - a normal is normalised once its last cell, (i, j), has been added; the
//   two seam rows of a closed surface wait until they are joined;
// - the extent visits the points in the same order.
static Extent sweepGrid(Mesh &mesh)
{
    const int rows = mesh.rows;
    const int cols = mesh.cols;
    Vec3 **p = mesh.points;
    Vec3 **n = mesh.normals;
    const bool closed = isClosed(mesh);
    const Vec3 zero = {0.0, 0.0, 0.0};
    Extent extent;

    for (int i = 0; i < rows; ++i) {
        n[i][0] = zero;
    }
    for (int j = 0; j < cols; ++j) {
        const bool cellColumn = j + 1 < cols;
        if (cellColumn) {
            n[0][j + 1] = zero;
        }
        for (int i = 0; i < rows; ++i) {
            if (cellColumn && i + 1 < rows) {
                n[i + 1][j + 1] = zero;
                addCellFacets(p, n, i, j);
            }
            if (!closed || (i != 0 && i != rows - 1)) {
                normalise(n[i][j]);
            }
            widen(extent, p[i][j]);
        }
    }

    // Across a closed seam both rows get the facets of both sides.
    if (closed) {
        for (int j = 0; j < cols; ++j) {
            addTo(n[0][j], n[rows - 1][j]);
            normalise(n[0][j]);
            n[rows - 1][j] = n[0][j];
        }
    }
    return extent;
}

void computeNormals(Mesh &mesh) { sweepGrid(mesh); }

void prepareMesh(Mesh &mesh)
{
    if (viewState.reverseSurface) {
        for (int i = 0; i < mesh.rows / 2; ++i) {
            std::swap(mesh.points[i], mesh.points[mesh.rows - 1 - i]);
        }
    }
    Extent e = sweepGrid(mesh);
    double extent = -e.minimum > e.maximum ? -e.minimum : e.maximum;

    // A surface with no x-y extent (all points on the z axis) keeps the
    // natural size instead of an infinite scale.
    viewState.scale = extent > 0.0 ? static_cast<float>(1.0 / extent) : 1.0f;
}
