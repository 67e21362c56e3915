#include "figure/box.h"

#include <algorithm>
#include <cmath>

#include "base/failure.h"
#include "figure/ticks.h"

static bool hasData(const FigureData &data, size_t i)
{
    return std::isfinite(data.x[i]) && std::isfinite(data.y[i]) && std::isfinite(data.z[i]);
}

FigureBox figureBox(const FigureData &data, double relief)
{
    FigureBox box;
    const std::vector<double> *values[3] = {&data.x, &data.y, &data.z};
    bool any = false;
    for (size_t i = 0; i < data.z.size(); ++i) {
        if (!hasData(data, i)) {
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            const double v = (*values[a])[i];
            box.low[a] = any ? std::min(box.low[a], v) : v;
            box.high[a] = any ? std::max(box.high[a], v) : v;
        }
        any = true;
    }
    if (!any) {
        throw Failure("no point has a finite x, y and z: nothing to draw");
    }
    for (int a = 0; a < 3; ++a) {
        widenRange(box.low[a], box.high[a]);
    }
    const double wide = box.high[0] - box.low[0], deep = box.high[1] - box.low[1];
    const double longer = std::max(wide, deep);
    box.half[0] = std::max(wide / longer, minSideRatio);
    box.half[1] = std::max(deep / longer, minSideRatio);
    box.half[2] = heightShare * relief;
    return box;
}

Vec modelPoint(const FigureBox &box, double x, double y, double z)
{
    const double v[3] = {x, y, z};
    double m[3];
    for (int a = 0; a < 3; ++a) {
        m[a] = box.half[a] * ((v[a] - box.low[a]) / (box.high[a] - box.low[a]) * 2.0 - 1.0);
    }
    return {m[0], m[1], m[2]};
}

Camera cameraAt(double azimuthDegrees, double elevationDegrees)
{
    const double az = azimuthDegrees * M_PI / 180.0, el = elevationDegrees * M_PI / 180.0;
    Camera c;
    // Bearings run clockwise from north: east is sin, north is cos.
    c.toward = {std::sin(az) * std::cos(el), std::cos(az) * std::cos(el), std::sin(el)};
    // Facing the centre, right is a quarter turn clockwise of the facing
    // bearing; it stays level, so straight down is no special case.
    c.right = {-std::cos(az), std::sin(az), 0.0};
    const Vec &t = c.toward, &r = c.right;
    c.up = {t.y * r.z - t.z * r.y, t.z * r.x - t.x * r.z, t.x * r.y - t.y * r.x};
    return c;
}
