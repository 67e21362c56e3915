// Colour maps: a height to a colour.
#pragma once

#include <string>

#include "figure/figure_data.h"

struct Rgb {
    float r, g, b;
};

// The map called name (viridis, gray, diverging, earth); false if none is.
bool colourMapNamed(const std::string &name, ColourMap &map);

// The range a map spreads over when none is given, for heights from zmin
// to zmax: the data's, symmetric about 0 for the diverging map, widened
// when the heights are all equal.
void defaultColourRange(ColourMap map, double zmin, double zmax, double &low, double &high);

// The colour of value with the map spread over [low, high]; values
// beyond take the end colours.  The earth map puts sea colours below 0 and
// land colours from 0 up, each over its own side of the range.
Rgb colourOf(ColourMap map, double value, double low, double high);

// Ink for lines and text on a background: share of the way from the
// background to black (on a light one) or white (on a dark one).
Rgb inkOn(const float background[3], double share);
