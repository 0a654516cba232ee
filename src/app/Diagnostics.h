#pragma once

#include "Alerts.h"
#include "PlatformServices.h"

#include <QStringList>
#include <optional>

namespace vesk::Diagnostics {

// The daemon's self-diagnosis as a terminal runs it, kept on screen until the user presses Return
// (a terminal closes with its command). The script is fixed text; the daemon's path reaches it as
// its first argument and is never spliced into it.
QStringList doctorCommand(const QString& daemon);

// Runs `daemon doctor` in a terminal; what to tell the user when that could not be done (no
// daemon installed, no terminal, a terminal that would not start), nothing when it runs.
std::optional<AlertSpec> run(Launcher& launcher, const std::optional<QString>& daemon);

} // namespace vesk::Diagnostics
