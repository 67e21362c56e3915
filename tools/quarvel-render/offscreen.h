// Drawing the viewer's frames without a window: an OpenGL context in
// memory (Mesa's OSMesa, the same llvmpipe rasterizer the viewer gets on
// X) drawing into a framebuffer object made like the viewer's window (its
// depth bits, its row order) and set up as the viewer sets up its window.
#pragma once

#include <vector>

// One picture: width x height pixels of red, green, blue, bottom row first,
// rows not padded (what glReadPixels gives with a pack alignment of 1).
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Largest width or height accepted.
constexpr int maxFrameSide = 8192;

// Creates the context for width x height pixels and makes it current, with
// the viewer's lighting set-up, viewport and aspect ratio.  Ends the
// program with one line when that cannot be done.
void openOffscreen(const char *tool, int width, int height);

// The shade model that earlier frames of the viewer would have left set.
void setShadeModel(bool smooth);

// Draws the current view with the viewer's own frame code and reads it.
void drawFrame(Frame &frame);
