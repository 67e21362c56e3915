// Reading one input to its end, then converting it: the formats are told
// apart here and each goes to its reader.
#include "import.h"

#include "base/failure.h"
#include "text_limits.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

// A text kind (plain PGM) is checked as it arrives, as the text reader's
// input is, so that an endless stream of no text is not held whole.
static std::vector<unsigned char> readRest(FILE *stream, const std::string &head, const std::string &name,
                                           bool text)
{
    TextLimits limits;
    limits.name = name;
    if (text) {
        checkTextBytes(limits, head.data(), head.size());
    }
    std::vector<unsigned char> bytes(head.begin(), head.end());
    // A file's size is known: read the rest straight into its place.
    struct stat file;
    if (fstat(fileno(stream), &file) == 0 && S_ISREG(file.st_mode) && file.st_size > 0) {
        bytes.resize(head.size() + size_t(file.st_size));
        bytes.resize(head.size() + std::fread(bytes.data() + head.size(), 1, size_t(file.st_size), stream));
        if (text) {
            checkTextBytes(limits, reinterpret_cast<const char *>(bytes.data()) + head.size(),
                           bytes.size() - head.size());
        }
    }
    char chunk[1 << 16];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
        if (text) {
            checkTextBytes(limits, chunk, got);
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(stream)) {
        const int e = errno;
        throw Failure("cannot read " + displayName(name) + ": " + std::strerror(e));
    }
    return bytes;
}

static Samples readSamples(FILE *stream, const std::string &name, Format format, const std::string &head,
                           ArrayLayout layout, const TextSkips &skips, Format *found,
                           std::vector<std::string> &notes)
{
    if (layout != ArrayLayout::Unsaid && format != Format::Npy) {
        throw Failure(displayName(name) + ": --layout is for NumPy x y z arrays, and this is " +
                      (format == Format::Text ? std::string("text") : formatName(format)));
    }
    if (format == Format::Esri) {
        *found = format;
        return readEsri(stream, head, name);
    }
    if (format == Format::Text || format == Format::Matrix || format == Format::Nonuniform ||
        format == Format::Grid || format == Format::Xyz) {
        TextNumbers numbers = readTextNumbers(stream, head, name, skips);
        if (!numbers.note.empty()) {
            notes.push_back(numbers.note);
        }
        if (format == Format::Text) {
            format = textLayout(numbers);
            std::string nearMiss = format == Format::Matrix ? xyzNearMiss(numbers, name) : "";
            if (!nearMiss.empty()) {
                notes.push_back(nearMiss);
            }
        }
        *found = format;
        if (format == Format::Grid) {
            return gridSamples(std::move(numbers), name);
        }
        if (format == Format::Xyz) {
            return xyzSamples(std::move(numbers), name);
        }
        if (format == Format::Nonuniform) {
            return nonuniformSamples(std::move(numbers), name);
        }
        return matrixSamples(std::move(numbers), name);
    }
    *found = format;
    if (skips.rows > 0 || skips.cols > 0) {
        throw Failure(displayName(name) + ": --skip-rows and --skip-cols are for text, and this is " +
                      formatName(format));
    }
    std::vector<unsigned char> bytes =
        readRest(stream, head, name, format == Format::Pgm && head.compare(0, 2, "P2") == 0);
    if (format == Format::Npy) {
        return readNpy(bytes, name, layout);
    }
    Raster raster = format == Format::Png   ? readPng(bytes, name)
                    : format == Format::Pgm ? readPgm(bytes, name)
                                            : readTiff(bytes, name);
    bytes = std::vector<unsigned char>();
    if (!raster.note.empty()) {
        notes.push_back(displayName(name) + ": " + raster.note);
    }
    return rasterSamples(std::move(raster));
}

Grid importGrid(FILE *stream, const std::string &name, const ImportRequest &request,
                std::vector<std::string> &notes)
{
    std::string head(64, '\0');
    head.resize(std::fread(&head[0], 1, head.size(), stream));
    Format format = request.formatGiven ? request.format : detectFormat(name, head);
    Format found = format;
    Samples samples = readSamples(stream, name, format, head, request.layout, request.skips, &found, notes);
    return importSamples(std::move(samples), name, found, request, notes);
}

Grid importSamples(Samples &&samples, const std::string &name, Format found, const ImportRequest &request,
                   std::vector<std::string> &notes)
{
    const ConvertOptions &options = request.convert;
    fillNoData(samples, options, name, notes);
    const long lines = samples.lines(), perLine = samples.perLine();
    const std::string place = samples.place;
    samples = reduceSamples(std::move(samples), options);
    Grid grid = layOut(std::move(samples), options, name, notes);

    std::string base = name == "-" ? "standard input" : name.substr(name.rfind('/') + 1);
    grid.comment = base + ": " + formatName(found) + ", " + std::to_string(lines) + " lines of " +
                   std::to_string(perLine) + " samples (made by quarvel-import)\n" + grid.comment +
                   (place.empty() ? "" : "\n" + place);
    return grid;
}
