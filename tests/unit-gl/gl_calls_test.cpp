// The exact GL calls of the set-up and of a frame, logged by a stand-in for GL, GLU and GLUT:
// what pictures hide (a light set before the camera, a normal after its vertex, float for double).
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <charconv>
#include <cmath>
#include <map>
#include <string>

#include "mesh/mesh.h"
#include "render/display.h"
#include "render/lighting.h"
#include "ui/callbacks.h"
#include "ui/view_state.h"

static std::string calls;

// Numbers in their shortest form that reads back to the same float or double.
template <class T> static std::string str(T v)
{
    char b[40];
    return std::string(b, std::to_chars(b, b + sizeof b, v).ptr);
}
static std::string str(const std::string &v) { return v; }
static std::string str(GLenum e)
{
#define N(e) {e, #e},
    static const std::map<GLenum, std::string> names = {N(GL_LIGHTING) N(GL_LIGHT0)
        N(GL_LIGHT1) N(GL_DEPTH_TEST) N(GL_POLYGON_OFFSET_FILL) N(GL_NORMALIZE) N(GL_CLIP_PLANE0)
        N(GL_PROJECTION) N(GL_MODELVIEW) N(GL_POSITION) N(GL_DIFFUSE) N(GL_SPECULAR) N(GL_LESS)
        N(GL_LIGHT_MODEL_AMBIENT) N(GL_LIGHT_MODEL_TWO_SIDE) N(GL_FRONT) N(GL_BACK) N(GL_SMOOTH)
        N(GL_AMBIENT_AND_DIFFUSE) N(GL_SHININESS) N(GL_FLAT) N(GL_LINES) N(GL_LINE_STRIP)
        N(GL_TRIANGLE_STRIP) N(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)};
    return names.count(e) ? names.at(e) : std::to_string(e);
}
template <class T> static std::string vec(const T *v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? ", " : "{") + str(v[i]);
    return s + "}";
}
template <class... T> static std::string call(const char *f, T... a)
{
    std::string s = std::string(f) + "(", sep;
    ((s += sep + str(a), sep = ", "), ...);
    return s + ")\n";
}
#define REC(...) calls += call(__func__, __VA_ARGS__)
#define NOARGS(f) void f() { calls += call(#f); }
#define ENUM(f) void f(GLenum e) { REC(e); }
#define FV(f) void f(GLenum a, GLenum b, const GLfloat *v) { REC(a, b, vec(v, 4)); }
#define XYZ(f, T) void f(T x, T y, T z) { REC(x, y, z); }
#define V(f, T, n) void f(const T *v) { REC(vec(v, n)); }
extern "C" {
ENUM(glEnable) ENUM(glDisable) ENUM(glDepthFunc) ENUM(glShadeModel) ENUM(glMatrixMode)
ENUM(glBegin) ENUM(glClear) FV(glLightfv) FV(glMaterialfv) XYZ(glScaled, GLdouble)
XYZ(glColor3f, GLfloat) XYZ(glVertex3d, GLdouble) V(glColor4fv, GLfloat, 4)
V(glNormal3dv, GLdouble, 3) V(glVertex3dv, GLdouble, 3) NOARGS(glLoadIdentity)
NOARGS(glPushMatrix) NOARGS(glPopMatrix) NOARGS(glEnd) NOARGS(glutSwapBuffers)
void glLightModelfv(GLenum p, const GLfloat *v) { REC(p, vec(v, 4)); }
void glLightModeli(GLenum p, GLint v) { REC(p, v); }
void glMaterialf(GLenum f, GLenum p, GLfloat v) { REC(f, p, v); }
void glPolygonOffset(GLfloat f, GLfloat u) { REC(f, u); }
void glClipPlane(GLenum p, const GLdouble *v) { REC(p, vec(v, 4)); }
void glRotated(GLdouble a, GLdouble x, GLdouble y, GLdouble z) { REC(a, x, y, z); }
void gluPerspective(GLdouble a, GLdouble b, GLdouble c, GLdouble d) { REC(a, b, c, d); }
void gluLookAt(GLdouble a, GLdouble b, GLdouble c, GLdouble d, GLdouble e, GLdouble f, GLdouble g,
               GLdouble h, GLdouble i) { REC(a, b, c, d, e, f, g, h, i); }
}

TEST(GlCalls, InitLightingInOrder)
{
    calls.clear();
    initLighting();
    EXPECT_EQ(calls, "glLightModelfv(GL_LIGHT_MODEL_AMBIENT, {0.1, 0.1, 0.1, 1})\n"
                     "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)\nglEnable(GL_LIGHTING)\n"
                     "glEnable(GL_LIGHT0)\nglLightfv(GL_LIGHT0, GL_DIFFUSE, {0.7, 0.7, 0.7, 1})\n"
                     "glLightfv(GL_LIGHT0, GL_SPECULAR, {0.5, 0.5, 0.5, 1})\nglEnable(GL_LIGHT1)\n"
                     "glLightfv(GL_LIGHT1, GL_DIFFUSE, {0.5, 0.5, 0.5, 1})\n"
                     "glLightfv(GL_LIGHT1, GL_SPECULAR, {0.5, 0.5, 0.5, 1})\n"
                     "glEnable(GL_DEPTH_TEST)\nglDepthFunc(GL_LESS)\n"
                     "glEnable(GL_POLYGON_OFFSET_FILL)\nglPolygonOffset(1.2, 1)\n");
}

// Strips "rc rc|rc ...": normal (r, c, 7) right before vertex (r, c, 0) for each "rc" in order.
static std::string strips(const std::string &mode, const std::string &rcs)
{
    std::string s = "glBegin(" + mode + ")\n";
    for (size_t i = 0; i < rcs.size(); i += 3) {
        std::string at = rcs.substr(i, 1) + ", " + rcs.substr(i + 1, 1);
        s += "glNormal3dv({" + at + ", 7})\nglVertex3dv({" + at + ", 0})\n";
        if (rcs[i + 2] == '|') s += "glEnd()\nglBegin(" + mode + ")\n";
    }
    return s + "glEnd()\n";
}

TEST(GlCalls, FramesFollowTheFlags)
{
    Vec3 p[2][3] = {{{0, 0, 0}, {0, 1, 0}, {0, 2, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 2, 0}}};
    Vec3 n[2][3] = {{{0, 0, 7}, {0, 1, 7}, {0, 2, 7}}, {{1, 0, 7}, {1, 1, 7}, {1, 2, 7}}};
    Vec3 *pr[2] = {p[0], p[1]}, *nr[2] = {n[0], n[1]};
    Mesh mesh = {pr, nr, 2, 3};
    theMesh = &mesh;
    aspectRatio = 1.25f;
    const double D = 14, t = initialViewState.viewTheta, f = initialViewState.viewPhi;
    const std::string head = "glMatrixMode(GL_PROJECTION)\nglLoadIdentity()\n" +
        call("gluPerspective", 15.0, 1.25, 0.9 * D, 1.5 * D) + "glMatrixMode(GL_MODELVIEW)\n" +
        "glLoadIdentity()\n" + call("gluLookAt", D * sin(t) * cos(f), D * sin(t) * sin(f),
            D * cos(t), 0.0, 0.0, 0.0, -cos(t) * cos(f), -cos(t) * sin(f), sin(t)) +
        "glLightfv(GL_LIGHT0, GL_POSITION, {5, -5, 9, 0})\n"  // after the camera
        "glLightfv(GL_LIGHT1, GL_POSITION, {0, 5, 0, 0})\n";
    // Model spun, then scaled with z = scale * zScale in double.
    const std::string transform = "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)\n"
        "glPushMatrix()\nglRotated(30.5, 0, 0, 1)\nglPushMatrix()\n" +
        call("glScaled", double(0.1f), double(0.1f), double(0.1f) * double(0.3f)),
        front = "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {0.7, 0.6, 0.8, 1})\n";
    const std::string surface = front + "glMaterialfv(GL_FRONT, GL_SPECULAR, {0.3, 0.3, 0.3, 1})\n"
        "glMaterialf(GL_FRONT, GL_SHININESS, 51.2)\nglMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, "
        "{0.6, 0.3, 0.4, 1})\nglEnable(GL_NORMALIZE)\n" +
        strips("GL_TRIANGLE_STRIP", "01 00 11 10|02 01 12 11");
    // Columns first, then rows.
    const std::string grid = front + "glMaterialfv(GL_FRONT, GL_SPECULAR, {0, 0, 0, 1})\n"
        "glEnable(GL_NORMALIZE)\n" + strips("GL_LINE_STRIP", "00 10|01 11|02 12|00 01 02|10 11 12");
    const std::string axes = "glDisable(GL_LIGHTING)\nglBegin(GL_LINES)\nglColor3f(0.5, 0, 0.2)\n"
        "glVertex3d(-1.7, 0, 0)\nglVertex3d(1.7, 0, 0)\nglColor3f(0, 0.3, 0.2)\n"
        "glVertex3d(0, -1.7, 0)\nglVertex3d(0, 1.7, 0)\nglColor3f(0.1, 0, 0.3)\n"
        "glVertex3d(0, 0, -1.4)\nglVertex3d(0, 0, 1.4)\nglEnd()\nglEnable(GL_LIGHTING)\n";
    // Lights and clip plane; the model; what follows it.
    struct { void (*setup)(); std::string before, model, after; } cases[] = {
        {[] {}, "glEnable(GL_LIGHT0)\nglEnable(GL_LIGHT1)\n",
         "glShadeModel(GL_SMOOTH)\n" + surface + "glDisable(GL_LIGHTING)\n" +
             "glColor4fv({0, 0, 0, 1})\n" + grid + "glEnable(GL_LIGHTING)\n", axes},
        {[] { viewState.clipping = 1, viewState.light1On = viewState.showMesh = 0;
              viewState.smoothShading = 0; },  // the clip plane cuts the model, never the axes
         "glDisable(GL_LIGHT0)\nglEnable(GL_LIGHT1)\nglClipPlane(GL_CLIP_PLANE0, {" +
             str(-10 / 3.) + ", 0, " + str(-10 / 3.) + ", 1})\nglEnable(GL_CLIP_PLANE0)\n",
         "glShadeModel(GL_FLAT)\n" + surface, "glDisable(GL_CLIP_PLANE0)\n" + axes},
        {[] { viewState.wireFrame = 1, viewState.light2On = viewState.showAxis = 0; },
         "glEnable(GL_LIGHT0)\nglDisable(GL_LIGHT1)\n", grid, ""},  // lit lines, no shade model
    };
    for (auto &c : cases) {
        viewState = initialViewState;
        viewState.spinAngle = 30.5f, viewState.scale = 0.1f, viewState.zScale = 0.3f;
        c.setup();
        calls.clear();
        display();
        EXPECT_EQ(calls, head + c.before + transform + c.model + "glPopMatrix()\n" + c.after +
                             "glPopMatrix()\nglutSwapBuffers()\n");
    }
    viewState = initialViewState;
    theMesh = nullptr;
}
