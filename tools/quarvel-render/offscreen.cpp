#include "quarvel-render/offscreen.h"

#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "base/failure.h"
#include "figure/overlay.h"
#include "image/pixel_rows.h"
#include "render/display.h"
#include "render/lighting.h"

struct Offscreen {
    OSMesaContext context = nullptr;
    // OSMesa's own drawing buffer only makes the context current: frames
    // go to a framebuffer object, whose depth buffer can match the viewer's.
    unsigned char contextBuffer[4] = {};
    int width = 0, height = 0;
    GLuint viewerFramebuffer = 0;
    // Figures draw larger into a framebuffer of their own, made when first
    // needed and again for another size: sample x sample framebuffer
    // pixels to one of the figureWidth x figureHeight picture's.
    GLuint figureFramebuffer = 0;
    GLuint figureBuffers[2] = {0, 0};
    int figureWidth = 0, figureHeight = 0;
    int sample = 0;
    int mostSamples = 3;                   // each way, see drawFiguresAsFrames
    bool frames = false;                   // figures are an animation's frames
    ReadBack bigPixels;  // the figure as read back, kept for the next
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
static bool makeFramebuffer(int width, int height, GLenum depth, GLuint &framebuffer, GLuint *renderbuffers = nullptr)
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
    GLuint buffers[2] = {0, 0};
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    genRenderbuffers(2, buffers);
    const GLenum formats[2] = {GL_RGB8, depth};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    for (int i = 0; i < 2; ++i) {
        bindRenderbuffer(GL_RENDERBUFFER, buffers[i]);
        renderbufferStorage(GL_RENDERBUFFER, formats[i], width, height);
        attach(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER, buffers[i]);
    }
    if (renderbuffers) {
        renderbuffers[0] = buffers[0];
        renderbuffers[1] = buffers[1];
    }
    return status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE && glGetError() == GL_NO_ERROR;
}

static void dropFramebuffer(GLuint &framebuffer, GLuint renderbuffers[2])
{
    auto deleteFramebuffers = entry<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
    auto deleteRenderbuffers = entry<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
    if (deleteFramebuffers && deleteRenderbuffers) {
        deleteFramebuffers(1, &framebuffer);
        deleteRenderbuffers(2, renderbuffers);
    }
    framebuffer = renderbuffers[0] = renderbuffers[1] = 0;
}

static bool useFramebuffer(GLuint framebuffer)
{
    auto bind = entry<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    if (!bind) {
        return false;
    }
    bind(GL_FRAMEBUFFER, framebuffer);
    return true;
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
    if (!makeFramebuffer(width, height, depthFormat, o->viewerFramebuffer) || !drawLikeAWindow()) {
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

// Samples a pixel each way: 3 x 3 up to 2 million picture pixels, 2 x 2
// up to 8 million, within the largest framebuffer side, and at most most.
static int samplesFor(int width, int height, int most)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    const double pixels = static_cast<double>(width) * height;
    for (int sample = std::min(most, pixels <= 2e6 ? 3 : pixels <= 8e6 ? 2 : 1); sample > 1; --sample) {
        if (width * sample <= largest && height * sample <= largest) {
            return sample;
        }
    }
    return 1;
}

// 2 x 2, an animation's frames: each block's four samples summed at once,
// rounded as the table would.
static void averageDownByTwo(const ReadBack &big, int width, int height,
                             std::vector<unsigned char> &argb)
{
    const size_t bigRow = static_cast<size_t>(width) * 8;
    argb.resize(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const unsigned char *a = &big[static_cast<size_t>(2 * y) * bigRow], *b = a + bigRow;
        unsigned char *out = &argb[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x, a += 8, b += 8, out += 4) {
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<unsigned char>((a[c] + a[4 + c] + b[c] + b[4 + c] + 2) >> 2);
            }
            out[3] = 0xFF;
        }
    }
}

// Averages sample x sample blocks of the big picture (BGRA, as the driver
// keeps it, top row first) into cairo's ARGB32 pixels: the rows of a block
// summed first, along whole rows, then each block's columns; each sum
// rounded to the nearest through a table, not a division per channel.
static void averageDown(const ReadBack &big, int sample, int width, int height,
                        std::vector<unsigned char> &argb)
{
    if (sample == 2) {
        averageDownByTwo(big, width, height, argb);
        return;
    }
    const size_t bigRow = static_cast<size_t>(width) * sample * 4;
    const unsigned share = static_cast<unsigned>(sample * sample);
    std::vector<uint32_t> nearest(255 * share + 1);
    for (unsigned sum = 0; sum < nearest.size(); ++sum) {
        nearest[sum] = (sum + share / 2) / share;
    }
    argb.resize(static_cast<size_t>(width) * height * 4);
    std::vector<unsigned> rows(bigRow);
    for (int y = 0; y < height; ++y) {
        std::fill(rows.begin(), rows.end(), 0u);
        for (int dy = 0; dy < sample; ++dy) {
            const unsigned char *p = &big[(static_cast<size_t>(y) * sample + dy) * bigRow];
            for (size_t k = 0; k < bigRow; ++k) {
                rows[k] += p[k];
            }
        }
        unsigned char *out = &argb[static_cast<size_t>(y) * width * 4];
        const unsigned *block = rows.data();
        for (int x = 0; x < width; ++x, out += 4, block += 4 * sample) {
            unsigned blue = 0, green = 0, red = 0;
            for (int dx = 0; dx < sample; ++dx) {
                blue += block[4 * dx];
                green += block[4 * dx + 1];
                red += block[4 * dx + 2];
            }
            const uint32_t pixel = 0xFF000000u | nearest[red] << 16 | nearest[green] << 8 | nearest[blue];
            std::memcpy(out, &pixel, 4);
        }
    }
}

// cairo's pixels (top row first) to a frame's (bottom row first).
static void toFrame(const std::vector<unsigned char> &argb, int width, int height, Frame &frame)
{
    frame.width = width;
    frame.height = height;
    frame.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const unsigned char *from = &argb[static_cast<size_t>(height - 1 - y) * width * 4];
        unsigned char *to = &frame.rgb[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            uint32_t pixel;
            std::memcpy(&pixel, from, 4);
            to[0] = static_cast<unsigned char>(pixel >> 16);
            to[1] = static_cast<unsigned char>(pixel >> 8);
            to[2] = static_cast<unsigned char>(pixel);
        }
    }
}

// The figure's framebuffer for a width x height picture, made or remade.
static void useFigureFramebuffer(Offscreen &o, int width, int height)
{
    const int sample = samplesFor(width, height, o.mostSamples);
    if (o.sample != sample || width != o.figureWidth || height != o.figureHeight) {
        if (o.sample != 0) {
            dropFramebuffer(o.figureFramebuffer, o.figureBuffers);
            o.sample = 0;
        }
        if (!makeFramebuffer(width * sample, height * sample, GL_DEPTH_COMPONENT24, o.figureFramebuffer,
                             o.figureBuffers)) {
            dropFramebuffer(o.figureFramebuffer, o.figureBuffers);
            useFramebuffer(o.viewerFramebuffer);
            throw Failure("cannot make an offscreen framebuffer of " + std::to_string(width * sample) + "x" +
                          std::to_string(height * sample) + " pixels for the figure");
        }
        o.sample = sample;
        o.figureWidth = width;
        o.figureHeight = height;
    }
    useFramebuffer(o.figureFramebuffer);
}

void drawFiguresAsFrames(Offscreen &o)
{
    o.mostSamples = 2;
    o.frames = true;
}

// Draws the figure's scene at o.sample times its size and reads it back
// into o.bigPixels.
static void drawBigScene(Offscreen &o, const FigureSurface &surface, const FigureLayout &layout,
                         const FigureStyle &style, int width, int height)
{
    if (!makeCurrent(o)) {
        throw Failure("cannot make the offscreen OpenGL context current");
    }
    if (width < 1 || height < 1 || width > maxFrameSide || height > maxFrameSide) {
        throw Failure("the figure's surface image of " + std::to_string(width) + "x" + std::to_string(height) +
                      " pixels is larger than " + std::to_string(maxFrameSide) + "x" +
                      std::to_string(maxFrameSide));
    }
    useFigureFramebuffer(o, width, height);
    const int bigWidth = width * o.sample, bigHeight = height * o.sample;
    drawFigureScene(surface, layout, style.background, bigWidth, bigHeight, o.frames);
    ReadBack &big = o.bigPixels;
    big.resize(static_cast<size_t>(bigWidth) * bigHeight * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // The driver's own order: read back as a copy, not converted per pixel.
    glReadPixels(0, 0, bigWidth, bigHeight, GL_BGRA, GL_UNSIGNED_BYTE, big.data());
    glPopClientAttrib();
    useFramebuffer(o.viewerFramebuffer);
}

void drawFigureSurface(Offscreen &o, const FigureSurface &surface, const FigureLayout &layout,
                       const FigureStyle &style, int width, int height, std::vector<unsigned char> &argb)
{
    drawBigScene(o, surface, layout, style, width, height);
    // Drawn upside down (see drawLikeAWindow): the first row read is the top.
    averageDown(o.bigPixels, o.sample, width, height, argb);
}

void drawFigureFrame(Offscreen &o, const FigureSurface &surface, const FigureLayout &layout,
                     const FigureStyle &style, Frame &frame)
{
    const int width = layout.width, height = layout.height;
    if (width != o.width || height != o.height) {
        throw Failure("a figure of " + std::to_string(width) + "x" + std::to_string(height) +
                      " pixels cannot be drawn in an offscreen context of " + std::to_string(o.width) + "x" +
                      std::to_string(o.height));
    }
    if (!o.frames) {
        std::vector<unsigned char> argb;
        drawFigureSurface(o, surface, layout, style, width, height, argb);
        finishFigureFrame(std::move(argb), layout, style, frame);
        return;
    }
    // An animation's frame: only the drawing and its read-back here; the
    // writing thread averages it down and adds the text while the driver
    // draws the next.
    drawBigScene(o, surface, layout, style, width, height);
    frame.drawn.swap(o.bigPixels);
    frame.finish = [sample = o.sample, layout, style](Frame &f) {
        std::vector<unsigned char> argb;
        averageDown(f.drawn, sample, layout.width, layout.height, argb);
        ReadBack().swap(f.drawn);
        finishFigureFrame(std::move(argb), layout, style, f);
    };
}

void finishFigureFrame(std::vector<unsigned char> argb, const FigureLayout &layout, const FigureStyle &style,
                       Frame &frame)
{
    drawFigureOverlay(layout, style, argb.data(), layout.width * 4);
    toFrame(argb, layout.width, layout.height, frame);
}
