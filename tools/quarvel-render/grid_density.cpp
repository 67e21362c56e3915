#include "quarvel-render/grid_density.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The viewer's frame (render/display.cpp) as arithmetic: spin, scale,
// camera on its sphere, 15-degree perspective.
struct Projection {
    double spinCos, spinSin, scale, zScale;
    double eye[3], side[3], up[3], forward[3];
    double focal, aspect, width, height;
};

}  // namespace

static Projection projectionOf(const ViewState &v, int width, int height)
{
    Projection p;
    const double spin = static_cast<double>(v.spinAngle) * M_PI / 180.0;
    p.spinCos = std::cos(spin);
    p.spinSin = std::sin(spin);
    p.scale = v.scale;
    p.zScale = static_cast<double>(v.scale) * static_cast<double>(v.zScale);
    const double st = std::sin(v.viewTheta), ct = std::cos(v.viewTheta);
    const double sp = std::sin(v.viewPhi), cp = std::cos(v.viewPhi);
    const double d = v.eyeDistance;
    const double eye[3] = {d * st * cp, d * st * sp, d * ct};
    const double up[3] = {-ct * cp, -ct * sp, st};
    for (int i = 0; i < 3; ++i) {
        p.eye[i] = eye[i];
        p.forward[i] = -eye[i] / d;
    }
    // side = forward x up, then up = side x forward, as gluLookAt does.
    const double *f = p.forward;
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    const double n = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (double &c : s) {
        c /= n;
    }
    for (int i = 0; i < 3; ++i) {
        p.side[i] = s[i];
    }
    p.up[0] = s[1] * f[2] - s[2] * f[1];
    p.up[1] = s[2] * f[0] - s[0] * f[2];
    p.up[2] = s[0] * f[1] - s[1] * f[0];
    p.focal = 1.0 / std::tan(7.5 * M_PI / 180.0);
    p.aspect = static_cast<double>(aspectRatioOf(width, height));
    p.width = width;
    p.height = height;
    return p;
}

// A point's place on the picture in pixels; false behind the camera.
static bool project(const Projection &p, const Vec3 &v, double &x, double &y)
{
    const double m[3] = {p.scale * (p.spinCos * v.x - p.spinSin * v.y), p.scale * (p.spinSin * v.x + p.spinCos * v.y),
                         p.zScale * v.z};
    double e[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const double r = m[i] - p.eye[i];
        e[0] += p.side[i] * r;
        e[1] += p.up[i] * r;
        e[2] += p.forward[i] * r;  // distance in front of the camera
    }
    if (!(e[2] > 0.0)) {
        return false;
    }
    x = (p.focal / p.aspect * e[0] / e[2] + 1.0) / 2.0 * p.width;
    y = (p.focal * e[1] / e[2] + 1.0) / 2.0 * p.height;
    return true;
}

// The median distance between point (r, c) and (r + dr, c + dc) over
// about 2000 samples spread across the grid.
static double medianStep(const Mesh &mesh, const Projection &p, int dr, int dc)
{
    const int rows = mesh.rows - dr, cols = mesh.cols - dc;
    if (rows < 1 || cols < 1) {
        return std::numeric_limits<double>::infinity();
    }
    const int across = 45;
    std::vector<double> steps;
    for (int i = 0; i < across; ++i) {
        for (int j = 0; j < across; ++j) {
            const int r = static_cast<int>(static_cast<long>(rows - 1) * i / (across - 1));
            const int c = static_cast<int>(static_cast<long>(cols - 1) * j / (across - 1));
            double x0, y0, x1, y1;
            if (project(p, mesh.points[r][c], x0, y0) && project(p, mesh.points[r + dr][c + dc], x1, y1)) {
                const double d = std::hypot(x1 - x0, y1 - y0);
                if (std::isfinite(d)) {
                    steps.push_back(d);
                }
            }
        }
    }
    if (steps.empty()) {
        return std::numeric_limits<double>::infinity();
    }
    std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() / 2), steps.end());
    return steps[steps.size() / 2];
}

double gridLineSpacing(const Mesh &mesh, const ViewState &view, int width, int height)
{
    const Projection p = projectionOf(view, width, height);
    return std::sqrt(medianStep(mesh, p, 0, 1) * medianStep(mesh, p, 1, 0));
}
