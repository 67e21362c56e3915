// Drawing of the surface, its grid lines and the axes, in model
// coordinates, in immediate mode.
#pragma once

#include "mesh/mesh.h"

// The shaded surface: one triangle strip per pair of neighbouring columns.
void drawSurface(const Mesh &mesh);

// The grid lines along the columns, then along the rows, each point with
// its normal so the lines can be lit.  Sets no colour.
void drawGrid(const Mesh &mesh);

// The x, y and z axes in fixed colours and lengths, unlit.
void drawAxes();
