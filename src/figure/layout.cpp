#include "figure/layout.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "figure/colour_map.h"
#include "figure/ticks.h"

namespace {

struct Point {
    double x, y;
};

// What the box's scale and the camera do not change: text sizes, the
// title, the colour bar and the area left for the box.
struct ColourBar {
    Rect bar;
    std::vector<TextItem> texts;
    std::vector<Stroke> strokes;
    double right;  // of its title
};

struct Fixed {
    double text, gap, tickLength, pad;
    double top, bottom;          // below the title, above the bottom margin
    std::vector<TextItem> texts; // the title and the label
    int labelText = -1;          // the label among texts
    double colourLow, colourHigh;
    std::string barTitle;
    double barHeight;
    ColourBar bar;               // at the right edge
    Rect area;
};

// One axis: its edge in the model from the low end of the data to the
// high end.
struct Edge {
    int axis;
    Vec from, to;
};

struct Measurer {
    cairo_t *cr = beginMeasuring();
    ~Measurer() { endMeasuring(cr); }
};

}  // namespace

double figureTextSize(int height) { return std::max(10.0, height / 50.0); }

void figureColourRange(const FigureBox &box, const FigureStyle &style, double &low, double &high)
{
    if (style.rangeGiven) {
        low = style.rangeLow;
        high = style.rangeHigh;
    } else {
        defaultColourRange(style.colourMap, box.low[2], box.high[2], low, high);
    }
}

static std::string axisTitle(const std::string &title, const std::string &unit)
{
    return unit.empty() ? title : title + " (" + unit + ")";
}

static Rect boxOf(const TextItem &t)
{
    return {t.x - t.width / 2.0, t.y - t.height / 2.0, t.x + t.width / 2.0, t.y + t.height / 2.0};
}

// Whether two texts, each turned its own way, come closer than gap: no
// side of either separates them (the separating axis test).
static bool overlap(const TextItem &a, const TextItem &b, double gap)
{
    for (const TextItem *t : {&a, &b}) {
        for (int side = 0; side < 2; ++side) {
            const double angle = t->angle + side * M_PI / 2.0;
            const double ux = std::cos(angle), uy = std::sin(angle);
            auto half = [&](const TextItem &v) {
                const double c = std::fabs(ux * std::cos(v.angle) + uy * std::sin(v.angle));
                const double s = std::fabs(-ux * std::sin(v.angle) + uy * std::cos(v.angle));
                return (c * v.along + s * v.across) / 2.0;
            };
            const double apart = std::fabs((a.x - b.x) * ux + (a.y - b.y) * uy);
            if (apart >= half(a) + half(b) + gap) {
                return false;
            }
        }
    }
    return true;
}

static void include(Rect &r, double x, double y)
{
    r.x0 = std::min(r.x0, x);
    r.y0 = std::min(r.y0, y);
    r.x1 = std::max(r.x1, x);
    r.y1 = std::max(r.y1, y);
}

static TextItem textItem(const std::string &text, double size, bool bold = false, double angle = 0.0)
{
    TextItem t;
    t.text = text;
    t.size = size;
    t.bold = bold;
    t.angle = angle;
    return t;
}

// Ticks for a length of pixels, as many as fit with their labels apart:
// extent gives a label's length along the axis.
template <class Extent>
static Ticks spacedTicks(cairo_t *cr, double low, double high, double length, double text, Extent extent,
                         std::vector<TextItem> &labels)
{
    int most = std::max(2, static_cast<int>(length / (2.5 * text)) + 1);
    for (;;) {
        Ticks ticks = chooseTicks(low, high, most);
        labels.clear();
        double longest = 0.0;
        for (double v : ticks.values) {
            labels.push_back(textItem(withMinusSign(tickLabel(v, ticks)), text));
            measureText(cr, labels.back());
            longest = std::max(longest, extent(labels.back()));
        }
        const double spacing = length * ticks.step / (high - low);
        if (ticks.values.size() <= 1 || spacing >= longest + 0.5 * text) {
            return ticks;
        }
        most = static_cast<int>(ticks.values.size()) - 1;
    }
}

// The colour bar with its left edge at left, its middle at middle: tick
// marks and labels at its right, its title (upright) beyond them.
static ColourBar colourBar(cairo_t *cr, const Fixed &f, const std::string &titleText, double left, double middle,
                           double height)
{
    ColourBar b;
    const double barWidth = std::max(10.0, 1.1 * f.text);
    b.bar = {left, middle - height / 2.0, left + barWidth, middle + height / 2.0};
    std::vector<TextItem> labels;
    const Ticks ticks = spacedTicks(cr, f.colourLow, f.colourHigh, height, f.text,
                                    [](const TextItem &t) { return t.height; }, labels);
    const double labelsLeft = b.bar.x1 + f.tickLength + f.gap;
    double widest = 0.0;
    for (size_t i = 0; i < labels.size(); ++i) {
        const double y = b.bar.y1 - height * (ticks.values[i] - f.colourLow) / (f.colourHigh - f.colourLow);
        b.strokes.push_back({b.bar.x1, y, b.bar.x1 + f.tickLength, y});
        labels[i].x = labelsLeft + labels[i].width / 2.0;
        labels[i].y = y;
        b.texts.push_back(labels[i]);
        widest = std::max(widest, labels[i].width);
    }
    TextItem title = textItem(titleText, f.text, false, readingUpwards);
    fitText(cr, title, f.bottom - f.top);
    title.x = labelsLeft + widest + f.text + title.width / 2.0;
    title.y = std::clamp(middle, f.top + title.height / 2.0, f.bottom - title.height / 2.0);
    b.texts.push_back(title);
    b.right = title.x + title.width / 2.0;
    return b;
}

static ColourBar moved(ColourBar b, double dx)
{
    b.bar.x0 += dx;
    b.bar.x1 += dx;
    for (Stroke &s : b.strokes) {
        s.x0 += dx;
        s.x1 += dx;
    }
    for (TextItem &t : b.texts) {
        t.x += dx;
    }
    b.right += dx;
    return b;
}

// The title at the top, the colour bar at the right, the rest for the box.
static Fixed fixedParts(cairo_t *cr, const FigureBox &box, const FigureData &data, const FigureStyle &style)
{
    Fixed f;
    f.text = figureTextSize(style.height);
    f.gap = 0.4 * f.text;
    f.tickLength = 0.5 * f.text;
    f.pad = f.text;
    const double w = style.width, h = style.height;
    f.top = f.pad;
    if (!style.title.empty()) {
        TextItem title = textItem(style.title, 1.3 * f.text, true);
        fitText(cr, title, w - 2.0 * f.pad);
        title.x = w / 2.0;
        title.y = f.pad + title.height / 2.0;
        f.top += title.height + 0.8 * f.text;
        f.texts.push_back(title);
    }
    if (!style.label.empty()) {
        TextItem label = textItem(style.label, f.text);
        fitText(cr, label, w - 2.0 * f.pad);
        label.x = w / 2.0;
        label.y = f.top + label.height / 2.0;
        f.top += label.height + 0.8 * f.text;
        f.labelText = static_cast<int>(f.texts.size());
        f.texts.push_back(label);
    }
    f.bottom = h - f.pad;
    figureColourRange(box, style, f.colourLow, f.colourHigh);
    f.barTitle = axisTitle(data.zTitle, data.zUnit);
    f.barHeight = 0.75 * (f.bottom - f.top);
    const ColourBar atZero = colourBar(cr, f, f.barTitle, 0.0, (f.top + f.bottom) / 2.0, f.barHeight);
    f.bar = moved(atZero, w - f.pad - atZero.right);
    f.area = {f.pad, f.top, f.bar.bar.x0 - 1.5 * f.text, f.bottom};
    return f;
}

static Point project(const Camera &c, double k, const Vec &p)
{
    return {k * dot(p, c.right), -k * dot(p, c.up)};
}

static Vec mid(const Vec &a, const Vec &b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

// Of two candidate edges, the one nearer the camera; when neither is
// (seen square on), the one that wins by `tie` on the picture.
template <class Tie>
static const Edge &nearer(const Edge &a, const Edge &b, const Camera &c, Tie tie)
{
    const double da = dot(mid(a.from, a.to), c.toward), db = dot(mid(b.from, b.to), c.toward);
    if (std::fabs(da - db) > 1e-9) {
        return da > db ? a : b;
    }
    return tie(mid(a.from, a.to)) <= tie(mid(b.from, b.to)) ? a : b;
}

// The x and y axes lie on the near edges of the back one of floor and
// ceiling (on the box's outline); the z axis on the leftmost upright edge.
static void chooseEdges(const FigureBox &box, const Camera &c, Edge edges[3])
{
    const double bx = box.half[0], by = box.half[1], bz = box.half[2];
    const double z = c.toward.z >= 0.0 ? -bz : bz;
    const Edge xs[2] = {{0, {-bx, -by, z}, {bx, -by, z}}, {0, {-bx, by, z}, {bx, by, z}}};
    const Edge ys[2] = {{1, {-bx, -by, z}, {-bx, by, z}}, {1, {bx, -by, z}, {bx, by, z}}};
    edges[0] = nearer(xs[0], xs[1], c, [&](const Vec &m) { return dot(m, c.up); });
    edges[1] = nearer(ys[0], ys[1], c, [&](const Vec &m) { return dot(m, c.right); });
    const Vec corners[4] = {{-bx, -by, 0}, {-bx, by, 0}, {bx, -by, 0}, {bx, by, 0}};
    int best = 0;
    for (int i = 1; i < 4; ++i) {
        const double dx = dot(corners[i], c.right) - dot(corners[best], c.right);
        if (dx < -1e-9 || (dx <= 1e-9 && dot(corners[i], c.toward) < dot(corners[best], c.toward))) {
            best = i;
        }
    }
    edges[2] = {2, {corners[best].x, corners[best].y, -bz}, {corners[best].x, corners[best].y, bz}};
}

// Half the length of a text across a direction n on the picture.
static double reach(const TextItem &t, const Point &n)
{
    const double along = std::fabs(n.x * std::cos(t.angle) + n.y * std::sin(t.angle));
    const double across = std::fabs(-n.x * std::sin(t.angle) + n.y * std::cos(t.angle));
    return (along * t.along + across * t.across) / 2.0;
}

// The turn that lays a text along direction u, reading left to right
// (upwards when u is upright).
static double angleAlong(const Point &u)
{
    double angle = std::atan2(u.y, u.x);
    if (angle > M_PI / 2.0 - 1e-9) {
        angle -= M_PI;
    } else if (angle < -M_PI / 2.0 - 1e-9) {
        angle += M_PI;
    }
    return angle;
}

struct AxisParts {
    Ticks ticks;
    std::vector<TextItem> labels;
    TextItem title;
    Point outward{0, 0};
    double length = 0.0;  // of the edge on the picture
    bool shown = false;
};

// Tick marks and labels outward of the edge, and the axis title beyond
// them; nothing on an edge seen too nearly end on to hold numbers.
static AxisParts labelAxis(cairo_t *cr, const Fixed &f, const FigureBox &box, const FigureData &data,
                           const Camera &c, double k, const Edge &e, std::vector<Stroke> &strokes)
{
    AxisParts parts;
    const Point a = project(c, k, e.from), b = project(c, k, e.to);
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length < 2.0 * f.text) {
        return parts;
    }
    parts.shown = true;
    parts.length = length;
    strokes.push_back({a.x, a.y, b.x, b.y});
    const Point u = {(b.x - a.x) / length, (b.y - a.y) / length};
    Point n = {-u.y, u.x};
    const Point m = {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
    if (n.x * m.x + n.y * m.y < 0.0) {
        n = {-n.x, -n.y};
    }
    parts.outward = n;
    const double low = box.low[e.axis], high = box.high[e.axis];
    parts.ticks = spacedTicks(cr, low, high, length, f.text,
                              [&](const TextItem &t) { return reach(t, u) * 2.0; }, parts.labels);
    double farthest = f.tickLength;
    for (size_t i = 0; i < parts.labels.size(); ++i) {
        const double t = (sidePosition(box, e.axis, parts.ticks.values[i]) + 1.0) / 2.0;
        const Point p = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        const Point q = {p.x + n.x * f.tickLength, p.y + n.y * f.tickLength};
        strokes.push_back({p.x, p.y, q.x, q.y});
        TextItem &label = parts.labels[i];
        const double out = f.tickLength + f.gap + reach(label, n);
        label.x = p.x + n.x * out;
        label.y = p.y + n.y * out;
        farthest = std::max(farthest, out + reach(label, n));
    }
    static const std::string FigureData::*titles[3] = {&FigureData::xTitle, &FigureData::yTitle,
                                                        &FigureData::zTitle};
    static const std::string FigureData::*units[3] = {&FigureData::xUnit, &FigureData::yUnit, &FigureData::zUnit};
    // Along its axis, the title costs least room across it.
    parts.title = textItem(axisTitle(data.*titles[e.axis], data.*units[e.axis]), f.text, false, angleAlong(u));
    fitText(cr, parts.title, std::max(length, std::min(f.area.x1 - f.area.x0, f.area.y1 - f.area.y0)));
    const double out = farthest + f.gap + reach(parts.title, n);
    parts.title.x = m.x + n.x * out;
    parts.title.y = m.y + n.y * out;
    return parts;
}

// The panes behind the box (those whose outside faces away from the
// camera), with lines at the ticks of their two axes.
static void addPanes(const FigureBox &box, const Camera &c, const AxisParts parts[3], FigureLayout &out)
{
    const double *half = box.half;
    const double toward[3] = {c.toward.x, c.toward.y, c.toward.z};
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(toward[a]) < 1e-6) {
            continue;  // seen edge on
        }
        const int u = (a + 1) % 3, v = (a + 2) % 3;
        auto point = [&](double pu, double pv) {
            double p[3];
            p[a] = toward[a] > 0.0 ? -half[a] : half[a];
            p[u] = pu;
            p[v] = pv;
            return Vec{p[0], p[1], p[2]};
        };
        const double hu = half[u], hv = half[v];
        out.paneEdges.push_back({point(-hu, -hv), point(hu, -hv)});
        out.paneEdges.push_back({point(hu, -hv), point(hu, hv)});
        out.paneEdges.push_back({point(hu, hv), point(-hu, hv)});
        out.paneEdges.push_back({point(-hu, hv), point(-hu, -hv)});
        for (int side = 0; side < 2; ++side) {
            const int along = side == 0 ? u : v;
            for (double value : parts[along].ticks.values) {
                const double s = half[along] * sidePosition(box, along, value);
                out.paneGrid.push_back(side == 0 ? ModelLine{point(s, -hv), point(s, hv)}
                                                 : ModelLine{point(-hu, s), point(hu, s)});
            }
        }
    }
}

// The axes at scale k with the box's centre at (0, 0); texts that would
// overlap others are left out (tick labels) or moved outward (titles).
static FigureLayout axesAt(cairo_t *cr, const Fixed &f, const FigureBox &box, const FigureData &data,
                           const Camera &c, double k, Rect &bounds)
{
    FigureLayout out;
    out.camera = c;
    out.scale = k;
    out.radius = std::sqrt(box.half[0] * box.half[0] + box.half[1] * box.half[1] + box.half[2] * box.half[2]);
    Edge edges[3];
    chooseEdges(box, c, edges);
    AxisParts parts[3];
    for (int i = 0; i < 3; ++i) {
        parts[i] = labelAxis(cr, f, box, data, c, k, edges[i], out.strokes);
    }
    std::vector<TextItem> taken;
    auto clear = [&](const TextItem &t) {
        return std::none_of(taken.begin(), taken.end(), [&](const TextItem &o) { return overlap(t, o, f.gap); });
    };
    for (AxisParts &p : parts) {
        for (TextItem &label : p.labels) {
            if (clear(label)) {
                taken.push_back(label);
                out.texts.push_back(label);
            }
        }
    }
    for (AxisParts &p : parts) {
        // The colour bar's title says what z is when its axis is too short.
        if (!p.shown || (&p == &parts[2] && p.title.along > p.length)) {
            continue;
        }
        for (int step = 0; step < 40 && !clear(p.title); ++step) {
            p.title.x += p.outward.x * f.gap;
            p.title.y += p.outward.y * f.gap;
        }
        taken.push_back(p.title);
        out.texts.push_back(p.title);
    }
    addPanes(box, c, parts, out);

    bounds = {0, 0, 0, 0};
    for (int corner = 0; corner < 8; ++corner) {
        const Vec v = {corner & 1 ? box.half[0] : -box.half[0], corner & 2 ? box.half[1] : -box.half[1],
                       corner & 4 ? box.half[2] : -box.half[2]};
        const Point p = project(c, k, v);
        include(bounds, p.x, p.y);
    }
    for (const Stroke &s : out.strokes) {
        include(bounds, s.x0, s.y0);
        include(bounds, s.x1, s.y1);
    }
    for (const TextItem &t : taken) {
        const Rect r = boxOf(t);
        include(bounds, r.x0, r.y0);
        include(bounds, r.x1, r.y1);
    }
    return out;
}

// Moves the axes by (dx, dy) and adds the fixed parts.
static FigureLayout placed(FigureLayout out, const Fixed &f, const ColourBar &bar, const FigureStyle &style,
                           double dx, double dy)
{
    out.width = style.width;
    out.height = style.height;
    out.textSize = f.text;
    out.centreX = dx;
    out.centreY = dy;
    for (Stroke &s : out.strokes) {
        s = {s.x0 + dx, s.y0 + dy, s.x1 + dx, s.y1 + dy};
    }
    for (TextItem &t : out.texts) {
        t.x += dx;
        t.y += dy;
    }
    if (f.labelText >= 0) {
        out.labelText = static_cast<int>(out.texts.size()) + f.labelText;
    }
    out.texts.insert(out.texts.end(), f.texts.begin(), f.texts.end());
    out.texts.insert(out.texts.end(), bar.texts.begin(), bar.texts.end());
    out.strokes.insert(out.strokes.end(), bar.strokes.begin(), bar.strokes.end());
    out.colourBar = bar.bar;
    out.colourLow = f.colourLow;
    out.colourHigh = f.colourHigh;
    return out;
}

// Whether the axes at scale k fit the area: the whole of them (the
// layout then centres them), or with the box's centre in the area's.
static bool fitsAt(cairo_t *cr, const Fixed &f, const FigureBox &box, const FigureData &data, const Camera &c,
                   double k, bool centred)
{
    Rect b;
    axesAt(cr, f, box, data, c, k, b);
    const double width = f.area.x1 - f.area.x0, height = f.area.y1 - f.area.y0;
    if (centred) {
        return 2.0 * std::max(-b.x0, b.x1) <= width && 2.0 * std::max(-b.y0, b.y1) <= height;
    }
    return b.x1 - b.x0 <= width && b.y1 - b.y0 <= height;
}

// The largest scale at which the box and its labels fit the area, to
// within a thousandth.  Labels keep their size whatever the scale, and
// axes too short for numbers go without, so it is found by halving.
static double fittingScale(cairo_t *cr, const Fixed &f, const FigureBox &box, const FigureData &data,
                           const Camera &c, bool centred)
{
    Rect unit{0, 0, 0, 0};
    for (int corner = 0; corner < 8; ++corner) {
        const Vec v = {corner & 1 ? box.half[0] : -box.half[0], corner & 2 ? box.half[1] : -box.half[1],
                       corner & 4 ? box.half[2] : -box.half[2]};
        const Point p = project(c, 1.0, v);
        include(unit, p.x, p.y);
    }
    double low = 1.0;  // a box of a pixel or two: the least there is
    double high = std::max(low, std::min((f.area.x1 - f.area.x0) / (unit.x1 - unit.x0),
                                         (f.area.y1 - f.area.y0) / (unit.y1 - unit.y0)));
    if (fitsAt(cr, f, box, data, c, high, centred)) {
        return high;
    }
    while (high - low > low * 1e-3) {
        const double k = (low + high) / 2.0;
        (fitsAt(cr, f, box, data, c, k, centred) ? low : high) = k;
    }
    return low;
}

// The box at scale k.  Centred (a turntable's frames): the box's centre
// in the area's and the colour bar at the right edge, the same in every
// frame.  Otherwise the box with its labels and the colour bar beside it
// are centred as one, the bar no taller than the box.
static FigureLayout layoutWith(cairo_t *cr, const Fixed &f, const FigureBox &box, const FigureData &data,
                               const FigureStyle &style, const Camera &c, double k, bool centred)
{
    Rect b;
    FigureLayout axes = axesAt(cr, f, box, data, c, k, b);
    const double cx = (f.area.x0 + f.area.x1) / 2.0, cy = (f.area.y0 + f.area.y1) / 2.0;
    if (centred) {
        return placed(axes, f, f.bar, style, cx, cy);
    }
    const double dy = cy - (b.y0 + b.y1) / 2.0;
    const double height = std::min(f.barHeight, std::max(0.8 * (b.y1 - b.y0), 6.0 * f.text));
    const ColourBar bar = colourBar(cr, f, f.barTitle, 0.0, cy, height);
    const double group = (b.x1 - b.x0) + 1.5 * f.text + bar.right;
    const double left = std::max(f.pad, (style.width - group) / 2.0);
    return placed(axes, f, moved(bar, left + (b.x1 - b.x0) + 1.5 * f.text), style, left - b.x0, dy);
}

FigureLayout layoutFigure(const FigureBox &box, const FigureData &data, const FigureStyle &style, double azimuth,
                          double fixedScale)
{
    Measurer m;
    const Fixed f = fixedParts(m.cr, box, data, style);
    const Camera c = cameraAt(azimuth, style.elevation);
    if (fixedScale > 0.0) {
        return layoutWith(m.cr, f, box, data, style, c, fixedScale, true);
    }
    return layoutWith(m.cr, f, box, data, style, c, fittingScale(m.cr, f, box, data, c, false), false);
}

void setFigureLabel(FigureLayout &layout, const std::string &text)
{
    if (layout.labelText < 0) {
        return;
    }
    TextItem &label = layout.texts[static_cast<size_t>(layout.labelText)];
    label.text = text;
    Measurer m;
    fitText(m.cr, label, layout.width - 2.0 * layout.textSize);
}

double turntableScale(const FigureBox &box, const FigureData &data, const FigureStyle &style, int frames)
{
    // Past 360 frames the bearings are tried a degree apart, and a little
    // room is kept for those in between.
    const int tried = std::min(frames, 360);
    Measurer m;
    const Fixed f = fixedParts(m.cr, box, data, style);
    double k = 0.0;
    for (int i = 0; i < tried; ++i) {
        const Camera c = cameraAt(style.azimuth + 360.0 * i / tried, style.elevation);
        const double fit = fittingScale(m.cr, f, box, data, c, true);
        k = i == 0 ? fit : std::min(k, fit);
    }
    return tried < frames ? 0.98 * k : k;
}
