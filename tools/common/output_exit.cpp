// The outputs for quarvel-render, whose code still ends the program at the
// first failure: through fail(), with no unwinding, so a temporary file
// still open then is removed as the program ends.
#include "common/output.h"

#include "base/failure.h"
#include "common/fail.h"

#include <cstdlib>

static void watch(const Output &out)
{
    static bool watching = false;
    if (!out.temporary.empty() && !watching) {
        watching = true;
        removeOutputOnSignals();
        std::atexit(removePendingOutput);
    }
}

Output openOutput(const char *tool, const std::string &path, bool refuseTerminal)
{
    try {
        Output out = openOutput(path, refuseTerminal);
        watch(out);
        return out;
    } catch (const Failure &failure) {
        fail(tool, failure.what());
    }
}

void commitOutput(const char *tool, Output &out)
{
    try {
        commitOutput(out);
    } catch (const Failure &failure) {
        fail(tool, failure.what());
    }
}
