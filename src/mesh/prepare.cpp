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

// Rows of normals computed together: enough rows per column to keep the
// work of a column in the cache, few enough that the rows' pages stay in
// the TLB (every row is an array of its own, so a walk down a column of a
// big grid touches a new page at every row).
constexpr int bandRows = 8;

// Adds the two facet normals of the cell whose top-left corner is
// points[i][j] to those of its corners that lie in rows [r0, r1).  The
// cell is split along its diagonal p00-p11, as the surface is drawn; the
// unnormalised cross products weight each facet by its area.
static void addCellFacets(Vec3 **p, Vec3 **n, int i, int j, int r0, int r1)
{
    const Vec3 &p00 = p[i][j];
    const Vec3 &p01 = p[i][j + 1];
    const Vec3 &p10 = p[i + 1][j];
    const Vec3 &p11 = p[i + 1][j + 1];
    Vec3 a = sub(p00, p01);
    Vec3 b = sub(p11, p00);
    Vec3 c = sub(p10, p11);
    Vec3 f1 = cross(a, b);
    Vec3 f2 = cross(c, b);
    const bool top = i >= r0;
    const bool bottom = i + 1 < r1;

    if (top) {
        addTo(n[i][j + 1], f1);
        addTo(n[i][j], f1);
    }
    if (bottom) {
        addTo(n[i + 1][j + 1], f1);
        addTo(n[i + 1][j + 1], f2);
    }
    if (top) {
        addTo(n[i][j], f2);
    }
    if (bottom) {
        addTo(n[i + 1][j], f2);
    }
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

// The normals of rows [r0, r1), column by column.  The cells of the rows
// r0 - 1 and r1 - 1 also feed the neighbouring bands, which compute them
// again for their own rows.  Each normal still gets exactly the additions
// of a cell-by-cell walk over the whole grid, column by column, in the
// same order: those of cells (i-1, j-1), (i, j-1), (i-1, j), (i, j).  It
// is cleared just before the first and normalised right after the last;
// the two seam rows of a closed surface wait until they are joined.
static void bandNormals(Vec3 **p, Vec3 **n, int rows, int cols, int r0, int r1, bool closed)
{
    const Vec3 zero = {0.0, 0.0, 0.0};
    const int firstCell = r0 > 0 ? r0 - 1 : 0;
    const int endCell = r1 < rows - 1 ? r1 : rows - 1;
    for (int i = r0; i < r1; ++i) {
        n[i][0] = zero;
    }
    for (int j = 0; j < cols; ++j) {
        if (j + 1 < cols) {
            for (int i = r0; i < r1; ++i) {
                n[i][j + 1] = zero;
            }
            for (int i = firstCell; i < endCell; ++i) {
                addCellFacets(p, n, i, j, r0, r1);
            }
        }
        for (int i = r0; i < r1; ++i) {
            if (!closed || (i != 0 && i != rows - 1)) {
                normalise(n[i][j]);
            }
        }
    }
}

void computeNormals(Mesh &mesh)
{
    const int rows = mesh.rows;
    const int cols = mesh.cols;
    Vec3 **n = mesh.normals;
    const bool closed = isClosed(mesh);

    for (int r0 = 0; r0 < rows; r0 += bandRows) {
        bandNormals(mesh.points, n, rows, cols, r0, r0 + bandRows < rows ? r0 + bandRows : rows,
                    closed);
    }

    // Across a closed seam both rows get the facets of both sides.
    if (closed) {
        for (int j = 0; j < cols; ++j) {
            addTo(n[0][j], n[rows - 1][j]);
            normalise(n[0][j]);
            n[rows - 1][j] = n[0][j];
        }
    }
}

// The x-y extent: the larger of the maximum and the negated minimum.  A
// point's y is compared only when its x did not just replace the bound,
// visiting column by column, so the result depends on the visiting order
// (and on reversal).  That is the intended rule: it is not the larger of
// x and y taken together.
static double fitExtent(const Mesh &mesh)
{
    double maximum = 0.0;
    double minimum = 0.0;
    for (int j = 0; j < mesh.cols; ++j) {
        const bool ahead = j + 3 < mesh.cols;
        for (int i = 0; i < mesh.rows; ++i) {
            if (ahead) {
                __builtin_prefetch(&mesh.points[i][j + 3]);
            }
            double x = mesh.points[i][j].x;
            double y = mesh.points[i][j].y;
            if (x > maximum) {
                maximum = x;
            } else if (y > maximum) {
                maximum = y;
            }
            if (x < minimum) {
                minimum = x;
            } else if (y < minimum) {
                minimum = y;
            }
        }
    }
    return -minimum > maximum ? -minimum : maximum;
}

void prepareMesh(Mesh &mesh)
{
    if (viewState.reverseSurface) {
        for (int i = 0; i < mesh.rows / 2; ++i) {
            std::swap(mesh.points[i], mesh.points[mesh.rows - 1 - i]);
        }
    }
    computeNormals(mesh);
    double extent = fitExtent(mesh);

    // A surface with no x-y extent (all points on the z axis), or one so
    // small that its reciprocal overflows a float, keeps the natural size
    // instead of an infinite scale.
    float fit = extent > 0.0 ? static_cast<float>(1.0 / extent) : 1.0f;
    viewState.scale = std::isfinite(fit) ? fit : 1.0f;
}
