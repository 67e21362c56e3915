#include "base/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

// Permissions for the new file: those of the file it replaces, else what
// creating it anew would give.
static mode_t newFileMode(bool exists, const struct stat &old)
{
    if (exists) {
        return old.st_mode & 07777;
    }
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The file a rename must replace: a symlink is followed, so the link stays
// and its target gets the new content, as with a write in place.  Empty
// when that target cannot be found.
static std::string replacedFile(const char *fileName)
{
    struct stat link;
    if (lstat(fileName, &link) != 0 || !S_ISLNK(link.st_mode)) {
        return fileName;
    }
    char resolved[PATH_MAX];
    return realpath(fileName, resolved) ? resolved : "";
}

// A new, empty temporary file beside target, open for writing.
static FILE *openTemporary(const std::string &target, bool exists, const struct stat &old,
                           std::string *path)
{
    const size_t nameStart = target.rfind('/') + 1;  // 0 without a directory
    std::string name =
        target.substr(0, nameStart) + "." + target.substr(nameStart) + ".XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0) {
        return nullptr;
    }
    FILE *stream = fchmod(fd, newFileMode(exists, old)) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!stream) {
        close(fd);
        unlink(name.c_str());
        return nullptr;
    }
    *path = name;
    return stream;
}

SafeSave beginSafeSave(const char *fileName)
{
    SafeSave save;
    struct stat old {};
    const bool exists = stat(fileName, &old) == 0;
    // Only a regular file of the user's own, with no other name, is
    // replaced: a rename would take another owner's file from them (a
    // sticky directory refuses it anyway) or split hard links.  Anything
    // else is written, or refused, exactly as before.
    const bool replaceable = S_ISREG(old.st_mode) && old.st_uid == geteuid() &&
                             old.st_nlink == 1 && access(fileName, W_OK) == 0;
    if (!exists || replaceable) {
        save.target = replacedFile(fileName);
        if (!save.target.empty()) {
            save.stream = openTemporary(save.target, exists, old, &save.temporary);
        }
    }
    if (!save.stream) {
        save.target = fileName;
        save.stream = std::fopen(fileName, "wb");
    }
    if (save.stream) {
        errno = 0;  // write errors are then the stream's own
    }
    return save;
}

int finishSafeSave(SafeSave *save)
{
    int error = 0;
    if (std::ferror(save->stream) || std::fflush(save->stream) != 0) {
        error = errno ? errno : EIO;
    }
    // Some file systems report a full disk only when the data goes out.
    if (!error && !save->temporary.empty() && fsync(fileno(save->stream)) != 0) {
        error = errno;
    }
    if (std::fclose(save->stream) != 0 && !error) {
        error = errno ? errno : EIO;
    }
    save->stream = nullptr;
    if (save->temporary.empty()) {
        return error;
    }
    if (!error && std::rename(save->temporary.c_str(), save->target.c_str()) != 0) {
        error = errno;
    }
    if (error) {
        unlink(save->temporary.c_str());
    }
    return error;
}
