#pragma once

#include "PlatformServices.h"

namespace vesk {

class NullHotkey final : public Hotkey {
public:
    Registration registerShortcut(const QObject*, std::function<void()>) override { return Registration::unavailable; }
};

class NullForegroundWindow final : public ForegroundWindow {
public:
    std::optional<ForegroundApp> current() override { return std::nullopt; }
};

// Without a service manager there is no daemon to register.
class NullServiceManager final : public ServiceManager {
public:
    bool shipsDaemon() override { return false; }
    bool handInstalledDaemon() override { return false; }
    Status status(Service) override { return Status::notFound; }
    bool registerService(Service) override { return false; }
    bool unregisterService(Service) override { return false; }
    bool approve(Service) override { return false; }
};

class NullPermissions final : public Permissions {
public:
    Need need(Kind) override;
    bool request(Kind) override { return false; }
};

// Works on every Qt platform: opening addresses through the desktop services; application
// names and icons are not known.
class DesktopWorkspace final : public Workspace {
public:
    QString applicationName(const QString&) override { return {}; }
    QIcon applicationIcon(const QString&) override { return {}; }
    bool openUrl(const QUrl& url) override;
};

// Starting processes works the same on every Linux display server.
class ProcessLauncher final : public Launcher {
public:
    bool relaunch(const QStringList& arguments) override;
    Launch runInTerminal(const QStringList& argv) override;

    // The terminal commands tried in order: the desktop's default (x-terminal-emulator), then
    // $TERMINAL, then common ones; each is an argv prefix to which the command is appended.
    static QList<QStringList> terminalCandidates(const std::optional<QString>& terminalVariable);
};

} // namespace vesk
