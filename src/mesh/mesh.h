// The surface grid: rows x cols points, each with its normal.
#pragma once

// One grid point or one normal.  The three doubles are contiguous so a
// Vec3 can go straight to glVertex3dv / glNormal3dv.
struct Vec3 {
    double x;
    double y;
    double z;
};

// points[i][j] is the point of row i and column j.  Every row is its own
// array behind its own pointer, so reversing the surface only swaps row
// pointers.  normals has the same shape.
struct Mesh {
    Vec3 **points;
    Vec3 **normals;
    int rows;
    int cols;
};

// Releases a grid made by the reader, whole or (a failed read) in part.
// The viewer keeps its one grid for the whole run; the tools, tests and
// benchmarks that read many free each one.
void freeMesh(Mesh *mesh);
