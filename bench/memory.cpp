#include "memory.h"

#include <cstdio>
#include <cstring>

static long statusField(const char *name)
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status) {
        return -1;
    }
    char line[256];
    long value = -1;
    size_t length = std::strlen(name);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
            std::sscanf(line + length + 1, "%ld", &value);
            break;
        }
    }
    std::fclose(status);
    return value;
}

long residentKiB() { return statusField("VmRSS"); }
long peakResidentKiB() { return statusField("VmHWM"); }
