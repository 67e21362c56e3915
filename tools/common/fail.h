// One clear line and exit status 1: how every tool's front end ends a run.
// Shared code does not end the process: it throws a Failure
// (base/failure.h) with the message, which main() hands to fail().
#pragma once

#include <string>

// Prints "TOOL: MESSAGE" on standard error and exits with status 1.
[[noreturn]] void fail(const char *tool, const std::string &message);
