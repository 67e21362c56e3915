// What every text input is held to as its bytes arrive: a NUL byte (not
// text) or a line too long to hold is refused there, so that /dev/zero or
// one endless line is never read whole into memory.
#pragma once

#include <cstddef>
#include <string>

// The longest line read, its line end not counted.
constexpr size_t maxTextLine = size_t(16) << 20;

struct TextLimits {
    std::string name;                  // for messages
    unsigned long long offset = 0;     // bytes checked so far
    unsigned long long lineStart = 0;  // where the current line starts
};

// Checks the next size bytes of the input; throws a Failure naming the byte
// offset of a NUL byte or of a line longer than maxTextLine.
void checkTextBytes(TextLimits &limits, const char *bytes, size_t size);
