// ESRI ASCII grids (.asc): "key value" header lines (ncols, nrows,
// xllcorner or xllcenter, yllcorner or yllcenter, cellsize or dx and dy,
// NODATA_value; any order, any case), then nrows x ncols heights, the
// north row first, wrapped over lines as the writer liked.
//
// The header is read here, a line at a time.  Its lines then reach the text
// reader as comment lines (a '#' put on their first byte), so the heights
// are read by the one fast reader and every line keeps its number.  Nothing
// is sized by the header: the values are counted as they come.
#include "formats.h"

#include "base/failure.h"
#include "common/mesh_text.h"
#include "common/quote.h"
#include "text_limits.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

enum Key { Ncols, Nrows, XllCorner, XllCenter, YllCorner, YllCenter, Cellsize, Dx, Dy, NoDataValue, Keys };

const char *const keyNames[Keys] = {"ncols",     "nrows",    "xllcorner", "xllcenter", "yllcorner",
                                    "yllcenter", "cellsize", "dx",        "dy",        "NODATA_value"};

// A header line is a key and a number: a longer one is no header line.
const size_t maxHeaderLine = 4096;

struct Header {
    FILE *stream;
    std::string name;
    std::string text;  // the input so far
    TextLimits limits;
    bool ended = false;  // the stream is at its end
    size_t start = 0;    // where the current line starts
    long line = 1;       // its number
    long at[Keys] = {};  // the line of each key given, else 0
    double value[Keys] = {};
};

}  // namespace

[[noreturn]] static void failAt(const Header &h, long line, const std::string &message)
{
    throw Failure(displayName(h.name) + ":" + std::to_string(line) + ": " + message);
}

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
static bool isKeyChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

// The key [p, end) starts with (after a byte order mark on the first line
// and blanks), else Keys; *rest is where its value starts.
static Key keyOf(const char *p, const char *end, bool firstLine, const char **rest)
{
    if (firstLine && end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
        p += 3;
    }
    while (p < end && isBlank(*p)) {
        ++p;
    }
    const char *word = p;
    while (p < end && isKeyChar(*p)) {
        ++p;
    }
    *rest = p;
    if (p == word || (p < end && !isBlank(*p))) {
        return Keys;
    }
    const size_t length = size_t(p - word);
    for (int k = 0; k < Keys; ++k) {
        if (std::strlen(keyNames[k]) == length && strncasecmp(word, keyNames[k], length) == 0) {
            return Key(k);
        }
    }
    return Keys;
}

bool esriHeaderStart(const std::string &head)
{
    const char *rest;
    const size_t end = std::min(head.find_first_of("\r\n"), head.size());
    return keyOf(head.data(), head.data() + end, true, &rest) != Keys;
}

// Reads more of the stream; false at its end.
static bool readMore(Header &h)
{
    char chunk[1 << 12];
    const size_t got = h.ended ? 0 : std::fread(chunk, 1, sizeof chunk, h.stream);
    if (got == 0) {
        if (!h.ended && std::ferror(h.stream)) {
            const int e = errno;
            throw Failure("cannot read " + displayName(h.name) + ": " + std::strerror(e));
        }
        h.ended = true;
        return false;
    }
    checkTextBytes(h.limits, chunk, got);
    h.text.append(chunk, got);
    return true;
}

// The end of the current line (its CR or LF, or the end of the input),
// read as far as needed; npos for a line longer than any header line.
static size_t lineEnd(Header &h)
{
    size_t from = h.start;
    while (true) {
        const size_t end = h.text.find_first_of("\r\n", from);
        if (end != std::string::npos) {
            if (end - h.start > maxHeaderLine) {
                return std::string::npos;
            }
            if (h.text[end] == '\r' && end + 1 == h.text.size()) {
                readMore(h);  // so that a CR LF is seen whole
            }
            return end;
        }
        from = h.text.size();
        if (h.text.size() - h.start > maxHeaderLine) {
            return std::string::npos;
        }
        if (!readMore(h)) {
            return h.text.size();
        }
    }
}

static std::string trimmed(const char *p, const char *end)
{
    while (p < end && isBlank(*p)) {
        ++p;
    }
    while (end > p && isBlank(end[-1])) {
        --end;
    }
    return std::string(p, end);
}

static double numberOf(const Header &h, Key key, const std::string &text)
{
    const char *p = text.data(), *end = p + text.size();
    if (p < end && *p == '+' && p + 1 < end && p[1] != '-' && p[1] != '+') {
        ++p;  // from_chars takes no '+'
    }
    double value = 0;
    const std::from_chars_result r = std::from_chars(p, end, value);
    const bool number = !text.empty() && r.ec == std::errc() && r.ptr == end;
    const std::string found = ", not " + quotedExcerpt(text);
    if (key == Ncols || key == Nrows) {
        if (!number || !(value >= 1 && value <= INT_MAX) || value != std::floor(value)) {
            failAt(h, h.line, std::string(keyNames[key]) + " needs a whole number from 1 to 2147483647" + found);
        }
    } else if (key == Cellsize || key == Dx || key == Dy) {
        if (!number || !(value > 0) || !std::isfinite(value)) {
            failAt(h, h.line, std::string(keyNames[key]) + " needs a distance above 0" + found);
        }
    } else if (key == NoDataValue) {
        if (!number) {
            failAt(h, h.line, std::string(keyNames[key]) + " needs a number" + found);
        }
    } else if (!number || !std::isfinite(value)) {
        failAt(h, h.line, std::string(keyNames[key]) + " needs a finite number" + found);
    }
    return value;
}

// The key that says the same as this one in the other convention.
static Key rivalOf(const Header &h, Key key)
{
    switch (key) {
    case XllCorner: return XllCenter;
    case XllCenter: return XllCorner;
    case YllCorner: return YllCenter;
    case YllCenter: return YllCorner;
    case Cellsize: return h.at[Dx] ? Dx : Dy;
    case Dx:
    case Dy: return Cellsize;
    default: return Keys;
    }
}

static void takeKey(Header &h, Key key, const char *rest, const char *end)
{
    if (h.at[key]) {
        failAt(h, h.line, std::string("a second ") + keyNames[key] + " (the first is on line " +
                              std::to_string(h.at[key]) + ")");
    }
    const Key rival = rivalOf(h, key);
    if (rival != Keys && h.at[rival]) {
        failAt(h, h.line, std::string(keyNames[key]) + ", but line " + std::to_string(h.at[rival]) + " has " +
                              keyNames[rival] + (key == Cellsize || rival == Cellsize
                                                     ? ": give cellsize, or dx and dy"
                                                     : ": give one of them"));
    }
    h.value[key] = numberOf(h, key, trimmed(rest, end));
    h.at[key] = h.line;
}

// What a complete header has and this one lacks, else "".
static std::string missingKey(const Header &h)
{
    const bool spacing = h.at[Cellsize] || h.at[Dx] || h.at[Dy];
    return !h.at[Ncols]                           ? "ncols"
           : !h.at[Nrows]                         ? "nrows"
           : !h.at[XllCorner] && !h.at[XllCenter] ? "xllcorner or xllcenter"
           : !h.at[YllCorner] && !h.at[YllCenter] ? "yllcorner or yllcenter"
           : !spacing                             ? "cellsize (or dx and dy)"
           : !h.at[Cellsize] && !h.at[Dx]         ? "dx"
           : !h.at[Cellsize] && !h.at[Dy]         ? "dy"
                                                  : "";
}

// Reads the header lines; h.start is then the first line of heights.
static void readHeader(Header &h)
{
    long last = 0;  // the last header line
    while (h.start < h.text.size() || readMore(h)) {
        const size_t end = lineEnd(h);
        const char *line = h.text.data() + h.start, *rest;
        const char *stop = end == std::string::npos ? line + maxHeaderLine : h.text.data() + end;
        const Key key = keyOf(line, stop, h.line == 1, &rest);
        if (key == Keys) {
            break;
        }
        if (end == std::string::npos) {
            failAt(h, h.line, std::string(keyNames[key]) + " on a line longer than " +
                                  std::to_string(maxHeaderLine) + " bytes");
        }
        takeKey(h, key, rest, stop);
        h.text[h.start] = '#';  // a comment line for the text reader
        last = h.line++;
        h.start = end + 1;
        if (h.text[end] == '\r' && h.start < h.text.size() && h.text[h.start] == '\n') {
            ++h.start;
        }
    }
    if (last == 0) {
        failAt(h, 1, "no ESRI grid header (ncols, nrows, xllcorner, yllcorner, cellsize lines)");
    }
    const std::string missing = missingKey(h);
    if (!missing.empty()) {
        failAt(h, last, "the ESRI grid header ends here without " + missing);
    }
}

// "corner at x = 500000, y = 4100000", as the file says it.
static std::string placeOf(const Header &h)
{
    const bool xCentre = h.at[XllCenter], yCentre = h.at[YllCenter];
    const std::string x = formatPlainNumber(h.value[xCentre ? XllCenter : XllCorner]);
    const std::string y = formatPlainNumber(h.value[yCentre ? YllCenter : YllCorner]);
    if (xCentre == yCentre) {
        return std::string("ESRI grid, lower-left cell ") + (xCentre ? "centre" : "corner") + " at x = " + x +
               ", y = " + y;
    }
    return std::string("ESRI grid, lower-left cell ") + (xCentre ? "centre" : "corner") + " x = " + x + ", " +
           (yCentre ? "centre" : "corner") + " y = " + y;
}

Samples readEsri(FILE *stream, const std::string &head, const std::string &name)
{
    Header h;
    h.stream = stream;
    h.name = name;
    h.limits.name = name;
    checkTextBytes(h.limits, head.data(), head.size());
    h.text = head;
    readHeader(h);
    TextSkips values;
    values.header = false;  // the values follow the header: a word among them is an error
    TextNumbers numbers = readTextNumbers(stream, h.text, name, values);

    const long cols = long(h.value[Ncols]), rows = long(h.value[Nrows]);
    const long want = cols * rows, have = long(numbers.values.size());
    if (have != want) {
        // Too many: where the first extra value is; too few: where they end.
        const long line = have == 0 ? numbers.lastLine : lineOfValue(numbers, std::min(have, want + 1) - 1);
        failAt(h, line, std::to_string(have) + " values after the header, but ncols x nrows is " +
                            std::to_string(cols) + " x " + std::to_string(rows) + " = " + std::to_string(want));
    }
    Samples s;
    s.grid.rows = cols;
    s.grid.cols = rows;
    s.grid.z = std::move(numbers.values);
    s.topLineNorth = true;
    s.spacingKnown = true;
    s.dx = h.at[Cellsize] ? h.value[Cellsize] : h.value[Dx];
    s.dy = h.at[Cellsize] ? h.value[Cellsize] : h.value[Dy];
    s.spacingFrom = h.at[Cellsize] ? "(ESRI cellsize)" : "(ESRI dx and dy)";
    s.hasNoData = h.at[NoDataValue] && std::isfinite(h.value[NoDataValue]);
    s.noData = h.value[NoDataValue];
    s.place = placeOf(h);
    // The middle of the grid's y range: its latitude under --lonlat.
    const double rowsAbove = h.at[YllCenter] ? double(rows - 1) / 2.0 : double(rows) / 2.0;
    s.hasMiddleY = true;
    s.middleY = h.value[h.at[YllCenter] ? YllCenter : YllCorner] + rowsAbove * s.dy;
    // Labels: cell centres, the first line the northernmost row.
    s.xAt0 = h.at[XllCenter] ? h.value[XllCenter] : h.value[XllCorner] + s.dx / 2;
    s.xPerSample = s.dx;
    s.yAt0 = s.middleY + double(rows - 1) / 2.0 * s.dy;
    s.yPerLine = -s.dy;
    return s;
}
