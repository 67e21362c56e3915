// The memory check against what the allocations really take, and the
// container limits it finds.
#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "mesh/memory_check.h"
#include "mesh/reader.h"

namespace {

uint64_t heapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;  // chunks in use, mapped blocks
}

// What the reader's allocations for a grid take, measured by the allocator:
// narrow grids pay a header and rounding per row, wide ones whole pages.
TEST(MemoryCheck, CountsWhatTheReaderAllocates)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer has an allocator of its own";
#endif
    mallopt(M_MMAP_THRESHOLD, 128 << 10);  // the default, which freeing may have raised
    for (auto [rows, cols] : {std::pair{20000, 1}, {10000, 2}, {3000, 5}, {150, 150}, {3, 6000}}) {
        std::string text = std::to_string(rows) + " * " + std::to_string(cols) + "\n";
        for (int k = 0; k < rows * cols; ++k) text += "1 2 3\n";
        FILE *stream = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), stream);
        std::rewind(stream);
        resetMeshReader();
        const uint64_t before = heapInUse();
        Mesh *mesh = readMesh(stream);
        const int64_t taken = static_cast<int64_t>(heapInUse() - before);
        // Beside the grid: the Mesh record, less the stream's buffers freed by the reader.
        // A large block comes from the heap, a page less, while the heap has room.
        const int64_t counted = static_cast<int64_t>(gridBytes(rows, cols));
        const int large = 2 * ((rows * 8 >= 128 << 10) + rows * (cols * 24 >= 128 << 10));
        EXPECT_LE(taken, counted + 1024) << rows << " * " << cols;
        EXPECT_GE(taken, counted - 8192 - 4096 * large) << rows << " * " << cols;
        freeMesh(mesh);
    }
}

TEST(MemoryCheck, HugeHeadersAreNeverCountedSmall)
{
    EXPECT_EQ(gridBytes(360000000, 1), 2 * (allocationBytes(8 * 360000000ull) + 360000000ull * 32));
    EXPECT_EQ(gridBytes(2147483647, 2147483647), UINT64_MAX);
    EXPECT_FALSE(gridFitsInMemory(2147483647, 2147483647));
}

// Fake /proc files and cgroup trees: the smallest limit on the way up from
// the process's groups counts, in v1 and v2 alike.
TEST(MemoryCheck, ContainerLimits)
{
    char dirTemplate[] = "/tmp/quarvel-cgroup-XXXXXX";
    const std::string root = mkdtemp(dirTemplate);
    auto write = [&](const std::string &path, const std::string &text) {
        std::string dir = (root + path).substr(0, (root + path).rfind('/'));
        std::system(("mkdir -p " + dir).c_str());
        std::ofstream(root + path) << text;
    };
    write("/v2/memory.max", "max\n");  // the mount point: in a container, the own group
    write("/v2/box/memory.max", "3000000\n");
    write("/v2/box/job/memory.max", "max\n");
    write("/v1/memory.limit_in_bytes", "9223372036854771712\n");
    write("/v1/box/memory.limit_in_bytes", "4000000\n");
    const std::string v2 = "30 20 0:26 / " + root + "/v2 rw - cgroup2 cgroup2 rw\n";
    const std::string v1 = "31 20 0:27 / " + root + "/v1 rw - cgroup cgroup rw,memory\n";
    const std::string cpu = "32 20 0:28 / " + root + "/v1 rw - cgroup cgroup rw,cpu\n";
    struct Case { std::string mounts, groups; uint64_t limit; };
    const Case cases[] = {
        {v2, "0::/box/job\n", 3000000},
        {v2, "0::/elsewhere\n", UINT64_MAX},
        {v1 + v2, "4:memory:/box\n0::/box/job\n", 3000000},
        {v1, "4:cpu,memory:/box\n", 4000000},
        {cpu, "4:cpu:/box\n", UINT64_MAX},
        {"", "", UINT64_MAX},
    };
    for (const Case &c : cases) {
        write("/mountinfo", c.mounts);
        write("/cgroup", c.groups);
        const std::string mountInfo = root + "/mountinfo", groups = root + "/cgroup";
        EXPECT_EQ(cgroupMemoryLimit(mountInfo.c_str(), groups.c_str()), c.limit)
            << c.mounts << c.groups;
    }
    std::system(("rm -rf " + root).c_str());
}

}  // namespace
