// Surfaces from formulas, evaluated by muparser:
//
//   z = f(x, y)                      "sin(x)*cos(y)"
//   x(u,v); y(u,v); z(u,v)           "cos(u)*(2+cos(v)); sin(u)*(2+cos(v)); sin(v)"
//
// with muparser's functions and operators and the constants pi and e.
// Errors are thrown as a Failure (base/failure.h) of one line.
#pragma once

#include <string>

#include "quarvel-gen/surface.h"

// A parameter's range as given ("-pi:pi") and its ends.  Mesh rows go from
// min to max of x (or u), columns from min to max of y (or v).
struct Range {
    std::string text;
    double min = 0, max = 0;
};

// True when formula has three parts, x; y; z over u and v.
bool isParametric(const std::string &formula);

// The value of text[begin, end), a formula without variables such as
// "2*pi"; errors name their place in the whole text.
double evaluateConstant(const std::string &text, std::size_t begin, std::size_t end);

// Evaluates formula on rows x cols points spread evenly over the ranges
// (a and b: x and y, or u and v), ends included, and checks that every
// value is finite.
void makeFormulaSurface(const std::string &formula, const Range &a, const Range &b, long rows,
                        long cols, Grid &grid);
