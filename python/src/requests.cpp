#include "requests.h"

#include "base/failure.h"
#include "import_options.h"

// "--z-factor" as the keyword argument it came from.
static std::string keyword(const std::string &name)
{
    std::string word = name.substr(2);
    for (char &c : word) {
        c = c == '-' ? '_' : c;
    }
    return word;
}

void applyOptions(const OptionList &options, bool figure, RenderOptions &o)
{
    for (const auto &[name, value] : options) {
        if (isImportOption(name)) {
            if (importOptionTakesValue(name) && !value) {
                throw Failure(name + " needs a value");
            }
            parseImportOption(name, value.has_value(), value.value_or(""), o.import);
        } else if (!figure || !value || !parseFigureValue(name, value->c_str(), o)) {
            throw UnknownOption("unexpected keyword argument '" + keyword(name) + "'");
        }
    }
    checkImportRequest(o.import);
}
