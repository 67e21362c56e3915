#include "common/output.h"

#include "common/fail.h"
#include "common/quote.h"
#include "base/safe_save.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <vector>

// Outputs opened and not yet committed: fail() removes their temporary
// files if the run ends early.
static std::vector<Output> pending;

static void removePending()
{
    std::vector<Output> outputs;
    outputs.swap(pending);
    for (Output &out : outputs) {
        abandonOutput(out);
    }
}

// The temporary files' names where a signal handler may read them, so
// that Ctrl-C or a kill during a long write leaves no hidden file behind.
// A slot is emptied when its file is done and reused, never freed: the
// handler may walk the list at any moment.
struct SignalledName {
    char path[4096];
    SignalledName *next;
};
static SignalledName *signalled = nullptr;

static void removeAndDie(int signal)
{
    for (SignalledName *name = signalled; name; name = name->next) {
        if (name->path[0]) {
            unlink(name->path);
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

static void watchSignals(const std::string &temporary)
{
    if (temporary.size() >= sizeof signalled->path) {
        return;  // too long to keep: left behind on a signal, as without this
    }
    SignalledName *slot = signalled;
    while (slot && slot->path[0]) {
        slot = slot->next;
    }
    if (!slot) {
        slot = new SignalledName();
        slot->next = signalled;
        std::atomic_signal_fence(std::memory_order_release);
        signalled = slot;
    }
    // The first byte last: the handler never sees half a name.
    std::memcpy(slot->path + 1, temporary.c_str() + 1, temporary.size());
    std::atomic_signal_fence(std::memory_order_release);
    slot->path[0] = temporary[0];
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(signal, removeAndDie);  // an ignored signal stays ignored
        }
    }
}

// The output is done with (committed or abandoned): nothing more to remove.
static void forget(const Output &out)
{
    if (out.temporary.empty()) {
        return;
    }
    for (SignalledName *name = signalled; name; name = name->next) {
        if (out.temporary == name->path) {
            name->path[0] = '\0';
        }
    }
    for (size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].temporary == out.temporary) {
            pending.erase(pending.begin() + static_cast<long>(i));
            break;
        }
    }
}

Output openOutput(const char *tool, const std::string &path, bool refuseTerminal)
{
    Output out;
    out.path = path;
    if (out.path == "-") {
        if (refuseTerminal && isatty(STDOUT_FILENO)) {
            fail(tool, "not writing to a terminal: pipe the output into quarvel "
                       "(... | quarvel) or name a file with -o FILE");
        }
        out.stream = stdout;
        return out;
    }
    // The viewer's own safe save: a temporary file renamed into place, or
    // in place where a rename would replace more than the content (a
    // device, a FIFO, another owner's file); a symlink keeps pointing to
    // its target, and a replaced file keeps its mode.
    SafeSave save = beginSafeSave(out.path.c_str());
    if (!save.stream) {
        fail(tool, "cannot write " + printable(out.path) + ": " + std::strerror(errno ? errno : EACCES));
    }
    out.stream = save.stream;
    out.target = save.target;
    out.temporary = save.temporary;
    if (out.temporary.empty()) {
        return out;
    }
    static bool registered = false;
    if (!registered) {
        registered = true;
        onFail(removePending);
    }
    pending.push_back(out);
    watchSignals(out.temporary);
    return out;
}

void syncOutput(const char *tool, Output &out)
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
        fail(tool, "error writing " + name + ": " + std::strerror(e));
    }
}

void commitOutput(const char *tool, Output &out)
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
        SafeSave save;
        save.stream = out.stream;
        save.target = out.target;
        save.temporary = out.temporary;
        e = finishSafeSave(&save);  // removes the temporary file on failure
    }
    forget(out);
    out.stream = nullptr;
    out.temporary.clear();
    if (e != 0) {
        const std::string name = out.path == "-" ? "standard output" : printable(out.path);
        fail(tool, "error writing " + name + ": " + std::strerror(e));
    }
}

void abandonOutput(Output &out)
{
    if (out.stream && out.stream != stdout) {
        std::fclose(out.stream);
    }
    out.stream = nullptr;
    if (!out.temporary.empty()) {
        forget(out);
        unlink(out.temporary.c_str());
        out.temporary.clear();
    }
}
