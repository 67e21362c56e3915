// One frame of the viewer, GL and GLU only: the offscreen renderer draws
// with this same code.
#include "render/display.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "mesh/mesh.h"
#include "render/draw.h"
#include "render/lighting.h"
#include "ui/view_state.h"

const double clipPlane[4] = {-10.0 / 3.0, 0.0, -10.0 / 3.0, 1.0};

// Perspective from the window's shape; the near and far planes follow the
// zoom so the depth range always brackets the origin.
static void setProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(15.0, static_cast<double>(aspectRatio), 0.9 * viewState.eyeDistance,
                   1.5 * viewState.eyeDistance);
}

// The eye orbits the origin on a sphere; the up vector is the sphere's
// tangent towards the +z pole, so no camera position is degenerate.
static void setCamera()
{
    const double d = viewState.eyeDistance;
    const double theta = viewState.viewTheta;
    const double phi = viewState.viewPhi;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(d * std::sin(theta) * std::cos(phi), d * std::sin(theta) * std::sin(phi),
              d * std::cos(theta), 0.0, 0.0, 0.0, -std::cos(theta) * std::cos(phi),
              -std::cos(theta) * std::sin(phi), std::sin(theta));
}

// Given under the camera alone, the lights and the clip plane stay fixed
// in the world while the camera orbits and the model spins.
static void setWorldFixedState()
{
    glLightfv(GL_LIGHT0, GL_POSITION, light1Position);
    glLightfv(GL_LIGHT1, GL_POSITION, light2Position);

    if (viewState.light1On) {
        glEnable(GL_LIGHT0);
    } else {
        glDisable(GL_LIGHT0);
    }
    if (viewState.light2On) {
        glEnable(GL_LIGHT1);
    } else {
        glDisable(GL_LIGHT1);
    }

    if (viewState.clipping) {
        glClipPlane(GL_CLIP_PLANE0, clipPlane);
        glEnable(GL_CLIP_PLANE0);
    }
}

static void drawModel(const Mesh &mesh)
{
    if (viewState.wireFrame) {
        // Lit lines; the shade model stays as the last shaded frame left it.
        drawGrid(mesh);
        return;
    }
    glShadeModel(viewState.smoothShading ? GL_SMOOTH : GL_FLAT);
    drawSurface(mesh);
    if (viewState.showMesh) {
        glDisable(GL_LIGHTING);
        glColor4fv(lineColor);
        drawGrid(mesh);
        glEnable(GL_LIGHTING);
    }
}

void renderFrame()
{
    setProjection();
    setCamera();
    setWorldFixedState();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Spin for surface and axes; scale for the surface alone.
    glPushMatrix();
    glRotated(static_cast<double>(viewState.spinAngle), 0.0, 0.0, 1.0);
    glPushMatrix();
    glScaled(viewState.scale, viewState.scale,
             static_cast<double>(viewState.scale) * static_cast<double>(viewState.zScale));
    if (theMesh) {
        drawModel(*theMesh);
    }
    glPopMatrix();

    // The axes are never clipped.
    if (viewState.clipping) {
        glDisable(GL_CLIP_PLANE0);
    }
    if (viewState.showAxis) {
        drawAxes();
    }
    glPopMatrix();
}
