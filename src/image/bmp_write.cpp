#include "image/bmp_write.h"

void writeLe16(uint16_t value, FILE *stream)
{
    std::putc(value & 0xFF, stream);
    std::putc((value >> 8) & 0xFF, stream);
}

void writeLe32(uint32_t value, FILE *stream)
{
    for (int shift = 0; shift < 32; shift += 8) {
        std::putc(static_cast<int>((value >> shift) & 0xFF), stream);
    }
}

// Every row is padded with width mod 4 zero bytes, which makes its length
// a multiple of 4.
static int rowPadding(int width) { return width % 4; }

uint32_t bmpFileSize(int width, int height)
{
    uint32_t rowBytes = 3u * static_cast<uint32_t>(width) + static_cast<uint32_t>(rowPadding(width));
    return bmpHeaderBytes + static_cast<uint32_t>(height) * rowBytes;
}

void writeBmpHeaders(FILE *stream, int width, int height)
{
    std::fputs("BM", stream);
    writeLe32(bmpFileSize(width, height), stream);
    writeLe16(0, stream);  // reserved
    writeLe16(0, stream);
    writeLe32(bmpHeaderBytes, stream);  // pixel offset
    writeLe32(40, stream);              // information header size
    writeLe32(static_cast<uint32_t>(width), stream);
    writeLe32(static_cast<uint32_t>(height), stream);  // positive: bottom-up
    writeLe16(1, stream);   // planes
    writeLe16(24, stream);  // bits per pixel
    for (int field = 0; field < 6; ++field) {
        writeLe32(0, stream);  // compression, image size, resolution, colours
    }
}

void writeBmpRows(FILE *stream, const unsigned char *rgb, int width, int height)
{
    const int padding = rowPadding(width);
    for (int row = 0; row < height; ++row) {
        const unsigned char *pixel = rgb + static_cast<size_t>(row) * width * 3;
        for (int col = 0; col < width; ++col, pixel += 3) {
            std::putc(pixel[2], stream);
            std::putc(pixel[1], stream);
            std::putc(pixel[0], stream);
        }
        for (int i = 0; i < padding; ++i) {
            std::putc(0, stream);
        }
    }
}
