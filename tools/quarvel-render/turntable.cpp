#include "quarvel-render/turntable.h"

#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <unistd.h>

#include "base/failure.h"
#include "common/quote.h"
#include "common/mesh_text.h"
#include "common/output.h"
#include "quarvel-render/frame_dir.h"
#include "quarvel-render/gif_out.h"
#include "quarvel-render/output_kind.h"
#include "quarvel-render/video_out.h"
#include "ui/view_motion.h"

int arrowStepsPerTurn(double angleStep)
{
    if (!(angleStep > 0.0)) {
        return 0;
    }
    double steps = 2.0 * M_PI / angleStep;
    if (steps > 1e6 || std::fabs(steps - std::round(steps)) > 1e-6) {
        return 0;
    }
    return static_cast<int>(std::round(steps));
}

int nearestFrameCount(int wanted, int stepsPerTurn)
{
    int best = 1;
    for (int n = 1; n <= stepsPerTurn; ++n) {
        if (stepsPerTurn % n == 0 && std::abs(n - wanted) <= std::abs(best - wanted)) {
            best = n;
        }
    }
    return best;
}

static int frameCount(const char *tool, const ViewState &view, int wanted)
{
    const double degrees = view.angleStep * 180.0 / M_PI;
    const int steps = arrowStepsPerTurn(view.angleStep);
    if (steps == 0) {
        throw Failure("an arrow step of " + formatNumber(degrees) +
                       " degrees does not divide a full turn: change it with * or /");
    }
    const int frames = nearestFrameCount(wanted, steps);
    if (frames != wanted) {
        std::fprintf(stderr, "%s: %d frames do not divide a turn of %d arrow steps; making %d\n", tool,
                     wanted, steps, frames);
    }
    return frames;
}

static void showProgress(const char *tool, int done, int frames)
{
    static const bool terminal = isatty(STDERR_FILENO);
    if (terminal) {
        std::fprintf(stderr, "\r%s: frame %d of %d", tool, done, frames);
        if (done == frames) {
            std::fputc('\n', stderr);
        }
    }
}

// Adds frame i to the animation being written.
static bool writeOne(OutputKind kind, int i, const Frame &frame)
{
    if (kind == OutputKind::Gif) {
        return addGifFrame(frame);
    }
    if (kind == OutputKind::Mp4) {
        return addVideoFrame(frame);
    }
    writeFrame(i, frame);
    return true;
}

// A thread of its own that writes the frames handed to it, one at a time
// and in order, while the next is drawn; one thread for the whole
// animation, so what encoding allocates comes from one heap, not a new
// one for each frame's thread.
struct FrameWriter {
    OutputKind kind = OutputKind::Gif;
    std::mutex lock;
    std::condition_variable changed;
    Frame *frame = nullptr;  // handed over, not yet written
    int index = 0;
    bool ok = true, closing = false;
    std::exception_ptr failure;  // the first a frame's writing threw
    std::thread thread;
};

static void writeHandedFrames(FrameWriter &w)
{
    std::unique_lock<std::mutex> hold(w.lock);
    while (true) {
        w.changed.wait(hold, [&w] { return w.frame || w.closing; });
        if (!w.frame) {
            return;
        }
        Frame &frame = *w.frame;
        const int index = w.index;
        hold.unlock();
        bool ok = false;
        std::exception_ptr failure;
        try {
            if (frame.finish) {
                std::exchange(frame.finish, nullptr)(frame);
            }
            ok = writeOne(w.kind, index, frame);
        } catch (...) {
            failure = std::current_exception();
        }
        hold.lock();
        w.ok = w.ok && ok;
        if (failure && !w.failure) {
            w.failure = failure;
        }
        w.frame = nullptr;
        w.changed.notify_all();
    }
}

// Waits until the frame handed over is written: whether all went well, or
// what its writing threw.
static bool writtenSoFar(FrameWriter &w)
{
    std::unique_lock<std::mutex> hold(w.lock);
    w.changed.wait(hold, [&w] { return !w.frame; });
    if (w.failure) {
        std::rethrow_exception(std::exchange(w.failure, nullptr));
    }
    return w.ok;
}

static void handOver(FrameWriter &w, int index, Frame &frame)
{
    std::lock_guard<std::mutex> hold(w.lock);
    w.frame = &frame;
    w.index = index;
    w.changed.notify_all();
}

// Lets the frame being written finish and ends the thread.
static void stopWriter(FrameWriter &w)
{
    {
        std::lock_guard<std::mutex> hold(w.lock);
        w.closing = true;
        w.changed.notify_all();
    }
    if (w.thread.joinable()) {
        w.thread.join();
    }
}

static void writeFrames(const char *tool, const std::string &path, const RenderOptions &options, int frames,
                        const std::function<void(int, Frame &)> &draw)
{
    const OutputKind kind = outputKind(path, true);
    Output out;
    if (kind == OutputKind::Frames) {
        beginFrames(path, frames);
    } else {
        out = openOutput(path, false);
    }
    bool ok = true;
    if (kind == OutputKind::Gif) {
        ok = beginGif(out.stream, options.width, options.height,
                      static_cast<int>(std::lround(100.0 / options.framesPerSecond)));
    } else if (kind == OutputKind::Mp4) {
        beginVideo(out.temporary.empty() ? out.path : out.temporary, options.width, options.height, options.framesPerSecond);
    }
    // Frame i is written while frame i + 1 is drawn, in the other buffer.
    Frame drawn[2];
    FrameWriter writer;
    writer.kind = kind;
    writer.thread = std::thread(writeHandedFrames, std::ref(writer));
    try {
        for (int i = 0; ok && i < frames; ++i) {
            Frame &frame = drawn[i % 2];
            draw(i, frame);
            ok = writtenSoFar(writer);
            if (ok) {
                handOver(writer, i, frame);
            }
            showProgress(tool, i + 1, frames);
        }
        ok = writtenSoFar(writer) && ok;
        stopWriter(writer);
    } catch (...) {
        stopWriter(writer);  // its own failure, if any, goes with this one
        if (kind == OutputKind::Gif) {
            endGif();  // frees giflib's state; the file goes with out
        }
        abandonVideo();  // before out's temporary file goes: ffmpeg would write it again
        throw;
    }
    if (kind == OutputKind::Gif) {
        ok = endGif() && ok;
    } else if (kind == OutputKind::Mp4) {
        ok = endVideo() && ok;
    }
    if (!ok) {
        throw Failure("error writing " + printable(path) +
                       (kind == OutputKind::Mp4 ? std::string(" (ffmpeg failed)") : ": " + std::string(gifFailure())));
    }
    if (kind == OutputKind::Frames) {
        endFrames();
    } else {
        commitOutput(out);
    }
}

void writeTurntable(const char *tool, const std::string &path, const RenderOptions &options, int frames,
                    const std::function<void(int, Frame &)> &draw)
{
    try {
        writeFrames(tool, path, options, frames, draw);
    } catch (...) {
        abandonFrames();  // a file's own output is abandoned as it unwinds
        throw;
    }
}

void makeTurntable(const char *tool, const std::string &path, const RenderOptions &options, Offscreen &offscreen,
                   const Mesh &mesh, ViewState view, bool smoothBefore)
{
    outputKind(path, true);
    const int frames = frameCount(tool, view, options.turntableFrames);
    const int stepsPerFrame = arrowStepsPerTurn(view.angleStep) / frames;
    writeTurntable(tool, path, options, frames, [&](int i, Frame &frame) {
        for (int step = 0; i > 0 && step < stepsPerFrame; ++step) {
            turnCamera(view, arrowKeyRight);
        }
        drawViewerFrame(offscreen, mesh, view, smoothBefore, frame);
    });
}
