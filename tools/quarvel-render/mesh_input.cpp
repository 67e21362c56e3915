#include "quarvel-render/mesh_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "app/fatal.h"
#include "common/fail.h"
#include "common/quote.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

static FILE *openMesh(const char *tool, const std::string &path)
{
    if (path == "-") {
        return stdin;
    }
    FILE *file = std::fopen(path.c_str(), "r");
    struct stat info;
    if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        file = nullptr;
    }
    if (!file) {
        fail(tool, "cannot open " + printable(path) + ": " + std::strerror(errno));
    }
    return file;
}

// The viewer's reader prints its message for bad data on stderr, as the
// viewer's own (no program name, not always a line end), and ends the
// process through endProcess().  While it reads, stderr is a stream that
// keeps that text, and the end hook says it again as this tool's line.
static const char *readerTool;
static std::string readerFile;
static FILE *realStderr;
static std::string said;

// The reader writes each progress update, which starts with a carriage
// return, in one piece: those go on to the terminal as they come.
static ssize_t keepText(void *, const char *bytes, size_t size)
{
    if (size > 0 && bytes[0] == '\r') {
        std::fwrite(bytes, 1, size, realStderr);
    } else {
        said.append(bytes, size);
    }
    return static_cast<ssize_t>(size);
}

static void restoreStderr()
{
    std::fclose(stderr);
    stderr = realStderr;
    setEndProcessHook(nullptr);
}

[[noreturn]] static void reportBadData(int)
{
    restoreStderr();
    while (!said.empty() && said.back() == '\n') {
        said.pop_back();
    }
    fail(readerTool, readerFile + ": " + printable(said));
}

Mesh *readMeshFile(const char *tool, const std::string &path)
{
    FILE *stream = openMesh(tool, path);
    FILE *keeper = fopencookie(nullptr, "w", {nullptr, keepText, nullptr, nullptr});
    if (!keeper) {
        fail(tool, "cannot read " + printable(path) + ": out of memory");
    }
    std::setvbuf(keeper, nullptr, _IONBF, 0);
    readerTool = tool;
    readerFile = path == "-" ? "standard input" : printable(path);
    realStderr = stderr;
    stderr = keeper;
    setEndProcessHook(reportBadData);
    Mesh *mesh = readMesh(stream, &prepareWhileReading);
    restoreStderr();
    std::fputs(said.c_str(), stderr);  // empty: the reader says nothing on success
    finishPreparing(*mesh);
    return mesh;
}
