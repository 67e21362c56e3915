// A turntable as a directory of numbered PNG frames: frame-0000.png, ...
#pragma once

#include <string>

#include "quarvel-render/offscreen.h"

// Makes dir unless it exists, for frames frames.
void beginFrames(const std::string &dir, int frames);

// Writes frame index, from 0 up, as its numbered PNG file.
void writeFrame(int index, const Frame &frame);

// After a failure: a directory made by beginFrames is removed with the
// frames written into it; one that was there stays.
void abandonFrames();

// Once every frame is written: removes the frames numbered from frames up
// that an earlier, longer turntable left (names of frame- with four or
// more digits and .png), and nothing else.
void endFrames();
