// Axis ticks at round numbers and their labels.
#pragma once

#include <string>
#include <vector>

struct Ticks {
    double step = 0.0;  // 1, 2 or 5 times a power of ten
    int power = 0;      // that power of ten
    std::vector<double> values;
};

// Round-number ticks within [low, high] (both ends included), the most
// that do not exceed maxCount (at least 1 is asked for).  Equal ends give
// the one value.
Ticks chooseTicks(double low, double high, int maxCount);

// A tick's label with as many decimals as the step has: "0.3", "-1500",
// "48.25"; in the largest tick's power of ten when that makes the axis's
// longest label three characters shorter: "0.2e-9", "2e12".
std::string tickLabel(double value, const Ticks &ticks);

// Widens [low, high] around its middle when the two ends are equal or too
// close for distinct round numbers between them.
void widenRange(double &low, double &high);
