// A palette of up to 256 colours for a frame of an animated GIF, made by
// median cut over a 6-bit-a-channel histogram, and the mapping of the
// frame onto it: a table over the histogram's cells,
// filled as cells are met, behind an ordered dither that breaks the bands
// of smooth shading.  Colours the palette holds exactly (background, text,
// lines) map to themselves, undithered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int gifPaletteMax = 256;
constexpr int gifExactSlots = 1024;  // open addressing, at most a quarter full

struct GifPalette {
    std::vector<unsigned char> rgb;  // 3 bytes an entry, at most gifPaletteMax entries
    std::uint32_t exactKey[gifExactSlots];  // 0xRRGGBB of each entry, or emptySlot
    std::int16_t exactEntry[gifExactSlots];
    std::vector<std::int16_t> nearest;  // per histogram cell: entry, or -1 until met
    std::vector<unsigned char> byGreen;  // entries in increasing order of green
    int dither[64];  // 8 x 8 Bayer offsets, added to all three channels
};

// The palette for pixels (RGB, 3 bytes each).  If they hold at most 256
// colours, exactly those, in increasing 0xRRGGBB order.
GifPalette makeGifPalette(const unsigned char *rgb, std::size_t pixels);

// Palette indices of one row of width RGB pixels; y is the row's place in
// the picture, for the dither pattern.
void mapGifRow(GifPalette &palette, const unsigned char *rgb, int width, int y, unsigned char *indices);
