#include "render/lighting.h"

#include <GL/gl.h>

// Surface materials: lilac front with grey highlights, wine-red back.
const float frontColor[4] = {0.7f, 0.6f, 0.8f, 1.0f};
const float frontSpecular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
const float frontShininess = 51.2f;
const float backColor[4] = {0.6f, 0.3f, 0.4f, 1.0f};
// Black: the unlit grid overlay, and the specular of lit grid lines.
const float lineColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};

const float ambientLight[4] = {0.1f, 0.1f, 0.1f, 1.0f};

// Light 1 is GL_LIGHT0, light 2 is GL_LIGHT1; w = 0 makes both directional.
const float light1Diffuse[4] = {0.7f, 0.7f, 0.7f, 1.0f};
const float light1Specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const float light1Position[4] = {5.0f, -5.0f, 9.0f, 0.0f};
const float light2Diffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const float light2Specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const float light2Position[4] = {0.0f, 5.0f, 0.0f, 0.0f};

void initLighting()
{
    // Two-sided lighting lights the underside with the back material.
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientLight);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glEnable(GL_LIGHTING);

    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light1Diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light1Specular);
    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light2Diffuse);
    glLightfv(GL_LIGHT1, GL_SPECULAR, light2Specular);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);

    // Only filled polygons are pushed back, so grid lines lying exactly on
    // the surface win the depth test against it.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.2f, 1.0f);
}
