// quarvel-import: turns height matrices, gnuplot data, NumPy arrays and
// elevation images into quarvel's mesh text.
//
//   quarvel-import [OPTIONS] FILE|-  | quarvel
//   quarvel-import [OPTIONS] FILE -o surface.mesh
//
// The whole input is read and checked before the first line is written;
// -o writes a temporary file and renames it, so a failure leaves nothing.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/failure.h"
#include "common/fail.h"
#include "common/grid_text.h"
#include "common/output.h"
#include "common/quote.h"
#include "import.h"
#include "import_options.h"

static const char toolName[] = "quarvel-import";

static const char helpText[] =
    "usage: quarvel-import [OPTIONS] FILE|-  (mesh text on standard output, or -o OUT)\n"
    "\n"
    "Turns your data into quarvel's mesh format: quarvel-import heights.csv | quarvel\n"
    "\n"
    "Formats (found from the content and the file name; --format forces one):\n"
    "  matrix      text height matrix: values separated by blanks, tabs, commas or\n"
    "              semicolons; '#' comments and blank lines ignored\n"
    "  nonuniform  gnuplot's nonuniform matrix: first line N x1..xN, then y z1..zN\n"
    "  grid        gnuplot grid data: x y z lines, scans separated by blank lines\n"
    "  xyz         GDAL XYZ grid: x y z lines row after row, no blank lines\n"
    "  esri        ESRI ASCII grid (.asc): ncols, nrows, ... header, then heights\n"
    "  npy         NumPy array: (R, C) heights, or (3, R, C) / (R, C, 3) x y z\n"
    "  png pgm tiff  grayscale elevation images (GeoTIFF spacing and no-data used)\n"
    "\n"
    "Options:\n"
    "  -o OUT              write OUT (complete or not at all) instead of standard output\n"
    "  --format F          read as F (one of the formats above)\n"
    "  --every N           keep every Nth sample each way\n"
    "  --max N             average square blocks so neither side exceeds N samples\n"
    "  --z-factor F        multiply the heights by F\n"
    "  --zero-base         subtract the lowest height, so the lowest point is at 0\n"
    "  --spacing DX[,DY]   distance between samples of a matrix or image\n"
    "  --origin upper|lower  row 0 of a matrix, array or image at the top (north;\n"
    "                      images' default) or at the smallest y (matrices' default)\n"
    "  --lonlat[=LAT]      x and y (or --spacing) in degrees of longitude and\n"
    "                      latitude, made metres; LAT: a height grid's middle\n"
    "  --center            move x y z data to x = y = 0, where the viewer looks\n"
    "  --nodata V|min|error  what no-data heights (NaN, infinities, the marker)\n"
    "                      become (default: min, the lowest real height)\n"
    "  --nodata-marker V   the height that means no data (overrides the file's)\n"
    "  --skip-rows N       skip the first N lines of text\n"
    "  --skip-cols N       skip the first N columns of each line of text\n"
    "  --layout L          x y z array layout: xyz-first (3, R, C) or xyz-last\n"
    "                      (R, C, 3); needed for a (3, n, 3) array\n"
    "  --help              this text\n"
    "  --                  end of the options (for a FILE that starts with '-')\n"
    "\n"
    "A matrix has x along a line and y down the lines; an image has north up.\n"
    "A first line with words (a header) is skipped; an empty first field on it\n"
    "(pandas) drops the index column too.\n"
    "Without known units the longer side is made 5 times the relief.\n";

[[noreturn]] static void usageError(const std::string &message)
{
    fail(toolName, message + " (see quarvel-import --help)");
}

struct Arguments {
    std::string input, output = "-";
    ImportRequest request;
};

static Arguments parseArguments(int argc, char **argv)
{
    Arguments a;
    bool haveInput = false, optionsEnd = false;
    for (int k = 1; k < argc; ++k) {
        std::string arg = argv[k], value;
        if (arg == "--" && !optionsEnd) {
            optionsEnd = true;  // a file name may start with '-' after it
            continue;
        }
        if (!optionsEnd && (arg == "--help" || arg == "-h")) {
            std::fputs(helpText, stdout);
            std::exit(std::fflush(stdout) == 0 ? 0 : 1);
        }
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            if (haveInput) {
                usageError("one input file only: " + printable(a.input, '\'') + " and " + printable(arg, '\''));
            }
            a.input = arg;
            haveInput = true;
            continue;
        }
        std::string::size_type equals = arg.find('=');
        const bool hasValue = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (hasValue) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        } else if (arg == "-o" || arg == "--output" || importOptionTakesValue(arg)) {
            if (k + 1 >= argc) {
                usageError(arg + " needs a value");
            }
            value = argv[++k];
        }
        if (arg == "-o" || arg == "--output") {
            if (value.empty()) {
                usageError(arg + " needs a file name, or - for standard output");
            }
            a.output = value;
            continue;
        }
        try {
            if (!parseImportOption(arg, hasValue, value, a.request)) {
                usageError("unknown option " + printable(arg, '\''));
            }
        } catch (const Failure &failure) {
            usageError(failure.what());
        }
    }
    if (!haveInput) {
        usageError("no input: name a FILE, or - for standard input");
    }
    try {
        checkImportRequest(a.request);
    } catch (const Failure &failure) {
        usageError(failure.what());
    }
    return a;
}

// The notes found so far, each a line of its own; said once.
static void sayNotes(std::vector<std::string> &notes)
{
    for (const std::string &note : notes) {
        std::fprintf(stderr, "%s: note: %s\n", toolName, note.c_str());
    }
    notes.clear();
}

struct CloseFile {
    void operator()(FILE *file) const { std::fclose(file); }
};

// Everything after the options.  Throws Failure; an output not complete
// by then is removed as the Failure leaves.
static void run(const Arguments &a, std::vector<std::string> &notes)
{
    // A terminal is refused before anything is read; a file is opened only
    // once the input has passed every check.
    Output out;
    if (a.output == "-") {
        out = openOutput(a.output, true);
    }
    FILE *stream = a.input == "-" ? stdin : std::fopen(a.input.c_str(), "rb");
    if (!stream) {
        const int e = errno;
        throw Failure("cannot open " + displayName(a.input) + ": " + std::strerror(e));
    }
    std::unique_ptr<FILE, CloseFile> input(stream == stdin ? nullptr : stream);
    try {
        Grid grid = importGrid(stream, a.input, a.request, notes);
        sayNotes(notes);
        if (!out.stream) {
            out = openOutput(a.output, true);
        }
        writeGrid(out.stream, grid);
    } catch (const std::bad_alloc &) {
        throw Failure("not enough memory to read " + displayName(a.input));
    }
    input.reset();
    commitOutput(out);
}

int main(int argc, char **argv)
{
    // Past a file size limit a write fails and is reported (standard output
    // redirected to a file included), as in the viewer, instead of the
    // signal ending the run without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    removeOutputOnSignals();
    Arguments a = parseArguments(argc, argv);
    std::vector<std::string> notes;
    try {
        run(a, notes);
    } catch (const Failure &failure) {
        sayNotes(notes);
        fail(toolName, failure.what());
    }
    return 0;
}
