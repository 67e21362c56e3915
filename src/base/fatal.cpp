#include "base/fatal.h"

#include <cstdio>
#include <cstdlib>

static EndProcessHook endHook = nullptr;

void setEndProcessHook(EndProcessHook hook) { endHook = hook; }

void endProcess(int status)
{
    if (endHook) {
        endHook(status);
    }
    // Messages written with fputs may lack a line end; exit() flushes them.
    std::exit(status);
}
