// The 3-D part of a figure in OpenGL: the panes behind the box and the
// surface coloured by height and lit by the viewer's two lights.
#pragma once

#include <vector>

#include "figure/box.h"
#include "figure/figure_data.h"
#include "figure/layout.h"

// The surface as vertex arrays in model units: one vertex per point; the
// two triangles of every cell whose four corners have data are listed
// band by band while drawing, so no index list is kept.  Colours come
// from a table looked up at every pixel, so that a map's sharp break (the
// earth map's coast) stays sharp and exactly where the height crosses it.
struct FigureSurface {
    int rows = 0, cols = 0;
    std::vector<float> vertices;         // x, y, z
    std::vector<short> normals;          // x, y, z of unit length, times 32767
    std::vector<float> heights;          // where in the colour table, 0 to 1
    std::vector<bool> hasData;           // whether the point is drawn
    std::vector<unsigned char> colours;  // the table: r, g, b, evenly from low to high
};

FigureSurface prepareSurface(const FigureData &data, const FigureBox &box, const FigureStyle &style);

// Clears to the background and draws the panes and the surface as the
// layout places them, into the current context's framebuffer of
// framebufferWidth x framebufferHeight (a whole multiple of the
// picture's size: the picture drawn larger, to be averaged down).  Sets
// all the state it relies on and leaves the context's state as it was.
// An animation's frames bound what the driver holds at once, which keeps
// its memory level over many frames.
void drawFigureScene(const FigureSurface &surface, const FigureLayout &layout, const float background[3],
                     int framebufferWidth, int framebufferHeight, bool frameOfAnimation = false);
