#pragma once

#include "PlatformServices.h"

namespace vesk {

class NullHotkey final : public Hotkey {
public:
    Registration registerShortcut(const KeyChord&, const QObject*, std::function<void()>,
                                  std::function<void(Registration)>) override
    {
        return Registration::unavailable;
    }
    void release() override { }
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

class NullDesktopShortcut final : public DesktopShortcut {
public:
    Binding binding(const KeyChord&, const QString&) override { return Binding::noSettings; }
    Result add(const QString&, const KeyChord&, const QString&) override { return Result::noSettings; }
};

class NullWindowManager final : public WindowManager {
public:
    void showOnEveryDesktop(QWindow&) override { }
    bool compositing() override { return false; }
};

// Opens addresses through the desktop services, which work on every Qt platform, and knows no
// installed application: it lists none and offers none to choose.
class DesktopWorkspace final : public Workspace {
public:
    bool listsApplications() const override { return false; }
    std::optional<Application> application(const QString&) override { return std::nullopt; }
    std::optional<Application> chooseApplication(QWidget*, const QString&, const QString&, const QStringList&) override
    {
        return std::nullopt;
    }
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
