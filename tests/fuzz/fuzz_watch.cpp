// A watch stream cut into reads of arbitrary sizes under a line cap: the splitter hands back
// exactly the bytes it was given, line by line, never a line over the cap, and every line parses
// or is skipped without crashing. A state read from a line agrees with the line's decoded keys.
#include "Wire.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

using namespace vesk;

namespace {
// The state must come from the keys as the JSON reader decodes them ("di\u0073plays" is
// "displays"), not from how they are spelled on the wire.
void checkState(const QByteArray& line)
{
    const auto known = Wire::parseWatchLine(line);
    if (!known)
        return;
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    if (object.value(QLatin1String("kind")) != QLatin1String("capture")
        || object.value(QLatin1String("capturing")) != QJsonValue(known->capturing))
        std::abort();
    // A display count is one only when the line holds a whole number of at least 0 there.
    const QJsonValue displays = object.value(QLatin1String("displays"));
    if (known->displays
        && (!displays.isDouble() || displays.toDouble() != double(*known->displays) || *known->displays < 0))
        std::abort();
    if (!known->displays && displays.isDouble() && displays.toDouble() >= 0 && displays.toDouble() < 1e15
        && displays.toDouble() == double(qint64(displays.toDouble())))
        std::abort();
    if (!known->reason.isEmpty() && object.value(QLatin1String("reason")).toString() != known->reason)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses the read size and the second the cap, so the same stream is tried
    // with many cuts, and lines run into the cap.
    const size_t chunk = 1 + data[0] % 64;
    const qsizetype cap = 1 + data[1] * 4;
    const char* stream = reinterpret_cast<const char*>(data + 2);
    const size_t length = size - 2;

    Wire::LineSplitter splitter(cap);
    QByteArray rebuilt;
    for (size_t at = 0; at < length && !splitter.overflowed(); at += chunk) {
        const size_t n = std::min(chunk, length - at);
        for (const QByteArray& line : splitter.feed(stream + at, static_cast<qsizetype>(n))) {
            if (line.contains('\n') || line.size() > cap)
                std::abort();
            rebuilt += line;
            rebuilt += '\n';
            checkState(line);
        }
        if (splitter.pending() > cap)
            std::abort();
    }
    if (QByteArray(stream, static_cast<qsizetype>(rebuilt.size())) != rebuilt)
        std::abort();
    if (!splitter.overflowed() && rebuilt.size() + splitter.pending() != static_cast<qsizetype>(length))
        std::abort();
    return 0;
}
