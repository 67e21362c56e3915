#include "quarvel-render/gif_out.h"

#include <gif_lib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "quarvel-render/gif_palette.h"

static GifFileType *gif = nullptr;
static int gifWidth, gifHeight, frameDelay;
static std::unique_ptr<GifPalette> palette;  // made from the first frame
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
    palette.reset();
    EGifSetGifVersion(gif, true);
    return true;
}

// The screen, with the palette as its global colour map (padded to a power
// of two, as GIF requires), and the loop.
static bool putScreen()
{
    const int entries = static_cast<int>(palette->rgb.size() / 3);
    int size = 2;
    while (size < entries) {
        size *= 2;
    }
    std::vector<GifColorType> colours(static_cast<size_t>(size), GifColorType{0, 0, 0});
    for (int i = 0; i < entries; ++i) {
        colours[static_cast<size_t>(i)] = {palette->rgb[3 * i], palette->rgb[3 * i + 1], palette->rgb[3 * i + 2]};
    }
    ColorMapObject *map = GifMakeMapObject(size, colours.data());
    const bool ok = map && EGifPutScreenDesc(gif, gifWidth, gifHeight, 8, 0, map) == GIF_OK && putLoopForever();
    GifFreeMapObject(map);
    return ok;
}

bool addGifFrame(const Frame &frame)
{
    // GIF rows go top-down, the frame's bottom-up.
    auto row = [&](int y) { return frame.rgb.data() + static_cast<size_t>(frame.height - 1 - y) * frame.width * 3; };
    if (!palette) {
        // The first frame's colours for the whole animation: a figure's
        // colour bar holds every colour of the map at full light.
        palette = std::make_unique<GifPalette>(makeGifPalette(frame.rgb.data(), static_cast<size_t>(frame.width) * frame.height));
        if (!putScreen()) {
            return false;
        }
    }
    GraphicsControlBlock timing = {DISPOSE_DO_NOT, false, frameDelay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&timing, extension);
    bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) == GIF_OK;
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
    bool ok = true;
    if (!palette) {  // no frame: still a whole file
        const unsigned char black[3] = {0, 0, 0};
        palette = std::make_unique<GifPalette>(makeGifPalette(black, 1));
        ok = putScreen();
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    gif = nullptr;
    palette.reset();
    return ok;
}

const char *gifFailure()
{
    return writeError ? std::strerror(writeError) : "out of memory";
}
