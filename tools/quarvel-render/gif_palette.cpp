#include "quarvel-render/gif_palette.h"

#include <algorithm>
#include <cmath>

static constexpr std::uint32_t emptySlot = 0xffffffffu;
static constexpr int cellBits = 6;
static constexpr int cellCount = 1 << (3 * cellBits);

struct Cell {
    std::uint32_t index;  // r, g, b cell coordinates of cellBits each
    std::uint32_t count;
    std::uint64_t sum[3];
};

struct Box {
    std::size_t begin, end;  // its cells
    std::uint64_t count;
    int side;  // longest side, in cells
    int channel;  // along which
};

static std::uint32_t key(const unsigned char *pixel)
{
    return std::uint32_t(pixel[0]) << 16 | std::uint32_t(pixel[1]) << 8 | pixel[2];
}

static std::uint32_t cellOf(int r, int g, int b)
{
    const int shift = 8 - cellBits;
    return std::uint32_t(r >> shift) << (2 * cellBits) | std::uint32_t(g >> shift) << cellBits | std::uint32_t(b >> shift);
}

static int coordinate(std::uint32_t cell, int channel)
{
    return int(cell >> ((2 - channel) * cellBits)) & ((1 << cellBits) - 1);
}

static std::size_t slotOf(std::uint32_t colour)
{
    return (colour * 2654435761u) >> 22;  // 10 bits: gifExactSlots
}

// The slot holding colour, or the empty slot where it would go.
static std::size_t findSlot(const std::uint32_t *keys, std::uint32_t colour)
{
    std::size_t slot = slotOf(colour);
    while (keys[slot] != colour && keys[slot] != emptySlot) {
        slot = (slot + 1) % gifExactSlots;
    }
    return slot;
}

// Up to gifPaletteMax distinct colours into keys; false once there are more.
static bool collectExact(const unsigned char *rgb, std::size_t pixels, std::uint32_t *keys)
{
    std::fill(keys, keys + gifExactSlots, emptySlot);
    int distinct = 0;
    std::uint32_t last = emptySlot;
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t colour = key(rgb + 3 * i);
        if (colour == last) {
            continue;
        }
        last = colour;
        const std::size_t slot = findSlot(keys, colour);
        if (keys[slot] == emptySlot) {
            if (++distinct > gifPaletteMax) {
                return false;
            }
            keys[slot] = colour;
        }
    }
    return true;
}

static std::vector<Cell> histogram(const unsigned char *rgb, std::size_t pixels)
{
    // 8 MiB, kept for the thread's next frame rather than made and cleared
    // for every frame; the cells met are listed as they are met, and only
    // those are read and cleared after use.
    thread_local std::vector<Cell> dense(cellCount, Cell{0, 0, {0, 0, 0}});
    std::vector<std::uint32_t> met;
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char *p = rgb + 3 * i;
        const std::uint32_t index = cellOf(p[0], p[1], p[2]);
        Cell &cell = dense[index];
        if (cell.count++ == 0) {
            met.push_back(index);
        }
        cell.sum[0] += p[0];
        cell.sum[1] += p[1];
        cell.sum[2] += p[2];
    }
    // In no particular order: the first cut sorts them.
    std::vector<Cell> cells;
    cells.reserve(met.size());
    for (std::uint32_t index : met) {
        dense[index].index = index;
        cells.push_back(dense[index]);
        dense[index] = Cell{0, 0, {0, 0, 0}};
    }
    return cells;
}

static Box makeBox(const std::vector<Cell> &cells, std::size_t begin, std::size_t end)
{
    Box box{begin, end, 0, 0, 0};
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (std::size_t i = begin; i < end; ++i) {
        box.count += cells[i].count;
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], coordinate(cells[i].index, c));
            high[c] = std::max(high[c], coordinate(cells[i].index, c));
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (high[c] - low[c] > box.side) {
            box.side = high[c] - low[c];
            box.channel = c;
        }
    }
    return box;
}

// Cuts box along its longest side where half its pixels lie on either
// side, at a boundary between cell coordinates so the two boxes are apart.
static std::size_t medianCut(std::vector<Cell> &cells, const Box &box)
{
    const int c = box.channel;
    std::sort(cells.begin() + box.begin, cells.begin() + box.end, [c](const Cell &a, const Cell &b) {
        const int ca = coordinate(a.index, c), cb = coordinate(b.index, c);
        return ca != cb ? ca < cb : a.index < b.index;
    });
    std::uint64_t below = cells[box.begin].count;
    std::size_t cut = box.begin + 1;
    while (cut < box.end - 1 && below * 2 < box.count) {
        below += cells[cut++].count;
    }
    auto at = [&](std::size_t i) { return coordinate(cells[i].index, c); };
    if (cut < box.end && at(cut) == at(cut - 1)) {
        std::size_t up = cut, down = cut - 1;
        while (up < box.end && at(up) == at(cut - 1)) {
            ++up;
        }
        while (down > box.begin && at(down - 1) == at(cut - 1)) {
            --down;
        }
        cut = up < box.end ? up : down;  // the side has two coordinates at least
    }
    return cut;
}

static std::vector<unsigned char> medianCutPalette(const unsigned char *rgb, std::size_t pixels)
{
    std::vector<Cell> cells = histogram(rgb, pixels);
    std::vector<Box> boxes{makeBox(cells, 0, cells.size())};
    while (boxes.size() < gifPaletteMax) {
        auto score = [](const Box &b) { return b.count * std::uint64_t(b.side); };
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [&](const Box &a, const Box &b) { return score(a) < score(b); });
        if (score(*widest) == 0) {
            break;  // every box is one cell
        }
        const Box box = *widest;
        const std::size_t cut = medianCut(cells, box);
        *widest = makeBox(cells, box.begin, cut);
        boxes.push_back(makeBox(cells, cut, box.end));
    }
    std::vector<unsigned char> palette;
    for (const Box &box : boxes) {
        std::uint64_t sum[3] = {0, 0, 0};
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += cells[i].sum[c];
            }
        }
        for (int c = 0; c < 3; ++c) {
            palette.push_back(static_cast<unsigned char>((sum[c] + box.count / 2) / box.count));
        }
    }
    return palette;
}

// The distance from an entry to its nearest other, the median over the
// palette: the step between neighbouring shades.
static double paletteStep(const std::vector<unsigned char> &rgb)
{
    const std::size_t entries = rgb.size() / 3;
    if (entries < 2) {
        return 0;
    }
    std::vector<int> nearest(entries, 3 * 255 * 255);
    for (std::size_t i = 0; i < entries; ++i) {
        for (std::size_t j = 0; j < entries; ++j) {
            int d = 0;
            for (int c = 0; c < 3; ++c) {
                d += (rgb[3 * i + c] - rgb[3 * j + c]) * (rgb[3 * i + c] - rgb[3 * j + c]);
            }
            if (i != j && d) {
                nearest[i] = std::min(nearest[i], d);
            }
        }
    }
    std::nth_element(nearest.begin(), nearest.begin() + entries / 2, nearest.end());
    return std::sqrt(double(nearest[entries / 2]));
}

GifPalette makeGifPalette(const unsigned char *rgb, std::size_t pixels)
{
    GifPalette palette;
    if (collectExact(rgb, pixels, palette.exactKey)) {
        std::vector<std::uint32_t> colours;
        for (std::uint32_t k : palette.exactKey) {
            if (k != emptySlot) {
                colours.push_back(k);
            }
        }
        std::sort(colours.begin(), colours.end());
        for (std::uint32_t k : colours) {
            palette.rgb.insert(palette.rgb.end(), {static_cast<unsigned char>(k >> 16),
                                                   static_cast<unsigned char>(k >> 8), static_cast<unsigned char>(k)});
        }
    } else {
        palette.rgb = medianCutPalette(rgb, pixels);
    }
    std::fill(std::begin(palette.exactKey), std::end(palette.exactKey), emptySlot);
    for (std::size_t i = 0; i < palette.rgb.size() / 3; ++i) {
        const std::size_t slot = findSlot(palette.exactKey, key(&palette.rgb[3 * i]));
        if (palette.exactKey[slot] == emptySlot) {
            palette.exactKey[slot] = key(&palette.rgb[3 * i]);
            palette.exactEntry[slot] = static_cast<std::int16_t>(i);
        }
    }
    palette.byGreen.resize(palette.rgb.size() / 3);
    for (std::size_t i = 0; i < palette.byGreen.size(); ++i) {
        palette.byGreen[i] = static_cast<unsigned char>(i);
    }
    std::stable_sort(palette.byGreen.begin(), palette.byGreen.end(),
                     [&](unsigned char a, unsigned char b) { return palette.rgb[3 * a + 1] < palette.rgb[3 * b + 1]; });
    palette.nearest.assign(cellCount, -1);
    // Bayer's 8 x 8 order, spread over one palette step around zero.
    const double step = paletteStep(palette.rgb);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            int order = 0;
            for (int bit = 2; bit >= 0; --bit) {
                const int bx = (x >> (2 - bit)) & 1, by = (y >> (2 - bit)) & 1;
                order |= ((bx ^ by) << (2 * bit + 1)) | (by << (2 * bit));
            }
            palette.dither[8 * y + x] = static_cast<int>(std::lround((order + 0.5) / 64.0 * step - step / 2));
        }
    }
    return palette;
}

// The entry nearest the cell's centre, the first of equals.  Entries are
// met in order of their distance in green from the centre, outward both
// ways, and a side is done once green alone puts it farther than the best:
// a few dozen entries looked at, not all 256.
static std::int16_t nearestEntry(const GifPalette &palette, std::uint32_t cell)
{
    // The centre, in units of half a level.
    const int shift = 8 - cellBits;
    int centre[3];
    for (int c = 0; c < 3; ++c) {
        centre[c] = (coordinate(cell, c) << (shift + 1)) + (1 << shift) - 1;
    }
    const unsigned char *rgb = palette.rgb.data();
    const std::vector<unsigned char> &order = palette.byGreen;
    auto greenGap = [&](std::size_t k) { return 2 * rgb[3 * order[k] + 1] - centre[1]; };
    long best = -1;
    int bestEntry = 0;
    auto consider = [&](int entry) {
        long d = 0;
        for (int c = 0; c < 3; ++c) {
            const long delta = 2 * rgb[3 * entry + c] - centre[c];
            d += delta * delta;
        }
        if (best < 0 || d < best || (d == best && entry < bestEntry)) {
            best = d;
            bestEntry = entry;
        }
    };
    std::size_t up = std::size_t(std::partition_point(order.begin(), order.end(), [&](unsigned char entry) {
                         return 2 * rgb[3 * entry + 1] < centre[1];
                     }) - order.begin());
    std::size_t down = up;  // entries below down, from down - 1 on, are still to see
    while (true) {
        const long gapUp = up < order.size() ? long(greenGap(up)) : -1;
        const long gapDown = down > 0 ? long(-greenGap(down - 1)) : -1;
        const bool upOpen = gapUp >= 0 && (best < 0 || gapUp * gapUp <= best);
        const bool downOpen = gapDown >= 0 && (best < 0 || gapDown * gapDown <= best);
        if (!upOpen && !downOpen) {
            break;
        }
        if (upOpen && (!downOpen || gapUp <= gapDown)) {
            consider(order[up++]);
        } else {
            consider(order[--down]);
        }
    }
    return static_cast<std::int16_t>(bestEntry);
}

void mapGifRow(GifPalette &palette, const unsigned char *rgb, int width, int y, unsigned char *indices)
{
    const int *dither = palette.dither + 8 * (y & 7);
    std::uint32_t lastExact = emptySlot;  // runs of background skip the search
    unsigned char lastEntry = 0;
    for (int x = 0; x < width; ++x) {
        const unsigned char *p = rgb + 3 * x;
        const std::uint32_t colour = key(p);
        if (colour == lastExact) {
            indices[x] = lastEntry;
            continue;
        }
        const std::size_t slot = findSlot(palette.exactKey, colour);
        if (palette.exactKey[slot] != emptySlot) {
            lastExact = colour;
            lastEntry = indices[x] = static_cast<unsigned char>(palette.exactEntry[slot]);
            continue;
        }
        const int d = dither[x & 7];
        const std::uint32_t cell = cellOf(std::clamp(p[0] + d, 0, 255), std::clamp(p[1] + d, 0, 255),
                                          std::clamp(p[2] + d, 0, 255));
        std::int16_t &entry = palette.nearest[cell];
        if (entry < 0) {
            entry = nearestEntry(palette, cell);
        }
        indices[x] = static_cast<unsigned char>(entry);
    }
}
