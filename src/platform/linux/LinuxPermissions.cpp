#include "LinuxPermissions.h"

#include <QProcess>
#include <QStandardPaths>

namespace vesk {

LinuxPermissions::LinuxPermissions(Session session, QStringList settings)
    : session(session)
    , settings(std::move(settings))
{
}

std::unique_ptr<LinuxPermissions> LinuxPermissions::forThisSession()
{
    const QString type = qEnvironmentVariable("XDG_SESSION_TYPE");
    Session session = Session::unknown;
    if (type == QLatin1String("wayland") || (type.isEmpty() && qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        session = Session::wayland;
    else if (type == QLatin1String("x11") || (type.isEmpty() && qEnvironmentVariableIsSet("DISPLAY")))
        session = Session::x11;

    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    QStringList settings;
    if (desktops.contains(QLatin1String("GNOME")))
        settings = {QStringLiteral("gnome-control-center"), QStringLiteral("privacy")};
    else if (desktops.contains(QLatin1String("KDE")))
        settings = {QStringLiteral("systemsettings")};
    if (!settings.isEmpty() && QStandardPaths::findExecutable(settings.first()).isEmpty())
        settings.clear();
    return std::make_unique<LinuxPermissions>(session, settings);
}

Permissions::Need LinuxPermissions::needFor(Kind kind, Session session, bool settingsKnown)
{
    const bool screen = kind == Kind::screenRecording;
    switch (session) {
    case Session::x11:
        return {screen ? QStringLiteral("X11 asks for no grant: the daemon reads the screen directly.")
                       : QStringLiteral("X11 asks for no grant: window titles come from the window manager."),
                {}};
    case Session::wayland:
        if (screen)
            return {QStringLiteral("Wayland shares the screen through the desktop's screen-cast portal, which asks "
                                   "you when the daemon starts recording."),
                    settingsKnown ? QStringLiteral("Open privacy settings") : QString()};
        return {QStringLiteral("Wayland keeps other applications' window titles to themselves; the daemon reports "
                               "what it can read."),
                {}};
    case Session::unknown:
        break;
    }
    return {QStringLiteral("Vesk does not know what this desktop asks for; the daemon reports what it can read."), {}};
}

Permissions::Need LinuxPermissions::need(Kind kind)
{
    return needFor(kind, session, !settings.isEmpty());
}

bool LinuxPermissions::request(Kind kind)
{
    if (need(kind).action.isEmpty())
        return false;
    return QProcess::startDetached(settings.first(), settings.mid(1));
}

} // namespace vesk
