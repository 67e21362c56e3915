// What the three image readers share: how they report a bad file, and the
// check that an image's size is one this machine can hold.
#pragma once

#include <cstddef>
#include <string>

// Throws a Failure "NAME: MESSAGE", with "-" shown as "standard input".
[[noreturn]] void imageFail(const std::string &name, const std::string &message);

// width * height, after refusing sizes that are not positive, overflow, or
// need more memory (8 bytes a sample) than the machine has available now.
long pixelCount(const std::string &name, long width, long height);

// Zlib expands at most about 1032 times: a PNG header that claims more
// image data than that from the whole file lies.
inline bool pngMayHold(size_t fileSize, long height, size_t rowBytes)
{
    return double(height) * double(rowBytes + 1) <= 1040.0 * double(fileSize) + 1024;
}
