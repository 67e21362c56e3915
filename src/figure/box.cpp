#include "figure/box.h"

#include <algorithm>
#include <cmath>

#include "base/failure.h"
#include "figure/ticks.h"

static bool hasData(const FigureData &data, size_t i)
{
    return std::isfinite(data.x[i]) && std::isfinite(data.y[i]) && std::isfinite(data.z[i]);
}

FigureExtents figureExtents(const FigureData &data)
{
    FigureExtents e;
    const std::vector<double> *values[3] = {&data.x, &data.y, &data.z};
    for (size_t i = 0; i < data.z.size(); ++i) {
        if (!hasData(data, i)) {
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            const double v = (*values[a])[i];
            e.low[a] = e.any ? std::min(e.low[a], v) : v;
            e.high[a] = e.any ? std::max(e.high[a], v) : v;
        }
        e.any = true;
    }
    return e;
}

void includeExtents(FigureExtents &into, const FigureExtents &more)
{
    if (!more.any) {
        return;
    }
    for (int a = 0; a < 3; ++a) {
        into.low[a] = into.any ? std::min(into.low[a], more.low[a]) : more.low[a];
        into.high[a] = into.any ? std::max(into.high[a], more.high[a]) : more.high[a];
    }
    into.any = true;
}

FigureBox boxOfExtents(const FigureExtents &extents, double xGround, double yGround, double relief)
{
    if (!extents.any) {
        throw Failure("no point has a finite x, y and z: nothing to draw");
    }
    FigureBox box;
    for (int a = 0; a < 3; ++a) {
        box.low[a] = extents.low[a];
        box.high[a] = extents.high[a];
        widenRange(box.low[a], box.high[a]);
    }
    const double wide = (box.high[0] - box.low[0]) * std::fabs(xGround);
    const double deep = (box.high[1] - box.low[1]) * std::fabs(yGround);
    box.reversed[0] = xGround < 0;
    box.reversed[1] = yGround < 0;
    box.reversed[2] = false;
    const double longer = std::max(wide, deep);
    box.half[0] = std::max(wide / longer, minSideRatio);
    box.half[1] = std::max(deep / longer, minSideRatio);
    box.half[2] = heightShare * relief;
    return box;
}

FigureBox figureBox(const FigureData &data, double relief)
{
    return boxOfExtents(figureExtents(data), data.xGround, data.yGround, relief);
}

double sidePosition(const FigureBox &box, int axis, double value)
{
    const double s = (value - box.low[axis]) / (box.high[axis] - box.low[axis]) * 2.0 - 1.0;
    return box.reversed[axis] ? -s : s;
}

Vec modelPoint(const FigureBox &box, double x, double y, double z)
{
    return {box.half[0] * sidePosition(box, 0, x), box.half[1] * sidePosition(box, 1, y),
            box.half[2] * sidePosition(box, 2, z)};
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
