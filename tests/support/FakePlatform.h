#pragma once

#include "PlatformServices.h"

#include <QList>
#include <QMap>
#include <QUrl>

namespace vesk::test {

// Operating-system services a test can set and inspect.
class FakeHotkey final : public Hotkey {
public:
    Registration result = Registration::registered;
    int registrations = 0;

    Registration registerShortcut(const QObject* owner, std::function<void()> callback) override
    {
        ++registrations;
        receiver = owner;
        pressed = std::move(callback);
        return result;
    }
    // As if the user pressed the shortcut; false when nothing was registered.
    bool press()
    {
        if (result != Registration::registered || !receiver || !pressed)
            return false;
        pressed();
        return true;
    }

private:
    QPointer<const QObject> receiver;
    std::function<void()> pressed;
};

class FakeForegroundWindow final : public ForegroundWindow {
public:
    std::optional<ForegroundApp> front;
    std::optional<ForegroundApp> current() override { return front; }
};

class FakeWorkspace final : public Workspace {
public:
    QMap<QString, QString> names;
    QList<QUrl> opened;
    QString applicationName(const QString& id) override { return names.value(id); }
    QIcon applicationIcon(const QString&) override { return {}; }
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
};

class FakeServiceManager final : public ServiceManager {
public:
    Status current = Status::notRegistered;
    bool succeed = true;
    QStringList registered;
    QStringList unregistered;
    Status status(const QString&) override { return current; }
    bool registerService(const QString& id) override
    {
        registered.append(id);
        if (succeed)
            current = Status::enabled;
        return succeed;
    }
    bool unregisterService(const QString& id) override
    {
        unregistered.append(id);
        if (succeed)
            current = Status::notRegistered;
        return succeed;
    }
};

class FakeLauncher final : public Launcher {
public:
    bool succeed = true;
    int relaunches = 0;
    QList<QStringList> terminalCommands;
    bool relaunch() override
    {
        ++relaunches;
        return succeed;
    }
    bool runInTerminal(const QStringList& argv) override
    {
        terminalCommands.append(argv);
        return succeed;
    }
};

class FakePermissions final : public Permissions {
public:
    QList<Kind> opened;
    bool openSettings(Kind kind) override
    {
        opened.append(kind);
        return true;
    }
};

// The services handed to the code under test, with typed handles to each fake.
struct FakePlatform {
    FakeHotkey* hotkey;
    FakeForegroundWindow* foregroundWindow;
    FakeWorkspace* workspace;
    FakeServiceManager* serviceManager;
    FakeLauncher* launcher;
    FakePermissions* permissions;
    PlatformServices services;

    FakePlatform()
    {
        auto h = std::make_unique<FakeHotkey>();
        auto f = std::make_unique<FakeForegroundWindow>();
        auto w = std::make_unique<FakeWorkspace>();
        auto s = std::make_unique<FakeServiceManager>();
        auto l = std::make_unique<FakeLauncher>();
        auto p = std::make_unique<FakePermissions>();
        hotkey = h.get();
        foregroundWindow = f.get();
        workspace = w.get();
        serviceManager = s.get();
        launcher = l.get();
        permissions = p.get();
        services = PlatformServices{std::move(h), std::move(f), std::move(w), std::move(s), std::move(l), std::move(p)};
    }
};

} // namespace vesk::test
