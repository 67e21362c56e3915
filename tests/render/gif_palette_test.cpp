// The animated GIF's palette: a frame's own colours kept when they fit,
// smooth shading mapped closely over many entries, and the dither keeping
// off the colours the palette holds exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "quarvel-render/gif_palette.h"

namespace {

using Pixels = std::vector<unsigned char>;

// Pixels as width-wide rows, mapped and looked up again.
Pixels mapped(GifPalette &palette, const Pixels &rgb, int width, std::set<int> *used = nullptr)
{
    Pixels out(rgb.size());
    std::vector<unsigned char> indices(static_cast<size_t>(width));
    for (size_t y = 0; y * width * 3 < rgb.size(); ++y) {
        mapGifRow(palette, &rgb[y * width * 3], width, int(y), indices.data());
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                out[(y * width + x) * 3 + c] = palette.rgb.at(3 * size_t(indices[x]) + c);
            }
            if (used) {
                used->insert(indices[x]);
            }
        }
    }
    return out;
}

double meanError(const Pixels &a, const Pixels &b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(a[i] - b[i]);
    }
    return sum / double(a.size());  // per channel
}

// A smooth ramp: 317 x 317 colours, every one distinct.
Pixels ramp()
{
    Pixels rgb;
    for (int y = 0; y < 317; ++y) {
        for (int x = 0; x < 317; ++x) {
            rgb.insert(rgb.end(), {(unsigned char)(x * 255 / 316), (unsigned char)(y * 255 / 316),
                                   (unsigned char)((x + y) * 255 / 632)});
        }
    }
    return rgb;
}

TEST(GifPalette, FewColoursKeptExactly)
{
    for (int colours : {1, 2, 200, 256}) {
        Pixels rgb;
        for (int i = 0; i < 64 * 64; ++i) {  // neighbours 1 apart: one 6-bit cell holds several
            const int c = i % colours;
            rgb.insert(rgb.end(), {(unsigned char)c, (unsigned char)(c * 7), (unsigned char)(255 - c)});
        }
        GifPalette palette = makeGifPalette(rgb.data(), rgb.size() / 3);
        EXPECT_EQ(palette.rgb.size(), 3u * colours);
        EXPECT_EQ(mapped(palette, rgb, 64), rgb) << colours << " colours";
    }
}

TEST(GifPalette, SmoothRampMapsClosely)
{
    const Pixels rgb = ramp();
    GifPalette palette = makeGifPalette(rgb.data(), rgb.size() / 3);
    std::set<int> used;
    const Pixels out = mapped(palette, rgb, 317, &used);
    EXPECT_EQ(palette.rgb.size(), 3u * 256);
    EXPECT_GT(used.size(), 240u);
    EXPECT_LT(meanError(out, rgb), 6.0);  // a 6 x 6 x 6 cube's step of 51 would give 12
}

TEST(GifPalette, DitherSparesExactColours)
{
    // A ramp with a field of background and one of text: both keep their
    // colour at every place of the pattern; a shade between entries does not.
    Pixels first = ramp();
    for (int i = 0; i < 317 * 50; ++i) {
        first.insert(first.end(), {255, 255, 255});
        first.insert(first.end(), {30, 30, 30});
    }
    GifPalette palette = makeGifPalette(first.data(), first.size() / 3);
    const struct {
        unsigned char r, g, b;
        bool dithered;
    } cases[] = {{255, 255, 255, false}, {30, 30, 30, false}, {100, 150, 125, true}};
    for (const auto &c : cases) {
        const Pixels flat = [&] {
            Pixels p;
            for (int i = 0; i < 16 * 16; ++i) {
                p.insert(p.end(), {c.r, c.g, c.b});
            }
            return p;
        }();
        std::set<int> used;
        const Pixels out = mapped(palette, flat, 16, &used);
        EXPECT_EQ(used.size() > 1, c.dithered) << int(c.r) << " " << int(c.g) << " " << int(c.b);
        if (!c.dithered) {
            EXPECT_EQ(out, flat);
        }
        double mean[3] = {0, 0, 0};  // the pattern's average is the shade
        for (size_t i = 0; i < out.size(); ++i) {
            mean[i % 3] += out[i] * 3.0 / double(out.size());
        }
        EXPECT_NEAR(mean[0], c.r, 2.0);
        EXPECT_NEAR(mean[1], c.g, 2.0);
        EXPECT_NEAR(mean[2], c.b, 2.0);
    }
}

TEST(GifPalette, NearestEntryIsTheClosestFirstOfEquals)
{
    // Undithered, every colour goes to the entry nearest its 6-bit cell's
    // centre, the lowest of equally near ones: a palette with repeated
    // greens and equal entries, and colours all over the cube.
    Pixels first = ramp();
    for (int i = 0; i < 2000; ++i) {
        first.insert(first.end(), {(unsigned char)(i * 37), (unsigned char)(i % 3 * 64), (unsigned char)(i * 11)});
    }
    GifPalette palette = makeGifPalette(first.data(), first.size() / 3);
    std::fill(std::begin(palette.dither), std::end(palette.dither), 0);
    Pixels colours;
    for (int i = 0; i < 64 * 64; ++i) {
        colours.insert(colours.end(), {(unsigned char)(i * 97 % 256), (unsigned char)(i * 13 % 256),
                                       (unsigned char)(i * 251 % 256)});
    }
    std::vector<unsigned char> indices(64);
    for (int y = 0; y < 64; ++y) {
        mapGifRow(palette, &colours[y * 64 * 3], 64, y, indices.data());
        for (int x = 0; x < 64; ++x) {
            const unsigned char *p = &colours[(y * 64 + x) * 3];
            long best = -1;
            size_t bestEntry = 0;
            for (size_t e = 0; e < palette.rgb.size() / 3; ++e) {
                long d = 0;
                for (int c = 0; c < 3; ++c) {
                    const long delta = 2 * palette.rgb[3 * e + c] - ((p[c] & ~3) * 2 + 3);  // half levels
                    d += delta * delta;
                }
                if (best < 0 || d < best) {
                    best = d;
                    bestEntry = e;
                }
            }
            const bool exact = std::equal(p, p + 3, &palette.rgb[3 * size_t(indices[x])]);
            EXPECT_TRUE(exact || indices[x] == bestEntry) << x << "," << y;
        }
    }
    // Three entries equally near the cell of 100, 100, 100 (its centre at
    // 101.5 each way): the first, whatever the order of the search.
    const Pixels three = {101, 101, 104, 101, 104, 101, 104, 101, 101};
    GifPalette tie = makeGifPalette(three.data(), 3);
    std::fill(std::begin(tie.dither), std::end(tie.dither), 0);
    const Pixels grey = {100, 100, 100};
    mapGifRow(tie, grey.data(), 1, 0, indices.data());
    EXPECT_EQ(indices[0], 0);
}

}  // namespace
