#include "common/fail.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

static std::vector<void (*)()> failCleanups;
static void (*failHook)(const std::string &line) = nullptr;

void setFailHook(void (*hook)(const std::string &line)) { failHook = hook; }

void onFail(void (*cleanup)()) { failCleanups.push_back(cleanup); }

void fail(const char *tool, const std::string &message)
{
    for (size_t i = failCleanups.size(); i-- > 0;) {
        failCleanups[i]();
    }
    if (failHook) {
        failHook(std::string(tool) + ": " + message);
    }
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}
