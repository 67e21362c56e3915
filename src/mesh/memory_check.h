// Whether a grid fits in the memory the viewer may use, decided from the
// header alone, before anything is allocated.
#pragma once

#include <cstdint>

// Bytes that one malloc(requested) takes from the system with glibc's
// allocator: its header and rounding, or whole pages for a block large
// enough to be mapped on its own.
uint64_t allocationBytes(uint64_t requested);

// Bytes the reader's allocations for a rows x cols grid take: two arrays of
// row pointers and 2 x rows row arrays.  UINT64_MAX when beyond counting.
uint64_t gridBytes(long long rows, long long cols);

// The smallest memory limit of the control groups the process is in
// (cgroup v2 memory.max, v1 memory.limit_in_bytes, the groups above it
// included), found through the given mountinfo and cgroup files of /proc;
// UINT64_MAX when there is none.
uint64_t cgroupMemoryLimit(const char *mountInfoFile, const char *cgroupFile);

// True when bytes fit in the memory available now (free memory and caches
// the system can drop), and within a container's limit.
bool fitsInMemory(uint64_t bytes);

// True when the reader's allocations for the grid fit in memory.
bool gridFitsInMemory(long long rows, long long cols);
