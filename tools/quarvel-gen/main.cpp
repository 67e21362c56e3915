// quarvel-gen: writes a surface in quarvel's mesh format, from a formula or
// one of the named example shapes.
//
//   quarvel-gen [-o OUT] [-n ROWS[xCOLS]] [-x MIN:MAX] [-y MIN:MAX]
//               [-u MIN:MAX] [-v MIN:MAX] FORMULA|SHAPE [ROWS COLS]
//
//   quarvel-gen 'sin(x)*cos(y)' | quarvel
//   quarvel-gen -n 97x49 'cos(u)*(1+0.4*cos(v)); sin(u)*(1+0.4*cos(v)); 0.4*sin(v)' | quarvel
//   quarvel-gen torus > torus.mesh
//
// Every point is computed and checked first; then the mesh text goes to
// standard output (never a terminal) or, with -o, to a file that appears
// only once complete.  Any failure: one line on standard error, status 1.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/failure.h"
#include "common/fail.h"
#include "common/grid_text.h"
#include "common/fail.h"
#include "common/output.h"
#include "mesh/memory_check.h"
#include "quarvel-gen/formula.h"
#include "quarvel-gen/options.h"
#include "quarvel-gen/shapes.h"

static const char *const tool = "quarvel-gen";

static void printHelp()
{
    std::printf(
        "usage: quarvel-gen [-o OUT] [-n ROWS[xCOLS]] [-x MIN:MAX] [-y MIN:MAX]\n"
        "                   [-u MIN:MAX] [-v MIN:MAX] FORMULA|SHAPE [ROWS COLS]\n"
        "\n"
        "Writes a surface in quarvel's mesh format on standard output (or OUT).\n"
        "\n"
        "  FORMULA   z = f(x, y), such as 'sin(x)*cos(y)', over -x and -y;\n"
        "            or 'x(u,v); y(u,v); z(u,v)' over -u and -v (parametric)\n"
        "  SHAPE     %s\n"
        "  -n ROWS[xCOLS], ROWS COLS\n"
        "            grid size, 1 to %ld each (default 51x51; shapes: their own)\n"
        "  -x, -y    ranges of x and y (default -pi:pi)\n"
        "  -u, -v    ranges of u and v (default 0:2*pi)\n"
        "  -o OUT    write OUT (made complete or not at all), not standard output\n"
        "\n"
        "Mesh rows run along x (or u), columns along y (or v): z = f(x, y) faces up.\n"
        "Range ends may be formulas too: -u 0:2*pi.  Formulas know pi, e and\n"
        "muparser's functions and operators: sin cos tan asin acos atan atan2 sinh\n"
        "cosh tanh asinh acosh atanh exp ln log (both natural) log2 log10 sqrt abs\n"
        "sign rint min max sum avg, + - * / ^, comparisons, && ||, c ? a : b.\n"
        "A formula may begin with '-': quarvel-gen '-x^2-y^2'.  When the last row\n"
        "(column) of a parametric surface meets the first within rounding, it is\n"
        "written as an exact copy, so a whole turn comes out closed.  Errors: one\n"
        "line on standard error, status 1, nothing written.\n",
        shapeNames().c_str(), maxGridSide);
}

// A grid beyond the memory at hand is refused before any of it is made,
// rather than filling the machine (a shape's own size is small).
static void checkMemory(const Options &o)
{
    const bool perPointXY = isShapeName(o.target) || isParametric(o.target);
    const uint64_t bytes = surfaceBytes(o.rows, o.cols, perPointXY);
    if (o.rows > 0 && !fitsInMemory(bytes)) {
        char size[32];
        if (bytes < 1000000000) {
            std::snprintf(size, sizeof size, "%.0f MB", double(bytes) / 1e6);
        } else {
            std::snprintf(size, sizeof size, "%.1f GB", double(bytes) / 1e9);
        }
        throw Failure(std::to_string(o.rows) + " x " + std::to_string(o.cols) + " points need " + size +
                      " of memory, more than is available");
    }
}

static void make(const Options &o, Grid &s)
{
    if (isShapeName(o.target)) {
        makeShape(o.target, o.rows, o.cols, s);
        return;
    }
    const bool parametric = isParametric(o.target);
    const Range &a = o.ranges[parametric ? rangeU : rangeX];
    const Range &b = o.ranges[parametric ? rangeV : rangeY];
    makeFormulaSurface(o.target, a, b, o.rows, o.cols, s);
    std::string formula = o.target;
    for (char &c : formula) {
        c = static_cast<unsigned char>(c) < ' ' ? ' ' : c;  // one comment line
    }
    s.comment = "made by quarvel-gen '" + formula + "' -" + (parametric ? "u " : "x ") + a.text +
                " -" + (parametric ? "v " : "y ") + b.text + " -n " + std::to_string(o.rows) + "x" +
                std::to_string(o.cols);
}

// Everything after the options; the output, if not complete, is removed
// as a Failure leaves.
static void run(const Options &options)
{
    const bool toStandardOutput = options.output == "-";
    Output out;
    if (toStandardOutput) {
        out = openOutput("-", true);  // a terminal is refused before any work
    }
    checkMemory(options);
    Grid surface;
    try {
        make(options, surface);
        closeSeams(surface);
        if (!toStandardOutput) {
            out = openOutput(options.output, true);
        }
        writeGrid(out.stream, surface);
        commitOutput(out);
    } catch (const std::bad_alloc &) {
        throw Failure("not enough memory for " + std::to_string(options.rows) + " x " +
                      std::to_string(options.cols) + " points");
    }
}

int main(int argc, char **argv)
{
    preferHugePages();  // the grid's values: a few faults, not one per 4 KiB
    // Past a file size limit a write fails and is reported (standard output
    // redirected to a file included), as in the viewer, instead of the
    // signal ending the run without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    removeOutputOnSignals();
    Options options;
    std::string error = parseOptions(argc, argv, options);
    if (!error.empty()) {
        fail(tool, error);
    }
    if (options.help) {
        printHelp();
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            fail(tool, std::string("error writing standard output: ") + std::strerror(errno));
        }
        return 0;
    }
    try {
        run(options);
    } catch (const Failure &failure) {
        fail(tool, failure.what());
    }
    return 0;
}
