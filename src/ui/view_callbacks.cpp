// The GLUT callbacks for arrow keys, resizing and the idle spin.
#include <GL/glut.h>

#include "ui/callbacks.h"
#include "ui/view_motion.h"
#include "ui/view_state.h"

// The arrow-key codes that turnCamera knows are GLUT's.
static_assert(arrowKeyLeft == GLUT_KEY_LEFT && arrowKeyUp == GLUT_KEY_UP &&
              arrowKeyRight == GLUT_KEY_RIGHT && arrowKeyDown == GLUT_KEY_DOWN);

void specialKey(int key, int, int)
{
    if (turnCamera(viewState, key)) {
        glutPostRedisplay();
    }
}

void setAspectRatio(int width, int height)
{
    aspectRatio = aspectRatioOf(width, height);
}

void reshape(int width, int height)
{
    setAspectRatio(width, height);
    glViewport(0, 0, width, height);
}

void idle()
{
    if (advanceSpin(viewState)) {
        glutPostRedisplay();
    }
}
