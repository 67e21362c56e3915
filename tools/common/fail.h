// One clear line and exit status 1: how every tool reports a failure.
#pragma once

#include <string>

// Prints "TOOL: MESSAGE" on standard error, runs the clean-ups registered
// with onFail (removing a half-written output) and exits with status 1.
[[noreturn]] void fail(const char *tool, const std::string &message);

// A clean-up for fail() to run first.  The newest runs first, so one added
// for a directory before its files were opened runs after theirs.
void onFail(void (*cleanup)());

// Tests and fuzz targets: the hook gets the whole line instead, after the
// clean-up, and must not return (it throws).  nullptr: print and exit.
void setFailHook(void (*hook)(const std::string &line));
