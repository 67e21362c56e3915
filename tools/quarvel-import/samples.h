// The data every reader of quarvel-import hands on: a rectangle of samples
// in the source's own order, heights only or x y z, checked and finite
// (images aside: their no-data samples are replaced later).
#pragma once

#include <string>
#include <vector>

struct Samples {
    // The source's shape: `lines` lines (rows of a matrix or an image,
    // scans of grid data) of `perLine` samples each.
    long lines = 0, perLine = 0;
    // 1: one height per sample, placed on a regular grid (matrices, 2-D
    // arrays, images); 3: x y z per sample, written as given.
    int stride = 1;
    std::vector<double> values;  // lines * perLine * stride, line after line

    // Heights only: line 0 is the top (north) of a picture rather than the
    // y = 0 line of a matrix.
    bool topLineNorth = false;
    // Heights only: the ground distance between samples, when the file says.
    bool spacingKnown = false;
    double dx = 1, dy = 1;
    // Source samples from one kept sample to the next, after --every or
    // --max: spacings given for the source grow by this factor.
    long step = 1;
    // Images: a sample value that means "no data" (non-finite samples are
    // no-data too).
    bool hasNoData = false;
    double noData = 0;

    double &at(long line, long sample, int coordinate = 0)
    {
        return values[(line * perLine + sample) * stride + coordinate];
    }
    double at(long line, long sample, int coordinate = 0) const
    {
        return values[(line * perLine + sample) * stride + coordinate];
    }
    double height(long line, long sample) const { return at(line, sample, stride - 1); }
};

// The name of the input in messages, on one line: "-" is standard input.
std::string displayName(const std::string &path);


// The tool's name in every message.
extern const char *const toolName;
