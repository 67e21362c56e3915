#include "mesh/line_parse.h"

#include <cctype>
#include <climits>
#include <cstdio>
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

int parsePointLine(const char *line, Vec3 *point)
{
    return std::sscanf(line, "%lf %lf %lf", &point->x, &point->y, &point->z);
}
