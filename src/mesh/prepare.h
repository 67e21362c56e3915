// Mesh preparation: optional reversal, per-point normals, fit-to-view scale.
//
// The work goes column by column, so it can follow the reader while the
// points are still arriving (see mesh/prepare_while_reading.h) as well as
// run over a grid that is complete.
#pragma once

#include "mesh/mesh.h"

// Column whose first- and last-row points decide whether the surface is
// closed along the seam, and the distance below which they count as equal.
constexpr int seamTestColumn = 5;
constexpr double closedThreshold = 1e-8;

// The state of one preparation.  Rows are taken in the order they will
// have once prepared: the grid's own row pointers are only reversed at the
// end, so a reader may go on storing points into them meanwhile.
struct Preparation {
    Mesh *mesh;
    Vec3 **firstRow;     // row 0 in the prepared order
    long rowStep;        // +1, or -1 when reversing
    int closed;          // -1 until the seam test column can be read
    int normalColumns;   // columns whose normals are final (but for the seam rows)
    int extentColumns;   // columns visited for the x-y extent
    double maximum;      // extent bounds so far
    double minimum;
};

// Starts preparing mesh, reversed when reverse is set.  Reads nothing yet.
void beginPreparation(Preparation &work, Mesh &mesh, bool reverse);

// Advances the normals and the extent as far as columns [0, readable) of
// the points allow; only those columns are read.  A readable of
// mesh.cols means the whole grid.
void prepareNormals(Preparation &work, int readable);
void prepareExtent(Preparation &work, int readable);

// Once all columns are done: joins the seam of a closed surface, reverses
// the grid's rows when asked and returns the scale that fits the extent
// to the view.
float endPreparation(Preparation &work);

// All of the above at once on a grid already read: reverses the row order
// when reverse is set, recomputes every normal (the area-weighted sum of
// the facets around the point, seamless on a closed surface) and returns
// the scale that makes the x-y extent fit the view.  The viewer's
// prepareMesh calls it with its own flag and stores the scale.
float prepareSurface(Mesh &mesh, bool reverse);
