#include "image_common.h"

#include "base/failure.h"
#include "samples.h"

#include <cstdio>
#include <unistd.h>

void imageFail(const std::string &name, const std::string &message)
{
    throw Failure(displayName(name) + ": " + message);
}

// MemAvailable (free memory and caches the kernel can drop), else all of
// the physical memory.
static double availableBytes()
{
    double bytes = double(sysconf(_SC_PHYS_PAGES)) * double(sysconf(_SC_PAGESIZE));
    if (FILE *info = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        double kib;
        while (std::fgets(line, sizeof line, info)) {
            if (std::sscanf(line, "MemAvailable: %lf kB", &kib) == 1) {
                bytes = kib * 1024;
            }
        }
        std::fclose(info);
    }
    return bytes;
}

long pixelCount(const std::string &name, long width, long height)
{
    std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0) {
        imageFail(name, "the image is " + size + " pixels: it has no samples");
    }
    double bytes = double(width) * double(height) * sizeof(double);
    if (bytes > 9e18 || bytes > availableBytes()) {
        imageFail(name, "the image is " + size + " pixels, more than this machine's "
                        "available memory can hold");
    }
    return width * height;
}
