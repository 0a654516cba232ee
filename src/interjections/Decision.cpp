#include "Decision.h"

#include "Json.h"

#include <algorithm>

namespace vesk::Decision {

SemanticReply classifySemanticReply(const Reply& reply, const QSet<QString>& muted, const QString& context)
{
    if (!reply)
        return Silent{};
    if (Json::boolean(*reply, u"unavailable") == true)
        return Unavailable{};
    const auto id = Json::id(*reply, u"node_id");
    const auto label = Json::string(*reply, u"label");
    if (!id || !label)
        return Silent{};
    const auto packageID = Json::string(*reply, u"package_id");
    const auto stateClass = Json::nonEmptyString(*reply, u"state_class");
    if (!stateClass)
        return Unclassified{packageID};
    if (muted.contains(*stateClass))
        return Muted{packageID, *stateClass};
    return Card{Candidate{*id, QStringLiteral("Reopened: ") + *label, *stateClass, 1, 1.0, context, packageID}};
}

bool countsAgainstCap(Accounting accounting)
{
    return accounting != Accounting::none;
}

bool countShown(Signals& learned, Accounting accounting)
{
    if (countsAgainstCap(accounting))
        ++learned.shownToday;
    return accounting == Accounting::searchCard;
}

bool capReached(const Signals& learned, qint64 dailyCap, qint64 extraToday)
{
    return learned.shownToday >= dailyCap + extraToday;
}

double baseGate(const Signals& learned)
{
    if (learned.shownTotal < 5)
        return 0.74;
    const double adoption = static_cast<double>(learned.openedTotal) / static_cast<double>(learned.shownTotal);
    return adoption < 0.25 ? 0.82 : 0.74;
}

double relevanceGate(const Signals& learned, const QString& kind)
{
    const double gate = baseGate(learned);
    return learned.encouraged.contains(kind) ? std::max(gate - 0.08, 0.66) : gate;
}

std::optional<qsizetype> best(const QList<Candidate>& candidates)
{
    if (candidates.isEmpty())
        return std::nullopt;
    qsizetype chosen = 0;
    for (qsizetype i = 1; i < candidates.size(); ++i)
        if (candidates[i].confidence > candidates[chosen].confidence)
            chosen = i;
    return chosen;
}

std::optional<Route> readRoute(const Reply& reply)
{
    if (!reply)
        return std::nullopt;
    const auto route = Json::string(*reply, u"route");
    const auto reason = Json::string(*reply, u"reason");
    if (!route || !reason)
        return std::nullopt;
    return Route{*route, *reason};
}

} // namespace vesk::Decision
