// quarvel-gen's grids in memory: every point is computed and checked before
// the first byte is written, so a bad value never leaves a partial mesh.
#pragma once

#include <cstdint>

#include "common/grid.h"

// Bytes a rows x cols grid takes while it is made and written: its values
// and the text the writer formats ahead.
uint64_t surfaceBytes(long rows, long cols, bool perPointXY);

// Makes a whole turn close exactly: where the last row lies within a
// rounding error of the first at every column, it becomes a copy of the
// first, so the viewer finds the seam and shades across it; the same for
// the last and first columns.  Only for grids with per-point x and y.
void closeSeams(Grid &grid);
