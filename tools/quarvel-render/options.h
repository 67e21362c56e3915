// The command line of quarvel-render.
#pragma once

#include <string>
#include <vector>

#include "figure/figure_data.h"
#include "import.h"

// One key as the viewer gets it: a command character, or an arrow key.
struct Key {
    bool arrow;
    int code;  // the command character, or the arrow key's code
};

struct RenderOptions {
    bool reverse = false;
    int width = 500;
    int height = 500;
    std::vector<Key> keys;
    int turntableFrames = 0;  // 0: one still picture
    int framesPerSecond = 12;
    std::string mesh;               // "-" for standard input
    std::vector<std::string> outputs;
    // --series: one frame per input, in inputs' order.
    bool series = false;
    std::vector<std::string> inputs;
    std::string frameLabel;  // --frame-label's FORMAT; empty: none
    // --figure: a picture for a report instead of the viewer's.
    bool figure = false;
    FigureStyle style;  // its size is width x height
    bool reliefGiven = false;  // else a solid keeps its true proportions
    int dpi = 96;              // --dpi: a .pdf or .svg page's image pixels to the inch
    bool dpiGiven = false;
    // --xlabel and the like; unset, the data's own (x, y, z, or longitude
    // and latitude).
    bool xTitleGiven = false, yTitleGiven = false, zTitleGiven = false;
    std::string xTitle, yTitle, zTitle;
    // How the input is read: quarvel-import's options.
    ImportRequest import;
};

// Parses argv; prints the usage for --help (exit 0) and ends the program
// with one line for anything it cannot use.
RenderOptions parseRenderOptions(int argc, char **argv);

// Applies a figure's option arg ("--view", "--colormap", ...) with its
// value to o.  Returns false for a name that is not one; throws a Failure
// with the command line's message for a bad value.
bool parseFigureValue(const std::string &arg, const char *value, RenderOptions &o);

// Turns one -k argument into keys, appending them; false with the bad name
// in unknown when a key is not known.
bool parseKeys(const std::string &text, std::vector<Key> &keys, std::string &unknown);
