#include "figure/surface.h"

#define GL_GLEXT_PROTOTYPES  // fences: OSMesa and libGL export them
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <string>

#include "base/failure.h"
#include "figure/colour_map.h"
#include "render/lighting.h"

// Entries in the colour table: a break falls within 1/4096 of the range.
static constexpr int colourTableSize = 4096;

// How the surface goes to the driver (see drawSurface): in bands of so
// many triangles.  A still lets the driver finish every eighth band.  An
// animation's frames wait only for the band two before (a fence), so that
// about 32768 triangles (a few MiB) sit in the driver's bins at most and
// the driver is never left idle: a long series' peak then stays where its
// first frame put it (with a still's waits a 1000-frame series peaked 6
// to 10 MiB above a 10-frame one).  Smaller bands, more of them in
// flight, hold no less and take longer: 8192 triangles three at a time
// took 3% more.
static constexpr int trianglesPerBand = 16384;
static constexpr int stillBandsPerFinish = 8;
static constexpr size_t frameBandsInFlight = 2;

// Waits for the oldest band the driver holds, when it holds too many.
static void limitBandsInFlight(std::deque<GLsync> &fences, size_t most)
{
    while (fences.size() > most) {
        if (fences.front()) {
            glClientWaitSync(fences.front(), GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
            glDeleteSync(fences.front());
        } else {
            glFinish();  // a driver without fences
        }
        fences.pop_front();
    }
}

// The viewer's two lights leave a level surface at about 0.55 of its
// colour; more ambient light keeps the colours close to the colour bar's.
static const float figureAmbient[4] = {0.4f, 0.4f, 0.4f, 1.0f};

static bool pointHasData(const FigureData &data, size_t i)
{
    return std::isfinite(data.x[i]) && std::isfinite(data.y[i]) && std::isfinite(data.z[i]);
}

static Vec at(const FigureSurface &s, size_t i)
{
    return {s.vertices[3 * i], s.vertices[3 * i + 1], s.vertices[3 * i + 2]};
}

// The difference across a point along one grid direction, from its
// neighbours with data (one side at an edge or a hole).
static Vec across(const FigureSurface &s, const std::vector<bool> &has, size_t i, long before, long after)
{
    const Vec a = before >= 0 && has[static_cast<size_t>(before)] ? at(s, static_cast<size_t>(before)) : at(s, i);
    const Vec b = after >= 0 && has[static_cast<size_t>(after)] ? at(s, static_cast<size_t>(after)) : at(s, i);
    return {b.x - a.x, b.y - a.y, b.z - a.z};
}

// Whether the grid closes on itself: the point at first and the one at
// last are the same, for every one of count pairs step apart (a torus's
// or a tube's seam, where the normals must go round).
static bool closes(const FigureSurface &s, const std::vector<bool> &has, size_t first, size_t last, size_t step,
                   int count)
{
    for (int k = 0; k < count; ++k, first += step, last += step) {
        if (!has[first] || !has[last] || s.vertices[3 * first] != s.vertices[3 * last] ||
            s.vertices[3 * first + 1] != s.vertices[3 * last + 1] ||
            s.vertices[3 * first + 2] != s.vertices[3 * last + 2]) {
            return false;
        }
    }
    return true;
}

// The neighbour before and after position p of n along a line, going
// round when the line closes; -1 where there is none.
static void neighbours(int p, int n, bool round, long &before, long &after)
{
    before = p > 0 ? p - 1 : round ? n - 2 : -1;
    after = p + 1 < n ? p + 1 : round ? 1 : -1;
}

// Normals of the surface in model units (the box's scaling changes
// them), pointing to the side from which the cells run anticlockwise.
static void addNormals(FigureSurface &s, const std::vector<bool> &has, int rows, int cols)
{
    const size_t width = static_cast<size_t>(cols);
    const bool roundRows = rows > 2 && closes(s, has, 0, (rows - 1) * width, 1, cols);
    const bool roundCols = cols > 2 && closes(s, has, 0, width - 1, width, rows);
    s.normals.assign(s.vertices.size(), 0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const size_t i = r * width + c;
            if (!has[i]) {
                continue;
            }
            long c0, c1, r0, r1;
            neighbours(c, cols, roundCols, c0, c1);
            neighbours(r, rows, roundRows, r0, r1);
            const long row = static_cast<long>(r * width), col = c;
            const Vec u = across(s, has, i, c0 < 0 ? -1 : row + c0, c1 < 0 ? -1 : row + c1);
            const Vec v = across(s, has, i, r0 < 0 ? -1 : r0 * cols + col, r1 < 0 ? -1 : r1 * cols + col);
            const double n[3] = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (int k = 0; k < 3; ++k) {
                const double unit = length > 0.0 ? n[k] / length : (k == 2 ? 1.0 : 0.0);
                s.normals[3 * i + k] = static_cast<short>(std::lround(unit * 32767.0));
            }
        }
    }
}

FigureSurface prepareSurface(const FigureData &data, const FigureBox &box, const FigureStyle &style)
{
    FigureSurface s;
    const size_t count = static_cast<size_t>(data.rows) * static_cast<size_t>(data.cols);
    if (count > std::numeric_limits<unsigned>::max()) {
        throw Failure("a figure takes at most " + std::to_string(std::numeric_limits<unsigned>::max()) +
                      " points, not " + std::to_string(count));
    }
    s.rows = data.rows;
    s.cols = data.cols;
    s.vertices.resize(3 * count);
    s.heights.resize(count);
    std::vector<bool> &has = s.hasData;
    has.resize(count);
    double low, high;
    figureColourRange(box, style, low, high);
    s.colours.resize(3 * colourTableSize);
    for (int i = 0; i < colourTableSize; ++i) {
        const Rgb colour = colourOf(style.colourMap, low + (high - low) * (i + 0.5) / colourTableSize, low, high);
        s.colours[3 * i] = static_cast<unsigned char>(std::lround(colour.r * 255.0f));
        s.colours[3 * i + 1] = static_cast<unsigned char>(std::lround(colour.g * 255.0f));
        s.colours[3 * i + 2] = static_cast<unsigned char>(std::lround(colour.b * 255.0f));
    }
    for (size_t i = 0; i < count; ++i) {
        has[i] = pointHasData(data, i);
        if (!has[i]) {
            continue;
        }
        const Vec p = modelPoint(box, data.x[i], data.y[i], data.z[i]);
        s.vertices[3 * i] = static_cast<float>(p.x);
        s.vertices[3 * i + 1] = static_cast<float>(p.y);
        s.vertices[3 * i + 2] = static_cast<float>(p.z);
        s.heights[i] = static_cast<float>(std::clamp((data.z[i] - low) / (high - low), 0.0, 1.0));
    }
    addNormals(s, has, data.rows, data.cols);
    return s;
}

// The model to the picture's pixels (y up, as GL counts), the depth
// range holding the whole box.
static void setTransform(const FigureLayout &l)
{
    const Camera &c = l.camera;
    const double depth = l.scale * l.radius + 1.0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, l.width, 0.0, l.height, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(l.centreX, l.height - l.centreY, 0.0);
    glScaled(l.scale, l.scale, l.scale);
    const double turn[16] = {c.right.x, c.up.x, c.toward.x, 0, c.right.y, c.up.y, c.toward.y, 0,
                             c.right.z, c.up.z, c.toward.z, 0, 0,         0,      0,           1};
    glMultMatrixd(turn);
}

static void drawLines(const std::vector<ModelLine> &lines, const Rgb &colour)
{
    std::vector<double> ends;
    for (const ModelLine &line : lines) {
        ends.insert(ends.end(), {line.a.x, line.a.y, line.a.z, line.b.x, line.b.y, line.b.z});
    }
    glColor3f(colour.r, colour.g, colour.b);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_DOUBLE, 0, ends.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(2 * lines.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The viewer's lights, fixed in the model as the viewer fixes them in its
// world, on a white surface that the colour table then tints.
static void setLights()
{
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, figureAmbient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    const float none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, none);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light1Diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light1Specular);
    glLightfv(GL_LIGHT0, GL_POSITION, light1Position);
    glLightfv(GL_LIGHT1, GL_AMBIENT, none);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light2Diffuse);
    glLightfv(GL_LIGHT1, GL_SPECULAR, light2Specular);
    glLightfv(GL_LIGHT1, GL_POSITION, light2Position);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, frontSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, frontShininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
    glDisable(GL_COLOR_MATERIAL);
    // Highlights stay white, not tinted by the colour table.
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glShadeModel(GL_SMOOTH);
}

// The triangles of the cells between rows r0 and r1 whose four corners
// have data, each cell split along (r, c)-(r+1, c+1) as the viewer splits it.
static void cellTriangles(const FigureSurface &s, int r0, int r1, std::vector<unsigned> &triangles)
{
    triangles.clear();
    for (int r = r0; r < r1; ++r) {
        for (int c = 0; c + 1 < s.cols; ++c) {
            const unsigned p00 = static_cast<unsigned>(static_cast<size_t>(r) * s.cols + c), p01 = p00 + 1;
            const unsigned p10 = p00 + static_cast<unsigned>(s.cols), p11 = p10 + 1;
            if (s.hasData[p00] && s.hasData[p01] && s.hasData[p10] && s.hasData[p11]) {
                triangles.insert(triangles.end(), {p00, p01, p11, p00, p11, p10});
            }
        }
    }
}

static void drawSurface(const FigureSurface &s, bool frameOfAnimation)
{
    if (s.rows < 2 || s.cols < 2) {
        return;
    }
    GLuint table = 0;
    glGenTextures(1, &table);
    glBindTexture(GL_TEXTURE_1D, table);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB8, colourTableSize, 0, GL_RGB, GL_UNSIGNED_BYTE, s.colours.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_1D);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, s.vertices.data());
    glNormalPointer(GL_SHORT, 0, s.normals.data());
    glTexCoordPointer(1, GL_FLOAT, 0, s.heights.data());
    // Band by band: the driver bins every triangle of a draw before it
    // rasterises any, and for a large grid those bins would take far more
    // memory than the grid itself.  Each band is flushed, so that its
    // rasterising overlaps the next one's binning, and every few bands the
    // driver is let finish, or each band waits for one a few before, which
    // bounds the bins waiting in memory.
    std::vector<unsigned> band;
    std::deque<GLsync> fences;
    int sent = 0;
    const int bandRows = std::max(1, trianglesPerBand / (2 * std::max(1, s.cols - 1)));
    for (int r0 = 0; r0 + 1 < s.rows; r0 += bandRows) {
        const int r1 = std::min(s.rows - 1, r0 + bandRows);
        cellTriangles(s, r0, r1, band);
        if (!band.empty()) {
            const unsigned first = static_cast<unsigned>(static_cast<size_t>(r0) * s.cols);
            const unsigned last = static_cast<unsigned>(static_cast<size_t>(r1) * s.cols + s.cols - 1);
            glDrawRangeElements(GL_TRIANGLES, first, last, static_cast<GLsizei>(band.size()), GL_UNSIGNED_INT,
                                band.data());
            if (frameOfAnimation) {
                fences.push_back(glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0));
                glFlush();
                limitBandsInFlight(fences, frameBandsInFlight);
            } else if (++sent % stillBandsPerFinish == 0) {
                glFinish();
            } else {
                glFlush();
            }
        }
    }
    limitBandsInFlight(fences, 0);
    glDeleteTextures(1, &table);
}

void drawFigureScene(const FigureSurface &surface, const FigureLayout &layout, const float background[3],
                     int framebufferWidth, int framebufferHeight, bool frameOfAnimation)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    glViewport(0, 0, framebufferWidth, framebufferHeight);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glFrontFace(GL_CCW);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(background[0], background[1], background[2], 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setTransform(layout);

    // The panes deeper than the surface, which lies in front of them or
    // on them (a flat floor): there it must hide their lines, and lines
    // and triangles do not get the same depths for the same point.
    glLineWidth(static_cast<float>(framebufferWidth) / static_cast<float>(layout.width));
    glDepthRange(0.02, 1.0);
    drawLines(layout.paneGrid, inkOn(background, 0.12));
    drawLines(layout.paneEdges, inkOn(background, 0.45));
    glDepthRange(0.0, 0.98);
    setLights();
    drawSurface(surface, frameOfAnimation);

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}
