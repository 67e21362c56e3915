// The exact OpenGL calls of the one-time set-up, of a frame and of the view
// callbacks, as logged by the recording stand-in.  These are the faults a
// picture hides: a light placed before the camera, a reversed strip, a
// normal sent after its vertex, a float where a double is due.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "mesh/mesh.h"
#include "recording_gl.h"
#include "render/display.h"
#include "render/draw.h"
#include "render/lighting.h"
#include "ui/view_callbacks.h"
#include "ui/view_state.h"

namespace {

using Calls = std::vector<std::string>;

Calls operator+(Calls a, const Calls &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Reports the first differing call with its neighbours, not two long lists.
void expectCalls(const Calls &actual, const Calls &expected)
{
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) {
        ++i;
    }
    if (i == actual.size() && i == expected.size()) {
        return;
    }
    std::string context;
    for (size_t k = i >= 3 ? i - 3 : 0; k < i + 3 && k < actual.size(); ++k) {
        context += (k == i ? " >> " : "    ") + actual[k] + "\n";
    }
    ADD_FAILURE() << "call " << i << " of " << actual.size() << " (expected " << expected.size()
                  << "): expected " << (i < expected.size() ? expected[i] : "nothing")
                  << "\nactual calls around it:\n"
                  << context;
}

// A grid whose point (r, c) is (r, c, 0) and whose normal is (r, c, 7), so
// every logged vector tells which grid position and which array it came from.
struct TestMesh {
    std::vector<std::vector<Vec3>> pointRows, normalRows;
    std::vector<Vec3 *> points, normals;
    Mesh mesh;

    TestMesh(int rows, int cols) : pointRows(rows), normalRows(rows)
    {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                pointRows[r].push_back({double(r), double(c), 0.0});
                normalRows[r].push_back({double(r), double(c), 7.0});
            }
            points.push_back(pointRows[r].data());
            normals.push_back(normalRows[r].data());
        }
        mesh = {points.data(), normals.data(), rows, cols};
    }
};

// Normal then point of grid position (r, c).
Calls at(int r, int c)
{
    std::string rc = std::to_string(r) + ", " + std::to_string(c);
    return {"glNormal3dv({" + rc + ", 7})", "glVertex3dv({" + rc + ", 0})"};
}

Calls strip(const std::string &mode, std::vector<std::pair<int, int>> positions)
{
    Calls calls = {"glBegin(" + mode + ")"};
    for (auto [r, c] : positions) {
        calls = calls + at(r, c);
    }
    return calls + Calls{"glEnd()"};
}

const Calls surfaceMaterial = {
    "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {0.7, 0.6, 0.8, 1})",
    "glMaterialfv(GL_FRONT, GL_SPECULAR, {0.3, 0.3, 0.3, 1})",
    "glMaterialf(GL_FRONT, GL_SHININESS, 51.2)",
    "glMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, {0.6, 0.3, 0.4, 1})",
    "glEnable(GL_NORMALIZE)",
};
const Calls gridMaterial = {
    "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {0.7, 0.6, 0.8, 1})",
    "glMaterialfv(GL_FRONT, GL_SPECULAR, {0, 0, 0, 1})",
    "glEnable(GL_NORMALIZE)",
};

// The 2 x 3 grid: two strips taking column c+1 before c at every row.
const Calls surface2x3 = surfaceMaterial +
                         strip("GL_TRIANGLE_STRIP", {{0, 1}, {0, 0}, {1, 1}, {1, 0}}) +
                         strip("GL_TRIANGLE_STRIP", {{0, 2}, {0, 1}, {1, 2}, {1, 1}});
// Columns first, then rows.
const Calls grid2x3 = gridMaterial + strip("GL_LINE_STRIP", {{0, 0}, {1, 0}}) +
                      strip("GL_LINE_STRIP", {{0, 1}, {1, 1}}) +
                      strip("GL_LINE_STRIP", {{0, 2}, {1, 2}}) +
                      strip("GL_LINE_STRIP", {{0, 0}, {0, 1}, {0, 2}}) +
                      strip("GL_LINE_STRIP", {{1, 0}, {1, 1}, {1, 2}});
const Calls axes = {
    "glDisable(GL_LIGHTING)",     "glBegin(GL_LINES)",          "glColor3f(0.5, 0, 0.2)",
    "glVertex3d(-1.7, 0, 0)",     "glVertex3d(1.7, 0, 0)",      "glColor3f(0, 0.3, 0.2)",
    "glVertex3d(0, -1.7, 0)",     "glVertex3d(0, 1.7, 0)",      "glColor3f(0.1, 0, 0.3)",
    "glVertex3d(0, 0, -1.4)",     "glVertex3d(0, 0, 1.4)",      "glEnd()",
    "glEnable(GL_LIGHTING)",
};
const Calls overlay = Calls{"glDisable(GL_LIGHTING)", "glColor4fv({0, 0, 0, 1})"} + grid2x3 +
                      Calls{"glEnable(GL_LIGHTING)"};

class GlCalls : public ::testing::Test {
protected:
    TestMesh grid{2, 3};

    void SetUp() override
    {
        viewState = initialViewState;
        aspectRatio = 1.0f;
        theMesh = &grid.mesh;
        glCalls.clear();
    }
    void TearDown() override
    {
        viewState = initialViewState;
        aspectRatio = 0.0f;
        theMesh = nullptr;
    }

    static Calls frame()
    {
        glCalls.clear();
        renderFrame();
        return glCallTexts();
    }
};

TEST_F(GlCalls, InitLightingSetsTheOneTimeStateInOrder)
{
    initLighting();
    expectCalls(glCallTexts(), {
                                   "glLightModelfv(GL_LIGHT_MODEL_AMBIENT, {0.1, 0.1, 0.1, 1})",
                                   "glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)",
                                   "glEnable(GL_LIGHTING)",
                                   "glEnable(GL_LIGHT0)",
                                   "glLightfv(GL_LIGHT0, GL_DIFFUSE, {0.7, 0.7, 0.7, 1})",
                                   "glLightfv(GL_LIGHT0, GL_SPECULAR, {0.5, 0.5, 0.5, 1})",
                                   "glEnable(GL_LIGHT1)",
                                   "glLightfv(GL_LIGHT1, GL_DIFFUSE, {0.5, 0.5, 0.5, 1})",
                                   "glLightfv(GL_LIGHT1, GL_SPECULAR, {0.5, 0.5, 0.5, 1})",
                                   "glEnable(GL_DEPTH_TEST)",
                                   "glDepthFunc(GL_LESS)",
                                   "glEnable(GL_POLYGON_OFFSET_FILL)",
                                   "glPolygonOffset(1.2, 1)",
                               });
}

// Whole frames, seen from straight above (theta = phi = 0 makes every camera
// value exact), for each drawing mode and switch.
TEST_F(GlCalls, FramesFollowTheFlags)
{
    const Calls lightsOn = {"glEnable(GL_LIGHT0)", "glEnable(GL_LIGHT1)"};
    const Calls unscaled = {"glRotated(0, 0, 0, 1)", "glPushMatrix()", "glScaled(1, 1, 1)"};
    const Calls smooth = Calls{"glShadeModel(GL_SMOOTH)"} + surface2x3;
    const Calls clipOn = {"glClipPlane(GL_CLIP_PLANE0, {-3.3333333333333335, 0, "
                          "-3.3333333333333335, 1})",
                          "glEnable(GL_CLIP_PLANE0)"};
    struct Case {
        const char *name;
        void (*setup)();
        Calls lights, clip, transform, model, unclip, axes;
    } cases[] = {
        {"default", [] {}, lightsOn, {}, unscaled, smooth + overlay, {}, axes},
        {"no mesh", [] { viewState.showMesh = 0; }, lightsOn, {}, unscaled, smooth, {}, axes},
        {"flat",
         [] { viewState.smoothShading = 0; },
         lightsOn,
         {},
         unscaled,
         Calls{"glShadeModel(GL_FLAT)"} + surface2x3 + overlay,
         {},
         axes},
        // Lit lines only; shading and overlay flags do not matter.
        {"wire frame",
         [] {
             viewState.wireFrame = 1;
             viewState.smoothShading = 0;
         },
         lightsOn,
         {},
         unscaled,
         grid2x3,
         {},
         axes},
        {"lights off",
         [] {
             viewState.light1On = 0;
             viewState.light2On = 0;
         },
         {"glDisable(GL_LIGHT0)", "glDisable(GL_LIGHT1)"},
         {},
         unscaled,
         smooth + overlay,
         {},
         axes},
        {"light 2 off", [] { viewState.light2On = 0; },
         {"glEnable(GL_LIGHT0)", "glDisable(GL_LIGHT1)"}, {}, unscaled, smooth + overlay, {},
         axes},
        // The plane clips the model only, never the axes.
        {"clipping", [] { viewState.clipping = 1; }, lightsOn, clipOn, unscaled, smooth + overlay,
         {"glDisable(GL_CLIP_PLANE0)"}, axes},
        {"no axes", [] { viewState.showAxis = 0; }, lightsOn, {}, unscaled, smooth + overlay, {},
         {}},
        // The z factor is the product of the two floats in double precision.
        {"spun and scaled",
         [] {
             viewState.spinAngle = 30.5f;
             viewState.scale = 0.1f;
             viewState.zScale = 0.1f;
         },
         lightsOn,
         {},
         {"glRotated(30.5, 0, 0, 1)", "glPushMatrix()",
          "glScaled(0.10000000149011612, 0.10000000149011612, " +
              formatDouble(double(0.1f) * double(0.1f)) + ")"},
         smooth + overlay,
         {},
         axes},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        viewState = initialViewState;
        viewState.viewTheta = 0.0;
        viewState.viewPhi = 0.0;
        c.setup();
        const Calls expected =
            Calls{"glMatrixMode(GL_PROJECTION)", "glLoadIdentity()",
                  "gluPerspective(15, 1, 12.6, 21)", "glMatrixMode(GL_MODELVIEW)",
                  "glLoadIdentity()", "gluLookAt(0, 0, 14, 0, 0, 0, -1, -0, 0)",
                  // The lights follow the camera, so they stay fixed in the world.
                  "glLightfv(GL_LIGHT0, GL_POSITION, {5, -5, 9, 0})",
                  "glLightfv(GL_LIGHT1, GL_POSITION, {0, 5, 0, 0})"} +
            c.lights + c.clip + Calls{"glClear(0x4100)", "glPushMatrix()"} + c.transform +
            c.model + Calls{"glPopMatrix()"} + c.unclip + c.axes + Calls{"glPopMatrix()"};
        expectCalls(frame(), expected);
    }
}

TEST_F(GlCalls, DisplaySwapsAfterTheFrame)
{
    display();
    Calls calls = glCallTexts();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "glutSwapBuffers()");
    EXPECT_EQ(calls.size(), frame().size() + 1);
}

TEST_F(GlCalls, ProjectionFollowsTheWindowShapeAndTheZoom)
{
    struct Case {
        float aspect;
        double eyeDistance;
    } cases[] = {{1.0f, 14.0}, {1.3333333730697632f, 14.0}, {0.5f, 14.0 * 0.9}, {2.0f, 100.0}};
    for (const Case &c : cases) {
        aspectRatio = c.aspect;
        viewState.eyeDistance = c.eyeDistance;
        frame();
        ASSERT_EQ(glCalls[2].text.substr(0, 15), "gluPerspective(");
        const std::vector<double> &a = glCalls[2].args;
        EXPECT_EQ(a[0], 15.0);
        EXPECT_EQ(a[1], double(c.aspect));  // widened, not recomputed
        EXPECT_NEAR(a[2], 0.9 * c.eyeDistance, 1e-12);
        EXPECT_NEAR(a[3], 1.5 * c.eyeDistance, 1e-12);
    }
}

// The eye orbits on the sphere of radius eyeDistance; the up vector is the
// unit tangent towards +z, so even the pole and beyond are not degenerate.
TEST_F(GlCalls, CameraOrbitsTheOrigin)
{
    const double deg = M_PI / 180.0;
    struct Case {
        double theta, phi;
        double eye[3], up[3];
    } cases[] = {
        {70 * deg, 20 * deg, {12.362, 4.500, 4.788}, {-0.321, -0.117, 0.940}},
        {0.0, 20 * deg, {0, 0, 14}, {-0.940, -0.342, 0}},
        {-2 * deg, 20 * deg, {-0.459, -0.167, 13.991}, {-0.939, -0.342, -0.035}},
        {110 * deg, -90 * deg, {0, -13.156, -4.788}, {0, -0.342, 0.940}},
    };
    for (const Case &c : cases) {
        viewState.viewTheta = c.theta;
        viewState.viewPhi = c.phi;
        frame();
        ASSERT_EQ(glCalls[5].text.substr(0, 10), "gluLookAt(");
        const std::vector<double> &a = glCalls[5].args;
        double dot = 0, upLength = 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(a[i], c.eye[i], 1e-3) << "eye " << i << " theta " << c.theta;
            EXPECT_EQ(a[3 + i], 0.0);
            EXPECT_NEAR(a[6 + i], c.up[i], 1e-3) << "up " << i << " theta " << c.theta;
            dot += a[i] * a[6 + i];
            upLength += a[6 + i] * a[6 + i];
        }
        EXPECT_NEAR(dot, 0.0, 1e-12);
        EXPECT_NEAR(upLength, 1.0, 1e-12);
    }
}

// Points and normals go to GL straight from the mesh, not through copies.
TEST_F(GlCalls, VerticesAreTheMeshsOwnVectors)
{
    drawSurface(grid.mesh);
    drawGrid(grid.mesh);
    int vectors = 0;
    for (const GlCall &call : glCalls) {
        bool isNormal = call.text.rfind("glNormal3dv", 0) == 0;
        bool isVertex = call.text.rfind("glVertex3dv", 0) == 0;
        if (!isNormal && !isVertex) {
            continue;
        }
        Vec3 **rows = isNormal ? grid.mesh.normals : grid.mesh.points;
        const Vec3 *v = static_cast<const Vec3 *>(call.data);
        int r = int(v->x), c = int(v->y);
        EXPECT_EQ(call.data, &rows[r][c].x) << call.text;
        ++vectors;
    }
    EXPECT_EQ(vectors, 2 * 2 * 2 * 2 + 2 * 2 * 2 * 3);
}

// Degenerate grids: one column has no strip at all; one row gives strips
// of two vertices and one-point line strips.
TEST_F(GlCalls, ThinGrids)
{
    TestMesh column(3, 1);
    drawSurface(column.mesh);
    expectCalls(glCallTexts(), surfaceMaterial);
    glCalls.clear();
    drawGrid(column.mesh);
    expectCalls(glCallTexts(), gridMaterial + strip("GL_LINE_STRIP", {{0, 0}, {1, 0}, {2, 0}}) +
                                   strip("GL_LINE_STRIP", {{0, 0}}) +
                                   strip("GL_LINE_STRIP", {{1, 0}}) +
                                   strip("GL_LINE_STRIP", {{2, 0}}));

    TestMesh row(1, 3);
    glCalls.clear();
    drawSurface(row.mesh);
    expectCalls(glCallTexts(), surfaceMaterial + strip("GL_TRIANGLE_STRIP", {{0, 1}, {0, 0}}) +
                                   strip("GL_TRIANGLE_STRIP", {{0, 2}, {0, 1}}));
    glCalls.clear();
    drawGrid(row.mesh);
    expectCalls(glCallTexts(), gridMaterial + strip("GL_LINE_STRIP", {{0, 0}}) +
                                   strip("GL_LINE_STRIP", {{0, 1}}) +
                                   strip("GL_LINE_STRIP", {{0, 2}}) +
                                   strip("GL_LINE_STRIP", {{0, 0}, {0, 1}, {0, 2}}));
}

// Arrow keys and a running spin ask for a redisplay; other keys, a stopped
// spin and a resize do not, and a resize only sets the viewport.
TEST_F(GlCalls, CallbacksRequestRedisplayOnlyOnChange)
{
    struct Case {
        const char *name;
        void (*action)();
        Calls expected;
    } cases[] = {
        {"Up", [] { specialKey(GLUT_KEY_UP, 10, 20); }, {"glutPostRedisplay()"}},
        {"Left", [] { specialKey(GLUT_KEY_LEFT, 0, 0); }, {"glutPostRedisplay()"}},
        {"F1", [] { specialKey(GLUT_KEY_F1, 0, 0); }, {}},
        {"Home", [] { specialKey(GLUT_KEY_HOME, 0, 0); }, {}},
        {"idle, stopped", [] { idle(); }, {}},
        {"idle, spinning",
         [] {
             viewState.animate = 1;
             idle();
         },
         {"glutPostRedisplay()"}},
        {"reshape", [] { reshape(800, 600); }, {"glViewport(0, 0, 800, 600)"}},
        {"reshape to zero height", [] { reshape(300, 0); }, {"glViewport(0, 0, 300, 0)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        viewState = initialViewState;
        glCalls.clear();
        c.action();
        expectCalls(glCallTexts(), c.expected);
    }
}

}  // namespace
