// The one way out of the process after a fatal error.
//
// Every path that ends the run because of bad input (command line, mesh
// data, BMP files) goes through endProcess().  Normally that is exit();
// tests and fuzz targets install a hook that unwinds instead, so the
// error paths can be exercised in-process.
#pragma once

using EndProcessHook = void (*)(int status);

// Ends the process with the given status, or calls the installed hook,
// which must not return (it throws or jumps away).
[[noreturn]] void endProcess(int status);

// Installs a hook for endProcess(); nullptr restores plain exit().
void setEndProcessHook(EndProcessHook hook);
