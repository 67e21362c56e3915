#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/fatal.h"
#include "image/bmp_read.h"
#include "image/bmp_write.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct ProcessEnded {
    int status;
};

[[noreturn]] void throwOnEnd(int status) { throw ProcessEnded{status}; }

std::string tempPath(const std::string &name) { return testing::TempDir() + "quarvel_bmp_" + name; }

Bytes readFile(const std::string &path)
{
    Bytes bytes;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        return bytes;
    }
    for (int c; (c = std::getc(f)) != EOF;) {
        bytes.push_back(static_cast<unsigned char>(c));
    }
    std::fclose(f);
    return bytes;
}

void writeFile(const std::string &path, const Bytes &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    }
    std::fclose(f);
}

// A complete file from the writer for the given pixels.
Bytes writtenFile(const Bytes &rgb, int width, int height)
{
    std::string path = tempPath("written.bmp");
    FILE *f = std::fopen(path.c_str(), "wb");
    EXPECT_TRUE(f);
    writeBmpHeaders(f, width, height);
    writeBmpRows(f, rgb.data(), width, height);
    std::fclose(f);
    return readFile(path);
}

void putLe32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

Bytes pixels(int width, int height)
{
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<unsigned char>(i * 37 + 11);
    }
    return rgb;
}

// What readBmp did with a file: its result, sizes and message.
struct ReadResult {
    unsigned char *rgb;
    int width;
    int height;
    std::string err;
    int endStatus;  // -1 when the process was not ended
};

ReadResult readFromFile(const std::string &path)
{
    ReadResult r{nullptr, -7, -9, "", -1};
    setEndProcessHook(throwOnEnd);
    testing::internal::CaptureStderr();
    try {
        r.rgb = readBmp(path.c_str(), &r.width, &r.height);
    } catch (const ProcessEnded &e) {
        r.endStatus = e.status;
    }
    r.err = testing::internal::GetCapturedStderr();
    setEndProcessHook(nullptr);
    return r;
}

ReadResult readFromBytes(const Bytes &bytes)
{
    std::string path = tempPath("input.bmp");
    writeFile(path, bytes);
    return readFromFile(path);
}

}  // namespace

// The writer's layout, byte by byte, and the reader giving back the very
// pixels, for every padding (widths 1 to 5).
TEST(Bmp, WriteThenReadRoundTrips)
{
    for (int width = 1; width <= 5; ++width) {
        for (int height : {1, 2, 7}) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
            const Bytes rgb = pixels(width, height);
            const Bytes file = writtenFile(rgb, width, height);
            const size_t stride = 3 * width + width % 4;
            ASSERT_EQ(file.size(), 54 + height * stride);
            EXPECT_EQ(bmpFileSize(width, height), file.size());

            Bytes header(file.begin(), file.begin() + 54);
            Bytes want = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
            want.resize(54, 0);
            putLe32(want, 2, static_cast<uint32_t>(file.size()));
            putLe32(want, 18, width);
            putLe32(want, 22, height);
            want[26] = 1;
            want[28] = 24;
            EXPECT_EQ(header, want);

            for (int row = 0; row < height; ++row) {
                for (int col = 0; col < width; ++col) {
                    size_t at = 54 + row * stride + col * 3;
                    size_t src = (static_cast<size_t>(row) * width + col) * 3;
                    ASSERT_EQ(file[at], rgb[src + 2]);  // blue first
                    ASSERT_EQ(file[at + 1], rgb[src + 1]);
                    ASSERT_EQ(file[at + 2], rgb[src]);
                }
                for (size_t pad = 3 * width; pad < stride; ++pad) {
                    ASSERT_EQ(file[54 + row * stride + pad], 0);
                }
            }

            ReadResult r = readFromBytes(file);
            ASSERT_TRUE(r.rgb);
            EXPECT_EQ(r.width, width);
            EXPECT_EQ(r.height, height);
            EXPECT_EQ(Bytes(r.rgb, r.rgb + rgb.size()), rgb);
            EXPECT_EQ(r.err, "");
            std::free(r.rgb);
        }
    }
}

TEST(Bmp, LittleEndianIntegers)
{
    std::string path = tempPath("le.bin");
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    writeLe16(0xA1B2, f);
    writeLe32(0xC1D2E3F4u, f);
    std::fclose(f);
    EXPECT_EQ(readFile(path), (Bytes{0xB2, 0xA1, 0xF4, 0xE3, 0xD2, 0xC1}));

    f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    EXPECT_EQ(readLe16(f), 0xA1B2);
    EXPECT_EQ(readLe32(f), 0xC1D2E3F4u);
    EXPECT_EQ(readLe32(f), 0xFFFFFFFFu);  // past the end
    std::fclose(f);
}

// Files that end the process, and files the reader turns down with null.
TEST(Bmp, ReaderRefusesBadFiles)
{
    const Bytes good = writtenFile(pixels(2, 2), 2, 2);
    auto patched = [&](size_t at, std::initializer_list<unsigned char> bytes) {
        Bytes b = good;
        for (unsigned char c : bytes) {
            b[at++] = c;
        }
        return b;
    };
    auto withSize = [&](int32_t width, int32_t height) {
        Bytes b = good;
        putLe32(b, 18, static_cast<uint32_t>(width));
        putLe32(b, 22, static_cast<uint32_t>(height));
        return b;
    };
    const std::string tooBig = "unsupported image size";
    struct Case {
        const char *what;
        Bytes file;
        std::string err;  // the message, or its start when it ends in a size
        int endStatus;
    } cases[] = {
        {"first byte", patched(0, {'b'}), "Not BMP-file\n", 1},
        {"second byte", patched(1, {'X'}), "Not BMP-file\n", 1},
        {"empty file", {}, "Not BMP-file\n", 1},
        {"8 bits per pixel", patched(28, {8}), "not 24-bit color\n", -1},
        {"32 bits per pixel", patched(28, {32}), "not 24-bit color\n", -1},
        {"only BM", {'B', 'M'}, "not 24-bit color\n", -1},
        {"zero width", withSize(0, 2), tooBig, -1},
        {"zero height", withSize(2, 0), tooBig, -1},
        {"negative width", withSize(-2, 2), tooBig, -1},
        {"top-down rows", withSize(2, -2), tooBig, -1},
        {"over INT_MAX bytes", withSize(65536, 16384), tooBig, -1},
        {"byte count overflowing 32 bits", withSize(0x7FFFFFFF, 0x7FFFFFFF), tooBig, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = readFromBytes(c.file);
        EXPECT_EQ(r.rgb, nullptr);
        EXPECT_EQ(r.endStatus, c.endStatus);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
        if (c.err == tooBig) {
            EXPECT_EQ(r.err.back(), '\n');
        } else {
            EXPECT_EQ(r.err, c.err);
        }
        EXPECT_EQ(r.width, -7);  // untouched
        EXPECT_EQ(r.height, -9);
    }

    std::string missing = tempPath("no/such.bmp");
    ReadResult r = readFromFile(missing);
    EXPECT_EQ(r.endStatus, 1);
    EXPECT_EQ(r.err, "connot open " + missing + "\n");
}

// Only the colour depth is checked: a short pixel array reads as 0xFF, and
// the pixels always start at byte 54.
TEST(Bmp, ReaderToleratesOddLayouts)
{
    const Bytes rgb = pixels(3, 2);
    const Bytes good = writtenFile(rgb, 3, 2);

    for (size_t cut : {54u, 55u, 57u, 66u, 67u, 71u}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        ReadResult r = readFromBytes(Bytes(good.begin(), good.begin() + cut));
        ASSERT_TRUE(r.rgb);
        EXPECT_EQ(r.err, "");
        // File byte k (past the header) holds buffer byte want[k]; bytes
        // beyond the cut are 0xFF.
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 3; ++col) {
                for (int k = 0; k < 3; ++k) {
                    size_t fileAt = 54 + row * 12 + col * 3 + (2 - k);
                    size_t at = (row * 3 + col) * 3 + k;
                    EXPECT_EQ(r.rgb[at], fileAt < cut ? rgb[at] : 0xFF) << at;
                }
            }
        }
        std::free(r.rgb);
    }

    Bytes odd = good;
    putLe32(odd, 10, 122);  // pixel offset
    putLe32(odd, 14, 108);  // information header size
    odd[26] = 9;            // planes
    putLe32(odd, 30, 3);    // compression
    ReadResult r = readFromBytes(odd);
    ASSERT_TRUE(r.rgb);
    EXPECT_EQ(Bytes(r.rgb, r.rgb + rgb.size()), rgb);
    std::free(r.rgb);
}
