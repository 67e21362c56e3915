// A turntable as a directory of numbered PNG frames: frame-0000.png, ...
#pragma once

#include <string>

#include "quarvel-render/offscreen.h"

// Makes dir unless it exists, for frames frames.  If the run fails later, a
// directory made here is removed with the frames written into it.
void beginFrames(const std::string &dir, int frames);

// Writes frame index, from 0 up, as its numbered PNG file.
void writeFrame(const char *tool, int index, const Frame &frame);

// Once every frame is written: removes the frames numbered from frames up
// that an earlier, longer turntable left (names of frame- with four or
// more digits and .png), and nothing else.
void endFrames();
