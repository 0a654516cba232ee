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

class NullServiceManager final : public ServiceManager {
public:
    Status status(const QString&) override { return Status::notFound; }
    bool registerService(const QString&) override { return false; }
    bool unregisterService(const QString&) override { return false; }
};

class NullPermissions final : public Permissions {
public:
    bool openSettings(Kind) override { return false; }
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
    bool relaunch() override;
    bool runInTerminal(const QStringList& argv) override;

    // The terminal commands tried in order: x-terminal-emulator, then $TERMINAL, then common ones;
    // each is an argv prefix to which the command is appended.
    static QList<QStringList> terminalCandidates(const std::optional<QString>& terminalVariable);
};

} // namespace vesk
