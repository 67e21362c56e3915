#include "quarvel-render/gif_out.h"

#include <gif_lib.h>

#include <cerrno>
#include <cstring>
#include <vector>

static GifFileType *gif = nullptr;
static int frameDelay;
static int writeError;  // errno of the first failed write, else 0

static int writeToStream(GifFileType *file, const GifByteType *bytes, int length)
{
    FILE *stream = static_cast<FILE *>(file->UserData);
    errno = 0;
    const size_t written = std::fwrite(bytes, 1, static_cast<size_t>(length), stream);
    if (written != static_cast<size_t>(length) && writeError == 0) {
        writeError = errno ? errno : EIO;
    }
    return static_cast<int>(written);
}

// The NETSCAPE2.0 block: browsers and viewers loop the animation for ever.
static bool putLoopForever()
{
    static const GifByteType name[] = "NETSCAPE2.0";
    static const GifByteType loops[] = {1, 0, 0};  // sub-block 1, count 0: for ever
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, name) == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, loops) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool beginGif(FILE *stream, int width, int height, int delay)
{
    int error = 0;
    writeError = 0;
    gif = EGifOpen(stream, writeToStream, &error);
    if (!gif) {
        return false;
    }
    frameDelay = delay;
    EGifSetGifVersion(gif, true);
    return EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_OK && putLoopForever();
}

bool addGifFrame(const Frame &frame)
{
    const size_t pixels = static_cast<size_t>(frame.width) * frame.height;
    std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), indices(pixels);
    // GIF rows go top-down, the frame's bottom-up.
    for (int y = 0; y < frame.height; ++y) {
        const unsigned char *source = frame.rgb.data() + static_cast<size_t>(frame.height - 1 - y) * frame.width * 3;
        for (int x = 0; x < frame.width; ++x) {
            size_t i = static_cast<size_t>(y) * frame.width + x;
            red[i] = source[3 * x];
            green[i] = source[3 * x + 1];
            blue[i] = source[3 * x + 2];
        }
    }
    int colours = 256;
    GifColorType palette[256] = {};
    if (GifQuantizeBuffer(static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height), &colours,
                          red.data(), green.data(), blue.data(), indices.data(), palette) != GIF_OK) {
        return false;
    }
    GraphicsControlBlock timing = {DISPOSE_DO_NOT, false, frameDelay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&timing, extension);
    ColorMapObject *map = GifMakeMapObject(256, palette);
    bool ok = map && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, map) == GIF_OK;
    for (int y = 0; ok && y < frame.height; ++y) {
        ok = EGifPutLine(gif, indices.data() + static_cast<size_t>(y) * frame.width, frame.width) == GIF_OK;
    }
    GifFreeMapObject(map);
    return ok;
}

bool endGif()
{
    int error = 0;
    bool ok = EGifCloseFile(gif, &error) == GIF_OK;
    gif = nullptr;
    return ok;
}

const char *gifFailure()
{
    return writeError ? std::strerror(writeError) : "out of memory";
}
