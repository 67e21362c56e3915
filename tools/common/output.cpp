#include "common/output.h"

#include "base/failure.h"
#include "common/quote.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unistd.h>

// The temporary files being written, where a signal handler may read
// them, so that Ctrl-C or a kill during a long write leaves no hidden file
// behind.  A name is written with its first byte last, so the handler
// never sees half of one.
static char pending[8][4096];

static void remember(const std::string &temporary)
{
    for (char *slot : pending) {
        if (!slot[0] && temporary.size() < sizeof pending[0]) {  // else left behind on a signal
            std::memcpy(slot + 1, temporary.c_str() + 1, temporary.size());
            std::atomic_signal_fence(std::memory_order_release);
            slot[0] = temporary[0];
            return;
        }
    }
}

static void forget(const std::string &temporary)
{
    for (char *slot : pending) {
        if (slot[0] && temporary == slot) {
            slot[0] = '\0';
        }
    }
}

void removeUnfinishedOutputs()
{
    for (char *slot : pending) {
        if (slot[0]) {
            unlink(slot);
        }
    }
}

Output::Output(Output &&other) noexcept : SafeSave(std::move(other)), path(std::move(other.path))
{
    other.stream = nullptr;
    other.temporary.clear();
}

Output &Output::operator=(Output &&other) noexcept
{
    if (this != &other) {
        abandonOutput(*this);
        static_cast<SafeSave &>(*this) = std::move(other);
        path = std::move(other.path);
        other.stream = nullptr;
        other.temporary.clear();
    }
    return *this;
}

Output::~Output() { abandonOutput(*this); }

Output openOutput(const std::string &path, bool refuseTerminal)
{
    Output out;
    out.path = path;
    if (out.path == "-") {
        if (refuseTerminal && isatty(STDOUT_FILENO)) {
            throw Failure("not writing to a terminal: pipe the output into quarvel "
                          "(... | quarvel) or name a file with -o FILE");
        }
        out.stream = stdout;
        return out;
    }
    // The viewer's own safe save: a temporary file renamed into place, or
    // in place where a rename would replace more than the content (a
    // device, a FIFO, another owner's file); a symlink keeps pointing to
    // its target, and a replaced file keeps its mode.
    static_cast<SafeSave &>(out) = beginSafeSave(out.path.c_str());
    if (!out.stream) {
        const int e = errno ? errno : EACCES;
        throw Failure("cannot write " + printable(out.path) + ": " + std::strerror(e));
    }
    remember(out.temporary);
    return out;
}

void syncOutput(Output &out)
{
    errno = 0;
    int e = 0;
    if (std::fflush(out.stream) != 0 || std::ferror(out.stream)) {
        e = errno ? errno : EIO;
    } else if (!out.temporary.empty() && fsync(fileno(out.stream)) != 0) {
        e = errno;
    }
    if (e != 0) {
        const std::string name = out.path == "-" ? "standard output" : printable(out.path);
        throw Failure("error writing " + name + ": " + std::strerror(e));
    }
}

void commitOutput(Output &out)
{
    int e = 0;
    if (out.stream == stdout) {
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            e = errno ? errno : EIO;
        }
        if (std::fclose(stdout) != 0 && e == 0) {
            e = errno ? errno : EIO;
        }
    } else {
        e = finishSafeSave(&out);  // removes the temporary file on failure
    }
    out.stream = nullptr;
    forget(out.temporary);
    out.temporary.clear();
    if (e != 0) {
        const std::string name = out.path == "-" ? "standard output" : printable(out.path);
        throw Failure("error writing " + name + ": " + std::strerror(e));
    }
}

void abandonOutput(Output &out)
{
    if (out.stream && out.stream != stdout) {
        std::fclose(out.stream);
    }
    out.stream = nullptr;
    if (!out.temporary.empty()) {
        forget(out.temporary);
        unlink(out.temporary.c_str());
        out.temporary.clear();
    }
}

std::string writtenToMemory(const std::function<void(FILE *)> &write)
{
    char *buffer = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&buffer, &size);
    if (!stream) {
        throw std::bad_alloc();
    }
    struct Close {
        FILE *stream;
        char *&buffer;
        ~Close()
        {
            if (stream) {
                std::fclose(stream);
            }
            std::free(buffer);
        }
    } closing{stream, buffer};
    write(stream);
    const bool failed = std::ferror(stream) != 0;
    const bool closed = std::fclose(stream) == 0;
    closing.stream = nullptr;
    if (failed || !closed) {
        throw std::bad_alloc();
    }
    return std::string(buffer, size);
}
