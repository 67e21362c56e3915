// A figure's box is three quarters as high as wide, which makes a map's
// relief readable whatever its units; a torus would come out a barrel.
#include "quarvel-render/figure_relief.h"

#include <algorithm>
#include <cmath>

// Twice the x-y area of the cell whose first corner is point k.
static double cellArea(const FigureData &d, size_t k)
{
    const size_t right = k + 1, up = k + static_cast<size_t>(d.cols), across = up + 1;
    const double ex = d.x[across] - d.x[k], ey = d.y[across] - d.y[k];
    const double fx = d.x[up] - d.x[right], fy = d.y[up] - d.y[right];
    return ex * fy - ey * fx;
}

bool foldsOver(const FigureData &d)
{
    long up = 0, down = 0;
    for (int r = 0; r + 1 < d.rows; ++r) {
        for (int c = 0; c + 1 < d.cols; ++c) {
            const double area = cellArea(d, static_cast<size_t>(r) * static_cast<size_t>(d.cols) + static_cast<size_t>(c));
            up += area > 0;
            down += area < 0;
        }
    }
    // A few cells turned by rounding or a steep edge are not a fold.
    return std::min(up, down) * 10 >= up + down && up + down > 0;
}

bool measuredAlike(const FigureData &d)
{
    return std::fabs(d.xGround) == 1 && std::fabs(d.yGround) == 1;
}

double trueRelief(const FigureData &d, const FigureBox &box)
{
    return measuredAlike(d) && foldsOver(d) ? solidRelief(box) : 1;
}

double solidRelief(const FigureBox &box)
{
    const double longer = std::max(box.high[0] - box.low[0], box.high[1] - box.low[1]);
    const double relief = (box.high[2] - box.low[2]) / longer / heightShare;
    return std::min(std::max(relief, 0.01), 100.0);
}
