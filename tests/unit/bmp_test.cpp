#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/fatal.h"
#include "image/bmp_read.h"
#include "image/bmp_write.h"

using Bytes = std::string;

static Bytes fileBytes(const std::string &path)  // empty when missing
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
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
    for (int size = 0; size < 15; ++size) {
        const int w = size / 3 + 1, h = size % 3 + 1;
        Bytes rgb(w * h * 3, 0);
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = char(i + 1);  // no zero byte
        FILE *f = std::fopen(tmp.c_str(), "wb");
        writeBmpHeaders(f, w, h);
        writeBmpRows(f, reinterpret_cast<const unsigned char *>(rgb.data()), w, h);
        std::fclose(f);
        const Bytes file = fileBytes(tmp);
        const size_t stride = 3 * w + w % 4;
        ASSERT_EQ(file.size(), 54 + h * stride);
        EXPECT_EQ(file.substr(0, 54), "BM" + le32(uint32_t(file.size())) + le32(0) + le32(54) + le32(40) +
                                          le32(w) + le32(h) + Bytes("\1\0\30\0", 4) + Bytes(24, 0));
        for (int r = 0; r < h; ++r)
            EXPECT_EQ(file.substr(54 + r * stride + 3 * w, w % 4), Bytes(w % 4, 0));
        const Bytes odd = Bytes(file).replace(10, 8, le32(122) + le32(108));
        for (size_t cut = 54; cut <= file.size(); ++cut) {
            std::ofstream(tmp, std::ios::binary) << odd.substr(0, cut);
            Read r(tmp);
            ASSERT_TRUE(r.rgb && r.err.empty() && r.width == w && r.height == h) << r.err << cut;
            for (size_t at = 0; at < rgb.size(); ++at) {
                size_t k = 54 + at / (3 * w) * stride + at % (3 * w) / 3 * 3 + 2 - at % 3;
                ASSERT_EQ(r.rgb[at], k < cut ? rgb[at] : 0xFF) << w << "x" << h << " " << cut;
            }
        }
    }
    const std::string missing = testing::TempDir() + "no/such.bmp";
    Read r(missing);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "connot open " + missing + "\n");
}

// A top-down file (negative height) holds the top row first; read, it gives the buffer of
// the same picture stored bottom-up, with the height positive.
TEST(Bmp, TopDownFilesReadBottomRowFirst)
{
    const std::string tmp = testing::TempDir() + "quarvel_bmp_top_down.bmp";
    for (int h = 1; h <= 4; ++h) {
        const int w = 3, stride = 12;
        Bytes rgb(w * h * 3, 0);
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = char(i + 1);
        FILE *f = std::fopen(tmp.c_str(), "wb");
        writeBmpHeaders(f, w, h);
        writeBmpRows(f, reinterpret_cast<const unsigned char *>(rgb.data()), w, h);
        std::fclose(f);
        const Bytes file = fileBytes(tmp);
        Bytes topDown = file.substr(0, 22) + le32(-h) + file.substr(26, 28);
        for (int row = h; row-- > 0;) topDown += file.substr(54 + row * stride, stride);
        std::ofstream(tmp, std::ios::binary) << topDown;
        Read r(tmp);
        ASSERT_TRUE(r.rgb && r.err.empty() && r.width == w && r.height == h) << r.err << h;
        EXPECT_EQ(Bytes(r.rgb, r.rgb + rgb.size()), rgb) << h;
    }
}

// Each NAME.bmp has NAME.expect with the exact message: "Not BMP-file" ends the process
// with status 1, another means null with the size untouched, none an image.  A missing
// directory makes the iterator throw.
TEST(Bmp, MalformedCorpus)
{
    for (auto &e : std::filesystem::directory_iterator(QUARVEL_TEST_DATA "/malformed/bmp")) {
        if (e.path().extension() != ".bmp") continue;
        Read r(e.path());
        const Bytes want = fileBytes(std::filesystem::path(e.path()).replace_extension(".expect"));
        EXPECT_EQ(r.err, want) << e.path();
        EXPECT_EQ(r.status, want == "Not BMP-file\n" ? 1 : -1) << e.path();
        EXPECT_TRUE(want.empty() ? r.rgb && r.width > 0 && r.height > 0
                                 : !r.rgb && r.width == -7 && r.height == -9) << e.path();
    }
}
