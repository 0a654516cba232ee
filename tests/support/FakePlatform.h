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
    QList<KeyChord> asked; // the keys of each registration, in order
    bool holding = false;  // registered and not released since

    Registration registerShortcut(const KeyChord& keys, const QObject* owner, std::function<void()> callback,
                                  std::function<void(Registration)> outcome) override
    {
        ++registrations;
        asked.append(keys);
        holding = result == Registration::registered;
        receiver = owner;
        pressed = std::move(callback);
        settled = std::move(outcome);
        return result;
    }
    void release() override { holding = false; }
    // As if the desktop answered a `pending` registration.
    void settle(Registration outcome)
    {
        result = outcome;
        holding = outcome == Registration::registered;
        if (receiver && settled)
            settled(outcome);
    }
    // As if the user pressed the shortcut; false when nothing was registered.
    bool press()
    {
        if (!holding || !receiver || !pressed)
            return false;
        pressed();
        return true;
    }

private:
    QPointer<const QObject> receiver;
    std::function<void()> pressed;
    std::function<void(Registration)> settled;
};

class FakeForegroundWindow final : public ForegroundWindow {
public:
    std::optional<ForegroundApp> front;
    std::optional<ForegroundApp> current() override { return front; }
};

class FakeWorkspace final : public Workspace {
public:
    bool lists = true;
    QMap<QString, Application> installed;
    // What the next chooser returns; nothing is a cancelled chooser.
    std::optional<Application> choice;
    QStringList chooserTitles;
    QStringList leftOut; // the ids the last chooser was to leave out
    QList<QUrl> opened;

    bool listsApplications() const override { return lists; }
    std::optional<Application> application(const QString& id) override
    {
        if (!installed.contains(id))
            return std::nullopt;
        return installed.value(id);
    }
    std::optional<Application> chooseApplication(QWidget*, const QString& title, const QString&,
                                                 const QStringList& leaveOut) override
    {
        chooserTitles.append(title);
        leftOut = leaveOut;
        return choice;
    }
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
};

// Every call, in order ("register daemon", "unregister daemon", "approve daemon", …); the pass
// makes its calls on a worker thread and a test reads them once the pass has ended.
class FakeServiceManager final : public ServiceManager {
public:
    bool ships = false; // a build without a daemon registers nothing: the start-up chains follow at once
    bool handInstalled = false;
    Status daemon = Status::notRegistered;
    Status application = Status::notRegistered;
    bool succeed = true;
    QStringList calls;

    bool shipsDaemon() override { return ships; }
    bool handInstalledDaemon() override { return handInstalled; }
    Status status(Service s) override { return s == Service::daemon ? daemon : application; }
    bool registerService(Service s) override { return change(QStringLiteral("register"), s, Status::enabled); }
    bool unregisterService(Service s) override
    {
        return change(QStringLiteral("unregister"), s, Status::notRegistered);
    }
    bool approve(Service s) override { return change(QStringLiteral("approve"), s, Status::enabled); }

private:
    bool change(const QString& what, Service s, Status after)
    {
        calls.append(what + (s == Service::daemon ? QStringLiteral(" daemon") : QStringLiteral(" application")));
        if (succeed)
            (s == Service::daemon ? daemon : application) = after;
        return succeed;
    }
};

class FakeLauncher final : public Launcher {
public:
    bool succeed = true;
    Launch terminal = Launch::started;
    QList<QStringList> relaunches;
    QList<QStringList> terminalCommands;
    bool relaunch(const QStringList& arguments) override
    {
        relaunches.append(arguments);
        return succeed;
    }
    Launch runInTerminal(const QStringList& argv) override
    {
        terminalCommands.append(argv);
        return terminal;
    }
};

class FakePermissions final : public Permissions {
public:
    QMap<Kind, Need> needs;
    QList<Kind> requested;
    Need need(Kind kind) override { return needs.value(kind); }
    bool request(Kind kind) override
    {
        requested.append(kind);
        return true;
    }
};

class FakeDesktopShortcut final : public DesktopShortcut {
public:
    bool settings = true;
    Binding bound = Binding::free; // what the settings do with any keys, when they exist
    Result result = Result::added;
    QStringList added; // "name|keys|command"
    Binding binding(const KeyChord&, const QString&) override { return settings ? bound : Binding::noSettings; }
    Result add(const QString& name, const KeyChord& keys, const QString& command) override
    {
        added.append(name + u'|' + keys.text() + u'|' + command);
        return result;
    }
};

class FakeWindowManager final : public WindowManager {
public:
    bool composited = false;
    QList<QWindow*> onEveryDesktop;
    void showOnEveryDesktop(QWindow& window) override { onEveryDesktop.append(&window); }
    bool compositing() override { return composited; }
};

// The services handed to the code under test, with typed handles to each fake.
struct FakePlatform {
    FakeHotkey* hotkey;
    FakeForegroundWindow* foregroundWindow;
    FakeWorkspace* workspace;
    FakeServiceManager* serviceManager;
    FakeLauncher* launcher;
    FakePermissions* permissions;
    FakeWindowManager* windowManager;
    FakeDesktopShortcut* desktopShortcut;
    PlatformServices services;

    FakePlatform()
    {
        auto h = std::make_unique<FakeHotkey>();
        auto f = std::make_unique<FakeForegroundWindow>();
        auto w = std::make_unique<FakeWorkspace>();
        auto s = std::make_unique<FakeServiceManager>();
        auto l = std::make_unique<FakeLauncher>();
        auto p = std::make_unique<FakePermissions>();
        auto m = std::make_unique<FakeWindowManager>();
        auto d = std::make_unique<FakeDesktopShortcut>();
        hotkey = h.get();
        foregroundWindow = f.get();
        workspace = w.get();
        serviceManager = s.get();
        launcher = l.get();
        permissions = p.get();
        windowManager = m.get();
        desktopShortcut = d.get();
        services = PlatformServices{std::move(h), std::move(f), std::move(w), std::move(s), std::move(l),
                                    std::move(p), std::move(m), std::move(d), nullptr};
    }
};

} // namespace vesk::test
