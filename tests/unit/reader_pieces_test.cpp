// The block reader must cut exactly the pieces that fgets(buffer, 256, ...)
// cuts from the same input once its CR LF pairs have become LF, skip the
// same comment and empty pieces, and read the same points whether a line
// takes the in-place fast path or the general one.  Random inputs with
// long lines, lone CRs, CR LF at every position and comment lines are
// read from a real file (read(2) in blocks) and from a memory stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/fatal.h"
#include "mesh/line_parse.h"
#include "mesh/reader.h"

namespace {

struct Ended {};
[[noreturn]] void throwOnEnd(int) { throw Ended{}; }

// What fgets gives: the significant pieces of the input with CR LF as LF.
std::vector<std::string> referencePieces(const std::string &input)
{
    std::string text;
    for (size_t i = 0; i < input.size(); ++i) {
        if (!(input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n')) {
            text += input[i];
        }
    }
    FILE *stream = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    std::vector<std::string> pieces;
    char buffer[256];
    while (text.size() > 0 && std::fgets(buffer, sizeof buffer, stream)) {
        if (buffer[0] != '#' && buffer[0] != '\n') {
            pieces.push_back(buffer);
        }
    }
    if (stream) {
        std::fclose(stream);
    }
    return pieces;
}

FILE *openInput(const std::string &input, bool withDescriptor)
{
    if (withDescriptor) {
        FILE *file = std::tmpfile();
        std::fwrite(input.data(), 1, input.size(), file);
        std::rewind(file);
        return file;
    }
    // fmemopen refuses an empty buffer; one NUL then a reset length works.
    return fmemopen(const_cast<char *>(input.empty() ? "" : input.data()),
                    input.empty() ? 1 : input.size(), "r");
}

std::vector<std::string> readerPieces(const std::string &input, bool withDescriptor)
{
    std::vector<std::string> pieces;
    if (input.empty()) {
        return pieces;
    }
    FILE *stream = openInput(input, withDescriptor);
    resetMeshReader();
    setEndProcessHook(throwOnEnd);
    char buffer[lineBufferSize];
    try {
        for (;;) {
            readDataLine(buffer, stream);
            pieces.push_back(buffer);
        }
    } catch (const Ended &) {
    }
    setEndProcessHook(nullptr);
    std::fclose(stream);
    return pieces;
}

std::string randomInput(std::mt19937 &rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::string input;
    int lines = 1 + pick(200);
    for (int l = 0; l < lines; ++l) {
        int kind = pick(10);
        if (kind == 0) {
            input += "# comment";
        } else if (kind == 1) {
            // Long lines, around the 255-character limit and beyond.
            int length = 240 + pick(300);
            for (int c = 0; c < length; ++c) {
                input += "0123456789 \r"[pick(12)];
            }
        } else if (kind == 2) {
            input += std::string(static_cast<size_t>(pick(4)), ' ');
        } else {
            input += std::to_string(pick(1000)) + "." + std::to_string(pick(100)) + " -" +
                     std::to_string(pick(50)) + "e-1 " + std::to_string(pick(7));
            if (pick(4) == 0) {
                input += std::string(static_cast<size_t>(pick(260)), 'w');
            }
        }
        int end = pick(8);
        input += end < 5 ? "\n" : end < 7 ? "\r\n" : "\r";
    }
    if (pick(3) == 0) {
        input.pop_back();  // no final line end
    }
    return input;
}

TEST(ReaderPieces, SameAsFgetsOnCrLfFreeText)
{
    std::mt19937 rng(42);
    std::vector<std::string> inputs = {"", "\n", "\r\n", "\r", "#\n#", "a", "a\r", "\r\r\n",
                                       std::string(255, 'x') + "\n",
                                       std::string(254, 'x') + "\r\n" + "y",
                                       std::string(255, 'x') + "\r\n" + "y",
                                       std::string(256, 'x') + "\r\n",
                                       std::string(70000, '1') + "\r\n2\r\n"};
    // A piece whose 255th byte, a CR, is the last of the first 64 KiB
    // block: only the next block tells that a LF follows.
    std::string filler;
    for (int n = 0; n < 32639; ++n) {
        filler += "1\n";
    }
    filler += "12\n";
    inputs.push_back(filler + std::string(254, 'x') + "\r\ny\n");
    inputs.push_back(filler + std::string(254, 'x') + "\ry\n");
    for (int n = 0; n < 300; ++n) {
        inputs.push_back(randomInput(rng));
    }
    // A big one, so pieces straddle the 64 KiB input blocks.
    std::string big;
    while (big.size() < 300000) {
        big += randomInput(rng);
    }
    inputs.push_back(big);

    for (const std::string &input : inputs) {
        std::vector<std::string> expected = referencePieces(input);
        EXPECT_EQ(readerPieces(input, true), expected) << "input: " << input.substr(0, 80);
        EXPECT_EQ(readerPieces(input, false), expected) << "input: " << input.substr(0, 80);
    }
}

// A grid whose point lines take every path: plain lines, CR LF, comments
// between them, long lines cut into pieces, numbers only sscanf reads.
TEST(ReaderPieces, PointsAsParsedFromPieces)
{
    std::mt19937 rng(5);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int rows = 37;
    const int cols = 41;
    std::string input = "title\n" + std::to_string(rows) + " * " + std::to_string(cols) + "\n";
    std::string pieceText;  // the point lines as readDataLine would cut them
    for (int k = 0; k < rows * cols; ++k) {
        std::string line = std::to_string(pick(2000) - 1000) + "." + std::to_string(pick(999)) +
                           " " + std::to_string(pick(100)) + "e" + std::to_string(pick(5)) + "\t" +
                           (pick(10) == 0 ? "0x1.8p1" : pick(10) == 0 ? "+inf" : "-7.25");
        if (pick(10) == 0) {
            // Trailing text that still fits in the piece.
            line += " " + std::string(250 - line.size(), 'z');
        } else if (pick(10) == 0) {
            // Longer than a piece: the rest is read as the next point.
            line += std::string(255 - line.size(), ' ') + "4 5 6";
        }
        input += line + (pick(3) == 0 ? "\r\n" : "\n");
        if (pick(8) == 0) {
            input += "# between\r\n\n";
        }
    }
    std::vector<std::string> pieces = referencePieces(input);
    for (bool withDescriptor : {true, false}) {
        resetMeshReader();
        FILE *stream = openInput(input, withDescriptor);
        Mesh *mesh = readMesh(stream);
        // pieces[0] is the title, pieces[1] the header.
        size_t next = 2;
        for (int j = 0; j < cols; ++j) {
            for (int i = 0; i < rows; ++i) {
                Vec3 expected;
                ASSERT_LT(next, pieces.size());
                ASSERT_EQ(std::sscanf(pieces[next++].c_str(), "%lf %lf %lf", &expected.x,
                                      &expected.y, &expected.z), 3);
                ASSERT_EQ(std::memcmp(&mesh->points[i][j], &expected, sizeof(Vec3)), 0)
                    << "point " << i << ", " << j;
            }
        }
        for (int i = 0; i < rows; ++i) {
            std::free(mesh->points[i]);
            std::free(mesh->normals[i]);
        }
        std::free(mesh->points);
        std::free(mesh->normals);
        std::free(mesh);
    }
}

}  // namespace
