#include "RouteFacts.h"

#include <QString>
#include <cmath>

namespace vesk {

namespace {

// Fractions travel as integer thousandths, halves rounded away from zero.
std::optional<qint64> thousandths(double fraction)
{
    const double scaled = std::round(fraction * 1000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<qint64>(scaled);
}

} // namespace

std::optional<QJsonObject> routeDeliveryPayload(const RouteFacts& f)
{
    const auto relevance = thousandths(f.relevance);
    const auto minimum = thousandths(f.minimum);
    if (!relevance || !minimum)
        return std::nullopt;
    return QJsonObject{
        {QStringLiteral("op"), QStringLiteral("route_delivery")},
        {QStringLiteral("relevance_millis"), *relevance},
        {QStringLiteral("minimum_relevance_millis"), *minimum},
        {QStringLiteral("policy_available"), true},
        {QStringLiteral("policy_allows"), f.policyAllows},
        {QStringLiteral("fresh"), f.fresh},
        {QStringLiteral("muted"), f.muted},
        {QStringLiteral("cooling_down"), f.coolingDown},
        {QStringLiteral("within_budget"), f.withinBudget},
        {QStringLiteral("agent_can_act"), f.agentCanAct},
        {QStringLiteral("requires_human"), f.requiresHuman},
        {QStringLiteral("interruption_safe"), f.interruptionSafe},
    };
}

} // namespace vesk
