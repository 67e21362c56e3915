#include "image/pixel_rows.h"

#include <algorithm>
#include <cstddef>

void flipRows(unsigned char *rgb, int width, int height)
{
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(rgb + static_cast<size_t>(top) * rowBytes, rgb + static_cast<size_t>(top + 1) * rowBytes,
                         rgb + static_cast<size_t>(bottom) * rowBytes);
    }
}
