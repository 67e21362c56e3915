// What only a program's front end does.  One clear line and exit status
// 1: how every tool's front end ends a run.
// Shared code does not end the process: it throws a Failure
// (base/failure.h) with the message, which main() hands to fail().
#pragma once

#include <string>

// Prints "TOOL: MESSAGE" on standard error and exits with status 1.
[[noreturn]] void fail(const char *tool, const std::string &message);

// For main(): SIGINT, SIGTERM and SIGHUP, where not ignored, remove the
// temporary files of unfinished outputs before they end the run.
void removeOutputOnSignals();

// Fewer page faults: the renderer's Mesa touches tens of MB of fresh memory
// for one frame, quarvel-gen as much for its grid, and on virtual machines
// every 4 KiB fault is dear.
// Makes the heap grow in one large step backed by transparent huge pages
// (where the system allows them on request), unless QUARVEL_HUGE_PAGES is
// 0.  Sets up the whole process's allocator: call first thing in main.
void preferHugePages();
