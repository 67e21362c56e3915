// What OUT's name asks for: a still picture or a turntable, and its format.
#pragma once

#include <string>

enum class OutputKind { Bmp, Png, Pdf, Svg, Gif, Mp4, Frames };

// The kind for path, by its extension (any case); a directory, or a name
// ending in '/', holds numbered frames.  Throws a Failure when the kind
// does not suit a still (turntable false) or a turntable, or is a page
// (.pdf, .svg: vector text over an image) and not for a figure.
OutputKind outputKind(const std::string &path, bool turntable, bool figure = false);
