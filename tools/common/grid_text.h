// Writes the point lines of a whole grid fast: worker threads format blocks
// of lines while the calling thread writes the finished blocks in order.
// A coordinate that depends only on the row (or only on the column) is
// formatted once per row (or column), not once per point.
//
//   MeshText text = beginMesh(out.stream, "made by ...", rows, cols);
//   addGrid(text, rows, cols, {Spread::perRow, xs}, {Spread::perColumn, ys},
//           {Spread::perPoint, zs});
//   commitOutput(tool, out);   // reports any failed write
#pragma once

#include "common/mesh_text.h"

// Where a coordinate's values are: one per row (values[i]), one per column
// (values[j]) or one per point, column by column (values[i + j * rows]).
enum class Spread { perRow, perColumn, perPoint };

struct GridCoordinate {
    Spread spread;
    const double *values;
};

// Writes whatever text holds (the header), then all rows x cols point lines,
// column by column.  Stops early when a write fails: the error stays on the
// stream for commitOutput.  Throws std::bad_alloc when memory runs out.
void addGrid(MeshText &text, long rows, long cols, GridCoordinate x, GridCoordinate y,
             GridCoordinate z);
