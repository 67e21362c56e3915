// The names and the quoting that every message of quarvel-import uses.
#include "samples.h"

#include "common/quote.h"

const char *const toolName = "quarvel-import";

std::string displayName(const std::string &path)
{
    return path == "-" ? "standard input" : printable(path);
}
