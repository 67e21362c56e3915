// Writing a file so that a failed write keeps the file that was there.
//
// The new content goes to a temporary file in the same directory, which
// replaces the file by rename() only once every byte, the sync and the
// close have succeeded.  Where that cannot work (the directory refuses a
// new file, the name is a device, a directory or the like) or would change
// more than the content (another owner's file, one with hard links) the
// file is written in place, as a plain fopen(name, "wb") would.
#pragma once

#include <cstdio>
#include <string>

struct SafeSave {
    FILE *stream = nullptr;  // nullptr when nothing could be opened
    std::string target;      // the file replaced: the name, or a symlink's target
    std::string temporary;   // empty when writing in place
};

// Opens the stream to write fileName's new content into.
SafeSave beginSafeSave(const char *fileName);

// Completes the save: checks and closes the stream and moves the new file
// into place.  Returns 0, or the errno value of the first failure, in which
// case the temporary file is gone and the old file is untouched.
int finishSafeSave(SafeSave *save);
