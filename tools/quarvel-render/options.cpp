#include "quarvel-render/options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "common/fail.h"
#include "base/failure.h"
#include "common/quote.h"
#include "import_options.h"
#include "figure/colour_map.h"
#include "quarvel-render/offscreen.h"
#include "quarvel-render/series_names.h"
#include "ui/view_motion.h"

static const char tool[] = "quarvel-render";

static const char usage[] =
    "Usage: quarvel-render [OPTIONS] [IMPORT OPTIONS] INPUT|- OUT...\n"
    "       quarvel-render --figure [FIGURE OPTIONS] [IMPORT OPTIONS] INPUT|- OUT...\n"
    "       quarvel-render --series [--figure ...] [--fps F] IN1 IN2... OUT.gif|OUT.mp4|DIR\n"
    "\n"
    "Draws the picture the quarvel viewer shows for INPUT, without any window or\n"
    "X server, and writes it to OUT: .bmp (as the viewer saves it) or .png; with\n"
    "--turntable, .gif, .mp4 or a directory of numbered PNG frames.  A figure\n"
    "also goes to .pdf or .svg: the surface an image, the rest lines and text.\n"
    "\n"
    "  -r              reverse the surface (the viewer's -r)\n"
    "  -k KEYS         keys to apply first, in order; may be repeated.  KEYS is one\n"
    "                  key or several separated by blanks: command characters\n"
    "                  (w s f a C c u d z Z g r 1 2 + - ; * /) or Up Down Left Right\n"
    "  --size WxH      picture size in pixels (default 500x500, at most 8192x8192)\n"
    "  --turntable N   N frames of one full turn of the camera about the vertical\n"
    "                  axis, in arrow-key steps (* and / change the step)\n"
    "  --fps F         frames per second of a turntable or series (default 12)\n"
    "  --series        one frame per input, in the order given; with --figure in one\n"
    "                  box at one colour scale (the inputs' ranges together)\n"
    "  --series-sort natural\n"
    "                  order the inputs by name, numbers by value (step-2 before\n"
    "                  step-10); default: as given\n"
    "  -h, --help      show this help\n"
    "\n"
    "Pictures for a report (--figure; default size 800x600, at least 320x240):\n"
    "  --figure        the surface coloured by height and lit, in an axes box with\n"
    "                  ticks in the data's values, axis titles and a colour bar\n"
    "  --view AZ,EL    the camera's bearing (degrees clockwise from +y, north) and\n"
    "                  elevation (-90 to 90); top: the map view, north up\n"
    "                  (default 202.5,30: from the south-south-west)\n"
    "  --relief F      the box's height times F (default 1: three quarters of its\n"
    "                  width)\n"
    "  --colormap NAME viridis (default), gray, diverging (blue, white at 0, red)\n"
    "                  or earth (sea colours below 0, land colours from 0 up)\n"
    "  --range MIN:MAX heights the colours spread over (default: the data's)\n"
    "  --background C  white (default), black, gray or #rrggbb\n"
    "  --title TEXT    a title above the picture\n"
    "  --xlabel TEXT, --ylabel TEXT, --zlabel TEXT\n"
    "                  axis titles (default x, y, z; the colour bar shows z's)\n"
    "  --dpi N         a .pdf or .svg page's surface image at N pixels to the inch\n"
    "                  (default 96: the figure's own pixels); the page is the\n"
    "                  --size at 96 to the inch whatever N (800x600: 600x450 pt)\n"
    "  --turntable N   with --figure: N frames, the bearing turning 360/N degrees\n"
    "                  each\n"
    "  --frame-label FORMAT\n"
    "                  with --series: a line under the title of each frame; FORMAT\n"
    "                  may hold {index} (from 0), {n} (from 1), {count}, {name}\n"
    "                  (the file name) and {stem} (without its extension)\n"
    "\n"
    "INPUT is mesh text or any file quarvel-import reads, with its options\n"
    "(--format, --every, --max, --z-factor, --zero-base, --spacing, --nodata,\n"
    "--nodata-marker, --origin, --lonlat, --center, --layout, --skip-rows,\n"
    "--skip-cols; see quarvel-import --help); without --figure the picture is\n"
    "the viewer's of the mesh quarvel-import writes.  A figure's axes show the\n"
    "source's values: column and row indices of a matrix or image (row 0 of an\n"
    "image at the top), degrees with --lonlat.  No-data heights are holes\n"
    "unless --nodata is given.\n";

// A whole number in [low, high], or the end of the program.
static int parseCount(const char *option, const char *text, int low, int high)
{
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) {
        fail(tool, std::string(option) + " wants a whole number from " + std::to_string(low) +
                       " to " + std::to_string(high) + ", not " + printable(text, '\''));
    }
    return static_cast<int>(value);
}

static void parseSize(const char *text, RenderOptions &o)
{
    const char *x = std::strchr(text, 'x');
    std::string width = x ? std::string(text, x) : std::string(text);
    if (!x || width.empty()) {
        fail(tool, "--size wants WIDTHxHEIGHT, not " + printable(text, '\''));
    }
    o.width = parseCount("--size", width.c_str(), 1, maxFrameSide);
    o.height = parseCount("--size", x + 1, 1, maxFrameSide);
}

// The argument of an option, or the end of the program.
static const char *argumentOf(int &i, int argc, char **argv)
{
    if (i + 1 >= argc) {
        fail(tool, printable(argv[i]) + " needs an argument (see --help)");
    }
    return argv[++i];
}

// The options only a figure takes; false for any other.
static bool parseFigureOption(const std::string &arg, int &i, int argc, char **argv, RenderOptions &o)
{
    static const char *const names[] = {"--view",  "--relief", "--colormap", "--range", "--background",
                                        "--title", "--xlabel", "--ylabel",   "--zlabel"};
    for (const char *name : names) {
        if (arg == name) {
            const char *value = argumentOf(i, argc, argv);
            try {
                parseFigureValue(arg, value, o);
            } catch (const Failure &failure) {
                fail(tool, failure.what());
            }
            return true;
        }
    }
    return false;
}

// One of quarvel-import's options, taken as it takes them (--every N or
// --every=N); false for any other.
static bool parseImport(const std::string &arg, int &i, int argc, char **argv, RenderOptions &o)
{
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (!isImportOption(name)) {
        return false;
    }
    const bool takesValue = importOptionTakesValue(name);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? arg.substr(equals + 1) : takesValue ? argumentOf(i, argc, argv) : "";
    try {
        parseImportOption(name, hasValue || takesValue, value, o.import);
    } catch (const Failure &failure) {
        fail(tool, failure.what());
    }
    return true;
}

// A figure sets its camera and relief itself, and needs room for its text.
static void checkFigure(RenderOptions &o, bool sizeGiven, bool keysGiven)
{
    if (o.reverse || keysGiven) {
        fail(tool, "--figure takes no -k or -r: turn the camera with --view AZ,EL and the height with --relief F");
    }
    if (!sizeGiven) {
        o.width = 800;
        o.height = 600;
    } else if (o.width < minFigureWidth || o.height < minFigureHeight) {
        fail(tool, "--figure needs a --size of at least " + std::to_string(minFigureWidth) + "x" +
                       std::to_string(minFigureHeight) + ", not " + std::to_string(o.width) + "x" +
                       std::to_string(o.height));
    }
    o.style.width = o.width;
    o.style.height = o.height;
    try {
        checkImportRequest(o.import);
    } catch (const Failure &failure) {
        fail(tool, failure.what());
    }
}

// A series' inputs and its one OUT, the inputs sorted if asked.
static void checkSeries(RenderOptions &o, const std::vector<std::string> &positional, bool naturalOrder)
{
    if (positional.size() < 2) {
        fail(tool, "--series needs one or more inputs and an OUT .gif, .mp4 or directory (see --help)");
    }
    o.inputs.assign(positional.begin(), positional.end() - 1);
    o.outputs = {positional.back()};
    if (std::count(o.inputs.begin(), o.inputs.end(), "-") > 1) {
        fail(tool, "standard input (-) can be only one of a series' inputs");
    }
    if (naturalOrder) {
        sortNaturally(o.inputs);
    }
}

RenderOptions parseRenderOptions(int argc, char **argv)
{
    RenderOptions o;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    bool fpsGiven = false;
    bool sizeGiven = false;
    bool keysGiven = false;
    std::string figureOption;  // the first option given that only a figure takes
    std::string seriesOption;  // the last option given that only a series takes
    bool naturalOrder = false;
    bool frameLabelGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else if (arg == "-r") {
            o.reverse = true;
        } else if (arg == "-k") {
            keysGiven = true;
            std::string unknown;
            if (!parseKeys(argumentOf(i, argc, argv), o.keys, unknown)) {
                fail(tool, "unknown key " + printable(unknown, '\'') + " (see --help)");
            }
        } else if (arg == "--size") {
            parseSize(argumentOf(i, argc, argv), o);
            sizeGiven = true;
        } else if (arg == "--figure") {
            o.figure = true;
        } else if (parseFigureOption(arg, i, argc, argv, o)) {
            if (figureOption.empty()) {
                figureOption = arg;
            }
        } else if (parseImport(arg, i, argc, argv, o)) {
            // taken as quarvel-import takes it
        } else if (arg == "--dpi") {
            o.dpi = parseCount("--dpi", argumentOf(i, argc, argv), 10, 2400);
            o.dpiGiven = true;
            if (figureOption.empty()) {
                figureOption = arg;
            }
        } else if (arg == "--turntable") {
            o.turntableFrames = parseCount("--turntable", argumentOf(i, argc, argv), 1, 100000);
        } else if (arg == "--series") {
            o.series = true;
        } else if (arg == "--series-sort") {
            const std::string order = argumentOf(i, argc, argv);
            if (order != "natural" && order != "given") {
                fail(tool, "--series-sort wants natural or given, not " + printable(order, '\''));
            }
            naturalOrder = order == "natural";
            seriesOption = arg;
        } else if (arg == "--frame-label") {
            o.frameLabel = argumentOf(i, argc, argv);
            frameLabelGiven = true;
            seriesOption = arg;
            if (printable(o.frameLabel) != o.frameLabel) {
                fail(tool, "--frame-label wants one line of UTF-8 text, not " + printable(o.frameLabel));
            }
            try {
                checkFrameLabel(o.frameLabel);
            } catch (const Failure &failure) {
                fail(tool, failure.what());
            }
        } else if (arg == "--fps") {
            o.framesPerSecond = parseCount("--fps", argumentOf(i, argc, argv), 1, 100);
            fpsGiven = true;
        } else {
            fail(tool, "unknown option " + printable(arg) + " (see --help)");
        }
    }
    if (fpsGiven && !o.turntableFrames && !o.series) {
        fail(tool, "--fps needs --turntable or --series");
    }
    if (!seriesOption.empty() && !o.series) {
        fail(tool, seriesOption + " needs --series");
    }
    if (o.series && o.turntableFrames) {
        fail(tool, "--series and --turntable do not go together: a series turns no camera");
    }
    if (frameLabelGiven && !o.figure) {
        fail(tool, "--frame-label needs --figure: the viewer's picture has no text");
    }
    if (!figureOption.empty() && !o.figure) {
        fail(tool, figureOption + " needs --figure");
    }
    if (o.figure) {
        checkFigure(o, sizeGiven, keysGiven);
    }
    if (o.series) {
        checkSeries(o, positional, naturalOrder);
        return o;
    }
    if (positional.size() < 2) {
        fail(tool, "needs an INPUT (or -) and an OUT file (see --help)");
    }
    o.mesh = positional[0];
    o.outputs.assign(positional.begin() + 1, positional.end());
    if (o.turntableFrames && o.outputs.size() > 1) {
        fail(tool, "a turntable goes to one OUT");
    }
    return o;
}
