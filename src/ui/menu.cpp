// GLUT side of the commands: key and menu callbacks and the pop-up menu.
#include <GL/glut.h>

#include <cstdlib>

#include "ui/callbacks.h"
#include "ui/commands.h"
#include "ui/view_state.h"

void handleCommand(int code)
{
    switch (applyCommand(viewState, theMesh, code)) {
    case CommandAction::None:
        return;
    case CommandAction::Quit:
        std::exit(0);
    case CommandAction::SaveImage:
        saveImage(imageFileName);
        break;
    case CommandAction::Redraw:
        break;
    }
    glutPostRedisplay();
}

void keyboard(unsigned char key, int, int)
{
    handleCommand(key);
}

void buildMenus()
{
    int drawingMode = glutCreateMenu(handleCommand);
    glutAddMenuEntry(" -Shading (Smooth/Flat)", 's');
    glutAddMenuEntry(" -Toggle Mesh", 'f');
    glutAddMenuEntry(" -Toggle Wire Frame", 'w');
    glutAddMenuEntry(" -Toggle Axis", 'a');
    glutAddMenuEntry(" -Toggle Clipping", 'C');

    glutCreateMenu(handleCommand);
    glutAddSubMenu("Drawing Mode", drawingMode);
    glutAddMenuEntry("Animation(on/off)", 'c');
    glutAddMenuEntry("Light1  (on/off)", '1');
    glutAddMenuEntry("Light2  (on/off)", '2');
    glutAddMenuEntry("Zoom in", 'u');
    glutAddMenuEntry("Zoom out", 'd');
    glutAddMenuEntry("Reverse Surface", 'r');
    glutAddMenuEntry("SaveImage(quarvel.bmp)", 'B');
    glutAddMenuEntry("Quit", 'q');
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
