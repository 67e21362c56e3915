// Reading 24-bit BMP files into a buffer ready for OpenGL (GL_RGB,
// GL_UNSIGNED_BYTE, unpack alignment 1): red, green, blue, bottom row
// first, rows not padded.
#pragma once

#include <cstdint>
#include <cstdio>

struct BmpFileHeader {
    uint16_t type;  // "BM", held as 0x4D42
    uint32_t fileSize;
    uint16_t reserved1;
    uint16_t reserved2;
    uint32_t pixelOffset;
};

struct BmpInfoHeader {
    uint32_t headerSize;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t imageSize;
    uint32_t xPixelsPerMeter;
    uint32_t yPixelsPerMeter;
    uint32_t colorsUsed;
    uint32_t colorsImportant;
};

// Little-endian integers; a byte past the end of the file reads as 0xFF.
uint16_t readLe16(FILE *stream);
uint32_t readLe32(FILE *stream);

// Reads both headers from the start of stream; the result is valid until
// the next call.  A file not starting with "BM" ends the process.
BmpInfoHeader readBmpHeader(FILE *stream);

// Loads fileName.  Returns a malloc'ed buffer of width x height x 3 bytes
// that the caller frees, bottom row first also for a top-down file (whose
// height, negative in the file, is given positive), or nullptr (width and
// height untouched) for a file that is not 24 bits per pixel or whose size
// is unusable.  A file that
// cannot be opened or is not a BMP file ends the process.
unsigned char *readBmp(const char *fileName, int *width, int *height);
