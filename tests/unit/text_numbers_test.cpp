// Reading a text file, whose large blocks are parsed in two halves at
// once, gives exactly what one pass over the same text in memory gives:
// values, runs of lines, blocks, line numbers and the first failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "base/failure.h"
#include "text_numbers.h"

namespace {

// About size bytes of lines of the kinds real files hold, drawn by seed:
// runs of equal lines, blank lines (new blocks), comments, CR and CR LF
// line ends, trailing separators, empty fields, NaN; a pandas header.
// One line in `often` is blank or a comment, and the values a line holds
// change once in `often` * 5 lines, where the halves meet too.
std::string mixedText(unsigned seed, size_t size, bool header, int often)
{
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string text = header ? ",a,b,c,d\n" : "";
    int count = 4;
    while (text.size() < size) {
        if (pick(5 * often) == 0) {
            count = 2 + pick(5);
        }
        const int kind = pick(2 * often);
        if (kind == 0) {
            text += "\n";
        } else if (kind == 1) {
            text += "# a comment, 1 2 3\n";
        } else {
            const char separator = pick(3) == 0 ? ' ' : ',';
            for (int c = 0; c < count; ++c) {
                if (c > 0) {
                    text += separator;
                }
                const int value = pick(60);
                if (separator == ',' && value == 0) {
                    continue;  // an empty field
                }
                text += value == 1 ? "nan" : std::to_string(pick(100000) - 50000) + (pick(2) ? ".25" : "");
            }
            if (separator == ',' && pick(often) == 0) {
                text += ',';
            }
            text += kind == 2 ? "\r" : kind == 3 ? "\r\n" : "\n";
        }
    }
    return text;
}

std::string bitsOf(const Values &values)
{
    return std::string(reinterpret_cast<const char *>(values.data()), values.size() * sizeof(double));
}

// The numbers or the failure of one pass over text in memory, and of a
// file holding it.
std::string outcome(const std::string &text, bool fromFile)
{
    try {
        TextNumbers n;
        if (fromFile) {
            FILE *file = std::tmpfile();
            std::fwrite(text.data(), 1, text.size(), file);
            std::rewind(file);
            n = readTextNumbers(file, "", "t.csv");
            std::fclose(file);
        } else {
            n = parseTextNumbers(text, "t.csv");
        }
        std::string runs;
        for (const LineRun &r : n.runs) {
            runs += std::to_string(r.firstLine) + " " + std::to_string(r.lines) + " " + std::to_string(r.count) +
                    (r.blockStart ? " b;" : ";");
        }
        return bitsOf(n.values) + "|" + runs + "|" + std::to_string(n.lastLine) + " " + std::to_string(n.dropped) +
               " " + n.note;
    } catch (const Failure &failure) {
        return failure.what();
    }
}

}  // namespace

TEST(TextNumbers, AFileReadInHalvesIsReadAsInOnePass)
{
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        const int often = seed % 3 == 0 ? 2 : seed % 3 == 1 ? 4 : 20;
        std::string text = mixedText(seed, 1200 << 10, seed % 4 == 0, often);
        if (seed == 5) {  // a failure deep in a second half
            text.insert(text.find('\n', 1100 << 10) + 1, "1,x,3\n");
        }
        const std::string once = outcome(text, false);
        EXPECT_EQ(outcome(text, true), once);
        if (seed == 5) {
            EXPECT_NE(once.find("('x') is not a number"), std::string::npos) << once;
        }
    }
}
