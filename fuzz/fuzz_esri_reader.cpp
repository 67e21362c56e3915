// quarvel-import's ESRI grid reader on arbitrary bytes, through a stream as
// the tool reads a file: one failure line, or samples of the stated size,
// all finite once no-data is filled, that lay out and write.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "formats.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    bytes += '\0';  // fmemopen needs a buffer of one byte at least
    std::unique_ptr<FILE, int (*)(FILE *)> stream(fmemopen(&bytes[0], size ? size : 1, "r"), std::fclose);
    if (!stream) std::abort();
    if (size == 0) std::fgetc(stream.get());  // at its end
    std::string head(64, '\0');
    head.resize(std::fread(&head[0], 1, head.size(), stream.get()));
    oneLineOrSurface([&] {
        Samples s = readEsri(stream.get(), head, "fuzz.asc");
        checkAndWrite(s);
    });
    return 0;
}
