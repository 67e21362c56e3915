#include "figure/colour_map.h"

#include <algorithm>
#include <cmath>

#include "figure/colour_tables.h"
#include "figure/ticks.h"

bool colourMapNamed(const std::string &name, ColourMap &map)
{
    static const struct { const char *name; ColourMap map; } maps[] = {
        {"viridis", ColourMap::Viridis}, {"gray", ColourMap::Gray},
        {"diverging", ColourMap::Diverging}, {"earth", ColourMap::Earth}};
    for (const auto &m : maps) {
        if (name == m.name) {
            map = m.map;
            return true;
        }
    }
    return false;
}

void defaultColourRange(ColourMap map, double zmin, double zmax, double &low, double &high)
{
    if (map == ColourMap::Diverging) {
        const double largest = std::max(std::fabs(zmin), std::fabs(zmax));
        low = -largest;
        high = largest;
    } else {
        low = zmin;
        high = zmax;
    }
    widenRange(low, high);
}

static Rgb mix(const float *a, const float *b, double f)
{
    auto one = [f](float u, float v) { return static_cast<float>(u + (v - u) * f); };
    return {one(a[0], b[0]), one(a[1], b[1]), one(a[2], b[2])};
}

// t from 0 to 1 along count evenly spaced colours.
static Rgb alongTable(const float (*table)[3], int count, double t)
{
    const double at = std::clamp(t, 0.0, 1.0) * (count - 1);
    const int i = std::min(static_cast<int>(at), count - 2);
    return mix(table[i], table[i + 1], at - i);
}

static Rgb alongStops(const ColourStop *stops, int count, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    int i = 0;
    while (i + 2 < count && t > stops[i + 1].at) {
        ++i;
    }
    const ColourStop &a = stops[i], &b = stops[i + 1];
    const float ca[3] = {a.r, a.g, a.b}, cb[3] = {b.r, b.g, b.b};
    return mix(ca, cb, (t - a.at) / (b.at - a.at));
}

// Where value lies from low (0) to high (1); the middle for an empty range.
static double fraction(double value, double low, double high)
{
    return high > low ? (value - low) / (high - low) : 0.5;
}

// Sea over [low, min(high, 0)], land over [max(low, 0), high].
static Rgb earthColour(double value, double low, double high)
{
    if (value < 0.0) {
        return alongStops(terrainSea, 2, fraction(value, low, std::min(high, 0.0)));
    }
    const double landLow = std::max(low, 0.0);
    return alongStops(terrainLand, 4, high > landLow ? (value - landLow) / (high - landLow) : 0.0);
}

Rgb colourOf(ColourMap map, double value, double low, double high)
{
    value = std::clamp(value, low, high);
    switch (map) {
    case ColourMap::Gray: {
        const float v = static_cast<float>(fraction(value, low, high));
        return {v, v, v};
    }
    case ColourMap::Diverging:
        return alongTable(redBlueTable, 11, fraction(value, low, high));
    case ColourMap::Earth:
        return earthColour(value, low, high);
    case ColourMap::Viridis:
        break;
    }
    return alongTable(viridisTable, 256, fraction(value, low, high));
}

Rgb inkOn(const float background[3], double share)
{
    const double light = 0.299 * background[0] + 0.587 * background[1] + 0.114 * background[2];
    const float ink[3] = {light > 0.5 ? 0.0f : 1.0f, light > 0.5 ? 0.0f : 1.0f, light > 0.5 ? 0.0f : 1.0f};
    return mix(background, ink, share);
}
