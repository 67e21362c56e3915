// Animated GIF files with giflib: each frame with a palette of up to 256
// colours of its own (gif_palette.h); looping for ever.
#pragma once

#include <cstdio>

#include "quarvel-render/offscreen.h"

// Starts a GIF of width x height pixels on stream; every frame shows for
// delay hundredths of a second.  false if giflib fails.
bool beginGif(FILE *stream, int width, int height, int delay);
bool addGifFrame(const Frame &frame);
bool endGif();
// Why a call above failed: the reason a write failed, else giflib ran out
// of memory (the only other way it fails here).
const char *gifFailure();
