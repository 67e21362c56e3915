#include "common/mesh_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

static const std::size_t flushSize = 1 << 20;

static void flushText(MeshText &text)
{
    if (!text.buffer.empty()) {
        // Errors stick to the stream; commitOutput reports them.
        std::fwrite(text.buffer.data(), 1, text.buffer.size(), text.stream);
        text.buffer.clear();
    }
}

MeshText beginMesh(FILE *stream, const std::string &comment, long rows, long cols)
{
    MeshText text;
    text.stream = stream;
    text.buffer.reserve(flushSize + 128);
    std::string::size_type start = 0;
    while (start <= comment.size() && !comment.empty()) {
        std::string::size_type end = comment.find('\n', start);
        if (end == std::string::npos) {
            end = comment.size();
        }
        // A line of the viewer's reader holds 255 characters; a longer
        // comment would spill into a piece that does not start with '#'.
        text.buffer += "# " + comment.substr(start, std::min<std::size_t>(end - start, 200)) + "\n";
        start = end + 1;
    }
    text.buffer += std::to_string(rows) + " * " + std::to_string(cols) + "\n";
    return text;
}

void addPoint(MeshText &text, double x, double y, double z)
{
    char line[96];  // three numbers of at most 24 characters, blanks, line feed
    char *p = line;
    char *end = line + sizeof line;
    p = std::to_chars(p, end, x).ptr;
    *p++ = ' ';
    p = std::to_chars(p, end, y).ptr;
    *p++ = ' ';
    p = std::to_chars(p, end, z).ptr;
    *p++ = '\n';
    text.buffer.append(line, p);
    if (text.buffer.size() >= flushSize) {
        flushText(text);
    }
}

void endMesh(MeshText &text) { flushText(text); }

std::string formatNumber(double value)
{
    char number[32];
    return std::string(number, std::to_chars(number, number + sizeof number, value).ptr);
}

std::string formatPlainNumber(double value)
{
    const double size = std::fabs(value);
    if (!(size >= 1e-4 && size < 1e15)) {
        return formatNumber(value);
    }
    char number[64];
    return std::string(number, std::to_chars(number, number + sizeof number, value, std::chars_format::fixed).ptr);
}
