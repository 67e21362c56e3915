// A stand-in for the GL, GLU and GLUT functions the drawing code calls: each
// call is appended to a log instead of reaching a driver, so tests can check
// the exact calls, their order and their arguments without a display.
#pragma once

#include <string>
#include <vector>

struct GlCall {
    std::string text;          // e.g. "glEnable(GL_LIGHTING)"
    std::vector<double> args;  // the numeric arguments, widened to double
    const void *data;          // the pointer passed, for the vector calls
};

extern std::vector<GlCall> glCalls;

// The logged texts only.
std::vector<std::string> glCallTexts();

// Shortest decimal forms that read back to exactly the same value.
std::string formatDouble(double value);
std::string formatFloat(float value);
