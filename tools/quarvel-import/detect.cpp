// Which reader a file goes to: magic numbers first, then the file name's
// extension; plain text is settled later from its numbers (textLayout).
#include "formats.h"

#include <cctype>
#include <cstring>

static const char *const formatNames[] = {"text", "matrix", "nonuniform", "grid",
                                          "npy",  "png",    "pgm",        "tiff",
                                          "esri", "xyz"};

const char *formatName(Format format) { return formatNames[static_cast<int>(format)]; }

bool formatNamed(const std::string &name, Format *format)
{
    for (int k = 1; k < static_cast<int>(sizeof formatNames / sizeof *formatNames); ++k) {
        if (name == formatNames[k]) {
            *format = static_cast<Format>(k);
            return true;
        }
    }
    return false;
}

static bool startsWith(const std::string &head, const char *magic, size_t size)
{
    return head.size() >= size && std::memcmp(head.data(), magic, size) == 0;
}

static std::string extension(const std::string &path)
{
    std::string::size_type dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
        return "";
    }
    std::string ext = path.substr(dot + 1);
    for (char &c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext;
}

Format detectFormat(const std::string &path, const std::string &head)
{
    if (startsWith(head, "\x93NUMPY", 6)) {
        return Format::Npy;
    }
    if (startsWith(head, "\x89PNG\r\n\x1a\n", 8)) {
        return Format::Png;
    }
    if (head.size() >= 3 && head[0] == 'P' && (head[1] == '2' || head[1] == '5') &&
        std::isspace(static_cast<unsigned char>(head[2]))) {
        return Format::Pgm;
    }
    if (startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4) ||
        startsWith(head, "II+\0", 4) || startsWith(head, "MM\0+", 4)) {
        return Format::Tiff;
    }
    if (esriHeaderStart(head)) {
        return Format::Esri;
    }
    // A damaged file of a binary kind goes to its own reader, which says
    // what is wrong better than the text reader would.
    const std::string ext = extension(path);
    if (ext == "npy") {
        return Format::Npy;
    }
    if (ext == "png") {
        return Format::Png;
    }
    if (ext == "pgm") {
        return Format::Pgm;
    }
    if (ext == "tif" || ext == "tiff") {
        return Format::Tiff;
    }
    if (ext == "asc") {
        return Format::Esri;
    }
    return Format::Text;
}
