// Keyword arguments as the command line's long options: the Python layer
// turns each into its option name ("--z-factor") and value text, and these
// are parsed by the command line's own parsers, so each means the same.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "quarvel-render/options.h"

using OptionList = std::vector<std::pair<std::string, std::optional<std::string>>>;

// A name that is none of the options the call takes (a TypeError).
struct UnknownOption : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Applies the import options (and, with figure set, a figure's options) to
// o; throws UnknownOption for any other name, a Failure with the command
// line's message for a bad value or a contradiction.
void applyOptions(const OptionList &options, bool figure, RenderOptions &o);
