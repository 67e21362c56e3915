#include "quarvel-render/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "common/fail.h"
#include "common/quote.h"
#include "quarvel-render/offscreen.h"
#include "ui/view_motion.h"

static const char tool[] = "quarvel-render";

static const char usage[] =
    "Usage: quarvel-render [OPTIONS] MESH|- OUT...\n"
    "\n"
    "Draws the picture the quarvel viewer shows for MESH, without any window or\n"
    "X server, and writes it to OUT: .bmp (as the viewer saves it) or .png; with\n"
    "--turntable, .gif, .mp4 or a directory of numbered PNG frames.\n"
    "\n"
    "  -r              reverse the surface (the viewer's -r)\n"
    "  -k KEYS         keys to apply first, in order; may be repeated.  KEYS is one\n"
    "                  key or several separated by blanks: command characters\n"
    "                  (w s f a C c u d z Z g r 1 2 + - ; * /) or Up Down Left Right\n"
    "  --size WxH      picture size in pixels (default 500x500, at most 8192x8192)\n"
    "  --turntable N   N frames of one full turn of the camera about the vertical\n"
    "                  axis, in arrow-key steps (* and / change the step)\n"
    "  --fps F         frames per second of a turntable (default 12)\n"
    "  -h, --help      show this help\n";

// The command characters that change the picture; save and quit mean
// nothing here.  xdotool's names are accepted too, for old snapshot scripts.
static const char commandKeys[] = "*/+-;zZud12Cacfswgr";
static const struct { const char *name; Key key; } keyNames[] = {
    {"Up", {true, arrowKeyUp}},       {"Down", {true, arrowKeyDown}},
    {"Left", {true, arrowKeyLeft}},   {"Right", {true, arrowKeyRight}},
    {"asterisk", {false, '*'}},       {"slash", {false, '/'}},
    {"plus", {false, '+'}},           {"minus", {false, '-'}},
    {"semicolon", {false, ';'}},
};

bool parseKeys(const std::string &text, std::vector<Key> &keys, std::string &unknown)
{
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.size() == 1 && word[0] != '\0' && std::strchr(commandKeys, word[0])) {
            keys.push_back({false, word[0]});
            continue;
        }
        bool found = false;
        for (const auto &k : keyNames) {
            if (word == k.name) {
                keys.push_back(k.key);
                found = true;
            }
        }
        if (!found) {
            unknown = word;
            return false;
        }
    }
    return true;
}

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

RenderOptions parseRenderOptions(int argc, char **argv)
{
    RenderOptions o;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    bool fpsGiven = false;
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
            std::string unknown;
            if (!parseKeys(argumentOf(i, argc, argv), o.keys, unknown)) {
                fail(tool, "unknown key " + printable(unknown, '\'') + " (see --help)");
            }
        } else if (arg == "--size") {
            parseSize(argumentOf(i, argc, argv), o);
        } else if (arg == "--turntable") {
            o.turntableFrames = parseCount("--turntable", argumentOf(i, argc, argv), 1, 100000);
        } else if (arg == "--fps") {
            o.framesPerSecond = parseCount("--fps", argumentOf(i, argc, argv), 1, 100);
            fpsGiven = true;
        } else {
            fail(tool, "unknown option " + printable(arg) + " (see --help)");
        }
    }
    if (fpsGiven && !o.turntableFrames) {
        fail(tool, "--fps needs --turntable");
    }
    if (positional.size() < 2) {
        fail(tool, "needs a MESH (or -) and an OUT file (see --help)");
    }
    o.mesh = positional[0];
    o.outputs.assign(positional.begin() + 1, positional.end());
    if (o.turntableFrames && o.outputs.size() > 1) {
        fail(tool, "a turntable goes to one OUT");
    }
    return o;
}
