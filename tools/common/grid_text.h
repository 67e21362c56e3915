// Writes the point lines of a whole grid fast: worker threads format blocks
// of lines while the calling thread writes the finished blocks in order.
// A coordinate that depends only on the row (or only on the column) is
// formatted once per row (or column), not once per point.
//
//   writeGrid(out.stream, grid);   // comment, header and points
//   commitOutput(out);             // reports any failed write
#pragma once

#include "common/grid.h"
#include "common/mesh_text.h"

struct GridCoordinate {
    Spread spread;
    const double *values;
};

// Writes whatever text holds (the header), then all rows x cols point lines,
// column by column.  Stops early when a write fails: the error stays on the
// stream for commitOutput.  Throws std::bad_alloc when memory runs out.
void addGrid(MeshText &text, long rows, long cols, GridCoordinate x, GridCoordinate y,
             GridCoordinate z);

// The whole mesh text of grid: its comment, the header and the points.
// Write errors stay on the stream; throws std::bad_alloc.
void writeGrid(FILE *stream, const Grid &grid);
