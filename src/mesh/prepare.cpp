#include "mesh/prepare.h"

#include <cmath>
#include <utility>


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

// Row i of the surface in the prepared order.
struct RowView {
    Vec3 **first;
    long step;
    Vec3 *operator[](int i) const { return first[i * step]; }
};

static RowView pointRows(const Preparation &work) { return {work.firstRow, work.rowStep}; }

// The surface is closed when the first and last rows meet.  Only the
// points of one column are compared; narrower grids count as open.
static bool isClosed(RowView p, int rows)
{
    Vec3 d = sub(p[0][seamTestColumn], p[rows - 1][seamTestColumn]);
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
static void addCellFacets(RowView p, Vec3 **n, int i, int j, int r0, int r1)
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

// The normals of rows [r0, r1) in columns [j0, j1).  The cells of the rows
// r0 - 1 and r1 - 1 also feed the neighbouring bands, which compute them
// again for their own rows.  Each normal still gets exactly the additions
// of a cell-by-cell walk over the whole grid, column by column, in the
// same order: those of cells (i-1, j-1), (i, j-1), (i-1, j), (i, j).  It
// is cleared just before the first and normalised right after the last;
// the two seam rows of a closed surface wait until they are joined.
static void bandNormals(RowView p, Vec3 **n, int rows, int cols, int r0, int r1, int j0, int j1,
                        bool closed)
{
    const Vec3 zero = {0.0, 0.0, 0.0};
    const int firstCell = r0 > 0 ? r0 - 1 : 0;
    const int endCell = r1 < rows - 1 ? r1 : rows - 1;
    if (j0 == 0) {
        for (int i = r0; i < r1; ++i) {
            n[i][0] = zero;
        }
    }
    for (int j = j0; j < j1; ++j) {
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

void beginPreparation(Preparation &work, Mesh &mesh, bool reverse)
{
    work.mesh = &mesh;
    work.firstRow = reverse ? mesh.points + (mesh.rows - 1) : mesh.points;
    work.rowStep = reverse ? -1 : 1;
    work.closed = mesh.cols <= seamTestColumn ? 0 : -1;
    work.normalColumns = 0;
    work.extentColumns = 0;
    work.maximum = 0.0;
    work.minimum = 0.0;
}

void prepareNormals(Preparation &work, int readable)
{
    const Mesh &mesh = *work.mesh;
    const bool all = readable >= mesh.cols;
    if (work.closed < 0) {
        if (!all && readable <= seamTestColumn) {
            return;
        }
        work.closed = isClosed(pointRows(work), mesh.rows);
    }
    // Column j's normals are final once the cells of column j, which reach
    // into column j + 1, are added.
    const int end = all ? mesh.cols : readable - 1;
    if (end <= work.normalColumns) {
        return;
    }
    for (int r0 = 0; r0 < mesh.rows; r0 += bandRows) {
        const int r1 = r0 + bandRows < mesh.rows ? r0 + bandRows : mesh.rows;
        bandNormals(pointRows(work), mesh.normals, mesh.rows, mesh.cols, r0, r1,
                    work.normalColumns, end, work.closed);
    }
    work.normalColumns = end;
}

// The x-y extent: the larger of the maximum and the negated minimum.  A
// point's y is compared only when its x did not just replace the bound,
// visiting column by column, so the result depends on the visiting order
// (and on reversal).  That is the intended rule: it is not the larger of
// x and y taken together.
void prepareExtent(Preparation &work, int readable)
{
    const RowView p = pointRows(work);
    const int rows = work.mesh->rows;
    const int end = readable < work.mesh->cols ? readable : work.mesh->cols;
    double maximum = work.maximum;
    double minimum = work.minimum;
    for (int j = work.extentColumns; j < end; ++j) {
        const bool ahead = j + 3 < end;
        for (int i = 0; i < rows; ++i) {
            if (ahead) {
                __builtin_prefetch(&p[i][j + 3]);
            }
            double x = p[i][j].x;
            double y = p[i][j].y;
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
    work.maximum = maximum;
    work.minimum = minimum;
    if (end > work.extentColumns) {
        work.extentColumns = end;
    }
}

float endPreparation(Preparation &work)
{
    Mesh &mesh = *work.mesh;
    prepareNormals(work, mesh.cols);
    prepareExtent(work, mesh.cols);

    // Across a closed seam both rows get the facets of both sides.
    Vec3 **n = mesh.normals;
    const int last = mesh.rows - 1;
    if (work.closed) {
        for (int j = 0; j < mesh.cols; ++j) {
            addTo(n[0][j], n[last][j]);
            normalise(n[0][j]);
            n[last][j] = n[0][j];
        }
    }
    if (work.rowStep < 0) {
        for (int i = 0; i < mesh.rows / 2; ++i) {
            std::swap(mesh.points[i], mesh.points[last - i]);
        }
    }

    // A surface with no x-y extent (all points on the z axis), or one so
    // small that its reciprocal overflows a float, keeps the natural size
    // instead of an infinite scale.
    double extent = -work.minimum > work.maximum ? -work.minimum : work.maximum;
    float fit = extent > 0.0 ? static_cast<float>(1.0 / extent) : 1.0f;
    return std::isfinite(fit) ? fit : 1.0f;
}

float prepareSurface(Mesh &mesh, bool reverse)
{
    Preparation work;
    beginPreparation(work, mesh, reverse);
    return endPreparation(work);
}
