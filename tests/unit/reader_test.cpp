// The mesh reader on in-memory input: format rules, line pieces, line ends
// and every way the data can be refused.  Each case is read twice, from a
// real file (with a descriptor) and from a memory stream (without one).
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/fatal.h"
#include "mesh/reader.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUARVEL_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUARVEL_LSAN 1
#endif
#endif
#ifdef QUARVEL_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A refused read leaves behind what the reader had allocated: the program
// ends at that point, but the tests' hook unwinds instead.  Those blocks
// are not leaks of the program, so the leak checker ignores them.
struct UncheckedAllocations {
#ifdef QUARVEL_LSAN
    UncheckedAllocations() { __lsan_disable(); }
    ~UncheckedAllocations() { __lsan_enable(); }
#endif
};

struct ProcessEnded {
    int status;
};

[[noreturn]] void throwOnEnd(int status) { throw ProcessEnded{status}; }

enum class Source { File, Memory };

struct Outcome {
    Mesh *mesh = nullptr;   // the grid, when the read succeeded
    int status = -1;        // exit status, when the read ended the process
    std::string err;        // everything written to standard error
    bool closed = false;    // the stream's descriptor was closed (File only)
};

Outcome readText(const std::string &text, Source source)
{
    FILE *stream;
    if (source == Source::File) {
        stream = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), stream);
        std::rewind(stream);
    } else {
        // fmemopen refuses a zero size: an empty text becomes one NUL that
        // is consumed here, leaving the stream at its end.
        stream = fmemopen(const_cast<char *>(text.c_str()), text.empty() ? 1 : text.size(), "r");
        if (text.empty()) {
            std::fgetc(stream);
        }
    }
    EXPECT_NE(stream, nullptr);
    int fd = fileno(stream);

    Outcome out;
    resetMeshReader();
    setEndProcessHook(throwOnEnd);
    testing::internal::CaptureStderr();
    try {
        [[maybe_unused]] UncheckedAllocations unchecked;
        out.mesh = readMesh(stream);
    } catch (const ProcessEnded &end) {
        out.status = end.status;
    }
    out.closed = fd >= 0 && fcntl(fd, F_GETFD) == -1;
    out.err = testing::internal::GetCapturedStderr();
    setEndProcessHook(nullptr);
    if (!out.mesh && !(fd >= 0 && out.closed)) {
        std::fclose(stream);
    }
    return out;
}

// n point lines "k k+0.5 -k", one per line.
std::string pointLines(int n)
{
    std::string s;
    for (int k = 0; k < n; ++k) {
        s += std::to_string(k) + " " + std::to_string(k) + ".5 " + std::to_string(-k) + "\n";
    }
    return s;
}

std::vector<Vec3> pointValues(int n)
{
    std::vector<Vec3> v;
    for (int k = 0; k < n; ++k) {
        v.push_back({double(k), k + 0.5, double(-k)});
    }
    return v;
}

// A string literal with its embedded NUL bytes.
template <size_t N>
std::string bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

// text padded with blanks to exactly length characters.
std::string padded(std::string text, size_t length)
{
    text.resize(length, ' ');
    return text;
}

const std::string exampleFile = "#\n\nsurface\n2 * 3\n1 0 0\n2 0 0\n1 1 0\n2 1 0\n1 2 0\n2 2 0\n";
const std::vector<Vec3> examplePoints = {{1, 0, 0}, {2, 0, 0}, {1, 1, 0},
                                         {2, 1, 0}, {1, 2, 0}, {2, 2, 0}};

struct GoodCase {
    const char *name;
    std::string text;
    int rows, cols;
    std::vector<Vec3> inFileOrder;  // point line k is points[k % rows][k / rows]
};

std::vector<GoodCase> goodCases()
{
    std::string commented;
    for (size_t start = 0, end; (end = exampleFile.find('\n', start)) != std::string::npos;
         start = end + 1) {
        commented += exampleFile.substr(start, end + 1 - start);
        if (start >= exampleFile.find("2 * 3")) commented += "# between points\n";
    }
    std::string crlf;
    for (char c : exampleFile) {
        crlf += c == '\n' ? std::string("\r\n\r\n") : std::string(1, c);
    }
    const std::string line255 = padded("1 2 3", 255);
    return {
        {"example", exampleFile, 2, 3, examplePoints},
        {"comments between points", commented, 2, 3, examplePoints},
        {"CR LF lines and empty CR LF lines", crlf, 2, 3, examplePoints},
        {"header without blanks", "10*20\n" + pointLines(200), 10, 20, pointValues(200)},
        {"header with blanks and words", "   10   *   20 points\n" + pointLines(200), 10, 20,
         pointValues(200)},
        {"header with a third number", "3 * 4 * 5\n" + pointLines(12), 3, 4, pointValues(12)},
        {"signed header", "+2 * +1\n" + pointLines(2), 2, 1, pointValues(2)},
        {"non-headers skipped",
         "10 x 20\nsize 10 * 20\n1.5 2.5 3.5\n # 7 * 7\n   \n* 4\n4 *\n2 * 3\n" + pointLines(6), 2,
         3, pointValues(6)},
        {"trailing lines ignored", "2 * 1\n" + pointLines(2) + "junk\n1 2\n   \n\x01\n", 2, 1,
         pointValues(2)},
        {"five items", "2 * 1\n1 2 3 4 word\n5 6 7\n", 2, 1, {{1, 2, 3}, {5, 6, 7}}},
        {"number forms and tabs", "2 * 1\n1e-3 -2.5E+1 .5\n+4\t5  6\n", 2, 1,
         {{1e-3, -25, 0.5}, {4, 5, 6}}},
        {"hex and infinite numbers", "2 * 1\n0x1p3 -inf 1.e2xyz\n-0X.8P1 INFINITY 7.\n", 2, 1,
         {{8, -HUGE_VAL, 100}, {-1, HUGE_VAL, 7}}},
        {"last line without line end", "2 * 1\n1 2 3\n4 5 6", 2, 1, {{1, 2, 3}, {4, 5, 6}}},
        // The unread end of the input is moved to the front of the block
        // when the read finds the end: a last line longer than what came
        // before it must still be read from its new place.
        {"short input without line end", "1*1\n1.0 2.0 3.0", 1, 1, {{1, 2, 3}}},
        {"blanks after the last point", "1 * 1\n1 2 3       ", 1, 1, {{1, 2, 3}}},
        {"300 characters are two pieces", "2 * 1\n" + line255 + padded("4 5 6", 45) + "\n", 2, 1,
         {{1, 2, 3}, {4, 5, 6}}},
        {"255 characters and LF", "2 * 1\n" + line255 + "\n4 5 6\n", 2, 1, {{1, 2, 3}, {4, 5, 6}}},
        {"255 characters and CR LF", "2 * 1\n" + line255 + "\r\n4 5 6\r\n", 2, 1,
         {{1, 2, 3}, {4, 5, 6}}},
        {"CR LF split at the piece boundary", "2 * 1\n" + padded("1 2 3", 254) + "\r\n4 5 6\r\n", 2,
         1, {{1, 2, 3}, {4, 5, 6}}},
        {"header in the second piece of a long line", std::string(255, 'x') + "2 * 1\n" +
         pointLines(2), 2, 1, pointValues(2)},
        {"lone CR kept as a blank", "\r2 * 1\r\r\n1 2\r3\n\r4 5 6\r", 2, 1, {{1, 2, 3}, {4, 5, 6}}},
        {"NUL ends what is parsed", bytes("2 * 1\n1 2 3\0 9 9 9\n4 5 6\n"), 2, 1,
         {{1, 2, 3}, {4, 5, 6}}},
        {"one point", "1 * 1\n7 8 9\n", 1, 1, {{7, 8, 9}}},
    };
}

TEST(Reader, ReadsGridsColumnByColumn)
{
    for (const GoodCase &c : goodCases()) {
        for (Source source : {Source::File, Source::Memory}) {
            SCOPED_TRACE(std::string(c.name) + (source == Source::File ? " (file)" : " (memory)"));
            Outcome out = readText(c.text, source);
            ASSERT_NE(out.mesh, nullptr) << out.err;
            EXPECT_EQ(out.err, "");
            Mesh &m = *out.mesh;
            ASSERT_EQ(m.rows, c.rows);
            ASSERT_EQ(m.cols, c.cols);
            ASSERT_EQ(c.inFileOrder.size(), size_t(c.rows) * c.cols);
            // Normals are separate storage: filling them must leave the points.
            for (int i = 0; i < m.rows; ++i) {
                for (int j = 0; j < m.cols; ++j) m.normals[i][j] = {-99, -99, -99};
            }
            for (size_t k = 0; k < c.inFileOrder.size(); ++k) {
                const Vec3 &p = m.points[k % c.rows][k / c.rows];
                const Vec3 &want = c.inFileOrder[k];
                EXPECT_EQ(p.x, want.x) << "point line " << k;
                EXPECT_EQ(p.y, want.y) << "point line " << k;
                EXPECT_EQ(p.z, want.z) << "point line " << k;
            }
            if (source == Source::File) {
                EXPECT_TRUE(out.closed) << "stream left open";
            }
            freeMesh(out.mesh);
        }
    }
}

// CR LF pairs and empty CR LF lines must be recognised wherever the input
// happens to be cut into blocks: put the CR of an empty line on the last
// byte of every power-of-two-sized block.
TEST(Reader, CrLfAcrossInputBlocks)
{
    std::string body;
    int points = 0;
    for (size_t boundary = 512; boundary <= (1u << 17); boundary *= 2) {
        const size_t target = boundary - 1 - std::string("2147483647 * 1\r\n").size();
        auto line = [&] { return std::to_string(points) + " 0 0\r\n"; };
        while (body.size() + line().size() + 3 <= target) {
            body += line();
            ++points;
        }
        body += "#" + std::string(target - body.size() - 3, '-') + "\r\n";
        body += "\r\n";  // CR at offset boundary - 1 of the whole input
    }
    body += std::to_string(points++) + " 0 0\r\n";
    std::string header = padded(std::to_string(points) + " * 1", 14) + "\r\n";
    ASSERT_EQ(header.size(), std::string("2147483647 * 1\r\n").size());
    ASSERT_EQ((header + body).substr(65535, 2), "\r\n");
    for (Source source : {Source::File, Source::Memory}) {
        Outcome out = readText(header + body, source);
        ASSERT_NE(out.mesh, nullptr) << out.err;
        ASSERT_EQ(out.mesh->rows, points);
        for (int k = 0; k < points; ++k) {
            ASSERT_EQ(out.mesh->points[k][0].x, k);
        }
        freeMesh(out.mesh);
    }
}

struct BadCase {
    const char *name;
    std::string text;
    const char *message;
};

const char notXyz[] = "not in 'x y z' format.";
const char noMore[] = "cannot read any more.\n";

TEST(Reader, RefusesBadData)
{
    const std::vector<BadCase> cases = {
        {"blank-only point line", "2 * 1\n1 2 3\n   \n", notXyz},
        {"tab-only point line", "2 * 1\n\t\r\n1 2 3\n", notXyz},
        {"blank, hash and word", "2 * 1\n1 2 3\n # word\n", notXyz},
        {"two numbers", "2 * 1\n1 2\n3 4 5\n", notXyz},
        {"word first", "2 * 1\nx 1 2 3\n3 4 5\n", notXyz},
        {"commas", "2 * 1\n1,2,3\n3 4 5\n", notXyz},
        {"lone CR before a hash", "2 * 1\n1 2 3\n\r#x\n4 5 6\n", notXyz},
        {"NUL first", bytes("2 * 1\n\0 1 2 3\n4 5 6\n"), notXyz},
        {"one point short", "2 * 3\n" + pointLines(5), noMore},
        {"short with trailing comments", "2 * 3\n" + pointLines(5) + "#\n\n", noMore},
        {"header only", "2 * 3\n", noMore},
        {"empty input", "", noMore},
        {"comments and empty lines only", "#\n\n# x\n\r\n", noMore},
        {"no header", "surface\n1 2 3\n4 5 6\n", noMore},
    };
    for (const BadCase &c : cases) {
        for (Source source : {Source::File, Source::Memory}) {
            SCOPED_TRACE(std::string(c.name) + (source == Source::File ? " (file)" : " (memory)"));
            Outcome out = readText(c.text, source);
            EXPECT_EQ(out.mesh, nullptr);
            EXPECT_EQ(out.status, 1);
            EXPECT_EQ(out.err, c.message);
        }
    }
}

// Sizes the rest of the viewer cannot use, or that do not fit an int or
// the machine's memory, are refused at the header with one line naming
// the values as written, before anything is allocated or read further.
TEST(Reader, RefusesUnusableGridSizes)
{
    const std::vector<std::pair<const char *, const char *>> sizes = {
        {"0", "6"},
        {"-3", "6"},
        {"3", "0"},
        {"3", "-6"},
        {"99999999999", "2"},
        {"2", "99999999999"},
        {"2147483648", "1"},
        {"-2147483649", "1"},
        {"100000", "100000"},            // fits an int, not the memory
        {"2147483647", "2147483647"},    // byte count overflows 64 bits
    };
    for (const auto &[rows, cols] : sizes) {
        std::string shown = std::string(rows) + " * " + cols;
        SCOPED_TRACE(shown);
        // Points follow, so a reader that went on would not fail the same way.
        Outcome out = readText(shown + "\n" + pointLines(50), Source::File);
        EXPECT_EQ(out.mesh, nullptr);
        EXPECT_EQ(out.status, 1);
        EXPECT_NE(out.err.find(shown), std::string::npos) << out.err;
        ASSERT_FALSE(out.err.empty());
        EXPECT_EQ(out.err.find('\n'), out.err.size() - 1) << "one line: " << out.err;
    }
}

}  // namespace
