// The named example surfaces (wave, saddle, tube, torus, terrain, flat).
#pragma once

#include <string>

#include "quarvel-gen/surface.h"

bool isShapeName(const std::string &name);
std::string shapeNames();  // "wave, saddle, ..."

// Makes the shape called name on rows x cols points (0 x 0: its own size).
void makeShape(const std::string &name, long rows, long cols, Grid &grid);
