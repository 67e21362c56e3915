// Where a tool's data goes: standard output, or a file that appears only
// when it is complete.
//
// A named output is written under a temporary name in the same directory
// and renamed over the real name by commitOutput, after every byte, the
// sync and the close have succeeded; on any failure the temporary file is
// removed, so a failed run never leaves a truncated or half-old file
// behind.  This is the viewer's own safe save (base/safe_save.h): a
// device, a FIFO or another owner's file is written in place instead.  SIGINT,
// SIGTERM and SIGHUP (unless ignored) remove it too before ending the run.
// A write past a file size limit fails with a message only where the
// tool's main() ignores SIGXFSZ, as every tool does.
// Several outputs may be open at once; a failure removes all of them.
#pragma once

#include <cstdio>
#include <string>

struct Output {
    std::string path;       // "-" for standard output
    std::string target;     // the file replaced (a symlink's target)
    std::string temporary;  // the file being written; empty when writing in place
    FILE *stream = nullptr;
};

// Opens path ("-": standard output; an empty name is no file).  With refuseTerminal set, a
// standard output that is a terminal is refused (mesh text or image bytes
// on a terminal help nobody).  Ends the program with one line on failure.
Output openOutput(const char *tool, const std::string &path, bool refuseTerminal);

// Flushes the stream and syncs a temporary file, so that a full disk shows
// before any of several outputs is committed.  Ends the program with one
// line (and removes the temporary files) if that fails.
void syncOutput(const char *tool, Output &out);

// Flushes and closes the stream, checking both, then renames the temporary
// file into place.  Ends the program with one line (and removes the
// temporary file) if anything failed.
void commitOutput(const char *tool, Output &out);

// Removes the temporary file of an output that will not be completed.
void abandonOutput(Output &out);
