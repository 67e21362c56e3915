#include "quarvel-gen/formula.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include <muParser.h>

#include "base/failure.h"
#include "common/mesh_text.h"
#include "common/quote.h"

namespace {

// One formula split at ';', each part with its place in the whole text.
struct Part {
    std::string text;
    std::size_t offset;
};

// One thread's parsers, bound to its own two variables.
struct Evaluator {
    double a = 0, b = 0;
    mu::Parser parsers[3];
    std::string error;  // set when an evaluation threw
};

} // namespace

static std::vector<Part> splitParts(const std::string &formula)
{
    std::vector<Part> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = formula.find(';', start);
        parts.push_back({formula.substr(start, end - start), start});
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool isParametric(const std::string &formula) { return splitParts(formula).size() == 3; }

static void setUp(mu::Parser &parser, const Part &part, const char *a, const char *b,
                  Evaluator *evaluator)
{
    parser.DefineConst("pi", M_PI);
    parser.DefineConst("e", M_E);
    if (evaluator) {
        parser.DefineVar(a, &evaluator->a);
        parser.DefineVar(b, &evaluator->b);
    }
    parser.SetExpr(part.text);
}

// 'error in formula at character 5: Unexpected token "u" (known names: ...)',
// counting the characters of the whole formula from 1.
static std::string describe(const mu::Parser::exception_type &error, const Part &part,
                            const std::string &whole, const std::string &names)
{
    if (error.GetCode() == mu::ecEMPTY_EXPRESSION) {
        return std::string("nothing ") + (part.offset ? "after" : "at") + " character " +
               std::to_string(part.offset + (part.offset ? 0 : 1)) + " of the " +
               (names.empty() ? "range" : "formula");
    }
    std::string message = printable(error.GetMsg());
    // muparser counts from 0 and says so in its message: the place is given
    // once, our way.
    for (const char *tail : {" found at position", " at position"}) {
        std::size_t at = message.find(tail);
        if (at != std::string::npos) {
            message.erase(at);
            break;
        }
    }
    if (!message.empty() && message.back() == '.') {
        message.pop_back();
    }
    std::string where = std::string("error in ") + (names.empty() ? "range" : "formula");
    if (error.GetPos() >= 0) {
        // Past the end of a part is the ';' after it, or the end.
        std::size_t place = part.offset + std::min<std::size_t>(error.GetPos(), part.text.size());
        where += place >= whole.size() ? " at its end" : " at character " + std::to_string(place + 1);
    }
    std::string hint;
    if (error.GetCode() == mu::ecUNASSIGNABLE_TOKEN) {
        hint = " (known names: " + names + "pi, e and muparser's functions)";
    }
    return where + ": " + message + hint;
}

// Compiles every part (muparser compiles on the first evaluation); checks
// that each gives one value.
static std::string compile(Evaluator &evaluator, const std::vector<Part> &parts,
                           const std::string &whole, const char *a, const char *b)
{
    const std::string names = std::string(a) + ", " + b + ", ";
    for (std::size_t p = 0; p < parts.size(); ++p) {
        mu::Parser &parser = evaluator.parsers[p];
        try {
            setUp(parser, parts[p], a, b, &evaluator);
            parser.Eval();
        } catch (const mu::Parser::exception_type &error) {
            return describe(error, parts[p], whole, names);
        }
        if (parser.GetNumResults() != 1) {
            return "formula part at character " + std::to_string(parts[p].offset + 1) +
                   " gives " + std::to_string(parser.GetNumResults()) +
                   " values: separate x(u,v); y(u,v); z(u,v) with ';'";
        }
    }
    return "";
}

double evaluateConstant(const std::string &text, std::size_t begin, std::size_t end)
{
    mu::Parser parser;
    Part part{text.substr(begin, end - begin), begin};
    double value = 0;
    try {
        setUp(parser, part, nullptr, nullptr, nullptr);
        value = parser.Eval();
    } catch (const mu::Parser::exception_type &error) {
        throw Failure(describe(error, part, text, ""));
    }
    if (parser.GetNumResults() != 1) {
        throw Failure(printable(part.text, '\'') + " gives more than one value");
    }
    return value;
}

// Point n of count spread evenly over range, ends included exactly.
static double spread(const Range &range, long n, long count)
{
    if (n == count - 1 && count > 1) {
        return range.max;
    }
    return count > 1 ? range.min + (range.max - range.min) * double(n) / double(count - 1) : range.min;
}

// Columns [first, end) of the surface; values go where parts say.
static void evaluateColumns(Evaluator &evaluator, int partCount, Values *out[3],
                            const Range &a, const Range &b, long rows, long cols, long first,
                            long end)
{
    try {
        for (long j = first; j < end; ++j) {
            evaluator.b = spread(b, j, cols);
            for (long i = 0; i < rows; ++i) {
                evaluator.a = spread(a, i, rows);
                long k = i + j * rows;
                for (int p = 0; p < partCount; ++p) {
                    (*out[p])[k] = evaluator.parsers[p].Eval();
                }
            }
        }
    } catch (const mu::Parser::exception_type &error) {
        evaluator.error = "error in formula: " + error.GetMsg();
    }
}

// The first value, in file order, that is not finite.
static std::string checkFinite(const Grid &s, Values *values[3], int partCount,
                               const char *const names[3], const Range &a, const Range &b,
                               const char *aName, const char *bName)
{
    const long points = s.rows * s.cols;
    for (long k = 0; k < points; ++k) {
        for (int p = 0; p < partCount; ++p) {
            double v = (*values[p])[k];
            if (!std::isfinite(v)) {
                long i = k % s.rows, j = k / s.rows;
                return std::string(names[p]) + " is " + (std::isnan(v) ? "nan" : formatNumber(v)) + " at row " +
                       std::to_string(i) + ", column " + std::to_string(j) + " (" + aName + " = " +
                       formatNumber(spread(a, i, s.rows)) + ", " + bName + " = " +
                       formatNumber(spread(b, j, s.cols)) + "): nothing written";
            }
        }
    }
    return "";
}

void makeFormulaSurface(const std::string &formula, const Range &a, const Range &b, long rows,
                        long cols, Grid &s)
{
    const std::vector<Part> parts = splitParts(formula);
    const bool parametric = parts.size() == 3;
    if (parts.size() != 1 && !parametric) {
        throw Failure("a formula is z = f(x, y) or three parts 'x(u,v); y(u,v); z(u,v)', not " +
                      std::to_string(parts.size()) + " parts separated by ';'");
    }
    const char *aName = parametric ? "u" : "x", *bName = parametric ? "v" : "y";

    // One evaluator a thread, each compiled here so that errors come first.
    long threads = std::clamp<long>(std::thread::hardware_concurrency(), 1, 8);
    threads = std::min(threads, cols);
    std::vector<std::unique_ptr<Evaluator>> evaluators;
    for (long t = 0; t < threads; ++t) {
        evaluators.push_back(std::make_unique<Evaluator>());
        std::string error = compile(*evaluators.back(), parts, formula, aName, bName);
        if (!error.empty()) {
            throw Failure(error);
        }
    }

    s.rows = rows;
    s.cols = cols;
    s.z.resize(rows * cols);
    Values *out[3] = {&s.z, nullptr, nullptr};
    if (parametric) {
        s.x.resize(rows * cols);
        s.y.resize(rows * cols);
        out[0] = &s.x;
        out[1] = &s.y;
        out[2] = &s.z;
    } else {
        s.xSpread = Spread::perRow;
        s.ySpread = Spread::perColumn;
        for (long i = 0; i < rows; ++i) {
            s.x.push_back(spread(a, i, rows));
        }
        for (long j = 0; j < cols; ++j) {
            s.y.push_back(spread(b, j, cols));
        }
    }

    std::vector<std::thread> workers;
    for (long t = 0; t < threads; ++t) {
        const long first = cols * t / threads, end = cols * (t + 1) / threads;
        try {
            workers.emplace_back(evaluateColumns, std::ref(*evaluators[t]), int(parts.size()), out,
                                 std::cref(a), std::cref(b), rows, cols, first, end);
        } catch (const std::system_error &) {
            // No thread to be had: these columns are done here instead.
            evaluateColumns(*evaluators[t], int(parts.size()), out, a, b, rows, cols, first, end);
        }
    }
    for (std::thread &worker : workers) {
        worker.join();
    }
    for (const auto &evaluator : evaluators) {
        if (!evaluator->error.empty()) {
            throw Failure(evaluator->error);
        }
    }
    static const char *const parametricNames[3] = {"x", "y", "z"};
    static const char *const heightName[3] = {"z", nullptr, nullptr};
    std::string error = checkFinite(s, out, int(parts.size()), parametric ? parametricNames : heightName,
                                    a, b, aName, bName);
    if (!error.empty()) {
        throw Failure(error);
    }
}
