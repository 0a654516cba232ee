#include "NullPlatform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace vesk {

bool DesktopWorkspace::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool ProcessLauncher::relaunch()
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
}

QList<QStringList> ProcessLauncher::terminalCandidates(const std::optional<QString>& terminalVariable)
{
    QList<QStringList> out{{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")}};
    if (terminalVariable && !terminalVariable->trimmed().isEmpty())
        out.append(QStringList{terminalVariable->trimmed(), QStringLiteral("-e")});
    // gnome-terminal takes the command after "--"; the others after "-e".
    out.append(QStringList{QStringLiteral("gnome-terminal"), QStringLiteral("--")});
    for (const QString& name : {QStringLiteral("konsole"), QStringLiteral("xfce4-terminal"), QStringLiteral("xterm")})
        out.append(QStringList{name, QStringLiteral("-e")});
    return out;
}

bool ProcessLauncher::runInTerminal(const QStringList& argv)
{
    const QByteArray terminal = qgetenv("TERMINAL");
    const auto variable = terminal.isEmpty() ? std::nullopt : std::optional<QString>(QString::fromLocal8Bit(terminal));
    for (const QStringList& prefix : terminalCandidates(variable)) {
        if (QStandardPaths::findExecutable(prefix.first()).isEmpty())
            continue;
        if (QProcess::startDetached(prefix.first(), prefix.mid(1) + argv))
            return true;
    }
    return false;
}

PlatformServices nullPlatformServices()
{
    PlatformServices s;
    s.hotkey = std::make_unique<NullHotkey>();
    s.foregroundWindow = std::make_unique<NullForegroundWindow>();
    s.workspace = std::make_unique<DesktopWorkspace>();
    s.serviceManager = std::make_unique<NullServiceManager>();
    s.launcher = std::make_unique<ProcessLauncher>();
    s.permissions = std::make_unique<NullPermissions>();
    s.windowManager = std::make_unique<NullWindowManager>();
    return s;
}

} // namespace vesk
