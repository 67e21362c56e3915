// Pictures as rows of red, green, blue bytes.
#pragma once

// Turns the height rows of width pixels upside down in place: a picture
// stored top row first becomes bottom row first, and back.
void flipRows(unsigned char *rgb, int width, int height);
