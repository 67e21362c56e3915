#include "figure/ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// 10^power, exactly where a double can hold it.
static double tenTo(int power)
{
    return power >= 0 ? std::pow(10.0, power) : 1.0 / std::pow(10.0, -power);
}

// i * mantissa * 10^power, rounded once: 3 * 0.1 is 0.3, not 0.30000000000000004.
static double tickValue(double i, int mantissa, int power)
{
    const double whole = i * mantissa;
    return power >= 0 ? whole * tenTo(power) : whole / tenTo(-power);
}

// The range of multiples i of a step that fall within [low, high]; a
// little slack keeps ends that are round numbers themselves.
static void multiples(double low, double high, double step, double &first, double &last)
{
    const double slack = 1e-9;
    first = std::ceil(low / step - slack);
    last = std::floor(high / step + slack);
}

Ticks chooseTicks(double low, double high, int maxCount)
{
    Ticks ticks;
    maxCount = std::max(maxCount, 1);
    if (!(high > low)) {
        // One tick, with the fewest decimals (up to 12) that show it.
        int decimals = 0;
        while (decimals < 12 && std::fabs(std::round(low * tenTo(decimals)) / tenTo(decimals) - low) >
                                    1e-9 * std::fabs(low)) {
            ++decimals;
        }
        ticks.power = -decimals;
        ticks.step = tenTo(ticks.power);
        ticks.values.push_back(low);
        return ticks;
    }
    // From a step just under span / maxCount up the 1, 2, 5 sequence.
    int power = static_cast<int>(std::floor(std::log10((high - low) / maxCount))) - 1;
    static const int mantissas[] = {1, 2, 5};
    for (int tries = 0; tries < 30; ++tries, ++power) {
        for (int m : mantissas) {
            const double step = tickValue(1.0, m, power);
            double first, last;
            multiples(low, high, step, first, last);
            if (last - first + 1.0 <= maxCount) {
                ticks.step = step;
                ticks.power = power;
                for (double i = first; i <= last; ++i) {
                    const double v = tickValue(i, m, power);
                    ticks.values.push_back(v == 0.0 ? 0.0 : v);  // no "-0"
                }
                return ticks;
            }
        }
    }
    ticks.values.push_back(low);
    return ticks;
}

// All ticks in the power of ten of the largest, with mantissa digits
// enough to tell steps apart: "0.2e-9", "0.4e-9", ... "1.0e-9".
static std::string powerLabel(double value, const Ticks &ticks)
{
    if (value == 0.0) {
        return "0";
    }
    double largest = std::fabs(value);
    for (double v : ticks.values) {
        largest = std::max(largest, std::fabs(v));
    }
    const int exponent = static_cast<int>(std::floor(std::log10(largest)));
    const int digits = std::clamp(exponent - ticks.power, 0, 16);
    char text[64];
    std::snprintf(text, sizeof text, "%.*fe%d", digits, value / tenTo(exponent), exponent);
    return text;
}

static std::string fixedLabel(double value, const Ticks &ticks)
{
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", std::max(0, -ticks.power), value);
    std::string label = text;
    if (label.find_first_not_of("-0.") == std::string::npos && label[0] == '-') {
        label.erase(0, 1);  // a value that rounds to zero
    }
    return label;
}

// Powers of ten when they make the longest label of the axis shorter by
// three characters or more: "1e7", not "10000000"; "-1000", not "-1e3".
static bool inPowers(const Ticks &ticks)
{
    size_t fixed = 0, powers = 0;
    for (double v : ticks.values) {
        fixed = std::max(fixed, fixedLabel(v, ticks).size());
        powers = std::max(powers, powerLabel(v, ticks).size());
    }
    return powers + 3 <= fixed;
}

std::string tickLabel(double value, const Ticks &ticks)
{
    return inPowers(ticks) ? powerLabel(value, ticks) : fixedLabel(value, ticks);
}

void widenRange(double &low, double &high)
{
    const double size = std::max(std::fabs(low), std::fabs(high));
    if (high - low > size * 1e-12) {
        return;
    }
    const double middle = low / 2.0 + high / 2.0;
    const double half = middle == 0.0 ? 1.0 : std::fabs(middle) * 0.1;
    low = middle - half;
    high = middle + half;
}
