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

// The one surface of the run: set by start-up, never freed.
extern Mesh *theMesh;

// Releases a grid made by the reader.  The viewer keeps its one grid for
// the whole run; tests, fuzz targets and benchmarks that read many free
// each one.
void freeMesh(Mesh *mesh);
