// quarvel-import's text reader on arbitrary bytes, read as found from the
// content and then as each layout in turn: one failure line, or samples
// of the stated size, x and y finite, that lay out and write.
#include <cstdint>
#include <string>

#include "formats.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    for (Format f : {Format::Text, Format::Matrix, Format::Nonuniform, Format::Grid}) {
        oneLineOrSurface([&] {
            TextNumbers numbers = parseTextNumbers(text, "fuzz.txt");
            Format layout = f == Format::Text ? textLayout(numbers) : f;
            checkAndWrite(layout == Format::Grid         ? gridSamples(std::move(numbers), "fuzz.txt")
                          : layout == Format::Nonuniform ? nonuniformSamples(std::move(numbers), "fuzz.txt")
                                                         : matrixSamples(std::move(numbers), "fuzz.txt"));
        });
    }
    return 0;
}
