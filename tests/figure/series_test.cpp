// A series' names: natural order and frame labels.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "quarvel-render/series_names.h"

TEST(Series, NaturalOrder)
{
    const struct {
        const char *a, *b;
    } before[] = {
        {"step-2.npy", "step-10.npy"},   // numbers by value
        {"a10b2", "a10b10"},             // each run of digits on its own
        {"a9b99", "a10b1"},
        {"step-02", "step-2"},           // equal values: byte order, so no tie
        {"step-2", "step-003"},
        {"abc", "abd"},                  // no digits: byte order
        {"ab", "abc"},
        {"x", "x1"},
        {"run/9.npy", "run/10.npy"},
        {"0000000000000000000009", "10"},  // longer than any integer type
    };
    for (const auto &c : before) {
        EXPECT_TRUE(naturalLess(c.a, c.b)) << c.a << " < " << c.b;
        EXPECT_FALSE(naturalLess(c.b, c.a)) << c.b << " < " << c.a;
    }
    EXPECT_FALSE(naturalLess("a7", "a7"));
    std::vector<std::string> names = {"s-10", "s-1", "s-02", "s-2", "s-9"};
    sortNaturally(names);
    EXPECT_EQ(names, (std::vector<std::string>{"s-1", "s-02", "s-2", "s-9", "s-10"}));
}

TEST(Series, FrameLabels)
{
    const struct {
        const char *format, *path, *label;
    } cases[] = {
        {"{index} {n} of {count}", "a.npy", "4 5 of 12"},
        {"t = {stem}", "/runs/a/step-010.npy", "t = step-010"},
        {"{name}", "/runs/a/step-010.npy", "step-010.npy"},
        {"{stem}", "noext", "noext"},
        {"{stem}", "dir.d/.hidden", ".hidden"},
        {"{name}", "-", "standard input"},
        {"{name}", "bad\nname", "'bad\\nname'"},  // one line, as messages show it
        {"no placeholder }", "a", "no placeholder }"},
    };
    for (const auto &c : cases) {
        checkFrameLabel(c.format);
        EXPECT_EQ(frameLabel(c.format, 4, 12, c.path), c.label) << c.format;
    }
    for (const char *bad : {"{N}", "{n", "{}", "x{index}{nme}"}) {
        EXPECT_THROW(checkFrameLabel(bad), Failure) << bad;
    }
}
