// Hints about how the viewer will show a surface.  See view_notes.h.
#include "view_notes.h"

#include "common/mesh_text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

// Relief beyond these multiples of the wider side looks like needles or
// like a flat sheet.
static const double steepest = 50, flattest = 1.0 / 1000;
// Sides of more points than this are hidden under the viewer's grid lines.
static const long densest = 150;

__attribute__((format(printf, 1, 2))) static std::string printed(const char *format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

static double spanOf(const Values &values)
{
    auto extremes = std::minmax_element(values.begin(), values.end());
    return *extremes.second - *extremes.first;
}

// A needle field or a flat sheet, and what puts it right: degrees taken as
// metres, or the heights' scale.
static std::string proportionHint(double relief, double wider, const Extent *source, bool degrees)
{
    if (!(relief > 0 && wider > 0) || (relief <= steepest * wider && relief >= flattest * wider)) {
        return "";
    }
    if (degrees) {
        return printed("x and y look like degrees of longitude and latitude (x %.6g to %.6g, y %.6g to %.6g) "
                       "under a relief of %.6g: --lonlat turns them into metres",
                       source->xLow, source->xHigh, source->yLow, source->yHigh, relief);
    }
    return printed("the relief (%.6g) is %s the wider side (%.6g): --z-factor scales the heights%s", relief,
                   relief > steepest * wider ? printed("%.6g times", relief / wider).c_str()
                                             : printed("1/%.6g of", wider / relief).c_str(),
                   wider, source ? "" : ", --spacing the sides");
}

// x y z data far from 0 compared with its size shows small and off-centre.
static std::string centreHint(const Extent &e)
{
    const double cx = e.xLow / 2 + e.xHigh / 2, cy = e.yLow / 2 + e.yHigh / 2;
    const double extent = std::max(e.xHigh - e.xLow, e.yHigh - e.yLow);
    if (!(std::hypot(cx, cy) > extent)) {
        return "";
    }
    return "the points lie around x = " + formatNumber(cx) + ", y = " + formatNumber(cy) +
           printed(", far from 0 for their extent (%.6g): the viewer shows them small and off-centre; "
                   "--center moves them to x = y = 0",
                   extent);
}

void viewNotes(const Grid &g, const Extent *source, const ConvertOptions &o, const std::string &name,
               std::vector<std::string> &notes)
{
    const double relief = spanOf(g.z), wider = std::max(spanOf(g.x), spanOf(g.y));
    const bool degrees = source && !o.lonlat && looksLikeDegrees(*source) && relief > steepest * wider;
    std::vector<std::string> hints = {proportionHint(relief, wider, source, degrees)};
    // --lonlat, named for degrees, centres them too.
    if (source && !o.lonlat && !o.center && !degrees) {
        hints.push_back(centreHint(*source));
    }
    if (g.rows > densest || g.cols > densest) {
        hints.push_back(printed("%ld x %ld points: the viewer's black grid lines cover a surface this dense; "
                                "type f in the viewer to turn them off",
                                g.rows, g.cols));
    }
    for (const std::string &hint : hints) {
        if (!hint.empty()) {
            notes.push_back(displayName(name) + ": " + hint);
        }
    }
}
