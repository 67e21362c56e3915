#include "quarvel-render/gif_out.h"

#include <gif_lib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "quarvel-render/gif_palette.h"

static GifFileType *gif = nullptr;
static int gifWidth, gifHeight, frameDelay;
static bool screenPut;
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
    gifWidth = width;
    gifHeight = height;
    frameDelay = delay;
    screenPut = false;
    EGifSetGifVersion(gif, true);
    return true;
}

// The screen and the loop; each frame brings its own colour map.
static bool putScreen()
{
    screenPut = true;
    return EGifPutScreenDesc(gif, gifWidth, gifHeight, 8, 0, nullptr) == GIF_OK && putLoopForever();
}

// palette as a GIF colour map, padded to a power of two as GIF requires.
static ColorMapObject *colourMapOf(const GifPalette &palette)
{
    const int entries = static_cast<int>(palette.rgb.size() / 3);
    int size = 2;
    while (size < entries) {
        size *= 2;
    }
    std::vector<GifColorType> colours(static_cast<size_t>(size), GifColorType{0, 0, 0});
    for (int i = 0; i < entries; ++i) {
        colours[static_cast<size_t>(i)] = {palette.rgb[3 * i], palette.rgb[3 * i + 1], palette.rgb[3 * i + 2]};
    }
    return GifMakeMapObject(size, colours.data());
}

bool addGifFrame(const Frame &frame)
{
    if (!screenPut && !putScreen()) {
        return false;
    }
    // Each frame its own colours: a surface lit from another side, or a
    // later step of a series, holds colours the first frame did not.
    const auto palette = std::make_unique<GifPalette>(
        makeGifPalette(frame.rgb.data(), static_cast<size_t>(frame.width) * frame.height));
    // GIF rows go top-down, the frame's bottom-up.
    auto row = [&](int y) { return frame.rgb.data() + static_cast<size_t>(frame.height - 1 - y) * frame.width * 3; };
    GraphicsControlBlock timing = {DISPOSE_DO_NOT, false, frameDelay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&timing, extension);
    ColorMapObject *map = colourMapOf(*palette);
    bool ok = map && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, map) == GIF_OK;
    GifFreeMapObject(map);
    std::vector<GifByteType> indices(static_cast<size_t>(frame.width));
    for (int y = 0; ok && y < frame.height; ++y) {
        mapGifRow(*palette, row(y), frame.width, y, indices.data());
        ok = EGifPutLine(gif, indices.data(), frame.width) == GIF_OK;
    }
    return ok;
}

bool endGif()
{
    int error = 0;
    bool ok = screenPut || putScreen();  // no frame: still a whole file
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    gif = nullptr;
    screenPut = false;
    return ok;
}

const char *gifFailure()
{
    return writeError ? std::strerror(writeError) : "out of memory";
}
