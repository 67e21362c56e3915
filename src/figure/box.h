// The axes box: true values to model units, and the camera around it.
#pragma once

#include "figure/figure_data.h"

struct Vec {
    double x, y, z;
};

// The data's range on each axis (x, y, z) and the box's half sides in
// model units, centred on the origin: x and y in their ground ratio (the
// longer half side 1, the shorter at least minSideRatio of it), z a fixed
// share of that times the relief.  An axis whose true values run against
// the ground's has its low end at the box's + side (reversed).
struct FigureBox {
    double low[3], high[3];
    double half[3];
    bool reversed[3];
};

constexpr double minSideRatio = 0.1;
constexpr double heightShare = 0.75;  // a 4:4:3 box

// Throws a Failure when no point has finite x, y and z.
FigureBox figureBox(const FigureData &data, double relief);

// The data's range on each axis over the points with finite x, y and z,
// kept apart from the box so that the ranges of several grids (a
// series' frames) can make one box.
struct FigureExtents {
    double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    bool any = false;  // false: no point had data
};
FigureExtents figureExtents(const FigureData &data);
void includeExtents(FigureExtents &into, const FigureExtents &more);

// The box of those ranges, x and y in the given ground units per true
// unit (FigureData's xGround and yGround).  Throws as figureBox does.
FigureBox boxOfExtents(const FigureExtents &extents, double xGround, double yGround, double relief);

// True values to model units.
Vec modelPoint(const FigureBox &box, double x, double y, double z);
// Where a true value of axis lies along the box's side, from -1 to 1.
double sidePosition(const FigureBox &box, int axis, double value);

// The camera's axes in the model: right and up across the picture,
// toward from the centre to the camera.
struct Camera {
    Vec right, up, toward;
};

Camera cameraAt(double azimuthDegrees, double elevationDegrees);

inline double dot(const Vec &a, const Vec &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
