#include "formats.h"
#include "common/fail.h"
Samples readNpy(const std::vector<unsigned char> &, const std::string &name)
{
    fail(toolName, displayName(name) + ": npy not yet");
}
