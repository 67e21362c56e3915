#include "samples.h"

const char *const toolName = "quarvel-import";

std::string displayName(const std::string &path) { return path == "-" ? "standard input" : path; }
