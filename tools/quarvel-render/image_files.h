// Still pictures as files: 24-bit BMP (the viewer's own writer) and PNG.
#pragma once

#include <cstdio>

#include "quarvel-render/offscreen.h"

// The BMP file the viewer's save command would write for this frame.
void writeBmp(FILE *stream, const Frame &frame);

// An RGB PNG, compressed for speed rather than size.  Ends the program
// with one line naming path if libpng fails.
void writePng(const char *path, FILE *stream, const Frame &frame);
