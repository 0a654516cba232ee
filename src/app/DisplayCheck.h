#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Whether this start can reach a display, asked before any application object exists: without one
// Qt aborts with text about its plugins, which does not tell the user what is missing.
namespace vesk::DisplayCheck {

struct Facts {
    QString platform;       // -platform, else QT_QPA_PLATFORM; empty: Qt's own choice
    QString x11Display;     // -display, else DISPLAY
    QString waylandDisplay; // WAYLAND_DISPLAY
    bool operator==(const Facts&) const = default;
};

// From Qt's own options on the command line and the environment.
Facts read(const QStringList& qtArguments);

// The one line to print when no display can be reached, or nothing. `x11Answers` tells whether an
// X server answers at a DISPLAY name. A platform that draws without a display (offscreen, vnc, …)
// needs none.
std::optional<QString> problem(const Facts& facts, const std::function<bool(const QString&)>& x11Answers);

} // namespace vesk::DisplayCheck
