#include "common/output.h"

#include "common/fail.h"

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
    // Past a file size limit a write should fail (and be reported, and the
    // temporary file removed), not end the process with the file left.
    std::signal(SIGXFSZ, SIG_IGN);
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
    out.path = path.empty() ? "-" : path;
    if (out.path == "-") {
        if (refuseTerminal && isatty(STDOUT_FILENO)) {
            fail(tool, "not writing to a terminal: pipe the output into quarvel "
                       "(... | quarvel) or name a file with -o FILE");
        }
        out.stream = stdout;
        return out;
    }
    std::string dir = ".";
    std::string::size_type slash = out.path.rfind('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : out.path.substr(0, slash);
    }
    std::string base = out.path.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string pattern = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        fail(tool, "cannot write " + out.path + ": " + std::strerror(errno));
    }
    // mkstemp makes the file private; give it the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    out.temporary = pattern;
    out.stream = fdopen(fd, "wb");
    if (!out.stream) {
        int e = errno;
        close(fd);
        unlink(out.temporary.c_str());
        fail(tool, "cannot write " + out.path + ": " + std::strerror(e));
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
    const std::string name = out.path == "-" ? "standard output" : out.path;
    int e = 0;
    if (std::fflush(out.stream) != 0 || std::ferror(out.stream)) {
        e = errno ? errno : EIO;
    }
    if (out.stream != stdout || out.temporary.empty()) {
        if (std::fclose(out.stream) != 0 && e == 0) {
            e = errno ? errno : EIO;
        }
    }
    out.stream = nullptr;
    if (e == 0 && !out.temporary.empty() && std::rename(out.temporary.c_str(), out.path.c_str()) != 0) {
        e = errno;
    }
    if (e != 0) {
        abandonOutput(out);
        fail(tool, "error writing " + name + ": " + std::strerror(e));
    }
    out.temporary.clear();
    pending = nullptr;
    signalled[0] = '\0';
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
