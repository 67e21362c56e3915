// Stand-ins for the image readers until they land.
#include "common/fail.h"
#include "raster.h"
#include "samples.h"

Raster readPng(const std::vector<unsigned char> &, const std::string &name)
{
    fail(toolName, displayName(name) + ": PNG images are not supported yet");
}

Raster readPgm(const std::vector<unsigned char> &, const std::string &name)
{
    fail(toolName, displayName(name) + ": PGM images are not supported yet");
}

Raster readTiff(const std::vector<unsigned char> &, const std::string &name)
{
    fail(toolName, displayName(name) + ": TIFF images are not supported yet");
}
