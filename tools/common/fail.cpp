#include "common/fail.h"

#include <cstdio>
#include <cstdlib>

static void (*failCleanup)() = nullptr;
static void (*failHook)(const std::string &line) = nullptr;

void setFailHook(void (*hook)(const std::string &line)) { failHook = hook; }

void onFail(void (*cleanup)()) { failCleanup = cleanup; }

void fail(const char *tool, const std::string &message)
{
    if (failCleanup) {
        failCleanup();
    }
    if (failHook) {
        failHook(std::string(tool) + ": " + message);
    }
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}
