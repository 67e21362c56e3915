#include "common/fail.h"

#include <cstdio>
#include <cstdlib>

static void (*failHook)(const std::string &line) = nullptr;

void setFailHook(void (*hook)(const std::string &line)) { failHook = hook; }

void fail(const char *tool, const std::string &message)
{
    if (failHook) {
        failHook(std::string(tool) + ": " + message);
    }
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}
