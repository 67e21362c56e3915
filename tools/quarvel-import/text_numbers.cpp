// The text reader: lines parsed in 1 MiB blocks as they arrive, so the
// text is never held whole (see text_numbers.h).
#include "text_numbers.h"

#include "base/failure.h"
#include "common/quote.h"
#include "samples.h"
#include "text_limits.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <new>
#include <sys/stat.h>
#include <cmath>
#include <cstring>
#include <future>

struct TextParser {
    std::string name;
    TextNumbers numbers;
    TextSkips skips;
    long line = 0;
    bool blankSinceData = false;
    bool headerLooked = false;  // at the first line with values
    long headerFields = 0;      // the values a line holds, as the header names them
    // For the second half of a block parsed beside the first (see
    // parseInTwo): the values of the line before the half, as guessed, and
    // whether a line leaned on it; whether a blank line came before its
    // first line with values.
    long countBefore = 0;
    bool leanedOnCountBefore = false;
    bool blankBeforeFirstRun = false;
};

[[noreturn]] static void failAt(const TextParser &p, const std::string &message)
{
    throw Failure(displayName(p.name) + ":" + std::to_string(p.line) + ": " + message);
}

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
static bool isDigit(char c) { return c >= '0' && c <= '9'; }
static bool isSeparator(char c) { return c == ',' || c == ';'; }
static bool endsValue(char c) { return isBlank(c) || isSeparator(c) || c == '#'; }

static bool isNumber(const char *p, const char *end)
{
    double value;
    std::from_chars_result r = std::from_chars(p, end, value);
    return r.ec != std::errc::invalid_argument && r.ptr == end;
}

// Parses one value at p; returns the end of it.  index counts the file's
// columns.
static const char *parseValue(TextParser &t, const char *p, const char *end, long index)
{
    const char *start = p;
    const char *token = p;
    while (token < end && !endsValue(*token)) {
        ++token;
    }
    // from_chars takes no leading '+', which spreadsheets and printf("%+g") write.
    if (*p == '+' && p + 1 < token && p[1] != '-' && p[1] != '+') {
        ++p;
    }
    double value = 0;
    std::from_chars_result r = std::from_chars(p, token, value);
    // Made only for a message: building it for every value cost a third of the reading time.
    auto where = [&] { return "column " + std::to_string(index) + " (" + quotedExcerpt(std::string(start, token)) + ")"; };
    if (r.ec == std::errc::result_out_of_range) {
        failAt(t, where() + " is out of the range of a double");
    }
    if (r.ec != std::errc() || r.ptr != token) {
        failAt(t, where() + " is not a number");
    }
    t.numbers.values.push_back(value);
    return token;
}

static void addLine(TextParser &t, long count)
{
    std::vector<LineRun> &runs = t.numbers.runs;
    if (runs.empty()) {
        t.blankBeforeFirstRun = t.blankSinceData;
    }
    bool blockStart = t.blankSinceData && !runs.empty();
    t.blankSinceData = false;
    // A run is a stretch of consecutive lines, so that a line number can be
    // worked out from it: a comment line between two lines ends it.
    if (!runs.empty() && !blockStart && runs.back().count == count &&
        runs.back().firstLine + runs.back().lines == t.line) {
        ++runs.back().lines;
        return;
    }
    runs.push_back({t.line, 1, count, blockStart});
}

// "1,5 2,5": where blanks separate the values, a comma between two digits
// is a decimal comma.  Named by its blank-separated field, as the writer
// of the file sees it.
[[noreturn]] static void failDecimalComma(const TextParser &t, const char *line, const char *comma,
                                          const char *end)
{
    const char *start = comma, *stop = comma;
    while (start > line && !isBlank(start[-1])) {
        --start;
    }
    while (stop < end && !isBlank(*stop) && *stop != '#') {
        ++stop;
    }
    long column = 0;
    for (const char *p = line; p <= start; ++p) {
        column += !isBlank(*p) && (p == line || isBlank(p[-1]));
    }
    failAt(t, "column " + std::to_string(column) + " (" + quotedExcerpt(std::string(start, stop)) +
                  ") has a decimal comma (decimal commas are not read: use decimal points)");
}

// Past the first n fields of a line that has values; a quoted field may
// hold separators.
static const char *dropColumns(const TextParser &t, const char *p, const char *end, long n)
{
    for (long k = 0; k < n; ++k) {
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p == end || *p == '#') {
            failAt(t, std::to_string(k) + " column(s), fewer than the " + std::to_string(n) +
                          " dropped before the values (--skip-cols, or an index column under a header)");
        }
        if (*p == '"') {
            const void *close = std::memchr(p + 1, '"', static_cast<size_t>(end - p - 1));
            p = close ? static_cast<const char *>(close) + 1 : end;
        }
        while (p < end && !endsValue(*p)) {
            ++p;
        }
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p < end && isSeparator(*p)) {
            ++p;
        }
    }
    while (p < end && isBlank(*p)) {
        ++p;
    }
    if (n > 0 && (p == end || *p == '#')) {
        failAt(t, "no values after the " + std::to_string(n) +
                      " column(s) dropped (--skip-cols, or an index column under a header)");
    }
    return p;
}

static bool isWord(const char *p, const char *end)
{
    const char c = *p;
    return (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '"' || c == '\'') &&
           !isNumber(p, end);
}

// The first line with values, from p on, is a header when it holds a word
// or its first field is empty (or "").
static bool isHeader(const char *p, const char *end, bool *index)
{
    *index = isSeparator(*p) ||
             (end - p >= 2 && p[0] == '"' && p[1] == '"' && (end - p == 2 || endsValue(p[2])));
    while (!*index && p < end && *p != '#') {
        const char *token = p;
        while (token < end && !endsValue(*token)) {
            ++token;
        }
        if (token > p && isWord(p, token)) {
            return true;
        }
        for (p = token; p < end && (isBlank(*p) || isSeparator(*p));) {
            ++p;
        }
    }
    return *index;
}

// Whether the line that starts at line, with values from p on, is the
// header; if so, says so in the numbers' note.
static bool skipHeader(TextParser &t, const char *line, const char *p, const char *end)
{
    bool index = false;
    t.headerLooked = true;
    if (!isHeader(p, end, &index)) {
        return false;
    }
    long separators = 0;
    bool quoted = false;
    for (const char *q = p; q < end && (quoted || *q != '#'); ++q) {
        quoted = quoted != (*q == '"');
        separators += !quoted && isSeparator(*q);
    }
    t.headerFields = separators > 0 ? separators + 1 - index : 0;
    const std::string text = quotedExcerpt(std::string(line, end));
    t.numbers.note =
        displayName(t.name) + ":" + std::to_string(t.line) + ": a header line (" + text + "), skipped";
    if (index) {
        t.numbers.note +=
            "; its empty first field marks an index column (as pandas writes it), dropped from every line";
        ++t.numbers.dropped;
    }
    return true;
}

static void parseLine(TextParser &t, const char *p, const char *end)
{
    // Spreadsheets start their text with a UTF-8 byte order mark.
    if (++t.line == 1 && end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
        p += 3;
    }
    const char *line = p;
    t.numbers.lastLine = t.line;
    if (t.line <= t.skips.rows) {
        return;
    }
    while (p < end && isBlank(*p)) {
        ++p;
    }
    if (p < end && *p != '#') {
        p = dropColumns(t, p, end, t.numbers.dropped);
        if (!t.headerLooked && t.skips.header && skipHeader(t, line, p, end)) {
            return;
        }
    }
    const long dropped = t.numbers.dropped;
    long count = 0;
    bool separatorPending = false;  // a comma or semicolon since the last value
    char separatorSeen = 0;
    bool blankSeparated = false;       // two values with only blanks between them
    const char *digitComma = nullptr;  // the first ',' between two digits
    bool comment = false;
    while (true) {
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p == end || *p == '#') {
            comment = p < end;
            break;
        }
        if (isSeparator(*p)) {
            // An empty field is a missing value, as spreadsheets and pandas
            // write one: no-data, like NaN.
            if (count == 0 || separatorPending) {
                t.numbers.values.push_back(NAN);
                ++count;
            }
            // "1,5;2,5" is two numbers with decimal commas: refused, not misread.
            if (separatorSeen && separatorSeen != *p) {
                failAt(t, "both ',' and ';' separate values (decimal commas are not read: use "
                          "decimal points)");
            }
            if (!digitComma && *p == ',' && p > line && isDigit(p[-1]) && p + 1 < end && isDigit(p[1])) {
                digitComma = p;
            }
            separatorSeen = *p;
            separatorPending = true;
            ++p;
            continue;
        }
        blankSeparated = blankSeparated || (count > 0 && !separatorPending);
        if (blankSeparated && digitComma) {
            failDecimalComma(t, line, digitComma, end);
        }
        p = parseValue(t, p, end, dropped + ++count);
        separatorPending = false;
    }
    // A trailing separator ("1,2,3,") loses nothing and is common: allowed;
    // but on a line one value short of the header's names or else of the
    // line before, the field it ends is an empty last one ("4,5," under
    // "1,2,3").
    const bool none = t.numbers.runs.empty();
    const long wanted = t.headerFields > 0 ? t.headerFields : none ? t.countBefore : t.numbers.runs.back().count;
    t.leanedOnCountBefore = t.leanedOnCountBefore || (separatorPending && count > 0 && t.headerFields == 0 && none);
    if (separatorPending && count > 0 && count + 1 == wanted) {
        t.numbers.values.push_back(NAN);
        ++count;
    }
    // Only a blank line ends a block: a comment line is skipped.
    if (count == 0) {
        t.blankSinceData = t.blankSinceData || !comment;
    } else {
        addLine(t, count);
    }
}

// Parses the complete lines of text[0, size); returns how much was used.
// A line ends at LF, CR LF or a lone CR; a CR that ends the block waits for
// the next one when more may follow, as it may be the first half of CR LF.
static size_t parseLines(TextParser &t, const char *text, size_t size, bool more)
{
    size_t start = 0, lf = 0;
    bool lfFound = false;  // lf: the first LF at or after start, else size
    while (true) {
        if (!lfFound || lf < start) {
            const void *found = std::memchr(text + start, '\n', size - start);
            lf = found ? static_cast<const char *>(found) - text : size;
            lfFound = true;
        }
        const void *cr = std::memchr(text + start, '\r', lf - start);
        size_t lineEnd = cr ? static_cast<const char *>(cr) - text : lf;
        if (lineEnd == size || (more && cr && lineEnd + 1 == size)) {
            return start;
        }
        parseLine(t, text + start, text + lineEnd);
        start = lineEnd + 1;
        if (cr && start < size && text[start] == '\n') {
            ++start;
        }
    }
}

// Lines after the header and skipped rows depend little on the lines
// before them, so a large block is parsed in two halves at once, the
// second by a parser of its own whose line numbers start at 1; it is
// joined to the first afterwards.  When the second half fails, or leaned
// on a guess about the line before it that proved wrong, it is parsed
// again after the first, which gives exactly what one pass gives.
static constexpr size_t halfBlock = 64 << 10;

static bool canSplit(const TextParser &t, size_t size)
{
    return size >= 2 * halfBlock && (t.headerLooked || !t.skips.header) && t.line >= t.skips.rows;
}

// Appends the lines b parsed, numbered from 1, after those of t.
static void join(TextParser &t, TextParser &b)
{
    const long offset = t.line - 1;
    std::vector<LineRun> &runs = t.numbers.runs;
    if (b.numbers.runs.empty()) {
        t.blankSinceData = t.blankSinceData || b.blankSinceData;
    } else {
        for (size_t k = 0; k < b.numbers.runs.size(); ++k) {
            LineRun run = b.numbers.runs[k];
            run.firstLine += offset;
            if (k == 0) {
                run.blockStart = (t.blankSinceData || b.blankBeforeFirstRun) && !runs.empty();
                if (!runs.empty() && !run.blockStart && runs.back().count == run.count &&
                    runs.back().firstLine + runs.back().lines == run.firstLine) {
                    runs.back().lines += run.lines;
                    continue;
                }
            }
            runs.push_back(run);
        }
        t.blankSinceData = b.blankSinceData;
    }
    t.numbers.values.insert(t.numbers.values.end(), b.numbers.values.begin(), b.numbers.values.end());
    t.line = b.line + offset;
    t.numbers.lastLine = b.numbers.lastLine + offset;
}

static size_t parseInTwo(TextParser &t, const char *text, size_t size, bool more)
{
    const void *lf = canSplit(t, size) ? std::memchr(text + size / 2, '\n', size - size / 2) : nullptr;
    const size_t split = lf ? static_cast<size_t>(static_cast<const char *>(lf) - text) + 1 : size;
    if (split >= size) {
        return parseLines(t, text, size, more);
    }
    TextParser b;
    b.name = t.name;
    b.skips = t.skips;
    b.skips.rows = 0;
    b.line = 1;
    b.headerLooked = t.headerLooked;
    b.headerFields = t.headerFields;
    b.numbers.dropped = t.numbers.dropped;
    b.countBefore = t.numbers.runs.empty() ? 0 : t.numbers.runs.back().count;
    size_t usedByB = 0;
    auto second = std::async(std::launch::async, [&b, &usedByB, text, split, size, more] {
        try {
            usedByB = parseLines(b, text + split, size - split, more);
            return true;
        } catch (...) {
            return false;
        }
    });
    parseLines(t, text, split, false);  // the half ends with its line end
    const bool parsed = second.get();
    const long countBefore = t.numbers.runs.empty() ? 0 : t.numbers.runs.back().count;
    if (!parsed || (b.leanedOnCountBefore && countBefore != b.countBefore)) {
        return split + parseLines(t, text + split, size - split, more);
    }
    join(t, b);
    return split + usedByB;
}

static TextParser parser(const std::string &name, const TextSkips &skips)
{
    TextParser t;
    t.name = name;
    t.skips = skips;
    t.numbers.dropped = skips.cols;
    return t;
}

// Room for every value a file of its size can hold (one a character and
// a separator): the values are never moved as they grow, and room never
// written takes no memory.
static void reserveForFile(Values &values, FILE *stream, size_t headSize)
{
    struct stat file;
    const int descriptor = fileno(stream);
    if (descriptor < 0 || fstat(descriptor, &file) != 0 || !S_ISREG(file.st_mode)) {
        return;
    }
    const off_t rest = file.st_size - ftello(stream);
    const size_t most = (headSize + static_cast<size_t>(std::max<off_t>(rest, 0))) / 2 + 1;
    try {
        values.reserve(most);
    } catch (const std::bad_alloc &) {
        // grown as it goes, then
    }
}

TextNumbers readTextNumbers(FILE *stream, const std::string &head, const std::string &name,
                            const TextSkips &skips)
{
    TextParser t = parser(name, skips);
    reserveForFile(t.numbers.values, stream, head.size());
    TextLimits limits;
    limits.name = name;
    checkTextBytes(limits, head.data(), head.size());
    std::vector<char> buffer(std::max<size_t>(1 << 20, 2 * head.size()));
    std::memcpy(buffer.data(), head.data(), head.size());
    size_t have = head.size();
    while (true) {
        size_t got = std::fread(buffer.data() + have, 1, buffer.size() - have, stream);
        if (got == 0) {
            if (std::ferror(stream)) {
                const int e = errno;
                throw Failure("cannot read " + displayName(name) + ": " + std::strerror(e));
            }
            break;
        }
        checkTextBytes(limits, buffer.data() + have, got);
        have += got;
        size_t used = parseInTwo(t, buffer.data(), have, true);
        std::memmove(buffer.data(), buffer.data() + used, have - used);
        have -= used;
        if (have == buffer.size()) {
            // A long line: checkTextBytes stops it past maxTextLine.
            buffer.resize(std::min(2 * buffer.size(), maxTextLine + (1 << 20)));
        }
    }
    size_t used = parseLines(t, buffer.data(), have, false);
    if (used < have) {
        parseLine(t, buffer.data() + used, buffer.data() + have);
    }
    return std::move(t.numbers);
}

TextNumbers parseTextNumbers(const std::string &text, const std::string &name, const TextSkips &skips)
{
    TextParser t = parser(name, skips);
    TextLimits limits;
    limits.name = name;
    checkTextBytes(limits, text.data(), text.size());
    size_t used = parseLines(t, text.data(), text.size(), false);
    if (used < text.size()) {
        parseLine(t, text.data() + used, text.data() + text.size());
    }
    return std::move(t.numbers);
}

void placeOfValue(const std::vector<LineRun> &runs, long dropped, long index, long *line, long *column)
{
    *line = *column = 0;
    for (const LineRun &run : runs) {
        if (index < run.lines * run.count) {
            *line = run.firstLine + index / run.count;
            *column = dropped + index % run.count + 1;
            return;
        }
        index -= run.lines * run.count;
    }
}
