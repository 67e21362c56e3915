// What the quarvel-import fuzz targets share: a Failure must be one line,
// and a surface that was read is checked and written out.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/failure.h"
#include "common/grid_text.h"
#include "surface.h"

// Runs read, which throws a Failure or hands its samples to checkAndWrite.
template <class Read>
void oneLineOrSurface(Read read)
{
    try {
        read();
    } catch (const Failure &failure) {
        if (std::string(failure.what()).find('\n') != std::string::npos) std::abort();  // one line, always
    }
}

// Every read surface has its stated size and finite x and y (a height may
// be no-data); filling its no-data, thinning it out, laying it out and
// writing it must not trip the sanitizers.
inline void checkAndWrite(const Samples &s)
{
    const size_t count = static_cast<size_t>(s.lines() * s.perLine());
    if (s.lines() < 0 || s.perLine() < 0 || s.grid.z.size() != count ||
        (s.xyz && (s.grid.x.size() != count || s.grid.y.size() != count)))
        std::abort();
    for (const Values *values : {&s.grid.x, &s.grid.y})
        for (double v : *values)
            if (!std::isfinite(v)) std::abort();
    static FILE *sink = std::fopen("/dev/null", "w");
    ConvertOptions plain, every, max;
    every.every = 2;
    max.max = 3;
    for (const ConvertOptions &options : {plain, every, max}) {
        oneLineOrSurface([&] {
            std::vector<std::string> notes;
            Samples filled(s);
            fillNoData(filled, options, "fuzz", notes);
            writeGrid(sink, layOut(reduceSamples(std::move(filled), options), options, "fuzz", notes));
        });
    }
}
