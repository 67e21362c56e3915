// The mesh reader and the point parser.  Texts are read from a file, as the
// program does: its streams always have a descriptor.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "base/failure.h"
#include "mesh/line_parse.h"
#include "mesh/prepare.h"
#include "mesh/prepare_while_reading.h"
#include "mesh/reader.h"

namespace {

FILE *openText(const std::string &text)
{
    FILE *file = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    return file;
}

// Runs read(stream) on a fresh reader; returns what the viewer would print
// on standard error and stores 1 for a refusal, -1 when the run would go
// on.  readMesh closes its stream either way, and a refusal frees the grid
// (LeakSanitizer checks that in the sanitizer build).
template <class Read>
std::string run(const std::string &text, Read read, int *status = nullptr)
{
    FILE *stream = openText(text);
    const int fd = fileno(stream);
    int ended = -1;
    resetMeshReader();
    testing::internal::CaptureStderr();
    std::string refusal;
    try {
        read(stream);
        EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "left open";
    } catch (const Failure &failure) {
        ended = 1;
        refusal = failure.what();
    }
    if (status) *status = ended;
    return testing::internal::GetCapturedStderr() + refusal;
}

// n point lines; line k is "3k+1 3k+2 3k+3".
std::string pointLines(int n)
{
    std::string s;
    for (int k = 1; k < 3 * n; k += 3) {
        s += std::to_string(k) + " " + std::to_string(k + 1) + " " + std::to_string(k + 2) + "\n";
    }
    return s;
}

std::string replaced(std::string s, const std::string &from, const std::string &to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
    return s;
}

std::string padded(std::string s, size_t length) { return s.resize(length, ' '), s; }

// Grids of point lines 3k+1 3k+2 3k+3, or a refusal (rows 0) with its message
// and exit status 1; the corpus of malformed files has the other refusals.
TEST(Reader, ReadsGridsColumnByColumnOrRefuses)
{
    const std::string example = "#\n\nsurface\n2 * 3\n" + pointLines(6);
    const std::string l255 = padded("1 2 3", 255), noMore = "cannot read any more.\n";
    struct Case { std::string text; int rows, cols; std::string message = ""; };
    const Case cases[] = {
        {example, 2, 3},
        {replaced(example, "\n", "\r\n\r\n"), 2, 3},
        {"3*4*5\n" + pointLines(12), 3, 4},
        {"2 * 1\n" + pointLines(2) + "junk\n1 2\n", 2, 1},
        {"2 * 1\n1 2 3 4 word\n4 5 6\n", 2, 1},
        {"2 * 1\n" + l255 + padded("4 5 6", 45) + "\n", 2, 1},
        {"2 * 1\n" + l255 + "\n4 5 6\n", 2, 1},
        {"2 * 1\n" + l255 + "\r\n4 5 6\r\n", 2, 1},
        {"2 * 1\n" + padded("1 2 3", 254) + "\r\n4 5 6\r\n", 2, 1},
        {"1*1\n1.0 2.0 3.0", 1, 1},
        {std::string("2 * 1\n1 2 3\0 9 9 9\n4 5 6\n", 25), 2, 1},
        {"2 * 1\n1 2 3\n   \n", 0, 0, "not in 'x y z' format."},
        {"2 * 3\n" + pointLines(5), 0, 0, noMore},
        {"", 0, 0, noMore},
    };
    for (const auto &[text, rows, cols, message] : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        Mesh *m = nullptr;
        int status;
        EXPECT_EQ(run(text, [&](FILE *s) { m = readMesh(s); }, &status), message);
        EXPECT_EQ(status, message.empty() ? -1 : 1);
        ASSERT_EQ(m != nullptr, rows > 0);
        ASSERT_TRUE(!m || (m->rows == rows && m->cols == cols));
        for (int k = 0; k < rows * cols; ++k) {  // point line k
            const Vec3 &p = m->points[k % rows][k / rows];
            EXPECT_TRUE(p.x == 3 * k + 1 && p.y == 3 * k + 2 && p.z == 3 * k + 3) << k;
        }
        if (m) freeMesh(m);
    }
}

// 14-byte point lines, each with an empty CR LF line, shifted by 0 to 13
// bytes: every byte of the pattern lands on the end of an input block.
TEST(Reader, CrLfAtBlockBoundaries)
{
    for (int shift = 0; shift < 14; ++shift) {
        std::string text = "20000 * 1\r\n#" + std::string(shift, '-') + "\r\n";
        for (int k = 0; k < 20000; ++k) text += std::to_string(100000 + k) + " 0 0\r\n\r\n";
        Mesh *m = nullptr;
        ASSERT_EQ(run(text, [&](FILE *s) { m = readMesh(s); }), "");
        for (int k = 0; k < 20000; ++k) ASSERT_EQ(m->points[k][0].x, 100000 + k) << shift;
        freeMesh(m);
    }
}

// The pieces must be what fgets(buffer, 256, ...) cuts from the same text
// with CR LF made LF, less those starting with '#' or LF.
TEST(Reader, PiecesAsFgets)
{
    std::mt19937 rng(42);
    const std::string tokens[] = {"\n", "\n", "\r\n", "\r\n", "\r", "#", " ", "1.5 -2e-1 7",
                                  std::string(50, 'w'), std::string(199, '9')};
    // The CR of the first text's long line ends the first input block.
    std::vector<std::string> texts = {std::string(65280, '1') + "\n" + std::string(254, 'x') +
                                      "\r\ny\n"};
    for (int n = 0; n < 300; ++n) {
        texts.emplace_back();
        for (int k = int(rng() % 300); k > 0; --k) texts.back() += tokens[rng() % 10];
    }
    while (texts[0].size() < 300000) texts[0] += texts[texts[0].size() % 300 + 1];
    char buffer[lineBufferSize];
    for (const std::string &text : texts) {
        std::vector<std::string> expected;
        const std::string lf = replaced(text, "\r\n", "\n");
        FILE *reference = openText(lf);
        while (std::fgets(buffer, 256, reference)) {
            if (buffer[0] != '#' && buffer[0] != '\n') expected.push_back(buffer);
        }
        std::fclose(reference);
        std::vector<std::string> pieces;
        EXPECT_EQ(run(text, [&](FILE *s) {
                      for (;;) readDataLine(buffer, s), pieces.push_back(buffer);
                  }), "cannot read any more.\n");
        ASSERT_EQ(pieces, expected) << text.substr(0, 80);
    }
}

// Preparing on a second thread while the points arrive must give the grid
// that preparing after the read gives, bit for bit: tall, wide, narrow and
// closed grids, both ways round.  A read that fails midway stops the worker
// before it would end the process; a fresh read works afterwards.
TEST(Reader, PreparesWhileReadingAsAfterReading)
{
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
    auto gridText = [&](int rows, int cols, bool closed) {
        std::vector<Vec3> first(cols);
        std::string text = std::to_string(rows) + " * " + std::to_string(cols) + "\n";
        char line[96];
        for (int k = 0; k < rows * cols; ++k) {
            const int i = k % rows, j = k / rows;
            Vec3 v = {coordinate(rng), coordinate(rng), coordinate(rng)};
            if (i == 0) first[j] = v;
            if (closed && i == rows - 1) v = first[j];
            std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", v.x, v.y, v.z);
            text += line;
        }
        return text;
    };
    auto same = [](Vec3 **a, Vec3 **b, int rows, int cols) {
        for (int i = 0; i < rows; ++i)
            if (std::memcmp(a[i], b[i], cols * sizeof(Vec3))) return false;
        return true;
    };
    struct Shape { int rows, cols; bool closed; };
    for (const Shape &g : {Shape{1, 1, false}, Shape{1, 9, true}, Shape{9, 1, false},
                           Shape{3, 5, true}, Shape{7, 6, true}, Shape{300, 300, false},
                           Shape{300, 300, true}, Shape{5000, 9, true}, Shape{2, 20000, false}}) {
        const std::string text = gridText(g.rows, g.cols, g.closed);
        for (int reverse : {0, 1}) {
            SCOPED_TRACE(testing::Message() << g.rows << " * " << g.cols << " reverse " << reverse);
            Mesh *after = nullptr, *during = nullptr;
            ASSERT_EQ(run(text, [&](FILE *s) { after = readMesh(s); }), "");
            const float scale = prepareSurface(*after, reverse);
            PreparationWhileReading preparation;
            const ReadWatcher watcher = prepareWhileReading(preparation, reverse);
            ASSERT_EQ(run(text, [&](FILE *s) { during = readMesh(s, &watcher); }), "");
            const float scaleDuring = finishPreparing(preparation, *during);
            EXPECT_EQ(std::memcmp(&scale, &scaleDuring, sizeof scale), 0);
            EXPECT_TRUE(same(after->points, during->points, g.rows, g.cols));
            EXPECT_TRUE(same(after->normals, during->normals, g.rows, g.cols));
            freeMesh(after);
            freeMesh(during);
        }
    }
    const std::string good = gridText(2000, 40, false);
    const std::string half = good.substr(0, good.find('\n', good.size() / 2) + 1);
    const std::string bad[][2] = {{half + "1 2 oops\n", "not in 'x y z' format."},
                                  {half, "cannot read any more.\n"}};
    for (const auto &[text, message] : bad) {
        int status;
        PreparationWhileReading preparation;
        const ReadWatcher watcher = prepareWhileReading(preparation, false);
        EXPECT_EQ(run(text, [&](FILE *s) { readMesh(s, &watcher); }, &status), message);
        EXPECT_EQ(status, 1);
    }
    Mesh *m = nullptr;
    PreparationWhileReading preparation;
    const ReadWatcher watcher = prepareWhileReading(preparation, false);
    ASSERT_EQ(run(good, [&](FILE *s) { m = readMesh(s, &watcher); }), "");
    finishPreparing(preparation, *m);
    EXPECT_EQ(m->rows, 2000);
    freeMesh(m);
}

// parsePointLine must give what sscanf "%lf %lf %lf" gives: the same count
// and the same bits, untouched where nothing was converted.
void expectSameAsScanf(const char *line)
{
    Vec3 want, got;
    std::memset(&want, 0x7f, sizeof want);
    got = want;
    int count = std::sscanf(line, "%lf %lf %lf", &want.x, &want.y, &want.z);
    ASSERT_EQ(parsePointLine(line, &got), count) << '"' << line << '"';
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << '"' << line << '"';
}

TEST(PointParse, AsScanf)
{
    for (const char *line : {"9007199254740993 0.1000000000000000055511151231257827 2.4e-324",
                             "1e2147483648 1e-2147483649 4.9e-324", "infinity -Infinity nan(abc)",
                             "2.2250738585072011e-308 1.7976931348623159e308 0X1.8p1"}) {
        expectSameAsScanf(line);
    }
    // Random lines of number parts, and random doubles printed exactly.
    std::mt19937_64 rng(20240611);
    const char *parts[] = {" ", "\v", "\t", "\r", "\n", "-", "+", ".", "e", "E", "x", "0x", "p",
                           "inf", "nan(", ")", "#", ",", "0", "1", "7", "25", "000", "99999999",
                           "1e-3"};
    for (int n = 0; n < 200000 && !HasFatalFailure(); ++n) {
        char line[256] = "";
        if (n % 4 == 0) {
            double v = std::ldexp(double(rng() >> 11), int(rng() % 2150) - 1126);
            std::snprintf(line, sizeof line, "%.17g %.9g %a\n", v, -v, v);
        }
        for (int k = n % 4 ? rng() % 16 : 0; k > 0; --k) std::strcat(line, parts[rng() % 25]);
        expectSameAsScanf(line);
    }
}

}  // namespace
