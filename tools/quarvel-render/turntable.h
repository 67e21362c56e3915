// Turntables: frames of one full turn of the camera about the vertical
// axis, made with the Right arrow key at the current arrow step, so the
// loop closes exactly (the frame after the last is the first).
#pragma once

#include <functional>
#include <string>

#include "quarvel-render/offscreen.h"
#include "quarvel-render/options.h"

// Arrow steps in one full turn, or 0 when the step does not divide a turn.
int arrowStepsPerTurn(double angleStep);

// The number of frames nearest to wanted that divides stepsPerTurn
// (the larger one when two are equally near).
int nearestFrameCount(int wanted, int stepsPerTurn);

// Makes the turntable of mesh, starting from view, into path: a .gif, an
// .mp4 or a directory of PNG frames, drawn in offscreen (see
// drawViewerFrame for smoothBefore).  Throws a Failure on an error.
void makeTurntable(const char *tool, const std::string &path, const RenderOptions &options, Offscreen &offscreen,
                   const Mesh &mesh, ViewState view, bool smoothBefore);

// Writes frames pictures, frame i drawn by draw(i, frame), to path as
// makeTurntable does.
void writeTurntable(const char *tool, const std::string &path, const RenderOptions &options, int frames,
                    const std::function<void(int, Frame &)> &draw);
