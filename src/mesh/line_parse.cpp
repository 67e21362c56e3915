#include "mesh/line_parse.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char *skipSpace(const char *s)
{
    while (std::isspace(static_cast<unsigned char>(*s))) {
        ++s;
    }
    return s;
}

// One "%d" conversion: optional blanks, optional sign, at least one digit.
// Returns the position after the digits, or nullptr when nothing matches.
// The value saturates instead of overflowing; text keeps what was written.
static const char *scanInteger(const char *s, long long *value, bool *fitsInt,
                               char *text, size_t textSize)
{
    s = skipSpace(s);
    const char *start = s;
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = (*s == '-');
        ++s;
    }
    if (!std::isdigit(static_cast<unsigned char>(*s))) {
        return nullptr;
    }
    unsigned long long magnitude = 0;
    bool huge = false;
    for (; std::isdigit(static_cast<unsigned char>(*s)); ++s) {
        unsigned digit = static_cast<unsigned>(*s - '0');
        if (magnitude > (ULLONG_MAX - digit) / 10 || magnitude * 10 + digit > LLONG_MAX) {
            huge = true;
        } else {
            magnitude = magnitude * 10 + digit;
        }
    }
    long long v = huge ? LLONG_MAX : static_cast<long long>(magnitude);
    *value = negative ? -v : v;
    *fitsInt = !huge && *value >= INT_MIN && *value <= INT_MAX;

    size_t length = static_cast<size_t>(s - start);
    if (length >= textSize) {
        length = textSize - 1;
    }
    std::memcpy(text, start, length);
    text[length] = '\0';
    return s;
}

bool parseHeaderLine(const char *line, HeaderFields *fields)
{
    bool rowsFit = false;
    bool colsFit = false;
    const char *s = scanInteger(line, &fields->rows, &rowsFit, fields->rowsText,
                                sizeof fields->rowsText);
    if (!s) {
        return false;
    }
    s = skipSpace(s);
    if (*s != '*') {
        return false;
    }
    s = scanInteger(s + 1, &fields->cols, &colsFit, fields->colsText,
                    sizeof fields->colsText);
    if (!s) {
        return false;
    }
    fields->fitsInt = rowsFit && colsFit;
    return true;
}

// ---------------------------------------------------------------------------
// Point lines
//
// A point line is defined by what sscanf(line, "%lf %lf %lf", ...) makes
// of it.  Nearly every line holds three plain decimal numbers, and those
// are converted here with std::from_chars, which rounds exactly as strtod
// (and so scanf) does.  Every other line goes to sscanf itself: signs in
// odd places, "inf", "nan(...)", hexadecimal numbers, fewer than three
// numbers, and the places where glibc's scanf consumes more than strtod
// would ("1e", "1e+", "0x").  Only the C locale's '.' is a decimal point,
// as in the C locale the program runs in.

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Converts one plain decimal number at s: optional sign, digits with at
// most one '.', optional exponent.  Returns the end of the number, or
// nullptr when the text is anything else or when scanf's greedy scan
// could read further than the number itself.
static const char *scanPlainNumber(const char *s, const char *end, double *value)
{
    const char *start = s;
    if (*s == '+') {
        // from_chars takes no '+'; the sign changes nothing.
        start = ++s;
    } else if (*s == '-') {
        ++s;
    }
    // A digit or '.' here keeps out "inf", "nan" and a second sign.
    if (!isDigit(*s) && *s != '.') {
        return nullptr;
    }
    auto result = std::from_chars(start, end, *value);
    if (result.ec == std::errc::invalid_argument) {
        return nullptr;
    }
    const char *stop = result.ptr;
    // scanf would take an 'e' (and sign) without exponent digits, or the
    // 'x' of a hexadecimal prefix, along with the number.
    if (*stop == 'e' || *stop == 'E' || *stop == 'x' || *stop == 'X') {
        return nullptr;
    }
    if (result.ec != std::errc()) {
        // Out of range: strtod's HUGE_VAL or underflow result is what
        // scanf stores.
        char *strtodEnd = nullptr;
        *value = std::strtod(start, &strtodEnd);
        if (strtodEnd != stop) {
            return nullptr;
        }
    }
    return stop;
}

const char *parsePlainPoint(const char *text, const char *end, Vec3 *point)
{
    double v[3];
    const char *s = text;
    for (double &value : v) {
        // The white space scanf skips in the C locale, but a line feed
        // ends the line here.
        while (*s == ' ' || *s == '\t' || *s == '\v' || *s == '\f' || *s == '\r') {
            ++s;
        }
        s = scanPlainNumber(s, end, &value);
        if (!s) {
            return nullptr;
        }
    }
    point->x = v[0];
    point->y = v[1];
    point->z = v[2];
    return s;
}

int parsePointLine(const char *line, Vec3 *point)
{
    if (parsePlainPoint(line, line + std::strlen(line), point)) {
        return 3;
    }
    return std::sscanf(line, "%lf %lf %lf", &point->x, &point->y, &point->z);
}
