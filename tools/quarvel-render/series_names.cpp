#include "quarvel-render/series_names.h"

#include <algorithm>

#include "base/failure.h"
#include "common/quote.h"

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Compares the digit runs at a[i] and b[j] by value, moving past them.
static int compareNumbers(const std::string &a, size_t &i, const std::string &b, size_t &j)
{
    auto run = [](const std::string &s, size_t &at) {
        while (at < s.size() && s[at] == '0' && at + 1 < s.size() && isDigit(s[at + 1])) {
            ++at;  // leading zeros say nothing of the value
        }
        const size_t start = at;
        while (at < s.size() && isDigit(s[at])) {
            ++at;
        }
        return s.substr(start, at - start);
    };
    const std::string x = run(a, i), y = run(b, j);
    if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
    }
    return x.compare(y);
}

bool naturalLess(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const int order = compareNumbers(a, i, b, j);
            if (order != 0) {
                return order < 0;
            }
        } else if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        } else {
            ++i;
            ++j;
        }
    }
    if (i < a.size() || j < b.size()) {
        return j < b.size();  // the shorter, otherwise equal, first
    }
    return a < b;
}

void sortNaturally(std::vector<std::string> &names)
{
    std::stable_sort(names.begin(), names.end(), naturalLess);
}

static const char *const placeholders[] = {"index", "n", "count", "name", "stem"};

void checkFrameLabel(const std::string &format)
{
    for (size_t at = format.find('{'); at != std::string::npos; at = format.find('{', at + 1)) {
        const size_t end = format.find('}', at);
        if (end == std::string::npos) {
            throw Failure("--frame-label has a '{' without '}' in " + printable(format, '\'') +
                          " (placeholders: {index} {n} {count} {name} {stem})");
        }
        const std::string word = format.substr(at + 1, end - at - 1);
        if (std::find(std::begin(placeholders), std::end(placeholders), word) == std::end(placeholders)) {
            throw Failure("--frame-label knows no {" + printable(word) +
                          "} (placeholders: {index} {n} {count} {name} {stem})");
        }
        at = end;
    }
}

// The file name without its directory; "standard input" for "-".
static std::string fileName(const std::string &path)
{
    if (path == "-") {
        return "standard input";
    }
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static std::string stemOf(const std::string &path)
{
    const std::string name = fileName(path);
    const size_t dot = name.find_last_of('.');
    return path == "-" || dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string frameLabel(const std::string &format, int index, int count, const std::string &path)
{
    std::string label;
    size_t at = 0;
    for (size_t open = format.find('{'); open != std::string::npos; open = format.find('{', at)) {
        const size_t end = format.find('}', open);
        label += format.substr(at, open - at);
        const std::string word = format.substr(open + 1, end - open - 1);
        if (word == "index") {
            label += std::to_string(index);
        } else if (word == "n") {
            label += std::to_string(index + 1);
        } else if (word == "count") {
            label += std::to_string(count);
        } else if (word == "name") {
            label += printable(fileName(path));
        } else {
            label += printable(stemOf(path));
        }
        at = end + 1;
    }
    return label + format.substr(at);
}
