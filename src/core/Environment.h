#pragma once

#include <QString>
#include <optional>

namespace vesk {

// One environment variable, falling back from the VESK_ prefix to the legacy QEV_ prefix.
// An empty value counts as present.
std::optional<QString> veskEnvironment(const QString& name);

// A switch is on only when its value is exactly "1".
bool environmentSwitch(const QString& name);

} // namespace vesk
