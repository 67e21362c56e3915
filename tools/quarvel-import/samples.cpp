// The names and the quoting that every message of quarvel-import uses.
#include "samples.h"

const char *const toolName = "quarvel-import";

std::string displayName(const std::string &path) { return path == "-" ? "standard input" : path; }

std::string quotedInput(const std::string &text)
{
    std::string shown = text.substr(0, 40);
    for (char &c : shown) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) {
            c = '?';
        }
    }
    return "'" + shown + (text.size() > 40 ? "...'" : "'");
}
