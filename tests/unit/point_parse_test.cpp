// parsePointLine must give exactly what sscanf(line, "%lf %lf %lf", ...)
// gives: the same count and bit-identical values, untouched where nothing
// was converted.  Checked on a table of awkward lines and on many random
// number-like lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "mesh/line_parse.h"

namespace {

constexpr uint64_t untouched = 0x7ff4dead0000beefULL;  // a signalling NaN pattern

Vec3 sentinelPoint()
{
    Vec3 p;
    std::memcpy(&p.x, &untouched, 8);
    std::memcpy(&p.y, &untouched, 8);
    std::memcpy(&p.z, &untouched, 8);
    return p;
}

void expectSameAsScanf(const std::string &line)
{
    Vec3 expected = sentinelPoint();
    Vec3 actual = sentinelPoint();
    int expectedCount = std::sscanf(line.c_str(), "%lf %lf %lf", &expected.x, &expected.y,
                                    &expected.z);
    int actualCount = parsePointLine(line.c_str(), &actual);
    ASSERT_EQ(actualCount, expectedCount) << "line: \"" << line << "\"";
    ASSERT_EQ(std::memcmp(&actual, &expected, sizeof(Vec3)), 0)
        << "line: \"" << line << "\" x " << actual.x << " / " << expected.x << ", y "
        << actual.y << " / " << expected.y << ", z " << actual.z << " / " << expected.z;
}

TEST(PointParse, AwkwardLinesAsScanf)
{
    const char *lines[] = {
        // plain forms and white space
        "1 2 3", "1 2 3\n", "-1.5 +2.25 3e2\n", "  \t1\v2\f3\r\n", "1\t2\t3 trailing words",
        "1 2 3 4 word", ".5 5. -.5", "1.e5 1.E-5 1.5e+05", "0 -0 +0", "00.5e-0001 007 0.0e0",
        "1.5.3 4", "1e5.5 2", "1-2-3", "1+2 3", "1,2,3", "1 2 3#", "1 2 3x",
        // fewer than three, or none
        "", "\n", "   \t\r\n", "\v\f", "#", " # word", "1", "1 2", "1 2\n", "1 2 #",
        "word 1 2", "- 1 2 3", "+ 1 2 3", ". 1 2 3", "-. 1 2", "+-1 2 3", "--1 2 3",
        "1 2 -", "1 2 .", "1 2 +",
        // where scanf reads more than the number
        "1e 2 3", "1e+ 2 3", "1E- 2 3", "1ex 2 3", "1 2e 3", "1 2 3e", "1 2 3e+",
        "0x 1 2 3", "-0x 1 2", "0x1p 2 3", "0x1 2 3", "0X1.8p1 2 3", "0xg 1 2", "0x.p1 2 3",
        "1 0x 3", "1 2 0x", "00x1 2 3", "1x 2 3", "1 2 3X",
        // infinities and NaNs
        "inf -inf +INF", "infinity -Infinity INFINITY", "infinit 1 2", "in 1 2",
        "nan -nan NaN", "nan(abc) 1 2", "nan( 1 2", "nan() 1 2", "nan(a_b9) -nan(x) 3",
        "1 nan 3", "1 2 infx",
        // range: overflow to HUGE_VAL, underflow, subnormals, boundaries
        "1e400 -1e400 1e-400", "4e-320 -4.9e-324 2.4e-324", "2.2250738585072011e-308 2 3",
        "1.7976931348623157e308 1.7976931348623159e308 1e308",
        "123456789012345678901234567890 0.1000000000000000055511151231257827 3",
        "9007199254740993 9007199254740992.5 1e-5000000", "1e2147483648 1e-2147483649 0e999999",
    };
    for (const char *line : lines) {
        expectSameAsScanf(line);
    }
}

// Random lines built from the pieces numbers are made of, with enough
// oddities (stray signs, lone exponents, hex prefixes, words) to reach
// every branch on both sides.
std::string randomLine(std::mt19937_64 &rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto digits = [&](int maxCount) {
        std::string d;
        for (int n = pick(maxCount + 1); n > 0; --n) {
            d += static_cast<char>('0' + pick(10));
        }
        return d;
    };
    static const char *spaces[] = {" ", " ", "  ", "\t", "\v", "\f", "\r", "\n", ""};
    static const char *signs[] = {"", "", "", "-", "+", "+-", "--"};
    static const char *words[] = {"inf", "-INF", "infinity", "nan", "NAN(q1)", "nan(", "0x1f",
                                  "0x", "-0x1.8p3", "0xAp", "#", "word", "e5", ".", "x", ","};
    std::string line;
    int fields = 1 + pick(4);
    for (int f = 0; f < fields; ++f) {
        line += spaces[pick(9)];
        if (pick(12) == 0) {
            line += words[pick(16)];
            continue;
        }
        line += signs[pick(7)];
        line += digits(pick(4) == 0 ? 25 : 6);
        if (pick(2)) {
            line += '.';
            line += digits(pick(4) == 0 ? 25 : 8);
        }
        if (pick(3) == 0) {
            line += "eE"[pick(2)];
            line += signs[pick(5)];
            line += pick(5) == 0 ? digits(6) : digits(3);
        }
        if (pick(20) == 0) {
            line += "xXeE.+-pn"[pick(9)];
        }
    }
    if (pick(3) == 0) {
        line += '\n';
    }
    return line;
}

TEST(PointParse, RandomLinesAsScanf)
{
    std::mt19937_64 rng(20240611);
    for (int n = 0; n < 300000; ++n) {
        expectSameAsScanf(randomLine(rng));
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Random values printed in the forms a grid file may hold must come back
// through the fast path bit for bit (as strtod gives them).
TEST(PointParse, PrintedValuesRoundTrip)
{
    std::mt19937_64 rng(7);
    const char *formats[] = {"%.17g %.17g %.17g\n", "%.9g %.9g %.9g\n", "%f %e %a\n",
                             "%+.3f\t%.0f  %E\r\n"};
    for (int n = 0; n < 100000; ++n) {
        double v[3];
        for (double &x : v) {
            uint64_t bits = rng();
            std::memcpy(&x, &bits, 8);
            if (!std::isfinite(x) || n % 2) {
                x = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 80) - 60);
            }
        }
        char line[256];
        std::snprintf(line, sizeof line, formats[n % 4], v[0], v[1], v[2]);
        expectSameAsScanf(line);
        if (HasFatalFailure()) {
            return;
        }
    }
}

}  // namespace
