// The shape of the samples, and the quoting that every message of
// quarvel-import uses.
#include "samples.h"

#include "common/quote.h"

void Samples::resize(long lines, long perLine)
{
    grid.rows = perLine;
    grid.cols = lines;
    const size_t count = static_cast<size_t>(lines * perLine);
    for (int k = xyz ? 0 : 2; k < 3; ++k) {
        plane(k).resize(count);
    }
}

std::string displayName(const std::string &path)
{
    return path == "-" ? "standard input" : printable(path);
}
