#include "picture/offscreen.h"

#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <string>

#include "common/fail.h"
#include "render/display.h"
#include "render/lighting.h"
#include "ui/view_callbacks.h"

// The buffer OSMesa draws into; the pixels are read back with glReadPixels,
// as the viewer reads its window, so both take the same path out.
static std::vector<unsigned char> colourBuffer;
static int frameWidth, frameHeight;
static OSMesaContext context = nullptr;

// The viewer's window has a 24-bit depth buffer and no stencil: depth
// precision decides which of two nearly equal fragments wins (grid lines
// against the offset surface), so it must be the same here.
static constexpr int depthBits = 24;

// GLU comes from the system's GL dispatch library while OSMesa is a GL of
// its own; if GLU's calls did not reach this context the camera would be
// silently lost.  A look-at must change the modelview matrix.
static bool gluReachesContext()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0);
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glLoadIdentity();
    return m[0] != 1.0;
}

// Mesa's driver threads and buffers go with the context.
static void closeOffscreen()
{
    if (context) {
        OSMesaDestroyContext(context);
        context = nullptr;
    }
}

void openOffscreen(const char *tool, int width, int height)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    context = OSMesaCreateContextExt(OSMESA_RGBA, depthBits, 0, 0, nullptr);
    if (!context) {
        fail(tool, "cannot create an offscreen OpenGL context (OSMesa)");
    }
    std::atexit(closeOffscreen);
    colourBuffer.assign(static_cast<size_t>(width) * height * 4, 0);
    if (!OSMesaMakeCurrent(context, colourBuffer.data(), GL_UNSIGNED_BYTE, width, height)) {
        fail(tool, "cannot make an offscreen OpenGL context of " + size + " pixels");
    }
    if (!gluReachesContext()) {
        fail(tool, "GLU does not draw into the OSMesa context (libOSMesa must be linked before libGLU)");
    }
    frameWidth = width;
    frameHeight = height;
    initLighting();
    // What the viewer's reshape does for a window of this size.
    setAspectRatio(width, height);
    glViewport(0, 0, width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

void setShadeModel(bool smooth)
{
    glShadeModel(smooth ? GL_SMOOTH : GL_FLAT);
}

void drawFrame(Frame &frame)
{
    renderFrame();
    frame.width = frameWidth;
    frame.height = frameHeight;
    frame.rgb.resize(static_cast<size_t>(frameWidth) * frameHeight * 3);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
}
