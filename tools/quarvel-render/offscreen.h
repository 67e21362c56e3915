// Drawing the viewer's frames without a window: an OpenGL context in
// memory (Mesa's OSMesa, the same llvmpipe rasterizer the viewer gets on
// X) drawing into a framebuffer object made like the viewer's window (its
// depth bits, its row order) and set up as the viewer sets up its window.
//
// A context is an object its caller opens and closes; several may live in
// one process, each drawing frames of its own size.  Each frame sets the
// state it relies on in full, so other drawing may share the context.
#pragma once

#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "figure/layout.h"
#include "figure/surface.h"
#include "mesh/mesh.h"
#include "scene/view_state.h"

// Bytes that the driver's read-back overwrites whole: a vector that leaves
// them as they come, not cleared first (for a large frame, a clearing the
// size of the picture, once a frame, in the drawing thread).
template <class T>
struct Uncleared : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = Uncleared<U>;
    };
    Uncleared() = default;
    template <class U>
    Uncleared(const Uncleared<U> &) noexcept
    {
    }
    template <class U>
    void construct(U *) noexcept
    {
    }
    template <class U, class... Args>
    void construct(U *at, Args &&...args)
    {
        ::new (static_cast<void *>(at)) U(std::forward<Args>(args)...);
    }
};
using ReadBack = std::vector<unsigned char, Uncleared<unsigned char>>;

// One picture: width x height pixels of red, green, blue, bottom row first,
// rows not padded (what glReadPixels gives with a pack alignment of 1).
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    // An animation's figure frame as drawn, and what is left to make rgb
    // of it (averaging, text, colour bar), for the thread that writes the
    // frame to do while the next is drawn; empty once done.
    ReadBack drawn;
    std::function<void(Frame &)> finish;
};

// Largest width or height accepted.
constexpr int maxFrameSide = 8192;

struct Offscreen;

// Creates a context for width x height frames.  Throws a Failure with one
// line when that cannot be done.
Offscreen *openOffscreen(int width, int height);
void closeOffscreen(Offscreen *offscreen);

// Draws mesh as the viewer's window shows it under view, into frame.
// smoothBefore is the shade model the viewer's earlier frames would have
// left set: wire-frame lines keep it.
void drawViewerFrame(Offscreen &offscreen, const Mesh &mesh, const ViewState &view, bool smoothBefore,
                     Frame &frame);

// The 3-D part of a figure of surface as layout places it, in style, drawn
// at several samples a pixel and averaged to width x height pixels (the
// layout's size, or larger for a sharper page) of cairo's ARGB32, top row
// first: the figure without its text and colour bar.
void drawFigureSurface(Offscreen &offscreen, const FigureSurface &surface, const FigureLayout &layout,
                       const FigureStyle &style, int width, int height, std::vector<unsigned char> &argb);

// Figures drawn from now on are frames of an animation: 2 x 2 samples a
// pixel, not 3 x 3 (a GIF's 256 colours and a video's compression hide
// the difference, and a frame is drawn in two thirds of the time), and
// the surface sent to the driver in pieces that keep a long animation's
// memory level.
void drawFiguresAsFrames(Offscreen &offscreen);

// Draws a figure of surface as layout places it, in style, into frame:
// the 3-D part drawn at several samples a pixel and averaged, the text and
// colour bar over it.  Leaves the context ready for viewer frames.
void drawFigureFrame(Offscreen &offscreen, const FigureSurface &surface, const FigureLayout &layout,
                     const FigureStyle &style, Frame &frame);

// The figure whose 3-D part drawFigureSurface gave as argb, at the
// layout's size: the text and colour bar drawn over it, into frame.
void finishFigureFrame(std::vector<unsigned char> argb, const FigureLayout &layout, const FigureStyle &style,
                       Frame &frame);
