// Saving the window: reading the back buffer and writing it as a BMP file.
// GL only: the window's size and the drawing come from the caller.
#include "image/capture.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/safe_save.h"
#include "image/bmp_write.h"

// The width x height rectangle at the lower-left of the back buffer, as
// red-green-blue rows, bottom row first; nullptr (reported) when there is
// no memory for it.
static unsigned char *readWindowPixels(int width, int height)
{
    // Cleared, because glReadPixels leaves untouched whatever lies outside
    // the drawable: just after a resize the window's new size can be larger
    // than the buffer GL still reads from, and those pixels must come out
    // black rather than as leftover heap bytes.
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    unsigned char *rgb = static_cast<unsigned char *>(std::calloc(bytes > 0 ? bytes : 1, 1));
    if (!rgb) {
        std::fprintf(stderr, "cannot allocate image buffer for %d x %d pixels\n", width, height);
        return nullptr;
    }
    // Rows of exactly 3 x width bytes, read from the frame just drawn.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return rgb;
}

void saveWindow(const char *fileName, int width, int height, void (*redraw)(int width, int height))
{
    // The back buffer's content after a swap is undefined on some systems:
    // draw the current frame again so the file shows what the window shows.
    redraw(width, height);
    // The pixels come first: a save that cannot hold them touches no file.
    unsigned char *rgb = readWindowPixels(width, height);
    if (!rgb) {
        return;
    }
    SafeSave save = beginSafeSave(fileName);
    if (!save.stream) {
        std::fprintf(stderr, "can't open %s\n", fileName);
        std::free(rgb);
        return;
    }
    std::printf("Saving Image to \"%s\"\n", fileName);
    std::fflush(stdout);

    writeBmpHeaders(save.stream, width, height);
    writeBmpRows(save.stream, rgb, width, height);
    std::free(rgb);
    if (int error = finishSafeSave(&save)) {
        std::fprintf(stderr, "error writing %s: %s\n", fileName, std::strerror(error));
        return;
    }
    std::printf("Done!\n");
    std::fflush(stdout);
}
