// MP4 files through ffmpeg: raw frames piped into it, H.264 out.
#pragma once

#include <string>

#include "quarvel-render/offscreen.h"

// Starts ffmpeg writing an MP4 of width x height pixels to path (an
// existing file, which it overwrites).  Ends the program with one line
// when ffmpeg is not installed.
void beginVideo(const std::string &path, int width, int height, int fps);
bool addVideoFrame(const Frame &frame);
// Waits for ffmpeg; false if it failed.
bool endVideo();
// Stops an ffmpeg whose video will not be finished, before its file is
// removed: left running, it would write the file again.
void abandonVideo();
