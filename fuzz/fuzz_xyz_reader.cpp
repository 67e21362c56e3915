// quarvel-import's XYZ grid reader on arbitrary bytes: as found from the
// content (with the note for a near grid) and as forced.  One failure line,
// or samples of the stated size, all finite, that lay out and write.
#include <cstdint>
#include <string>

#include "formats.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    for (bool forced : {false, true}) {
        oneLineOrSurface([&] {
            TextNumbers numbers = parseTextNumbers(text, "fuzz.xyz");
            if (!forced && textLayout(numbers) != Format::Xyz) {
                if (xyzNearMiss(numbers, "fuzz.xyz").find('\n') != std::string::npos) std::abort();
                return;
            }
            checkAndWrite(xyzSamples(std::move(numbers), "fuzz.xyz"));
        });
    }
    return 0;
}
