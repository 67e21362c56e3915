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

// Every read surface has its stated size and finite samples; laying it out
// and writing it must not trip the sanitizers.
inline void checkAndWrite(const Samples &s)
{
    if (s.lines < 1 || s.perLine < 1 ||
        s.values.size() != static_cast<size_t>(s.lines * s.perLine * s.stride))
        std::abort();
    for (double v : s.values)
        if (!std::isfinite(v)) std::abort();
    static FILE *sink = std::fopen("/dev/null", "w");
    ConvertOptions options;
    try {
        writeSurface(sink, s, layOut(s, options, "fuzz"), options, "fuzz");
    } catch (const ImportFailed &) {
    }
}
