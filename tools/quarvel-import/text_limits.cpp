// The checks on text bytes as they arrive (see text_limits.h).  A lone CR
// ends a line as LF does, so old Mac text is not one long line.
#include "text_limits.h"

#include "base/failure.h"
#include "samples.h"

#include <cstring>

[[noreturn]] static void failAtByte(const TextLimits &limits, unsigned long long at, const std::string &what)
{
    throw Failure(displayName(limits.name) + ": byte " + std::to_string(at) + ": " + what);
}

static void checkLine(const TextLimits &limits, unsigned long long end)
{
    if (end - limits.lineStart > maxTextLine) {
        failAtByte(limits, limits.lineStart,
                   "the line starting here is longer than 16 MiB, the limit for a line of text");
    }
}

void checkTextBytes(TextLimits &limits, const char *bytes, size_t size)
{
    if (const void *nul = std::memchr(bytes, '\0', size)) {
        failAtByte(limits, limits.offset + (static_cast<const char *>(nul) - bytes),
                   "a NUL byte, which text never holds (is this a binary file?)");
    }
    for (size_t k = 0; k < size; ++k) {
        if (bytes[k] == '\n' || bytes[k] == '\r') {
            checkLine(limits, limits.offset + k);
            limits.lineStart = limits.offset + k + 1;
        }
    }
    limits.offset += size;
    checkLine(limits, limits.offset);
}
