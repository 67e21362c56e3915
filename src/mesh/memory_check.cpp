#include "mesh/memory_check.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "mesh/mesh.h"

// glibc: chunks carry an 8-byte size field and are multiples of 16 bytes,
// at least 32; from 128 KiB on (the default mmap threshold) a block is
// mapped by itself, with 16 bytes of header, in whole pages.
uint64_t allocationBytes(uint64_t requested)
{
    const uint64_t chunk = std::max<uint64_t>(32, (requested + 8 + 15) & ~uint64_t{15});
    if (requested < (128u << 10)) {
        return chunk;
    }
    const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return (chunk + 8 + page - 1) / page * page;
}

static uint64_t timesOrMax(uint64_t a, uint64_t b)
{
    uint64_t product;
    return __builtin_mul_overflow(a, b, &product) ? UINT64_MAX : product;
}

uint64_t gridBytes(long long rows, long long cols)
{
    const uint64_t pointerArray = allocationBytes(timesOrMax(sizeof(Vec3 *), rows));
    const uint64_t rowArrays = timesOrMax(rows, allocationBytes(timesOrMax(sizeof(Vec3), cols)));
    const uint64_t half = pointerArray + rowArrays;
    return half < rowArrays ? UINT64_MAX : timesOrMax(2, half);  // points and normals
}

// A limit file holds a byte count, or "max" for none.
static uint64_t limitIn(const std::string &file)
{
    unsigned long long bytes;
    FILE *stream = std::fopen(file.c_str(), "r");
    bool found = stream && std::fscanf(stream, "%llu", &bytes) == 1;
    if (stream) {
        std::fclose(stream);
    }
    return found ? bytes : UINT64_MAX;
}

// A group's limit holds for every group below it: the smallest on the way
// from the process's group up to the mount point counts.  In a container
// the group's path may not exist under the mount; its own group is then
// the mount point itself, which the walk reaches last.
static uint64_t limitOnPath(const std::string &mountPoint, std::string group, const char *file)
{
    uint64_t limit = UINT64_MAX;
    for (;;) {
        limit = std::min(limit, limitIn(mountPoint + group + "/" + file));
        size_t slash = group.rfind('/');
        if (slash == std::string::npos) {
            return limit;
        }
        group.erase(slash);
    }
}

// The process's v2 group and v1 memory group, from lines "0::PATH" and
// "N:memory,...:PATH"; empty (none) or "" for the root, without the "/".
static void readGroups(const char *cgroupFile, std::string *v2, std::string *v1, bool *hasV2,
                       bool *hasV1)
{
    std::ifstream in(cgroupFile);
    std::string line;
    while (std::getline(in, line)) {
        size_t first = line.find(':');
        size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) {
            continue;
        }
        std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        std::string path = line.substr(second + 1);
        if (path == "/") {
            path.clear();
        }
        if (line.compare(0, second + 1, "0::") == 0) {
            *v2 = path, *hasV2 = true;
        } else if (controllers.find(",memory,") != std::string::npos) {
            *v1 = path, *hasV1 = true;
        }
    }
}

uint64_t cgroupMemoryLimit(const char *mountInfoFile, const char *cgroupFile)
{
    std::string v2, v1;
    bool hasV2 = false, hasV1 = false;
    readGroups(cgroupFile, &v2, &v1, &hasV2, &hasV1);

    // mountinfo: "ID PARENT DEV ROOT MOUNTPOINT OPTIONS ... - TYPE SOURCE SUPEROPTIONS".
    uint64_t limit = UINT64_MAX;
    std::ifstream in(mountInfoFile);
    std::string line;
    while (std::getline(in, line)) {
        size_t dash = line.find(" - ");
        if (dash == std::string::npos) {
            continue;
        }
        std::istringstream head(line.substr(0, dash)), tail(line.substr(dash + 3));
        std::string skip, mountPoint, type, source, options;
        head >> skip >> skip >> skip >> skip >> mountPoint;
        tail >> type >> source >> options;
        if (type == "cgroup2" && hasV2) {
            limit = std::min(limit, limitOnPath(mountPoint, v2, "memory.max"));
        } else if (type == "cgroup" && hasV1 &&
                   ("," + options + ",").find(",memory,") != std::string::npos) {
            limit = std::min(limit, limitOnPath(mountPoint, v1, "memory.limit_in_bytes"));
        }
    }
    return limit;
}

// What the system says is available now, else all of its physical memory.
static uint64_t availableMemory()
{
    unsigned long long kib = 0;
    if (FILE *info = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, info)) {
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
                break;
            }
        }
        std::fclose(info);
    }
    if (kib > 0) {
        return timesOrMax(kib, 1024);
    }
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return UINT64_MAX;
    }
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

bool fitsInMemory(uint64_t bytes)
{
    const uint64_t usable =
        std::min(availableMemory(), cgroupMemoryLimit("/proc/self/mountinfo", "/proc/self/cgroup"));
    return bytes <= usable;
}

bool gridFitsInMemory(long long rows, long long cols) { return fitsInMemory(gridBytes(rows, cols)); }
