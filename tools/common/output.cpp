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

static Output *pending = nullptr;  // removed by fail() if the run ends early

static void removePending()
{
    if (pending) {
        abandonOutput(*pending);
    }
}

// The temporary file's name where a signal handler may read it, so that
// Ctrl-C or a kill during a long write leaves no hidden file behind.
static char signalled[4096];

static void removeAndDie(int signal)
{
    if (signalled[0]) {
        unlink(signalled);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

static void watchSignals(const std::string &temporary)
{
    if (temporary.size() >= sizeof signalled) {
        return;  // too long to keep: left behind on a signal, as without this
    }
    std::memcpy(signalled, temporary.c_str(), temporary.size() + 1);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(signal, removeAndDie);  // an ignored signal stays ignored
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
    static Output kept;
    kept = out;
    pending = &kept;
    watchSignals(out.temporary);
    return out;
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
    out.stream = nullptr;
    out.temporary.clear();
    pending = nullptr;
    signalled[0] = '\0';
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
        signalled[0] = '\0';
        unlink(out.temporary.c_str());
        out.temporary.clear();
    }
    pending = nullptr;
}
