// Netpbm grey maps, read by hand: P2 (samples as decimal text) and P5 (raw
// bytes, two per sample, most significant first, when maxval exceeds 255).
// The header is "P2" or "P5", the width, the height and maxval (1..65535),
// separated by white space, with "#" comments to the end of a line (LF, CR
// LF or a lone CR); P5 samples start after one white space character, the
// line end of a comment that follows maxval if there is one.  Samples are
// the file's integers as they are, not scaled by maxval: they are heights.
//
// The reading is strict: a sample above maxval, a file that ends early or
// holds more than the header says is refused, naming the byte (P5) or the
// line and sample (P2).
#include "image_common.h"
#include "raster.h"

#include <algorithm>
#include <string>

namespace {

struct Cursor {
    const std::vector<unsigned char> &bytes;
    const std::string &name;
    size_t at = 0;
    long line = 1;  // for P2 messages
};

}  // namespace

static bool isSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

static bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// A '#' comment at the cursor, up to its line end (not skipped).
static void skipComment(Cursor &in)
{
    const std::vector<unsigned char> &b = in.bytes;
    if (in.at < b.size() && b[in.at] == '#') {
        while (in.at < b.size() && b[in.at] != '\n' && b[in.at] != '\r') {
            ++in.at;
        }
    }
}

// Skips white space and comments, counting lines: LF, CR LF or a lone CR.
static void skipBlanks(Cursor &in)
{
    const std::vector<unsigned char> &b = in.bytes;
    while (in.at < b.size()) {
        if (b[in.at] == '#') {
            skipComment(in);
        } else if (isSpace(b[in.at])) {
            bool crLf = b[in.at] == '\r' && in.at + 1 < b.size() && b[in.at + 1] == '\n';
            in.line += (b[in.at] == '\n' || b[in.at] == '\r') && !crLf;
            ++in.at;
        } else {
            return;
        }
    }
}

static std::string describe(const Cursor &in)
{
    if (in.at >= in.bytes.size()) {
        return "the end of the file";
    }
    unsigned char c = in.bytes[in.at];
    if (c >= 0x20 && c < 0x7f) {
        return std::string("'") + char(c) + "'";
    }
    return "byte value " + std::to_string(c);
}

// A decimal number below limit at the cursor; false if there is no digit
// there.  *tooLarge is set when it reaches the limit.
static bool number(Cursor &in, long limit, long *value, bool *tooLarge)
{
    const std::vector<unsigned char> &b = in.bytes;
    if (in.at >= b.size() || !isDigit(b[in.at])) {
        return false;
    }
    long v = 0;
    *tooLarge = false;
    for (; in.at < b.size() && isDigit(b[in.at]); ++in.at) {
        v = v * 10 + (b[in.at] - '0');
        if (v >= limit) {
            *tooLarge = true;
            v = limit;
        }
    }
    *value = v;
    return true;
}

static long headerField(Cursor &in, const char *what, long limit)
{
    skipBlanks(in);
    size_t start = in.at;
    long value;
    bool tooLarge;
    if (!number(in, limit, &value, &tooLarge)) {
        imageFail(in.name, "byte " + std::to_string(in.at) + ": expected the " + what +
                               " of the PGM header, found " + describe(in));
    }
    if (tooLarge || value == 0) {
        imageFail(in.name, "byte " + std::to_string(start) + ": the PGM " + what + " " +
                               (tooLarge ? "is too large" : "is 0"));
    }
    if (in.at < in.bytes.size() && !isSpace(in.bytes[in.at]) && in.bytes[in.at] != '#') {
        imageFail(in.name, "byte " + std::to_string(in.at) + ": expected white space after the "
                               "PGM " + what + ", found " + describe(in));
    }
    return value;
}

static void readRaw(Cursor &in, Raster &r, long maxval)
{
    int width = maxval > 255 ? 2 : 1;
    size_t need = size_t(r.width * r.height) * width;
    size_t have = in.bytes.size() - in.at;
    if (have != need) {
        imageFail(in.name, "byte " + std::to_string(in.at + std::min(have, need)) + ": " +
                               (have < need ? "the file ends early: " : "data after the last sample: ") +
                               std::to_string(r.width) + " x " + std::to_string(r.height) +
                               " samples need " + std::to_string(need) + " bytes, the file has " +
                               std::to_string(have));
    }
    pixelCount(in.name, r.width, r.height);
    const unsigned char *p = in.bytes.data() + in.at;
    r.samples.resize(size_t(r.width * r.height));
    for (size_t k = 0; k < r.samples.size(); ++k) {
        long v = width == 2 ? p[2 * k] << 8 | p[2 * k + 1] : p[k];
        if (v > maxval) {
            imageFail(in.name, "byte " + std::to_string(in.at + k * width) + ": sample " +
                                   std::to_string(v) + " is above maxval " + std::to_string(maxval));
        }
        r.samples[k] = double(v);
    }
}

static std::string sampleAt(const Cursor &in, size_t k)
{
    return "line " + std::to_string(in.line) + ": sample " + std::to_string(k + 1);
}

static void readPlain(Cursor &in, Raster &r, long maxval)
{
    size_t count = size_t(r.width * r.height);
    // Each sample takes a digit and a separator: a header that promises more
    // than the file can hold is refused before anything is allocated.
    if (count > (in.bytes.size() - in.at + 1) / 2) {
        imageFail(in.name, "line " + std::to_string(in.line) + ": the header promises " +
                               std::to_string(r.width) + " x " + std::to_string(r.height) +
                               " samples, more than the file's " +
                               std::to_string(in.bytes.size()) + " bytes can hold");
    }
    pixelCount(in.name, r.width, r.height);
    r.samples.resize(count);
    for (size_t k = 0; k <= count; ++k) {
        skipBlanks(in);
        long value;
        bool tooLarge;
        if (k == count) {
            if (in.at < in.bytes.size()) {
                imageFail(in.name, sampleAt(in, k) + ": " + describe(in) + " after the last of the " +
                                       std::to_string(r.width) + " x " + std::to_string(r.height) +
                                       " samples");
            }
            break;
        }
        if (!number(in, maxval + 1, &value, &tooLarge)) {
            imageFail(in.name, sampleAt(in, k) + ": expected a sample, found " + describe(in));
        }
        if (tooLarge) {
            imageFail(in.name, sampleAt(in, k) + ": above maxval " + std::to_string(maxval));
        }
        if (in.at < in.bytes.size() && !isSpace(in.bytes[in.at]) && in.bytes[in.at] != '#') {
            imageFail(in.name, sampleAt(in, k) + ": expected white space after it, found " + describe(in));
        }
        r.samples[k] = double(value);
    }
}

Raster readPgm(const std::vector<unsigned char> &bytes, const std::string &name)
{
    Cursor in{bytes, name};
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '2' && bytes[1] != '5')) {
        imageFail(name, "byte 0: not a PGM file (it starts with neither P2 nor P5)");
    }
    bool raw = bytes[1] == '5';
    in.at = 2;
    if (in.at < bytes.size() && !isSpace(bytes[in.at]) && bytes[in.at] != '#') {
        imageFail(name, "byte 2: expected white space after P" + std::string(1, char(bytes[1])) +
                            ", found " + describe(in));
    }
    Raster r;
    r.width = headerField(in, "width", 1L << 31);
    r.height = headerField(in, "height", 1L << 31);
    long maxval = headerField(in, "maxval", 65536);
    if (raw) {
        // Exactly one white space character ends the header: the line end
        // of a comment right after maxval is that character.
        skipComment(in);
        if (in.at >= bytes.size() || !isSpace(bytes[in.at])) {
            imageFail(name, "byte " + std::to_string(in.at) +
                                ": expected one white space character after maxval, found " +
                                describe(in));
        }
        ++in.at;
        readRaw(in, r, maxval);
    } else {
        readPlain(in, r, maxval);
    }
    return r;
}
