// Load progress: nothing unless standard error is a terminal and a second
// has passed; a line only when the percentage changes; erased exactly once.
#include <gtest/gtest.h>

#include <string>

#include "mesh/load_progress.h"

namespace {

std::string text(const char *s) { return s ? s : "(none)"; }

TEST(LoadProgress, ShowsOnlyOnATerminalAfterTheDelay)
{
    struct Step {
        long long done;
        double now;
        const char *expected;
    };
    // Start at time 10 with 2000 points to read.
    const Step steps[] = {
        {100, 10.2, "(none)"},          // too early
        {900, 10.99, "(none)"},         // still too early
        {900, 11.0, "\rreading: 45%"},  // a second has passed
        {901, 11.5, "(none)"},          // same percentage: nothing new
        {1000, 11.6, "\rreading: 50%"},
        {2000, 12.0, "\rreading: 100%"},
    };
    LoadProgress progress = newLoadProgress(true, 2000, 10.0);
    EXPECT_EQ(text(progressEraseText(progress)), "(none)");
    char buffer[32];
    for (const Step &step : steps) {
        EXPECT_EQ(text(progressUpdateText(progress, step.done, step.now, buffer, sizeof buffer)),
                  step.expected)
            << "done " << step.done << " at " << step.now;
    }
    // The blanks cover the widest line, "reading: 100%".
    EXPECT_EQ(text(progressEraseText(progress)), "\r" + std::string(13, ' ') + "\r");
    EXPECT_EQ(text(progressEraseText(progress)), "(none)");
    // Shown again after an erase, even at the same percentage.
    EXPECT_EQ(text(progressUpdateText(progress, 2000, 13.0, buffer, sizeof buffer)),
              "\rreading: 100%");
}

TEST(LoadProgress, SilentWhenNotATerminal)
{
    LoadProgress progress = newLoadProgress(false, 2000, 0.0);
    char buffer[32];
    for (double now : {0.5, 2.0, 100.0}) {
        EXPECT_EQ(progressUpdateText(progress, 1000, now, buffer, sizeof buffer), nullptr);
    }
    EXPECT_EQ(progressEraseText(progress), nullptr);
}

}  // namespace
