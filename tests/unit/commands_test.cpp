// Commands on a settings record: codes that are not commands change
// nothing, and the two that need the caller say so.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "ui/commands.h"

// Bit for bit, padding left out.
static bool same(const ViewState &a, const ViewState &b)
{
    return std::memcmp(&a, &b, offsetof(ViewState, reverseSurface) + sizeof(int)) == 0;
}

TEST(Commands, OnlyCommandsChangeTheSettings)
{
    const ViewState odd = {7.3, -0.4, 9.1, 0.3, 123.5f, 0.3f, 0.2f, 3.3f, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    for (int code = 0; code < 256; ++code) {
        if (code && std::strchr("*/+-;zZud12Cacfswgr", code)) continue;
        ViewState v = odd;
        CommandAction want = code == 'B'   ? CommandAction::SaveImage
                             : code == 'q' ? CommandAction::Quit
                                           : CommandAction::None;
        EXPECT_EQ(applyCommand(v, nullptr, code), want) << code;
        EXPECT_TRUE(same(v, odd)) << code;
    }
}
