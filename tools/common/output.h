// Where a tool's data goes: standard output, or a file that appears only
// when it is complete.
//
// A named output is written under a temporary name in the same directory
// and renamed over the real name by commitOutput, after every byte, the
// sync and the close have succeeded; on any failure the temporary file is
// removed, so a failed run never leaves a truncated or half-old file
// behind.  This is the viewer's own safe save (base/safe_save.h): a
// device, a FIFO or another owner's file is written in place instead.
// An Output dropped before commitOutput (an error unwinding past it)
// removes its temporary file; so do SIGINT, SIGTERM and SIGHUP once main()
// has called removeOutputOnSignals.  A write past a file size limit fails
// with a message only where the tool's main() ignores SIGXFSZ, as every
// tool does.  Several outputs may be open at once.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "base/safe_save.h"

// The stream, the file replaced (a symlink's target) and the temporary
// file (empty when writing in place) are the safe save's own.
struct Output : SafeSave {
    std::string path;  // "-" for standard output

    Output() = default;
    Output(Output &&other) noexcept;
    Output &operator=(Output &&other) noexcept;
    Output(const Output &) = delete;
    Output &operator=(const Output &) = delete;
    ~Output();  // abandonOutput unless committed
};

// Opens path ("-": standard output; an empty name is no file).  With
// refuseTerminal set, a standard output that is a terminal is refused (mesh
// text or image bytes on a terminal help nobody).  Throws Failure.
Output openOutput(const std::string &path, bool refuseTerminal);

// Flushes the stream and syncs a temporary file, so that a full disk shows
// before any of several outputs is committed.  Throws Failure.
void syncOutput(Output &out);

// Flushes and closes the stream, checking both, then renames the temporary
// file into place.  Throws Failure (the temporary file removed) if anything
// failed.
void commitOutput(Output &out);

// Closes the stream (not standard output) and removes the temporary file
// of an output that will not be completed.
void abandonOutput(Output &out);

// Removes the temporary file of every output not yet committed; safe in a
// signal handler (see removeOutputOnSignals in common/fail.h).
void removeUnfinishedOutputs();

// What write puts on a stream, as bytes in memory.  Throws std::bad_alloc
// when the memory stream cannot be made or a write to it failed.
std::string writtenToMemory(const std::function<void(FILE *)> &write);
