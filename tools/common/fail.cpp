#include "common/fail.h"

#include <cstdio>
#include <cstdlib>

static void (*failCleanup)() = nullptr;
static bool throwing = false;

void onFail(void (*cleanup)()) { failCleanup = cleanup; }

void failThrows(bool on) { throwing = on; }

void fail(const char *tool, const std::string &message)
{
    if (failCleanup) {
        failCleanup();
    }
    if (throwing) {
        throw Failure{std::string(tool) + ": " + message};
    }
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}
