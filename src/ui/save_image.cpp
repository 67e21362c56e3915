// The "B" command's save: the whole window, at its present size.
#include <GL/glut.h>

#include "image/capture.h"
#include "render/display.h"
#include "ui/callbacks.h"
#include "ui/view_state.h"

// Until reshape has run for the window's present size (a resize that
// arrives together with the key, or a key right after start), GL still
// draws into the old viewport, and the drawable itself is resized only
// when the viewport is set: both are brought in line with the window
// before the frame is drawn again.
static void redrawWindow(int width, int height)
{
    reshape(width, height);
    renderFrame(theMesh, viewState, aspectRatio);
}

void saveImage(const char *fileName)
{
    saveWindow(fileName, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), redrawWindow);
}
