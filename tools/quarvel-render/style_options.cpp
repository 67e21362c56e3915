// The values of quarvel-render's options that other programs take too
// (the Python binding): keys, and a figure's style and titles.  These
// throw; the command line turns a Failure into its one line.
#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>

#include "base/failure.h"
#include "common/quote.h"
#include "figure/colour_map.h"
#include "quarvel-render/options.h"
#include "ui/view_motion.h"

// The command characters that change the picture; save and quit mean
// nothing here.  xdotool's names are accepted too, for old snapshot scripts.
static const char commandKeys[] = "*/+-;zZud12Cacfswgr";
static const struct { const char *name; Key key; } keyNames[] = {
    {"Up", {true, arrowKeyUp}},       {"Down", {true, arrowKeyDown}},
    {"Left", {true, arrowKeyLeft}},   {"Right", {true, arrowKeyRight}},
    {"asterisk", {false, '*'}},       {"slash", {false, '/'}},
    {"plus", {false, '+'}},           {"minus", {false, '-'}},
    {"semicolon", {false, ';'}},
};

bool parseKeys(const std::string &text, std::vector<Key> &keys, std::string &unknown)
{
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.size() == 1 && word[0] != '\0' && std::strchr(commandKeys, word[0])) {
            keys.push_back({false, word[0]});
            continue;
        }
        bool found = false;
        for (const auto &k : keyNames) {
            if (word == k.name) {
                keys.push_back(k.key);
                found = true;
            }
        }
        if (!found) {
            unknown = word;
            return false;
        }
    }
    return true;
}

// A finite number, all of text; false if not.
static bool parseNumber(const std::string &text, double &value)
{
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

static void parseView(const char *text, FigureStyle &style)
{
    const std::string view = text;
    if (view == "top") {
        style.azimuth = 180.0;
        style.elevation = 90.0;
        return;
    }
    const size_t comma = view.find(',');
    if (comma == std::string::npos || !parseNumber(view.substr(0, comma), style.azimuth) ||
        !parseNumber(view.substr(comma + 1), style.elevation) || std::fabs(style.elevation) > 90.0) {
        throw Failure("--view wants AZ,EL in degrees (elevation from -90 to 90) or top, not " +
                       printable(text, '\''));
    }
}

static void parseRange(const char *text, FigureStyle &style)
{
    const std::string range = text;
    const size_t colon = range.find(':');
    if (colon == std::string::npos || !parseNumber(range.substr(0, colon), style.rangeLow) ||
        !parseNumber(range.substr(colon + 1), style.rangeHigh) || !(style.rangeLow < style.rangeHigh)) {
        throw Failure("--range wants MIN:MAX with MIN below MAX, not " + printable(text, '\''));
    }
    style.rangeGiven = true;
}

static void parseRelief(const char *text, FigureStyle &style)
{
    if (!parseNumber(text, style.relief) || !(style.relief >= 0.01 && style.relief <= 100.0)) {
        throw Failure("--relief wants a number from 0.01 to 100, not " + printable(text, '\''));
    }
}

static void parseBackground(const char *text, FigureStyle &style)
{
    static const struct { const char *name; float grey; } names[] = {
        {"white", 1.0f}, {"black", 0.0f}, {"gray", 0.5f}, {"grey", 0.5f}};
    for (const auto &n : names) {
        if (std::strcmp(text, n.name) == 0) {
            style.background[0] = style.background[1] = style.background[2] = n.grey;
            return;
        }
    }
    const std::string hex = text;
    if (hex.size() == 7 && hex[0] == '#' && hex.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
        for (int i = 0; i < 3; ++i) {
            style.background[i] = static_cast<float>(std::stoi(hex.substr(1 + 2 * i, 2), nullptr, 16)) / 255.0f;
        }
        return;
    }
    throw Failure("--background wants white, black, gray or #rrggbb, not " + printable(text, '\''));
}

// Text for the picture: one line of UTF-8 (cairo draws nothing more once
// it has met invalid UTF-8).
static std::string lineOfText(const std::string &option, const char *text)
{
    if (printable(text) != text) {
        throw Failure(option + " wants one line of UTF-8 text, not " + printable(text));
    }
    return text;
}

bool parseFigureValue(const std::string &arg, const char *value, RenderOptions &o)
{
    if (arg == "--view") {
        parseView(value, o.style);
    } else if (arg == "--relief") {
        parseRelief(value, o.style);
        o.reliefGiven = true;
    } else if (arg == "--colormap") {
        if (!colourMapNamed(value, o.style.colourMap)) {
            throw Failure("unknown colour map " + printable(value, '\'') + " (viridis, gray, diverging, earth)");
        }
    } else if (arg == "--range") {
        parseRange(value, o.style);
    } else if (arg == "--background") {
        parseBackground(value, o.style);
    } else if (arg == "--title") {
        o.style.title = lineOfText(arg, value);
    } else if (arg == "--xlabel") {
        o.xTitle = lineOfText(arg, value);
        o.xTitleGiven = true;
    } else if (arg == "--ylabel") {
        o.yTitle = lineOfText(arg, value);
        o.yTitleGiven = true;
    } else if (arg == "--zlabel") {
        o.zTitle = lineOfText(arg, value);
        o.zTitleGiven = true;
    } else {
        return false;
    }
    return true;
}

