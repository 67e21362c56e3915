#include "image/bmp_read.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/fatal.h"
#include "image/pixel_rows.h"

static BmpFileHeader fileHeader;
static BmpInfoHeader infoHeader;

// getc gives EOF (-1) past the end, which keeps its low eight bits: 0xFF.
static unsigned readByte(FILE *stream) { return static_cast<unsigned>(std::getc(stream)) & 0xFF; }

uint16_t readLe16(FILE *stream)
{
    unsigned low = readByte(stream);
    unsigned high = readByte(stream);
    return static_cast<uint16_t>(low | high << 8);
}

uint32_t readLe32(FILE *stream)
{
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        value |= static_cast<uint32_t>(readByte(stream)) << shift;
    }
    return value;
}

BmpInfoHeader readBmpHeader(FILE *stream)
{
    if (std::getc(stream) != 'B' || std::getc(stream) != 'M') {
        std::fputs("Not BMP-file\n", stderr);
        endProcess(1);
    }
    fileHeader.type = 0x4D42;
    fileHeader.fileSize = readLe32(stream);
    fileHeader.reserved1 = readLe16(stream);
    fileHeader.reserved2 = readLe16(stream);
    fileHeader.pixelOffset = readLe32(stream);

    infoHeader.headerSize = readLe32(stream);
    infoHeader.width = static_cast<int32_t>(readLe32(stream));
    infoHeader.height = static_cast<int32_t>(readLe32(stream));
    infoHeader.planes = readLe16(stream);
    infoHeader.bitCount = readLe16(stream);
    infoHeader.compression = readLe32(stream);
    infoHeader.imageSize = readLe32(stream);
    infoHeader.xPixelsPerMeter = readLe32(stream);
    infoHeader.yPixelsPerMeter = readLe32(stream);
    infoHeader.colorsUsed = readLe32(stream);
    infoHeader.colorsImportant = readLe32(stream);
    return infoHeader;
}

// Sizes the buffer can be made for: a positive width, a height other than
// zero (negative in a top-down file), and a byte count that fits the int
// sizes OpenGL's pixel calls take.  Anything else (a zero size, a corrupt
// header) would index outside the buffer.
static bool usableSize(int32_t width, int32_t height)
{
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return false;
    }
    // Divided rather than multiplied: the product of two large sizes
    // overflows even 64 bits.
    return width <= INT_MAX / 3 / (height < 0 ? -height : height);
}

// Reads the pixel array from byte 54 on, turning blue-green-red into
// red-green-blue and skipping each row's padding.  Once the file ends every
// missing byte is 0xFF, filled in at once rather than read one by one.
static void readPixels(FILE *stream, unsigned char *rgb, int width, int height)
{
    const size_t total = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    const int padding = width % 4;
    size_t at = 0;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col, at += 3) {
            int blue = std::getc(stream);
            int green = std::getc(stream);
            int red = std::getc(stream);
            if (red == EOF) {
                rgb[at] = 0xFF;
                rgb[at + 1] = static_cast<unsigned char>(green);
                rgb[at + 2] = static_cast<unsigned char>(blue);
                std::memset(rgb + at + 3, 0xFF, total - at - 3);
                return;
            }
            rgb[at] = static_cast<unsigned char>(red);
            rgb[at + 1] = static_cast<unsigned char>(green);
            rgb[at + 2] = static_cast<unsigned char>(blue);
        }
        for (int i = 0; i < padding; ++i) {
            std::getc(stream);
        }
    }
}

unsigned char *readBmp(const char *fileName, int *width, int *height)
{
    FILE *stream = std::fopen(fileName, "rb");
    if (!stream) {
        std::fprintf(stderr, "connot open %s\n", fileName);
        endProcess(1);
    }
    BmpInfoHeader info = readBmpHeader(stream);
    if (info.bitCount != 24) {
        std::fputs("not 24-bit color\n", stderr);
        std::fclose(stream);
        return nullptr;
    }
    if (!usableSize(info.width, info.height)) {
        std::fprintf(stderr, "unsupported image size %d x %d\n", info.width, info.height);
        std::fclose(stream);
        return nullptr;
    }
    const bool topDown = info.height < 0;
    *width = info.width;
    *height = topDown ? -info.height : info.height;

    size_t bytes = static_cast<size_t>(*width) * static_cast<size_t>(*height) * 3;
    unsigned char *rgb = static_cast<unsigned char *>(std::malloc(bytes));
    if (!rgb) {
        std::fputs("cannot allocate image buffer\n", stderr);
        endProcess(1);
    }
    readPixels(stream, rgb, *width, *height);
    if (topDown) {
        flipRows(rgb, *width, *height);  // top row first: now bottom first like any other
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::fclose(stream);
    return rgb;
}
