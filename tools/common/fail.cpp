#include "common/fail.h"

#include <cstdio>
#include <cstdlib>

void fail(const char *tool, const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
    std::exit(1);
}
