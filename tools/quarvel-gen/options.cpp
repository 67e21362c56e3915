#include "quarvel-gen/options.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/failure.h"
#include "common/quote.h"
#include "quarvel-gen/shapes.h"

static const char rangeLetters[rangeCount + 1] = "xyuv";
// Over x and y one period of sin and cos; u and v make a whole turn.
static const char *const defaultRanges[rangeCount] = {"-pi:pi", "-pi:pi", "0:2*pi", "0:2*pi"};
static const long defaultSide = 51;

static bool parseCount(const std::string &text, long &value)
{
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::stol(text);
    return value >= 1 && value <= maxGridSide;
}

static std::string sizeError(const std::string &text)
{
    return "bad grid size " + printable(text, '\'') + ": rows and columns are whole numbers from 1 to " +
           std::to_string(maxGridSide);
}

std::string parseSize(const std::string &text, long &rows, long &cols)
{
    std::size_t cross = text.find('x');
    bool good = cross == std::string::npos
                    ? parseCount(text, rows) && parseCount(text, cols)
                    : parseCount(text.substr(0, cross), rows) &&
                          parseCount(text.substr(cross + 1), cols);
    return good ? "" : sizeError(text);
}

std::string parseRange(const std::string &text, Range &range)
{
    const std::string bad = "bad range " + printable(text, '\'') + ": ";
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) {
        return bad + "expected MIN:MAX";
    }
    if (colon == 0 || colon + 1 == text.size()) {
        return bad + (colon == 0 ? "MIN" : "MAX") + " is missing";
    }
    double ends[2];
    for (int e = 0; e < 2; ++e) {
        try {
            ends[e] = e ? evaluateConstant(text, colon + 1, text.size()) : evaluateConstant(text, 0, colon);
        } catch (const Failure &failure) {
            return bad + failure.what();
        }
        if (!std::isfinite(ends[e])) {
            return bad + (e ? "MAX" : "MIN") + " is not finite";
        }
    }
    if (ends[0] == ends[1]) {
        return bad + "MIN and MAX are equal";
    }
    if (!std::isfinite(ends[1] - ends[0])) {
        return bad + "too wide";
    }
    range = {text, ends[0], ends[1]};
    return "";
}

// Checks that the options given fit the target; fills in the defaults.
static std::string finish(Options &o)
{
    if (o.target.empty()) {
        return "no formula or shape given (try --help)";
    }
    const bool shape = isShapeName(o.target);
    const bool parametric = !shape && isParametric(o.target);
    for (int r = 0; r < rangeCount; ++r) {
        const bool fits = !shape && (parametric ? r >= rangeU : r < rangeU);
        if (o.rangeGiven[r] && !fits) {
            return std::string("-") + rangeLetters[r] + " does not apply to " +
                   (shape ? "shape " + o.target
                          : parametric ? "a parametric formula (it takes -u and -v)"
                                       : "z = f(x, y) (it takes -x and -y)");
        }
        if (!o.rangeGiven[r] && fits) {
            std::string error = parseRange(defaultRanges[r], o.ranges[r]);
            if (!error.empty()) {
                return error;
            }
        }
    }
    if (o.rows == 0 && !shape) {
        o.rows = o.cols = defaultSide;
    }
    return "";
}

// An option that takes a value: -o, -n, -x, -y, -u, -v.
static std::string takeValue(Options &o, char letter, const std::string &value, bool &sizeGiven)
{
    if (letter == 'o') {
        o.output = value;
        return value.empty() ? "option -o needs a file name" : "";
    }
    if (letter == 'n') {
        sizeGiven = true;
        return parseSize(value, o.rows, o.cols);
    }
    int r = static_cast<int>(std::strchr(rangeLetters, letter) - rangeLetters);
    o.rangeGiven[r] = true;
    std::string error = parseRange(value, o.ranges[r]);
    return error.empty() ? "" : std::string("-") + letter + ": " + error;
}

std::string parseOptions(int argc, const char *const *argv, Options &o)
{
    bool sizeGiven = false, optionsEnd = false;
    std::vector<std::string> positional;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        // "-1" or "-(x*y)" is a formula; "-q" an unknown option.
        const bool option = !optionsEnd && arg.size() >= 2 && arg[0] == '-' &&
                            (std::isalpha(static_cast<unsigned char>(arg[1])) || arg[1] == '-');
        if (option && (arg == "--help" || arg == "-h")) {
            o.help = true;
            return "";
        }
        if (option && arg == "--") {
            optionsEnd = true;
        } else if (option && arg.size() == 2 && std::strchr("onxyuv", arg[1])) {
            if (a + 1 == argc) {
                return "option " + arg + " needs a value";
            }
            std::string error = takeValue(o, arg[1], argv[++a], sizeGiven);
            if (!error.empty()) {
                return error;
            }
        } else if (option && (arg.size() == 2 || arg[1] == '-')) {
            return "unknown option " + printable(arg) + " (try --help)";
        } else {
            positional.push_back(arg);  // a formula may start with a minus: "-x^2-y^2"
        }
    }
    if (positional.size() != 1 && positional.size() != 3) {
        return positional.empty() ? "no formula or shape given (try --help)"
                                  : "expected FORMULA or SHAPE and at most ROWS COLS, got " +
                                        std::to_string(positional.size()) + " arguments";
    }
    o.target = positional[0];
    if (positional.size() == 3) {
        if (sizeGiven) {
            return "grid size given twice (-n and ROWS COLS)";
        }
        if (!parseCount(positional[1], o.rows) || !parseCount(positional[2], o.cols)) {
            return sizeError(positional[1] + " " + positional[2]);
        }
    }
    return finish(o);
}
