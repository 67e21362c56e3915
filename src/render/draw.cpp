#include "render/draw.h"

#include <GL/gl.h>

#include "render/lighting.h"

// Point and normal at grid position (r, c), normal first.
static inline void sendVertex(const Mesh &mesh, int r, int c)
{
    glNormal3dv(&mesh.normals[r][c].x);
    glVertex3dv(&mesh.points[r][c].x);
}

void drawSurface(const Mesh &mesh)
{
    // Every material value used here is set each time: drawGrid changes
    // the front specular between calls.
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, frontColor);
    glMaterialfv(GL_FRONT, GL_SPECULAR, frontSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, frontShininess);
    glMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, backColor);
    // The model scale may stretch z alone; this keeps the normals unit.
    glEnable(GL_NORMALIZE);

    // Column c+1 before column c at every row: this fixes the front face
    // and splits each cell along the diagonal (r, c)-(r+1, c+1), the same
    // diagonal the normals were computed for.
    for (int c = 0; c + 1 < mesh.cols; ++c) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int r = 0; r < mesh.rows; ++r) {
            sendVertex(mesh, r, c + 1);
            sendVertex(mesh, r, c);
        }
        glEnd();
    }
}

void drawGrid(const Mesh &mesh)
{
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, frontColor);
    glMaterialfv(GL_FRONT, GL_SPECULAR, lineColor);
    glEnable(GL_NORMALIZE);

    for (int c = 0; c < mesh.cols; ++c) {
        glBegin(GL_LINE_STRIP);
        for (int r = 0; r < mesh.rows; ++r) {
            sendVertex(mesh, r, c);
        }
        glEnd();
    }
    for (int r = 0; r < mesh.rows; ++r) {
        glBegin(GL_LINE_STRIP);
        for (int c = 0; c < mesh.cols; ++c) {
            sendVertex(mesh, r, c);
        }
        glEnd();
    }
}

void drawAxes()
{
    glDisable(GL_LIGHTING);
    glBegin(GL_LINES);
    glColor3f(0.5f, 0.0f, 0.2f);
    glVertex3d(-1.7, 0.0, 0.0);
    glVertex3d(1.7, 0.0, 0.0);
    glColor3f(0.0f, 0.3f, 0.2f);
    glVertex3d(0.0, -1.7, 0.0);
    glVertex3d(0.0, 1.7, 0.0);
    glColor3f(0.1f, 0.0f, 0.3f);
    glVertex3d(0.0, 0.0, -1.4);
    glVertex3d(0.0, 0.0, 1.4);
    glEnd();
    glEnable(GL_LIGHTING);
}
