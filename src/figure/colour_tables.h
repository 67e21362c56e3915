// Published colour tables, as constant arrays.
#pragma once

// A colour at a position from 0 to 1 along a map.
struct ColourStop {
    float at, r, g, b;
};

// viridis: 256 colours evenly spaced.
extern const float viridisTable[256][3];

// ColorBrewer's RdBu, 11 colours evenly spaced, blue first.
extern const float redBlueTable[11][3];

// matplotlib's terrain: the sea part (blues, up to 0.15) and the land
// part (green, pale yellow, brown, white, from 0.25 up).
extern const ColourStop terrainSea[2];
extern const ColourStop terrainLand[4];
