#include "mesh/load_progress.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>

LoadProgress newLoadProgress(bool terminal, long long total, double startTime)
{
    return {terminal, total, startTime, -1};
}

const char *progressUpdateText(LoadProgress &progress, long long done, double now, char *text,
                               size_t size)
{
    if (!progress.terminal || progress.total <= 0 || now - progress.startTime < progressDelay) {
        return nullptr;
    }
    int percent = static_cast<int>(100.0 * static_cast<double>(done) /
                                   static_cast<double>(progress.total));
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    if (percent == progress.shownPercent) {
        return nullptr;
    }
    progress.shownPercent = percent;
    std::snprintf(text, size, "\rreading: %d%%", percent);
    return text;
}

const char *progressEraseText(LoadProgress &progress)
{
    if (progress.shownPercent < 0) {
        return nullptr;
    }
    progress.shownPercent = -1;
    // As wide as the longest line shown, "reading: 100%".
    return "\r             \r";
}

static double monotonicSeconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

static LoadProgress readerProgress = {false, 0, 0.0, -1};

void beginLoadProgress(long long totalPoints)
{
    bool terminal = isatty(STDERR_FILENO) == 1;
    readerProgress = newLoadProgress(terminal, totalPoints, terminal ? monotonicSeconds() : 0.0);
}

void noteLoadProgress(long long donePoints)
{
    if (!readerProgress.terminal) {
        return;
    }
    char text[32];
    if (const char *update = progressUpdateText(readerProgress, donePoints, monotonicSeconds(),
                                                text, sizeof text)) {
        std::fputs(update, stderr);
    }
}

void endLoadProgress()
{
    if (const char *erase = progressEraseText(readerProgress)) {
        std::fputs(erase, stderr);
    }
}
