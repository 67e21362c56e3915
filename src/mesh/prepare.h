// Mesh preparation: optional reversal, per-point normals, fit-to-view scale.
#pragma once

#include "mesh/mesh.h"

// Column whose first- and last-row points decide whether the surface is
// closed along the seam, and the distance below which they count as equal.
constexpr int seamTestColumn = 5;
constexpr double closedThreshold = 1e-8;

// Fills mesh.normals with one unit normal per point, each the area-weighted
// sum of the facets around it; a closed surface gets seamless normals.
void computeNormals(Mesh &mesh);

// Reverses the row order when reverseSurface is set, recomputes every
// normal and sets scale so the x-y extent fits the view.
void prepareMesh(Mesh &mesh);
