// The box's height for a surface that is a solid rather than a map.
#pragma once

#include "figure/box.h"
#include "figure/figure_data.h"

// Whether the surface folds over itself seen from above (a torus, a
// sphere): x, y and z are then lengths in one unit, not a map with heights.
bool foldsOver(const FigureData &data);

// The --relief that shows such a surface in its true proportions in box
// (made with relief 1), within --relief's bounds; 1 for anything else.
double trueRelief(const FigureData &data, const FigureBox &box);

// Whether x and y are in the data's own units (not mapped to the ground).
bool measuredAlike(const FigureData &data);

// The --relief that shows box's ranges (of a box made with relief 1) in
// their true proportions, within --relief's bounds.
double solidRelief(const FigureBox &box);
