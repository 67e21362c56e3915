// The GLUT display callback: the frame, then shown.
#include <GL/glut.h>

#include "render/display.h"

void display()
{
    renderFrame();
    glutSwapBuffers();
}
