// Progress of a long load, shown on standard error.
//
// Only when standard error is a terminal and the load has run for about a
// second: short loads, scripts and tests see no trace of it.  The line is
// erased again ("\r", blanks, "\r") before anything else is written.
#pragma once

#include <cstddef>

// Points read between two looks at the clock: keeps the check out of the
// cost of the reading loop.
constexpr long long progressCheckInterval = 16384;

// Seconds of loading before progress appears.
constexpr double progressDelay = 1.0;

struct LoadProgress {
    bool terminal;      // standard error is a terminal
    long long total;    // points to read
    double startTime;   // seconds, on a monotonic clock
    int shownPercent;   // -1 while nothing is on the screen
};

LoadProgress newLoadProgress(bool terminal, long long total, double startTime);

// The text that brings the display up to date after done points at time
// now, or nullptr when nothing needs writing.  Writes into text.
const char *progressUpdateText(LoadProgress &progress, long long done, double now, char *text,
                               size_t size);

// The text that erases a shown progress line, or nullptr when none is
// shown.  Afterwards nothing counts as shown.
const char *progressEraseText(LoadProgress &progress);

// The reader's progress on standard error, driven by the functions above.
void beginLoadProgress(long long totalPoints);
void noteLoadProgress(long long donePoints);
void endLoadProgress();
