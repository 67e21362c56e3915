// The GLUT display callback: the frame of the global Mesh and settings,
// then shown.
#include <GL/glut.h>

#include "render/display.h"
#include "ui/callbacks.h"
#include "ui/view_state.h"

void display()
{
    renderFrame(theMesh, viewState, aspectRatio);
    glutSwapBuffers();
}
