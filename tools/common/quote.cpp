#include "common/quote.h"

#include <cstdio>

// Length of the well-formed UTF-8 character at s[i], or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF, and no C0, DEL or C1
// controls, so that 0 means "escape this byte".
static size_t printableCharLength(const std::string &s, size_t i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7f) {
        return 0;
    }
    if (c < 0x80) {
        return 1;
    }
    size_t n = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
        return 0;
    }
    unsigned code = c & (0x7f >> n);
    for (size_t k = 1; k < n; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xc0) != 0x80) {
            return 0;
        }
        code = code << 6 | (d & 0x3f);
    }
    bool shortest = (n == 2 && code >= 0x80) || (n == 3 && code >= 0x800) || (n == 4 && code >= 0x10000);
    bool allowed = code > 0x9f && !(code >= 0xd800 && code <= 0xdfff) && code <= 0x10ffff;
    return shortest && allowed ? n : 0;
}

static bool isPrintable(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        size_t n = printableCharLength(text, i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

static std::string escaped(const std::string &text)
{
    std::string out = "'";
    for (size_t i = 0; i < text.size();) {
        size_t n = printableCharLength(text, i);
        if (n > 0) {
            if (text[i] == '\'' || text[i] == '\\') {
                out += '\\';
            }
            out.append(text, i, n);
            i += n;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(text[i++]);
        switch (c) {
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\v': out += "\\v"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        default: {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
        }
    }
    return out + "'";
}

std::string printable(const std::string &text, char quote)
{
    if (!isPrintable(text)) {
        return escaped(text);
    }
    return quote ? quote + text + quote : text;
}

std::string quotedExcerpt(const std::string &text, size_t limit)
{
    if (text.size() <= limit) {
        return printable(text, '\'');
    }
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) {
        --cut;  // not inside a character
    }
    std::string shown = printable(text.substr(0, cut), '\'');
    return shown.insert(shown.size() - 1, "...");
}
