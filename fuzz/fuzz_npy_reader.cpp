// quarvel-import's .npy reader on arbitrary bytes: one failure line, or an
// array of the stated size, x and y finite, that lays out and writes.
#include <cstdint>
#include <vector>

#include "formats.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    oneLineOrSurface([&] { checkAndWrite(readNpy(bytes, "fuzz.npy")); });
    return 0;
}
