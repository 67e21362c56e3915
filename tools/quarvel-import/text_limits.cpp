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

static const char *firstLineEnd(const char *bytes, size_t size)
{
    const void *lf = std::memchr(bytes, '\n', size);
    const void *cr = std::memchr(bytes, '\r', lf ? static_cast<size_t>(static_cast<const char *>(lf) - bytes) : size);
    return static_cast<const char *>(cr ? cr : lf);
}

static const char *lastLineEnd(const char *bytes, size_t size)
{
    const char *lf = static_cast<const char *>(memrchr(bytes, '\n', size));
    const size_t after = lf ? static_cast<size_t>(lf - bytes) + 1 : 0;
    const char *cr = static_cast<const char *>(memrchr(bytes + after, '\r', size - after));
    return cr ? cr : lf;
}

void checkTextBytes(TextLimits &limits, const char *bytes, size_t size)
{
    if (const void *nul = std::memchr(bytes, '\0', size)) {
        failAtByte(limits, limits.offset + (static_cast<const char *>(nul) - bytes),
                   "a NUL byte, which text never holds (is this a binary file?)");
    }
    if (size > maxTextLine) {  // a line within the block may be too long
        for (size_t k = 0; k < size; ++k) {
            if (bytes[k] == '\n' || bytes[k] == '\r') {
                checkLine(limits, limits.offset + k);
                limits.lineStart = limits.offset + k + 1;
            }
        }
    } else if (const char *first = firstLineEnd(bytes, size)) {
        // Only the line begun before the block can be too long: those
        // within it are shorter than the block.
        checkLine(limits, limits.offset + static_cast<size_t>(first - bytes));
        limits.lineStart = limits.offset + static_cast<size_t>(lastLineEnd(bytes, size) - bytes) + 1;
    }
    limits.offset += size;
    checkLine(limits, limits.offset);
}
