#include "Signals.h"

#include "Json.h"

namespace vesk {

std::optional<Signals> Signals::read(const Reply& reply)
{
    if (!reply)
        return std::nullopt;
    const auto held = Json::objects(*reply, u"held_back");
    if (!held)
        return std::nullopt;

    Signals s;
    for (const QJsonArray& row : Json::arrays(*reply, u"counts").value_or(QList<QJsonArray>{})) {
        if (row.isEmpty())
            continue;
        const auto name = Json::string(row.first());
        const auto count = Json::integer(row.last());
        if (!name || !count)
            continue;
        if (*name == u"shown")
            s.shownTotal = *count;
        else if (*name == u"opened")
            s.openedTotal = *count;
        else if (*name == u"held_back")
            s.heldBackTotal = *count;
    }
    s.shownToday = Json::integer(*reply, u"shown_today").value_or(0);
    for (const QJsonArray& row : Json::arrays(*reply, u"stances").value_or(QList<QJsonArray>{})) {
        if (row.isEmpty())
            continue;
        const auto kind = Json::string(row.first());
        const auto stance = Json::string(row.last());
        if (!kind || !stance)
            continue;
        (*stance == u"muted" ? s.muted : s.encouraged).insert(*kind);
    }
    for (const QJsonObject& item : *held) {
        const auto id = Json::integer(item, u"node_id");
        const auto kind = Json::string(item, u"item_kind");
        const auto label = Json::nonEmptyString(item, u"label");
        if (!id || !kind || !label)
            continue;
        s.heldBack.append(Candidate{*id, *label, *kind, Json::integer(item, u"sources").value_or(0),
                                    Json::number(item, u"confidence").value_or(0), QString(), std::nullopt});
    }
    return s;
}

} // namespace vesk
