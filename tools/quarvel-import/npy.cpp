// NumPy's .npy format, parsed by hand: the magic, a version, a header that
// is a Python dict literal ({'descr': '<f8', 'fortran_order': False,
// 'shape': (R, C), }) and the raw array.  Any integer or floating dtype of
// either byte order, C or Fortran order; (R, C) is a height matrix, (3, R,
// C) or (R, C, 3) holds x, y and z.  The header is checked against the
// file's size before any value is read.
#include "formats.h"

#include "base/failure.h"
#include "common/mesh_text.h"
#include "common/quote.h"

#include <cmath>
#include <climits>
#include <cstdint>
#include <cstring>

struct NpyHeader {
    std::string descr;
    bool fortranOrder = false;
    std::vector<uint64_t> shape;
    bool bigEndian = false;
    char kind = 0;  // 'i', 'u' or 'f'
    int size = 0;   // bytes per value
};

struct HeaderText {
    const std::vector<unsigned char> &bytes;
    size_t at, end;
    const std::string &name;
};

[[noreturn]] static void failAtByte(const std::string &name, size_t byte, const std::string &message)
{
    throw Failure(displayName(name) + ": byte " + std::to_string(byte) + ": " + message);
}

static void skipSpaces(HeaderText &h)
{
    while (h.at < h.end && (h.bytes[h.at] == ' ' || h.bytes[h.at] == '\n' || h.bytes[h.at] == '\t')) {
        ++h.at;
    }
}

static void expect(HeaderText &h, char c)
{
    skipSpaces(h);
    if (h.at >= h.end || h.bytes[h.at] != c) {
        failAtByte(h.name, h.at, std::string("expected '") + c + "' in the .npy header");
    }
    ++h.at;
}

static bool next(HeaderText &h, char c)
{
    skipSpaces(h);
    if (h.at < h.end && h.bytes[h.at] == c) {
        ++h.at;
        return true;
    }
    return false;
}

static std::string quoted(HeaderText &h)
{
    skipSpaces(h);
    char quote = h.at < h.end ? static_cast<char>(h.bytes[h.at]) : 0;
    if (quote != '\'' && quote != '"') {
        failAtByte(h.name, h.at, "expected a quoted string in the .npy header");
    }
    size_t start = ++h.at;
    while (h.at < h.end && h.bytes[h.at] != quote) {
        ++h.at;
    }
    if (h.at >= h.end) {
        failAtByte(h.name, start - 1, "unterminated string in the .npy header");
    }
    return std::string(h.bytes.begin() + start, h.bytes.begin() + h.at++);
}

static bool word(HeaderText &h, const char *text)
{
    skipSpaces(h);
    size_t n = std::strlen(text);
    if (h.end - h.at >= n && std::memcmp(&h.bytes[h.at], text, n) == 0) {
        h.at += n;
        return true;
    }
    return false;
}

static std::vector<uint64_t> shapeTuple(HeaderText &h)
{
    std::vector<uint64_t> shape;
    expect(h, '(');
    while (!next(h, ')')) {
        skipSpaces(h);
        size_t start = h.at;
        uint64_t n = 0;
        while (h.at < h.end && h.bytes[h.at] >= '0' && h.bytes[h.at] <= '9') {
            if (n > (INT_MAX - 9) / 10) {  // beyond any grid the viewer takes
                failAtByte(h.name, start, "array dimension too large");
            }
            n = 10 * n + (h.bytes[h.at++] - '0');
        }
        if (h.at == start || shape.size() >= 32) {
            failAtByte(h.name, start, "expected a dimension in the shape of the .npy header");
        }
        shape.push_back(n);
        if (!next(h, ',')) {
            expect(h, ')');
            break;
        }
    }
    return shape;
}

static void parseDict(HeaderText &h, NpyHeader &header)
{
    bool haveDescr = false, haveOrder = false, haveShape = false;
    expect(h, '{');
    while (!next(h, '}')) {
        size_t keyAt = h.at;
        std::string key = quoted(h);
        expect(h, ':');
        if (key == "descr" && !haveDescr) {
            skipSpaces(h);
            if (h.at < h.end && h.bytes[h.at] == '[') {
                failAtByte(h.name, h.at, "structured arrays (records) are not height data");
            }
            header.descr = quoted(h);
            haveDescr = true;
        } else if (key == "fortran_order" && !haveOrder) {
            if (word(h, "True")) {
                header.fortranOrder = true;
            } else if (!word(h, "False")) {
                failAtByte(h.name, h.at, "fortran_order must be True or False");
            }
            haveOrder = true;
        } else if (key == "shape" && !haveShape) {
            header.shape = shapeTuple(h);
            haveShape = true;
        } else {
            failAtByte(h.name, keyAt, "unexpected key " + quotedExcerpt(key) + " in the .npy header");
        }
        if (!next(h, ',')) {
            expect(h, '}');
            break;
        }
    }
    if (!haveDescr || !haveOrder || !haveShape) {
        failAtByte(h.name, h.at, "the .npy header lacks descr, fortran_order or shape");
    }
}

static void parseDescr(NpyHeader &header, const std::string &name, size_t byte)
{
    const std::string &d = header.descr;
    size_t k = 0;
    if (k < d.size() && (d[k] == '<' || d[k] == '>' || d[k] == '|' || d[k] == '=')) {
        header.bigEndian = d[k] == '>';
        ++k;
    }
    header.kind = k < d.size() ? d[k] : 0;
    std::string size = k < d.size() ? d.substr(k + 1) : "";
    header.size = size == "1" ? 1 : size == "2" ? 2 : size == "4" ? 4 : size == "8" ? 8 : 0;
    bool integer = header.kind == 'i' || header.kind == 'u';
    if (!(integer && header.size > 0) && !(header.kind == 'f' && header.size > 1)) {
        failAtByte(name, byte,
                   "dtype " + quotedExcerpt(d) + " is not read: integers (i1..i8, u1..u8) and floats (f2, f4, f8) are");
    }
}

static std::string shapeText(const std::vector<uint64_t> &shape)
{
    std::string text = "(";
    for (size_t k = 0; k < shape.size(); ++k) {
        text += (k ? ", " : "") + std::to_string(shape[k]);
    }
    return text + (shape.size() == 1 ? ",)" : ")");
}

// IEEE half precision, exactly as a double.
static double halfValue(uint16_t h)
{
    int exponent = (h >> 10) & 31;
    double magnitude = exponent == 0    ? std::ldexp(h & 1023, -24)
                       : exponent == 31 ? ((h & 1023) ? NAN : HUGE_VAL)
                                        : std::ldexp((h & 1023) | 1024, exponent - 25);
    return (h & 0x8000) ? -magnitude : magnitude;
}

// The element at p as a double; *exact is false for a 64-bit integer that
// a double cannot hold (above 2^53, and not a multiple of a large enough
// power of two).
static double decode(const NpyHeader &header, const unsigned char *p, bool *exact)
{
    *exact = true;
    uint64_t bits = 0;
    for (int k = 0; k < header.size; ++k) {
        int b = header.bigEndian ? k : header.size - 1 - k;
        bits = bits << 8 | p[b];
    }
    if (header.kind == 'u') {
        double v = static_cast<double>(bits);
        *exact = v < 18446744073709551616.0 && static_cast<uint64_t>(v) == bits;
        return v;
    }
    if (header.kind == 'i') {
        int shift = 64 - 8 * header.size;  // sign-extend
        int64_t i = static_cast<int64_t>(bits << shift) >> shift;
        double v = static_cast<double>(i);
        *exact = v < 9223372036854775808.0 && static_cast<int64_t>(v) == i;
        return v;
    }
    if (header.size == 2) {
        return halfValue(static_cast<uint16_t>(bits));
    }
    if (header.size == 4) {
        float f;
        uint32_t b32 = static_cast<uint32_t>(bits);
        std::memcpy(&f, &b32, 4);
        return f;
    }
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// A 64-bit integer element as the file holds it, in decimal.
static std::string integerText(const NpyHeader &header, const unsigned char *p)
{
    uint64_t bits = 0;
    for (int k = 0; k < header.size; ++k) {
        bits = bits << 8 | p[header.bigEndian ? k : header.size - 1 - k];
    }
    return header.kind == 'u' ? std::to_string(bits) : std::to_string(static_cast<int64_t>(bits));
}

// Reads the array elements in the array's own index order into samples.
// A height may be NaN or infinite (no-data); x and y may not.
struct ArrayReader {
    const NpyHeader &header;
    const unsigned char *data;
    const std::string &name;

    double at(uint64_t i0, uint64_t i1, uint64_t i2 = 0, bool height = true) const
    {
        const std::vector<uint64_t> &s = header.shape;
        uint64_t d1 = s[1], d2 = s.size() > 2 ? s[2] : 1;
        uint64_t index = header.fortranOrder ? i0 + s[0] * (i1 + d1 * i2) : (i0 * d1 + i1) * d2 + i2;
        bool exact;
        double v = decode(header, data + index * header.size, &exact);
        if ((!height && !std::isfinite(v)) || !exact) {
            std::string where = "[" + std::to_string(i0) + ", " + std::to_string(i1) +
                                (s.size() > 2 ? ", " + std::to_string(i2) : "") + "]";
            throw Failure(displayName(name) + ": sample " + where + " is " +
                          (exact ? formatNumber(v) + ", but x and y must be finite numbers"
                                 : integerText(header, data + index * header.size) +
                                       ", which a double cannot hold exactly"));
        }
        return v;
    }
};

static Samples arraySamples(const NpyHeader &header, const unsigned char *data, const std::string &name,
                            bool planes)
{
    ArrayReader array{header, data, name};
    const std::vector<uint64_t> &shape = header.shape;
    Samples s;
    if (shape.size() == 2) {
        s.resize(static_cast<long>(shape[0]), static_cast<long>(shape[1]));
        for (long r = 0; r < s.lines(); ++r) {
            for (long c = 0; c < s.perLine(); ++c) {
                s.at(r, c) = array.at(r, c);
            }
        }
        return s;
    }
    s.xyz = true;
    s.resize(static_cast<long>(planes ? shape[1] : shape[0]), static_cast<long>(planes ? shape[2] : shape[1]));
    for (long r = 0; r < s.lines(); ++r) {
        for (long c = 0; c < s.perLine(); ++c) {
            for (int k = 0; k < 3; ++k) {
                s.at(r, c, k) = planes ? array.at(k, r, c, k == 2) : array.at(r, c, k, k == 2);
            }
        }
    }
    return s;
}

bool arrayLayoutNamed(const std::string &name, ArrayLayout *layout)
{
    if (name == "xyz-first" || name == "xyz-last") {
        *layout = name == "xyz-first" ? ArrayLayout::XyzFirst : ArrayLayout::XyzLast;
        return true;
    }
    return false;
}

// (3, R, C) or (R, C, 3): from the shape, or from --layout where the shape
// could be either.
static bool planesFirst(const std::vector<uint64_t> &shape, ArrayLayout layout, const std::string &name,
                        size_t start)
{
    const bool first = shape[0] == 3, last = shape[2] == 3;
    if (layout == ArrayLayout::Unsaid && first && last) {
        failAtByte(name, start, "shape " + shapeText(shape) + " could be x y z as (3, R, C) or as (R, C, 3): "
                                    "say which with --layout xyz-first or --layout xyz-last");
    }
    if ((layout == ArrayLayout::XyzFirst && !first) || (layout == ArrayLayout::XyzLast && !last)) {
        failAtByte(name, start, "shape " + shapeText(shape) + " is not " +
                                    (layout == ArrayLayout::XyzFirst ? "(3, R, C) (--layout xyz-first)"
                                                                     : "(R, C, 3) (--layout xyz-last)"));
    }
    return layout == ArrayLayout::Unsaid ? first : layout == ArrayLayout::XyzFirst;
}

Samples readNpy(const std::vector<unsigned char> &bytes, const std::string &name, ArrayLayout layout)
{
    if (bytes.size() < 6 || std::memcmp(bytes.data(), "\x93NUMPY", 6) != 0) {
        failAtByte(name, 0, "not a NumPy .npy file (no \\x93NUMPY at the start)");
    }
    if (bytes.size() < 8) {
        failAtByte(name, bytes.size(), "the .npy header is cut short");
    }
    if (bytes[6] < 1 || bytes[6] > 3) {
        failAtByte(name, 6, ".npy version " + std::to_string(bytes[6]) + "." + std::to_string(bytes[7]) +
                                " is not read (1.0, 2.0 and 3.0 are)");
    }
    if (bytes.size() < (bytes[6] == 1 ? 10u : 12u)) {
        failAtByte(name, bytes.size(), "the .npy header is cut short");
    }
    size_t start = bytes[6] == 1 ? 10 : 12;
    uint64_t length = bytes[8] | bytes[9] << 8;
    if (bytes[6] >= 2) {
        length |= static_cast<uint64_t>(bytes[10]) << 16 | static_cast<uint64_t>(bytes[11]) << 24;
    }
    if (length > bytes.size() - start) {
        failAtByte(name, 8, "the header length " + std::to_string(length) + " runs past the end of the file");
    }
    HeaderText h{bytes, start, start + static_cast<size_t>(length), name};
    NpyHeader header;
    parseDict(h, header);
    parseDescr(header, name, start);

    const std::vector<uint64_t> &shape = header.shape;
    const bool xyz = shape.size() == 3 && (shape[0] == 3 || shape[2] == 3);
    if (shape.size() != 2 && !xyz) {
        failAtByte(name, start, "shape " + shapeText(shape) + " is neither a height matrix (R, C) " +
                                    "nor x y z as (3, R, C) or (R, C, 3)");
    }
    uint64_t needed = header.size;
    for (uint64_t n : shape) {
        if (__builtin_mul_overflow(needed, n, &needed)) {
            failAtByte(name, start, "shape " + shapeText(shape) + " is too large");
        }
    }
    const uint64_t data = start + length, have = bytes.size() - data;
    if (needed != have) {
        failAtByte(name, data, "shape " + shapeText(shape) + " of " + quotedExcerpt(header.descr) + " needs " +
                                   std::to_string(needed) + " bytes of data, the file has " +
                                   std::to_string(have) + (needed > have ? " (cut short)" : ""));
    }
    if (shape.size() == 2 && layout != ArrayLayout::Unsaid) {
        failAtByte(name, start, "shape " + shapeText(shape) + " is a height matrix; --layout is for x y z arrays");
    }
    const bool planes = shape.size() == 3 && planesFirst(shape, layout, name, start);
    return arraySamples(header, bytes.data() + data, name, planes);
}
