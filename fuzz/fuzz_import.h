// What the quarvel-import fuzz targets share: failures come back as an
// exception, and a surface that was read is checked and written out.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/fail.h"
#include "surface.h"

struct ImportFailed {};

inline void throwOnFail(const std::string &line)
{
    if (line.find('\n') != std::string::npos) std::abort();  // one line, always
    throw ImportFailed{};
}

// Every read surface has its stated size and finite samples; thinning it
// out, laying it out and writing it must not trip the sanitizers.
inline void checkAndWrite(const Samples &s)
{
    if (s.lines < 0 || s.perLine < 0 ||
        s.values.size() != static_cast<size_t>(s.lines * s.perLine * s.stride))
        std::abort();
    for (double v : s.values)
        if (!std::isfinite(v)) std::abort();
    static FILE *sink = std::fopen("/dev/null", "w");
    ConvertOptions plain, every, max;
    every.every = 2;
    max.max = 3;
    for (const ConvertOptions &options : {plain, every, max}) {
        try {
            Samples reduced = reduceSamples(Samples(s), options);
            writeSurface(sink, reduced, layOut(reduced, options, "fuzz"), options, "fuzz");
        } catch (const ImportFailed &) {
        }
    }
}
