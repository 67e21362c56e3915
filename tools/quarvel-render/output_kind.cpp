#include "quarvel-render/output_kind.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

#include "base/failure.h"
#include "common/quote.h"

static bool endsWith(const std::string &path, const char *extension)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string ext = extension;
    return lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0;
}

OutputKind outputKind(const std::string &path, bool turntable, bool figure)
{
    struct stat info;
    const bool directory = (!path.empty() && path.back() == '/') ||
                           (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    OutputKind kind;
    if (directory) {
        kind = OutputKind::Frames;
    } else if (endsWith(path, ".bmp")) {
        kind = OutputKind::Bmp;
    } else if (endsWith(path, ".png")) {
        kind = OutputKind::Png;
    } else if (endsWith(path, ".pdf")) {
        kind = OutputKind::Pdf;
    } else if (endsWith(path, ".svg")) {
        kind = OutputKind::Svg;
    } else if (endsWith(path, ".gif")) {
        kind = OutputKind::Gif;
    } else if (endsWith(path, ".mp4")) {
        kind = OutputKind::Mp4;
    } else {
        throw Failure("cannot tell what to write to " + printable(path) +
                       ": name a .bmp or .png file (a figure also .pdf or .svg), or for a turntable a .gif, .mp4 or directory");
    }
    const bool page = kind == OutputKind::Pdf || kind == OutputKind::Svg;
    const bool still = kind == OutputKind::Bmp || kind == OutputKind::Png || page;
    if (turntable && still) {
        throw Failure("a turntable goes to a .gif, an .mp4 or a directory, not " + printable(path));
    }
    if (!turntable && !still) {
        throw Failure(printable(path) + " needs --turntable N: a still picture is a .bmp or .png");
    }
    if (page && !figure) {
        throw Failure("cannot write the viewer's picture to " + printable(path) +
                      ": it is pixels only, a .bmp or .png; --figure draws a figure for a .pdf or .svg");
    }
    return kind;
}
