#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>

#include "app/fatal.h"
#include "image/bmp_read.h"
#include "image/bmp_write.h"

using Bytes = std::string;

static Bytes fileBytes(const std::string &path)
{
    std::ostringstream text;
    return (text << std::ifstream(path, std::ios::binary).rdbuf()).good() ? text.str() : "";
}

// readBmp with the size preset to -7 x -9; status -1 when the process was not ended.
struct Read {
    unsigned char *rgb = nullptr;
    int width = -7, height = -9, status = -1;
    std::string err;
    explicit Read(const std::string &path)
    {
        setEndProcessHook([](int s) { throw s; });
        testing::internal::CaptureStderr();
        try { rgb = readBmp(path.c_str(), &width, &height); } catch (int s) { status = s; }
        err = testing::internal::GetCapturedStderr();
        setEndProcessHook(nullptr);
    }
    ~Read() { std::free(rgb); }
};

static Bytes le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// Every padding (widths 1 to 5): exact headers, rows padded with zeros, and the reader
// giving back the very pixels, blue-green-red in the file, from byte 54 whatever the offset
// and header size say, with the bytes past the end of a short file read as 0xFF.
TEST(Bmp, WriteThenReadRoundTrips)
{
    const std::string tmp = testing::TempDir() + "quarvel_bmp_test.bmp";
    for (int w = 1; w <= 5; ++w) {
        for (int h = 1; h <= 3; ++h) {
            Bytes rgb(w * h * 3, 0);
            std::iota(rgb.begin(), rgb.end(), char(1));  // no zero byte
            FILE *f = std::fopen(tmp.c_str(), "wb");
            writeBmpHeaders(f, w, h);
            writeBmpRows(f, reinterpret_cast<const unsigned char *>(rgb.data()), w, h);
            std::fclose(f);
            const Bytes file = fileBytes(tmp);
            const size_t stride = 3 * w + w % 4;
            ASSERT_EQ(file.size(), 54 + h * stride);
            EXPECT_EQ(bmpFileSize(w, h), file.size());
            EXPECT_EQ(file.substr(0, 54), "BM" + le32(file.size()) + le32(0) + le32(54) +
                      le32(40) + le32(w) + le32(h) + Bytes("\1\0\30\0", 4) + Bytes(24, 0));
            for (int r = 0; r < h; ++r)
                EXPECT_EQ(file.substr(54 + r * stride + 3 * w, w % 4), Bytes(w % 4, 0));
            const Bytes odd = Bytes(file).replace(10, 8, le32(122) + le32(108));
            for (size_t cut = 54; cut <= file.size(); ++cut) {
                std::ofstream(tmp, std::ios::binary) << odd.substr(0, cut);
                Read r(tmp);
                ASSERT_TRUE(r.rgb);
                EXPECT_EQ(r.err + std::to_string(r.width) + "x" + std::to_string(r.height),
                          std::to_string(w) + "x" + std::to_string(h));
                for (size_t at = 0; at < rgb.size(); ++at) {
                    size_t k = 54 + at / (3 * w) * stride + at % (3 * w) / 3 * 3 + 2 - at % 3;
                    ASSERT_EQ(r.rgb[at], k < cut ? rgb[at] : 0xFF) << w << "x" << h << " " << cut;
                }
            }
        }
    }
    const std::string missing = testing::TempDir() + "no/such.bmp";
    Read r(missing);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "connot open " + missing + "\n");
}

// Each NAME.bmp has NAME.expect with the exact message: "Not BMP-file" ends the process
// with status 1, another means null with the size untouched, none an image.
TEST(Bmp, MalformedCorpus)
{
    const std::string dir = std::string(QUARVEL_TEST_DATA) + "/malformed/bmp/";
    int files = 0;
    DIR *d = opendir(dir.c_str());
    for (dirent *e; d && (e = readdir(d));) {
        std::string name = e->d_name;
        if (name.size() < 5 || name.substr(name.size() - 4) != ".bmp") continue;
        ++files;
        Read r(dir + name);
        const Bytes want = fileBytes(dir + name.substr(0, name.size() - 4) + ".expect");
        EXPECT_EQ(r.err, want) << name;
        if (want.empty()) {
            EXPECT_TRUE(r.rgb && r.width > 0 && r.height > 0) << name;
        } else {
            EXPECT_EQ(r.status, want == "Not BMP-file\n" ? 1 : -1) << name;
            EXPECT_TRUE(!r.rgb && r.width == -7 && r.height == -9) << name;
        }
    }
    if (d) closedir(d);
    EXPECT_GE(files, 20);
}
