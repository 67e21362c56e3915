// Degrees of longitude and latitude as metres on the ground, for a
// geographic GeoTIFF's pixel size and for --lonlat.
#pragma once

#include <cmath>

// Of latitude (mean), and of longitude at the given latitude.
constexpr double metresPerDegreeNorth = 110574;
inline double metresPerDegreeEast(double latitude) { return 111320 * std::cos(latitude * M_PI / 180); }
