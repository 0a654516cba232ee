#include "DisplayCheck.h"

namespace vesk::DisplayCheck {

namespace {

// The value of Qt's option `name` ("-platform xcb", "--platform=xcb"), or nothing.
std::optional<QString> option(const QStringList& arguments, const QString& name)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString bare = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (bare == name && i + 1 < arguments.size())
            return arguments[i + 1];
        if (bare.startsWith(name + QLatin1Char('=')))
            return bare.mid(name.size() + 1);
    }
    return std::nullopt;
}

} // namespace

Facts read(const QStringList& qtArguments)
{
    return {option(qtArguments, QStringLiteral("platform")).value_or(qEnvironmentVariable("QT_QPA_PLATFORM")),
            option(qtArguments, QStringLiteral("display")).value_or(qEnvironmentVariable("DISPLAY")),
            qEnvironmentVariable("WAYLAND_DISPLAY")};
}

std::optional<QString> problem(const Facts& facts, const std::function<bool(const QString&)>& x11Answers)
{
    // Qt tries the platforms of a list in turn ("wayland;xcb"), each maybe with options ("vnc:size=…").
    const QStringList tried = facts.platform.isEmpty() ? QStringList{QStringLiteral("xcb"), QStringLiteral("wayland")}
                                                       : facts.platform.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    bool triedX11 = false;
    for (const QString& entry : tried) {
        const QString plugin = entry.section(QLatin1Char(':'), 0, 0);
        if (plugin == QLatin1String("xcb")) {
            triedX11 = !facts.x11Display.isEmpty();
            if (triedX11 && x11Answers(facts.x11Display))
                return std::nullopt;
        } else if (plugin.startsWith(QLatin1String("wayland"))) {
            if (!facts.waylandDisplay.isEmpty())
                return std::nullopt;
        } else {
            return std::nullopt; // draws without a display
        }
    }
    if (triedX11)
        return QStringLiteral("[vesk-app] Vesk needs a graphical display and cannot open DISPLAY=") + facts.x11Display
            + QLatin1Char('.');
    return QStringLiteral("[vesk-app] Vesk needs a graphical display: set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland).");
}

} // namespace vesk::DisplayCheck
