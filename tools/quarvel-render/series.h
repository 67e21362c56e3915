// Surfaces that change in time: one frame per input, in order, written as
// a turntable is (.gif, .mp4 or a directory of PNG frames).  Inputs are
// read two at a time and freed after use, so a long series needs the
// memory of about two grids, and all frames are drawn in one offscreen
// context.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "figure/figure_data.h"
#include "mesh/mesh.h"
#include "quarvel-render/options.h"

// Reads input i as a figure's data, putting what reading it found worth
// telling in notes, and throws a Failure naming it when it cannot.  The
// first pass calls it from two threads at once, for different inputs.
using ReadFigureInput = std::function<FigureData(size_t i, std::vector<std::string> &notes)>;

// Tells input i's notes, one call at a time, in the order of the inputs:
// once for each input the first pass read, and once more for an input
// that fails later (failed: the series ends with its failure).
using TellNotes = std::function<void(size_t i, const std::vector<std::string> &notes, bool failed)>;

// Reads input i with the viewer's reader, reversed as options say; the
// caller frees the mesh.
using ReadMeshInput = std::function<Mesh *(size_t i, float &scale)>;

// Figures of the inputs named in names (for the frame labels), to
// options.outputs[0]: one box and one colour scale over the whole series
// (the inputs' ranges together unless --range is given), found by a first
// pass over the inputs, so that the box stays put and a colour means one
// height in every frame; options.frameLabel, when set, labels each frame.
void makeFigureSeries(const char *tool, const RenderOptions &options, const std::vector<std::string> &names,
                      const ReadFigureInput &read, const TellNotes &tell);

// The viewer's picture of each of count inputs after options' keys.  Into
// a directory, every input is read once before any frame is written, so
// that a bad one leaves no frames behind.
void makeViewerSeries(const char *tool, const RenderOptions &options, size_t count, const ReadMeshInput &read);
