// Saving what a GL window shows as a BMP file.
#pragma once

// Calls redraw to draw the frame afresh into the back buffer of a window
// of width x height pixels, reads it and writes it to fileName, reporting
// on standard output ("Saving Image to ...", "Done!").  A save that fails
// (no memory, a file that cannot be opened or written) is reported on
// standard error and keeps the file that was there, except where it has
// to be written in place.
void saveWindow(const char *fileName, int width, int height, void (*redraw)(int width, int height));
