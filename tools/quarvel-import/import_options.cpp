// Parsing of the import options.  See import_options.h.
#include "import_options.h"

#include <charconv>
#include <cmath>

#include "base/failure.h"
#include "common/quote.h"

static const char *const valued[] = {"--format", "--every",  "--max",           "--z-factor",
                                     "--spacing", "--nodata", "--nodata-marker", "--origin",
                                     "--layout",  "--skip-rows", "--skip-cols"};
static const char *const flags[] = {"--zero-base", "--lonlat", "--center"};

bool importOptionTakesValue(const std::string &name)
{
    for (const char *v : valued) {
        if (name == v) {
            return true;
        }
    }
    return false;
}

bool isImportOption(const std::string &name)
{
    for (const char *f : flags) {
        if (name == f) {
            return true;
        }
    }
    return importOptionTakesValue(name);
}

static double numberArgument(const std::string &option, const std::string &text)
{
    double value = 0;
    const char *end = text.data() + text.size();
    std::from_chars_result r = std::from_chars(text.data(), end, value);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(value)) {
        throw Failure(option + " needs a number, not " + printable(text, '\''));
    }
    return value;
}

static long countArgument(const std::string &option, const std::string &text, long least)
{
    long value = 0;
    const char *end = text.data() + text.size();
    std::from_chars_result r = std::from_chars(text.data(), end, value);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || value < least) {
        throw Failure(option + " needs a whole number of at least " + std::to_string(least) + ", not " +
                      printable(text, '\''));
    }
    return value;
}

static void spacingArgument(const std::string &text, ConvertOptions &o)
{
    std::string::size_type comma = text.find(',');
    o.dx = numberArgument("--spacing", text.substr(0, comma));
    o.dy = comma == std::string::npos ? o.dx : numberArgument("--spacing", text.substr(comma + 1));
    if (!(o.dx > 0 && o.dy > 0)) {
        throw Failure("--spacing needs distances above 0, not " + printable(text, '\''));
    }
    o.spacingGiven = true;
}

static void noDataArgument(const std::string &text, ConvertOptions &o)
{
    if (text == "min") {
        o.noData = ConvertOptions::NoData::Min;
    } else if (text == "error") {
        o.noData = ConvertOptions::NoData::Error;
    } else {
        o.noData = ConvertOptions::NoData::Value;
        o.noDataValue = numberArgument("--nodata", text);
    }
    o.noDataGiven = true;
}

static void originArgument(const std::string &text, ConvertOptions &o)
{
    if (text != "upper" && text != "lower") {
        throw Failure("--origin is upper or lower, not " + printable(text, '\''));
    }
    o.origin = text == "upper" ? ConvertOptions::Origin::Upper : ConvertOptions::Origin::Lower;
}

// --lonlat, or --lonlat=LAT.
static void lonLatArgument(bool hasLatitude, const std::string &text, ConvertOptions &o)
{
    o.lonlat = true;
    if (hasLatitude) {
        o.latitude = numberArgument("--lonlat", text);
        if (!(o.latitude >= -90 && o.latitude <= 90)) {
            throw Failure("--lonlat needs a latitude from -90 to 90, not " + printable(text, '\''));
        }
        o.latitudeGiven = true;
    }
}

bool parseImportOption(const std::string &arg, bool hasValue, const std::string &value, ImportRequest &request)
{
    ConvertOptions &convert = request.convert;
    if (arg == "--zero-base") {
        convert.zeroBase = true;
    } else if (arg == "--format") {
        if (!formatNamed(value, &request.format)) {
            throw Failure("unknown format " + printable(value, '\''));
        }
        request.formatGiven = true;
    } else if (arg == "--layout") {
        if (!arrayLayoutNamed(value, &request.layout)) {
            throw Failure("--layout is xyz-first or xyz-last, not " + printable(value, '\''));
        }
    } else if (arg == "--every") {
        convert.every = countArgument(arg, value, 1);
    } else if (arg == "--max") {
        convert.max = countArgument(arg, value, 2);
    } else if (arg == "--z-factor") {
        convert.zFactor = numberArgument(arg, value);
    } else if (arg == "--spacing") {
        spacingArgument(value, convert);
    } else if (arg == "--nodata") {
        noDataArgument(value, convert);
    } else if (arg == "--nodata-marker") {
        convert.marker = numberArgument(arg, value);
        convert.markerGiven = true;
    } else if (arg == "--origin") {
        originArgument(value, convert);
    } else if (arg == "--lonlat") {
        lonLatArgument(hasValue, value, convert);
    } else if (arg == "--center") {
        convert.center = true;
    } else if (arg == "--skip-rows") {
        request.skips.rows = countArgument(arg, value, 0);
    } else if (arg == "--skip-cols") {
        request.skips.cols = countArgument(arg, value, 0);
    } else {
        return false;
    }
    return true;
}

void checkImportRequest(const ImportRequest &request)
{
    if (request.convert.every > 1 && request.convert.max > 0) {
        throw Failure("--every and --max both thin the grid out: choose one");
    }
}
