#pragma once

#include <QJsonObject>
#include <optional>

namespace vesk {

// The facts the daemon routes a delivery on; relevance and minimum are fractions from 0 to 1.
struct RouteFacts {
    double relevance = 0;
    double minimum = 0;
    bool policyAllows = false;
    bool fresh = false;
    bool muted = false;
    bool coolingDown = false;
    bool withinBudget = false;
    bool agentCanAct = false;
    bool requiresHuman = false;
    bool interruptionSafe = false;
    bool operator==(const RouteFacts&) const = default;
};

// The "route_delivery" request, relevance and minimum in thousandths; nothing when a fraction is
// not finite or too large to scale, and such a request is never sent.
std::optional<QJsonObject> routeDeliveryPayload(const RouteFacts& facts);

} // namespace vesk
