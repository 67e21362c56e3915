// A series' inputs as names: their order (natural: step-2 before
// step-10) and the label each frame shows (--frame-label FORMAT).
#pragma once

#include <string>
#include <vector>

// Whether a comes before b when runs of digits compare as numbers and
// everything else byte by byte; names equal that way (step-02, step-2)
// keep byte order, so no two different names tie.
bool naturalLess(const std::string &a, const std::string &b);

// Sorts names by naturalLess.
void sortNaturally(std::vector<std::string> &names);

// Throws a Failure for a FORMAT with a {...} that is not one of {index}
// {n} {count} {name} {stem}, or a '{' left open.
void checkFrameLabel(const std::string &format);

// The label of frame index (from 0) of count, of the input named path
// ("-": standard input): format with its placeholders filled in.
std::string frameLabel(const std::string &format, int index, int count, const std::string &path);
