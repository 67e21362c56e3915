// The load progress line: only on a terminal, only after progressDelay
// seconds, each percentage once as it rises, erased to the width of the
// longest line.  The clock is a parameter, so no test waits for it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mesh/load_progress.h"

namespace {

struct Update {
    long long done;
    double now;           // seconds after the start
    const char *text;  // nullptr: nothing to write
};

std::string shown(const char *text) { return text ? text : "(nothing)"; }

} // namespace

TEST(LoadProgress, ShowsEachRisingPercentOnceAfterTheDelay)
{
    const double start = 50.0;
    const struct {
        bool terminal;
        long long total;
        std::vector<Update> updates;
    } cases[] = {
        {true, 1000, {{100, 0.5, nullptr}, {150, progressDelay - 1e-9, nullptr},
                      {200, progressDelay, "\rreading: 20%"}, {209, 1.5, nullptr},
                      {210, 1.6, "\rreading: 21%"}, {999, 2.0, "\rreading: 99%"},
                      {1000, 2.0, "\rreading: 100%"}, {1000, 3.0, nullptr}}},
        {true, 3, {{1, 9.0, "\rreading: 33%"}, {2, 9.0, "\rreading: 66%"}}},
        {true, 10, {{25, 9.0, "\rreading: 100%"}}},  // more than announced
        {false, 1000, {{100, 9.0, nullptr}, {1000, 9.0, nullptr}}},
        {true, 0, {{0, 9.0, nullptr}}},
    };
    for (const auto &c : cases) {
        LoadProgress progress = newLoadProgress(c.terminal, c.total, start);
        bool any = false;
        for (const Update &u : c.updates) {
            SCOPED_TRACE(testing::Message() << "terminal " << c.terminal << ", " << u.done << " of "
                                            << c.total << " after " << u.now << " s");
            char text[32];
            const char *update = progressUpdateText(progress, u.done, start + u.now, text, sizeof text);
            EXPECT_EQ(shown(update), shown(u.text));
            any = any || update;
        }
        // Erased once, as wide as "reading: 100%", and only when shown.
        EXPECT_EQ(shown(progressEraseText(progress)), shown(any ? "\r             \r" : nullptr));
        EXPECT_EQ(progressEraseText(progress), nullptr);
    }
}
