// The usual PNG of heights, decoded whole with libdeflate: grey, or grey
// and alpha, 8 or 16 bits, not interlaced, in a 32 KiB zlib window.
//
// Inflating is most of the time a large PNG takes to read, and libdeflate
// inflates a whole buffer about twice as fast as zlib, which libpng is
// bound to.  This walks the chunks, checks every checksum and size, and
// undoes the row filters; anything it does not take exactly as it is
// (another kind of image, a chunk libpng would stop at, a bad checksum,
// data that does not fill the image exactly) it leaves to libpng, which
// reads the file as before, so errors and their messages stay libpng's.
// libpng reads every image this takes to the same samples: the image
// reader's fuzz target holds the two to that.
#include "image_common.h"
#include "raster.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// libpng's default limits (pnglibconf.h): the longest side, and the
// largest chunk other than image data it reads before giving up.
constexpr uint32_t longestSide = 1000000;
constexpr uint32_t largestChunk = 8000000;

struct Header {
    uint32_t width = 0, height = 0;
    int depth = 0, channels = 0;  // bits a sample; 1 grey, 2 grey and alpha
};

struct FreeDecompressor {
    void operator()(libdeflate_decompressor *d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

static uint32_t bigEndian32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

static bool isLetter(unsigned char c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }

static bool takeHeader(const unsigned char *d, Header &h)
{
    h.width = bigEndian32(d);
    h.height = bigEndian32(d + 4);
    h.depth = d[8];
    const int type = d[9];
    h.channels = type == 0 ? 1 : type == 4 ? 2 : 0;
    return h.width >= 1 && h.width <= longestSide && h.height >= 1 && h.height <= longestSide &&
           (h.depth == 8 || h.depth == 16) && h.channels > 0 && d[10] == 0 && d[11] == 0 && d[12] == 0;
}

static size_t rowBytes(const Header &h) { return size_t(h.width) * size_t(h.channels) * size_t(h.depth / 8); }

// The most image data libpng takes in one chunk (its png_check_chunk_length).
static uint64_t imageChunkLimit(const Header &h)
{
    const uint64_t rowFactor = rowBytes(h) + 1;
    uint64_t limit = uint64_t(h.height) * rowFactor;
    limit += 6 + 5 * (limit / std::min<uint64_t>(rowFactor, 32566) + 1);
    return std::max<uint64_t>(std::min<uint64_t>(limit, 0x7fffffff), largestChunk);
}

// The image data of the chunks from IHDR to IEND, in order; false for a
// file libpng should judge.
static bool walkChunks(const std::vector<unsigned char> &bytes, Header &h,
                       std::vector<std::pair<const unsigned char *, size_t>> &data)
{
    static const unsigned char signature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), signature, 8) != 0) {
        return false;
    }
    const unsigned char *p = bytes.data() + 8, *end = bytes.data() + bytes.size();
    bool dataEnded = false;
    for (bool first = true;; first = false) {
        if (end - p < 12) {
            return false;
        }
        const uint32_t length = bigEndian32(p);
        const unsigned char *type = p + 4, *body = p + 8;
        if (length > 0x7fffffff || size_t(end - body - 4) < length ||
            !std::all_of(type, type + 4, isLetter)) {
            return false;
        }
        const bool critical = !(type[0] & 32), image = std::memcmp(type, "IDAT", 4) == 0;
        if (length > (image && !first ? imageChunkLimit(h) : largestChunk) ||
            (critical && libdeflate_crc32(0, type, length + 4) != bigEndian32(body + length))) {
            return false;
        }
        p = body + length + 4;
        if (first) {
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13 || !takeHeader(body, h)) {
                return false;
            }
        } else if (image) {
            if (dataEnded) {
                return false;  // image data in two runs
            }
            data.emplace_back(body, length);
        } else {
            dataEnded = !data.empty();
            if (std::memcmp(type, "IEND", 4) == 0) {
                return dataEnded;
            }
            if (critical) {
                return false;  // PLTE, a second IHDR, or one nobody knows
            }
        }
    }
}

static bool inflateAll(const std::vector<std::pair<const unsigned char *, size_t>> &data, unsigned char *out,
                       size_t size)
{
    std::vector<unsigned char> joined;
    const unsigned char *in = data[0].first;
    size_t inSize = data[0].second;
    if (data.size() > 1) {
        for (const auto &chunk : data) {
            joined.insert(joined.end(), chunk.first, chunk.first + chunk.second);
        }
        in = joined.data();
        inSize = joined.size();
    }
    // A window of 32 KiB: a smaller one would make zlib refuse distances
    // that libdeflate, which keeps the whole output, would follow.
    if (inSize < 2 || (in[0] & 0x0f) != 8 || in[0] >> 4 != 7) {
        return false;
    }
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> d(libdeflate_alloc_decompressor());
    size_t used = 0, made = 0;
    return d && libdeflate_zlib_decompress_ex(d.get(), in, inSize, out, size, &used, &made) == LIBDEFLATE_SUCCESS &&
           used == inSize && made == size;
}

static int paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes row y's filter in place, given the row above (zeros for the
// first); false for a filter PNG does not have.
static bool unfilter(unsigned char *row, const unsigned char *above, size_t size, size_t step)
{
    const int filter = row[-1];
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (size_t i = step; i < size; ++i) row[i] = static_cast<unsigned char>(row[i] + row[i - step]);
        return true;
    case 2:
        for (size_t i = 0; i < size; ++i) row[i] = static_cast<unsigned char>(row[i] + above[i]);
        return true;
    case 3:
        for (size_t i = 0; i < size; ++i) {
            row[i] = static_cast<unsigned char>(row[i] + ((i < step ? 0 : row[i - step]) + above[i]) / 2);
        }
        return true;
    case 4:
        for (size_t i = 0; i < size; ++i) {
            const int left = i < step ? 0 : row[i - step], corner = i < step ? 0 : above[i - step];
            row[i] = static_cast<unsigned char>(row[i] + paeth(left, above[i], corner));
        }
        return true;
    }
    return false;
}

bool readPngWhole(const std::vector<unsigned char> &bytes, const std::string &name, Raster &r)
{
    Header h;
    std::vector<std::pair<const unsigned char *, size_t>> data;
    if (!walkChunks(bytes, h, data)) {
        return false;
    }
    const long width = long(h.width), height = long(h.height);
    pixelCount(name, width, height);  // libpng's reading says the same
    const size_t size = rowBytes(h), step = size / h.width;
    if (!pngMayHold(bytes.size(), height, size)) {
        return false;
    }
    std::vector<unsigned char, Uninitialised<unsigned char>> rows((size + 1) * h.height);
    if (!inflateAll(data, rows.data(), rows.size())) {
        return false;
    }
    const std::vector<unsigned char> zeros(size);
    Values samples(size_t(width) * size_t(height));
    unsigned low = 65535, high = 0;
    for (long y = 0; y < height; ++y) {
        unsigned char *row = rows.data() + size_t(y) * (size + 1) + 1;
        if (!unfilter(row, y == 0 ? zeros.data() : row - size - 1, size, step)) {
            return false;
        }
        double *out = samples.data() + size_t(y) * size_t(width);
        if (h.depth == 16) {
            for (long x = 0; x < width; ++x) {
                const unsigned char *at = row + size_t(x) * step;
                const unsigned v = unsigned(at[0]) << 8 | at[1];
                low = std::min(low, v);
                high = std::max(high, v);
                out[x] = v;
            }
        } else {
            for (long x = 0; x < width; ++x) {
                const unsigned v = row[size_t(x) * step];
                low = std::min(low, v);
                high = std::max(high, v);
                out[x] = v;
            }
        }
    }
    r.width = width;
    r.height = height;
    r.samples = std::move(samples);
    r.rangeKnown = true;
    r.lowest = low;
    r.highest = high;
    return true;
}
