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

Permissions::Need NullPermissions::need(Kind)
{
    return {QStringLiteral("Vesk does not know what this desktop asks for; the daemon reports what it can read."), {}};
}

bool ProcessLauncher::relaunch(const QStringList& arguments)
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}

QList<QStringList> ProcessLauncher::terminalCandidates(const std::optional<QString>& terminalVariable)
{
    QList<QStringList> out{{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")}};
    if (terminalVariable && !terminalVariable->trimmed().isEmpty())
        out.append(QStringList{terminalVariable->trimmed(), QStringLiteral("-e")});
    // Each takes the command as separate arguments after its own marker: gnome-terminal after "--",
    // xfce4-terminal after "-x" (its "-e" wants one string), the others after "-e".
    out.append(QStringList{QStringLiteral("gnome-terminal"), QStringLiteral("--")});
    out.append(QStringList{QStringLiteral("konsole"), QStringLiteral("-e")});
    out.append(QStringList{QStringLiteral("xfce4-terminal"), QStringLiteral("-x")});
    out.append(QStringList{QStringLiteral("xterm"), QStringLiteral("-e")});
    return out;
}

Launcher::Launch ProcessLauncher::runInTerminal(const QStringList& argv)
{
    const QByteArray terminal = qgetenv("TERMINAL");
    const auto variable = terminal.isEmpty() ? std::nullopt : std::optional<QString>(QString::fromLocal8Bit(terminal));
    Launch result = Launch::noTerminal;
    for (const QStringList& prefix : terminalCandidates(variable)) {
        const QString program = QStandardPaths::findExecutable(prefix.first());
        if (program.isEmpty())
            continue;
        if (QProcess::startDetached(program, prefix.mid(1) + argv))
            return Launch::started;
        result = Launch::failed;
    }
    return result;
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
    s.desktopShortcut = std::make_unique<NullDesktopShortcut>();
    return s;
}

} // namespace vesk
