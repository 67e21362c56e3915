#include "quarvel-render/video_out.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/failure.h"

extern char **environ;

static pid_t ffmpeg = -1;
static FILE *pipeToFfmpeg = nullptr;

void beginVideo(const std::string &path, int width, int height, int fps)
{
    int fds[2];
    if (pipe(fds) != 0) {
        throw Failure(std::string("cannot start ffmpeg: ") + std::strerror(errno));
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(fps);
    // Frames arrive bottom-up; H.264 in yuv420p wants even sizes.
    // "file:" keeps a colon in the name from being read as a protocol.
    const std::string target = "file:" + path;
    const char *args[] = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                          "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", size.c_str(),
                          "-r", rate.c_str(), "-i", "pipe:0",
                          "-vf", "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p",
                          "-f", "mp4", target.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    int error = posix_spawnp(&ffmpeg, "ffmpeg", &actions, nullptr, const_cast<char **>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (error != 0) {
        close(fds[1]);
        throw Failure(error == ENOENT ? std::string("cannot make an MP4: ffmpeg is not installed (Debian: apt-get install ffmpeg)")
                                   : std::string("cannot start ffmpeg: ") + std::strerror(error));
    }
    pipeToFfmpeg = fdopen(fds[1], "wb");
}

bool addVideoFrame(const Frame &frame)
{
    return pipeToFfmpeg && std::fwrite(frame.rgb.data(), 1, frame.rgb.size(), pipeToFfmpeg) == frame.rgb.size();
}

bool endVideo()
{
    bool ok = pipeToFfmpeg && std::fclose(pipeToFfmpeg) == 0;
    pipeToFfmpeg = nullptr;
    int status = 0;
    while (waitpid(ffmpeg, &status, 0) < 0 && errno == EINTR) {
    }
    return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void abandonVideo()
{
    if (!pipeToFfmpeg) {
        return;
    }
    std::fclose(pipeToFfmpeg);
    pipeToFfmpeg = nullptr;
    kill(ffmpeg, SIGKILL);
    while (waitpid(ffmpeg, nullptr, 0) < 0 && errno == EINTR) {
    }
}
