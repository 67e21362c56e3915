// How close the viewer's grid lines come on the picture: when they lie
// only a few pixels apart the black overlay hides the surface.
#pragma once

#include "mesh/mesh.h"
#include "scene/view_state.h"

// Grid lines closer than this (pixels) cover the surface.
constexpr double crowdedGridSpacing = 3.0;

// The usual side of a grid cell on a width x height picture, as the
// viewer's frame projects the grid: the geometric mean of the median
// distances between neighbouring points along the rows and along the
// columns, over a sample of the grid.  Infinite when no pair of points is
// in front of the camera.
double gridLineSpacing(const Mesh &mesh, const ViewState &view, int width, int height);
