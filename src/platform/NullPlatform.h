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

// Opens addresses through the desktop services, which work on every Qt platform, and knows no
// installed application: it lists none and offers none to choose.
class DesktopWorkspace final : public Workspace {
public:
    bool listsApplications() const override { return false; }
    std::optional<Application> application(const QString&) override { return std::nullopt; }
    std::optional<Application> chooseApplication(QWidget*, const QString&, const QString&) override
    {
        return std::nullopt;
    }
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
