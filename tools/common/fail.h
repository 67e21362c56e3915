// One clear line and exit status 1: how every tool reports a failure.
#pragma once

#include <string>

// Prints "TOOL: MESSAGE" on standard error, runs the clean-up registered
// with onFail (removing a half-written output) and exits with status 1.
[[noreturn]] void fail(const char *tool, const std::string &message);

// A clean-up for fail() to run first; one at a time, the last one wins.
void onFail(void (*cleanup)());

// Tests and fuzz targets call failThrows(true): fail() then throws a Failure
// holding the line it would print, so they can check it and carry on.  Code
// that calls fail() frees what it holds through destructors, so a thrown
// failure leaks nothing.
struct Failure {
    std::string line;  // "TOOL: MESSAGE"
};
void failThrows(bool on);
