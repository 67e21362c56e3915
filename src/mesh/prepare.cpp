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

void computeNormals(Mesh &mesh)
{
    const int rows = mesh.rows;
    const int cols = mesh.cols;
    Vec3 **p = mesh.points;
    Vec3 **n = mesh.normals;
    const bool closed = isClosed(mesh);

    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            n[i][j] = {0.0, 0.0, 0.0};
        }
    }

    // Each cell is split along its diagonal p00-p11, as the surface is
    // drawn; the unnormalised facet normals weight each facet by its area.
    for (int j = 0; j + 1 < cols; ++j) {
        for (int i = 0; i + 1 < rows; ++i) {
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
    }

    // Across a closed seam both rows get the facets of both sides.
    if (closed) {
        for (int j = 0; j < cols; ++j) {
            addTo(n[0][j], n[rows - 1][j]);
            n[rows - 1][j] = n[0][j];
        }
    }

    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
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
}

// The extent rule compares a point's y only when its x did not just
// replace the bound, visiting column by column, so the result depends on
// the visiting order (and on reversal).  That is the intended rule: it is
// not the larger of x and y taken together.
static double fitExtent(const Mesh &mesh)
{
    double maximum = 0.0;
    double minimum = 0.0;
    for (int j = 0; j < mesh.cols; ++j) {
        for (int i = 0; i < mesh.rows; ++i) {
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

    // A surface with no x-y extent (all points on the z axis) keeps the
    // natural size instead of an infinite scale.
    double extent = fitExtent(mesh);
    viewState.scale = extent > 0.0 ? static_cast<float>(1.0 / extent) : 1.0f;
}
