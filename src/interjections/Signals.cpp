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
        if (!name)
            continue;
        // A counter that is not a count makes the reading unusable: the cap and the rates would
        // be judged, and shown, on a number the daemon did not give.
        const auto count = Json::count(row.last());
        if (!count)
            return std::nullopt;
        if (*name == u"shown")
            s.shownTotal = *count;
        else if (*name == u"opened")
            s.openedTotal = *count;
        else if (*name == u"held_back")
            s.heldBackTotal = *count;
    }
    if (reply->contains(QLatin1String("shown_today"))) {
        const auto today = Json::count(*reply, u"shown_today");
        if (!today)
            return std::nullopt;
        s.shownToday = *today;
    }
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
        const auto id = Json::id(item, u"node_id");
        const auto kind = Json::string(item, u"item_kind");
        const auto label = Json::nonEmptyString(item, u"label");
        if (!id || !kind || !label)
            continue;
        // Absent is 0; given but not a count or a fraction (-3, 1e308, "NaN") is unknown, never shown.
        const auto given = [&item](QStringView key, auto read) {
            return item.contains(key) ? read(item, key).value_or(Candidate::unknown) : 0;
        };
        s.heldBack.append(
            Candidate{*id, *label, *kind,
                      given(u"sources", [](const QJsonObject& o, QStringView k) { return Json::count(o, k); }),
                      given(u"confidence", [](const QJsonObject& o, QStringView k) { return Json::fraction(o, k); }),
                      QString(), std::nullopt});
    }
    return s;
}

} // namespace vesk
