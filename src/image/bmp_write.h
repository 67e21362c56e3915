// Writing 24-bit BMP files.
//
// Layout: 14-byte file header, 40-byte information header, then the rows
// bottom-up, each pixel as blue, green, red, each row followed by
// width mod 4 zero bytes.  Integers are little-endian, written byte by byte.
#pragma once

#include <cstdint>
#include <cstdio>

// Size of both headers: the pixel array starts here.
constexpr int bmpHeaderBytes = 54;

void writeLe16(uint16_t value, FILE *stream);
void writeLe32(uint32_t value, FILE *stream);

// Bytes of a file for a width x height image.
uint32_t bmpFileSize(int width, int height);

// Both headers for a width x height image.
void writeBmpHeaders(FILE *stream, int width, int height);

// The pixel array from rgb: width x height pixels of red, green, blue,
// bottom row first, rows not padded (what glReadPixels delivers with a
// pack alignment of 1).
void writeBmpRows(FILE *stream, const unsigned char *rgb, int width, int height);
