// Text from a file, a file name or a command line, put in a one-line
// message so that it cannot break the line or reach the terminal as an
// escape sequence.
#pragma once

#include <string>

// Printable UTF-8 comes back as it is, between two `quote` characters when
// one is given.  Text holding a control byte (below 0x20, 0x7f, or a C1
// control such as U+009B) or invalid UTF-8 comes back in single quotes
// with C escapes, whatever `quote` is: 'G\r\n\x1a\n'.
std::string printable(const std::string &text, char quote = 0);

// At most `limit` bytes of text (cut at a character boundary, "..." added
// when cut), in single quotes, through printable().
std::string quotedExcerpt(const std::string &text, size_t limit = 40);
