// How code that programs and bindings share reports what stops it: it
// throws a Failure carrying the message (one line, without the program's
// name), frees what it made, and leaves the decision to its caller.  Only
// a program's front end prints the message and ends the process.
#pragma once

#include <stdexcept>
#include <string>

struct Failure : std::runtime_error {
    explicit Failure(const std::string &message) : std::runtime_error(message) {}
};
