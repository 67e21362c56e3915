#include "quarvel-render/frame_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/failure.h"
#include "common/output.h"
#include "common/quote.h"
#include "quarvel-render/image_files.h"

static std::string directory;
static int frameCount;
static int framesWritten;
static bool madeHere;  // removed again if the run fails

static std::string inDirectory(const std::string &name)
{
    return directory + (directory.back() == '/' ? "" : "/") + name;
}

// Numbered so that the names sort in frame order.
static std::string framePath(int index)
{
    const size_t digits = std::max<size_t>(4, std::to_string(frameCount - 1).size());
    std::string number = std::to_string(index);
    number.insert(0, digits - number.size(), '0');
    return inDirectory("frame-" + number + ".png");
}

void abandonFrames()
{
    if (madeHere) {
        for (int i = 0; i < framesWritten; ++i) {
            unlink(framePath(i).c_str());
        }
        rmdir(directory.c_str());
        madeHere = false;
    }
}

void beginFrames(const std::string &dir, int frames)
{
    directory = dir;
    frameCount = frames;
    framesWritten = 0;
    madeHere = mkdir(dir.c_str(), 0777) == 0;
    if (!madeHere && errno != EEXIST) {
        throw Failure("cannot make directory " + printable(dir) + ": " + std::strerror(errno));
    }
}

void writeFrame(int index, const Frame &frame)
{
    const std::string path = framePath(index);
    Output out = openOutput(path, false);
    writePng(path.c_str(), out.stream, frame);
    commitOutput(out);
    framesWritten = index + 1;
}

// True for a name this tool gives frame n, with n >= frames.
static bool isFrameBeyond(const char *name, int frames)
{
    if (std::strncmp(name, "frame-", 6) != 0) {
        return false;
    }
    const char *digits = name + 6;
    const char *end = digits;
    while (*end >= '0' && *end <= '9') {
        ++end;
    }
    if (end - digits < 4 || std::strcmp(end, ".png") != 0) {
        return false;
    }
    while (*digits == '0' && end - digits > 1) {
        ++digits;
    }
    return end - digits > 9 || std::stol(std::string(digits, end)) >= frames;
}

void endFrames()
{
    madeHere = false;  // complete now: kept whatever happens
    DIR *dir = opendir(directory.c_str());
    if (!dir) {
        throw Failure("cannot read directory " + printable(directory) + ": " + std::strerror(errno));
    }
    while (const dirent *entry = readdir(dir)) {
        const std::string path = inDirectory(entry->d_name);
        struct stat info;
        if (isFrameBeyond(entry->d_name, frameCount) && lstat(path.c_str(), &info) == 0 &&
            !S_ISDIR(info.st_mode)) {
            if (unlink(path.c_str()) != 0 && errno != ENOENT) {
                throw Failure("cannot remove the old frame " + printable(path) + ": " + std::strerror(errno));
            }
        }
    }
    closedir(dir);
}
