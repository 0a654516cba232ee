// A watch stream cut into reads of arbitrary sizes: the splitter hands back exactly the bytes it
// was given, line by line, and every line parses or is skipped without crashing.
#include "Wire.h"

#include <cstdint>
#include <cstdlib>

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the read size, so the same stream is tried with many cuts.
    const size_t chunk = 1 + data[0] % 64;
    const char* stream = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    Wire::LineSplitter splitter;
    QByteArray rebuilt;
    for (size_t at = 0; at < length; at += chunk) {
        const size_t n = std::min(chunk, length - at);
        for (const QByteArray& line : splitter.feed(stream + at, static_cast<qsizetype>(n))) {
            if (line.contains('\n'))
                std::abort();
            rebuilt += line;
            rebuilt += '\n';
            if (auto known = Wire::parseWatchLine(line); known && known->displays != 0 && !line.contains("displays"))
                std::abort();
        }
    }
    if (rebuilt.size() + splitter.pending() != static_cast<qsizetype>(length))
        std::abort();
    if (QByteArray(stream, static_cast<qsizetype>(rebuilt.size())) != rebuilt)
        std::abort();
    return 0;
}
