#include "common/fail.h"

#include <cstdio>
#include <cstdlib>

static void (*failCleanup)() = nullptr;

void onFail(void (*cleanup)()) { failCleanup = cleanup; }

void fail(const char *tool, const std::string &message)
{
    if (failCleanup) {
        failCleanup();
    }
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}
