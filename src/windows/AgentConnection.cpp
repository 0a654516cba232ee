#include "AgentConnection.h"

#include "Json.h"

namespace vesk {

std::optional<QList<AgentConnection>> AgentConnection::read(const Reply& reply)
{
    const auto tools = reply ? Json::list(*reply, u"clis", Json::object) : std::nullopt;
    if (!tools)
        return std::nullopt;
    QList<AgentConnection> out;
    for (const QJsonObject& t : *tools)
        out.append({Json::string(t, u"name").value_or(QString()), Json::boolean(t, u"detected").value_or(false),
                    Json::boolean(t, u"registered").value_or(false), Json::string(t, u"command").value_or(QString())});
    return out;
}

} // namespace vesk
