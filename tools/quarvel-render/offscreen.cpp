#include "quarvel-render/offscreen.h"

#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/failure.h"
#include "image/pixel_rows.h"
#include "render/display.h"
#include "render/lighting.h"

struct Offscreen {
    OSMesaContext context = nullptr;
    // OSMesa's own drawing buffer only makes the context current: frames
    // go to a framebuffer object, whose depth buffer can match the viewer's.
    unsigned char contextBuffer[4] = {};
    int width = 0, height = 0;
};

// The viewer's window on Mesa has a 32-bit depth buffer (OSMesa's own
// stops at 24 bits).  Depth precision decides which of two nearly equal
// fragments wins, grid lines against the offset surface, above all on flat
// parts seen head-on, so it must be the same here.
static constexpr GLenum depthFormat = GL_DEPTH_COMPONENT32;

// GL entry points beyond 1.1, from OSMesa itself.
template <class F> static F entry(const char *name)
{
    return reinterpret_cast<F>(OSMesaGetProcAddress(name));
}

// Mesa draws a window top row first, a framebuffer object bottom row
// first, and the rasterizer's rules for line ends and colour steps follow
// that direction.  An upper-left clip origin draws the object the window's
// way; its rows are turned back after reading.
static bool drawLikeAWindow()
{
    auto clipControl = entry<PFNGLCLIPCONTROLPROC>("glClipControl");
    if (!clipControl) {
        return false;
    }
    clipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    return true;
}

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

// Colour and depth renderbuffers of the frame's size, bound for drawing
// and reading.
static bool bindFramebuffer(int width, int height)
{
    auto genFramebuffers = entry<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    auto bindFramebuffer = entry<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    auto genRenderbuffers = entry<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    auto bindRenderbuffer = entry<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    auto renderbufferStorage = entry<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    auto attach = entry<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    auto status = entry<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !bindRenderbuffer ||
        !renderbufferStorage || !attach || !status) {
        return false;
    }
    GLuint framebuffer = 0, buffers[2] = {0, 0};
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    genRenderbuffers(2, buffers);
    const GLenum formats[2] = {GL_RGB8, depthFormat};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    for (int i = 0; i < 2; ++i) {
        bindRenderbuffer(GL_RENDERBUFFER, buffers[i]);
        renderbufferStorage(GL_RENDERBUFFER, formats[i], width, height);
        attach(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER, buffers[i]);
    }
    return drawLikeAWindow() && status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
           glGetError() == GL_NO_ERROR;
}

// Mesa's driver threads and buffers, and the framebuffer, go with the
// context.
void closeOffscreen(Offscreen *offscreen)
{
    if (offscreen && offscreen->context) {
        OSMesaDestroyContext(offscreen->context);
    }
    delete offscreen;
}

static bool makeCurrent(Offscreen &o)
{
    return OSMesaMakeCurrent(o.context, o.contextBuffer, GL_UNSIGNED_BYTE, 1, 1);
}

Offscreen *openOffscreen(int width, int height)
{
    struct Close {
        void operator()(Offscreen *o) const { closeOffscreen(o); }
    };
    std::unique_ptr<Offscreen, Close> o(new Offscreen);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    o->context = OSMesaCreateContextExt(OSMESA_RGBA, 0, 0, 0, nullptr);
    if (!o->context) {
        throw Failure("cannot create an offscreen OpenGL context (OSMesa)");
    }
    if (!makeCurrent(*o)) {
        throw Failure("cannot make the offscreen OpenGL context current");
    }
    if (!bindFramebuffer(width, height)) {
        throw Failure("cannot make an offscreen framebuffer of " + size + " pixels");
    }
    if (!gluReachesContext()) {
        throw Failure("GLU does not draw into the OSMesa context (libOSMesa must be linked before libGLU)");
    }
    o->width = width;
    o->height = height;
    return o.release();
}

void drawViewerFrame(Offscreen &o, const Mesh &mesh, const ViewState &view, bool smoothBefore, Frame &frame)
{
    if (!makeCurrent(o)) {
        throw Failure("cannot make the offscreen OpenGL context current");
    }
    // What the viewer sets once and its reshape sets for a window of this
    // size, set in full for every frame.
    initLighting();
    glViewport(0, 0, o.width, o.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glShadeModel(smoothBefore ? GL_SMOOTH : GL_FLAT);
    renderFrame(&mesh, view, aspectRatioOf(o.width, o.height));
    frame.width = o.width;
    frame.height = o.height;
    frame.rgb.resize(static_cast<size_t>(o.width) * static_cast<size_t>(o.height) * 3);
    glReadPixels(0, 0, o.width, o.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    flipRows(frame.rgb.data(), o.width, o.height);  // drawn upside down (see drawLikeAWindow)
}
