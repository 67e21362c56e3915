// One frame of the viewer, GL and GLU only: the offscreen renderer draws
// with this same code.
#include "render/display.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "mesh/mesh.h"
#include "render/draw.h"
#include "render/lighting.h"

const double clipPlane[4] = {-10.0 / 3.0, 0.0, -10.0 / 3.0, 1.0};

// Perspective from the window's shape; the near and far planes follow the
// zoom so the depth range always brackets the origin.
static void setProjection(const ViewState &view, double aspect)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(15.0, aspect, 0.9 * view.eyeDistance, 1.5 * view.eyeDistance);
}

// The eye orbits the origin on a sphere; the up vector is the sphere's
// tangent towards the +z pole, so no camera position is degenerate.
static void setCamera(const ViewState &view)
{
    const double d = view.eyeDistance;
    const double theta = view.viewTheta;
    const double phi = view.viewPhi;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(d * std::sin(theta) * std::cos(phi), d * std::sin(theta) * std::sin(phi),
              d * std::cos(theta), 0.0, 0.0, 0.0, -std::cos(theta) * std::cos(phi),
              -std::cos(theta) * std::sin(phi), std::sin(theta));
}

// Given under the camera alone, the lights and the clip plane stay fixed
// in the world while the camera orbits and the model spins.
static void setWorldFixedState(const ViewState &view)
{
    glLightfv(GL_LIGHT0, GL_POSITION, light1Position);
    glLightfv(GL_LIGHT1, GL_POSITION, light2Position);

    if (view.light1On) {
        glEnable(GL_LIGHT0);
    } else {
        glDisable(GL_LIGHT0);
    }
    if (view.light2On) {
        glEnable(GL_LIGHT1);
    } else {
        glDisable(GL_LIGHT1);
    }

    if (view.clipping) {
        glClipPlane(GL_CLIP_PLANE0, clipPlane);
        glEnable(GL_CLIP_PLANE0);
    }
}

static void drawModel(const Mesh &mesh, const ViewState &view)
{
    if (view.wireFrame) {
        // Lit lines; the shade model stays as the last shaded frame left it.
        drawGrid(mesh);
        return;
    }
    glShadeModel(view.smoothShading ? GL_SMOOTH : GL_FLAT);
    drawSurface(mesh);
    if (view.showMesh) {
        glDisable(GL_LIGHTING);
        glColor4fv(lineColor);
        drawGrid(mesh);
        glEnable(GL_LIGHTING);
    }
}

void renderFrame(const Mesh *mesh, const ViewState &view, double aspect)
{
    setProjection(view, aspect);
    setCamera(view);
    setWorldFixedState(view);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Spin for surface and axes; scale for the surface alone.
    glPushMatrix();
    glRotated(static_cast<double>(view.spinAngle), 0.0, 0.0, 1.0);
    glPushMatrix();
    glScaled(view.scale, view.scale,
             static_cast<double>(view.scale) * static_cast<double>(view.zScale));
    if (mesh) {
        drawModel(*mesh, view);
    }
    glPopMatrix();

    // The axes are never clipped.
    if (view.clipping) {
        glDisable(GL_CLIP_PLANE0);
    }
    if (view.showAxis) {
        drawAxes();
    }
    glPopMatrix();
}
