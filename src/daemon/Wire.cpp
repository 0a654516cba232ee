#include "Wire.h"

#include "Json.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace vesk::Wire {

Reply decodeReply(const QByteArray& bytes, QLatin1StringView expected, bool* isObject)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    const bool object = error.error == QJsonParseError::NoError && doc.isObject();
    if (isObject)
        *isObject = object;
    if (!object)
        return Reply::failed(Failure::malformed);
    QJsonObject reply = doc.object();
    // The kind is looked up once: each lookup walks the reply's keys.
    const std::optional<QString> kind = Json::kind(reply);
    if (kind && *kind == u"error")
        return Reply::failed(Failure::refused, Json::string(reply, u"message").value_or(QString()));
    if (!expected.isEmpty() && kind != expected)
        return Reply::failed(Failure::malformed);
    return reply;
}

std::optional<DaemonClient::Known> parseWatchLine(const QByteArray& line)
{
    const Reply object = decodeReply(line);
    if (!object || object->isEmpty() || !Json::isKind(object, u"capture"))
        return std::nullopt;
    const auto capturing = Json::boolean(*object, u"capturing");
    if (!capturing)
        return std::nullopt;
    return DaemonClient::Known{*capturing, Json::count(*object, u"displays"),
                               Json::string(*object, u"reason").value_or(QString())};
}

QList<QByteArray> LineSplitter::feed(const char* data, qsizetype size)
{
    QList<QByteArray> lines;
    if (overflow)
        return lines;
    // Only the new bytes can hold a line feed the buffer did not already have.
    qsizetype searchFrom = buffer.size();
    buffer.append(data, size);
    qsizetype start = 0;
    for (;;) {
        const qsizetype newline = buffer.indexOf('\n', std::max(start, searchFrom));
        if (newline < 0)
            break;
        if (newline - start > cap) {
            overflow = true;
            break;
        }
        lines.append(buffer.mid(start, newline - start));
        start = newline + 1;
    }
    if (overflow || buffer.size() - start > cap) {
        overflow = true;
        buffer = QByteArray();
        return lines;
    }
    if (start > 0)
        buffer.remove(0, start);
    return lines;
}

} // namespace vesk::Wire
