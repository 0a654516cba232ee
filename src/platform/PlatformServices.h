#pragma once

#include "KeyChord.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
class QWindow;

namespace vesk {

// The global shortcut that opens the ask panel: Alt+Space unless the user chose other keys.
class Hotkey {
public:
    enum class Registration {
        registered,
        taken,       // another application owns the key
        unavailable, // this display server offers no global shortcut to us
        unsupported, // the desktop's portal runs, but gives applications no global shortcuts
        unbound,     // the desktop's portal said yes but bound no key (it leaves that to its settings)
        refused,     // the desktop or the user declined to bind it
        pending,     // the desktop was asked; the outcome follows
    };

    virtual ~Hotkey() = default;
    // Keeps `pressed` (replacing any earlier callback), which runs only while `receiver` exists,
    // and registers `keys` in place of any keys registered before; they stay registered until
    // released or the process ends. A backend that must ask the desktop first answers `pending`
    // and later runs `settled` once with the outcome, on the main thread and while `receiver`
    // exists; the others answer at once and never run it.
    virtual Registration registerShortcut(const KeyChord& keys, const QObject* receiver, std::function<void()> pressed,
                                          std::function<void(Registration)> settled)
        = 0;
    // Lets go of the keys, so another backend's registration is the only one.
    virtual void release() = 0;
};

// A shortcut the desktop itself runs: a command bound to keys in the desktop's own settings, for
// desktops that give applications no global shortcut or whose window manager holds the keys.
// Calls read and write the desktop's settings: make them off the main thread.
class DesktopShortcut {
public:
    enum class Binding {
        free,       // nothing in the desktop's settings uses the keys
        ours,       // the keys already run the command
        taken,      // the keys do something else there
        noSettings, // this desktop's shortcut settings are not installed here
    };
    enum class Result {
        added,
        alreadyAdded, // the same keys already run the same command
        keysTaken,    // the desktop already binds these keys to something else; left alone
        noSettings,   // this desktop's shortcut settings are not installed here
        failed,       // the settings would not take the change
    };

    virtual ~DesktopShortcut() = default;
    // What the desktop's settings do with `keys` now; read only.
    virtual Binding binding(const KeyChord& keys, const QString& command) = 0;
    // Binds `keys` to `command`, shown under `name`; keys bound to anything else are left alone.
    virtual Result add(const QString& name, const KeyChord& keys, const QString& command) = 0;
};

// The application in front and its focused window, as the window manager reports it.
struct ForegroundApp {
    QString applicationId; // reverse-DNS id, else the desktop-file id derived from WM_CLASS
    QString name;
    QString windowTitle;
    bool fullScreen = false;
    std::optional<qint64> pid;
    bool operator==(const ForegroundApp&) const = default;
};

class ForegroundWindow {
public:
    virtual ~ForegroundWindow() = default;
    // Nothing when no foreground window can be read (no window manager, a stale window).
    virtual std::optional<ForegroundApp> current() = 0;
};

// Installed applications and opening addresses.
class Workspace {
public:
    // An installed application: its id (on Linux the desktop id, the desktop entry's file name
    // without ".desktop"), the name it shows and its icon.
    struct Application {
        QString id;
        QString name;
        QIcon icon;
    };

    virtual ~Workspace() = default;
    // False when this platform cannot tell which applications are installed: then no id is known,
    // and none may be called "not installed".
    virtual bool listsApplications() const = 0;
    // The installed application with this id; nothing when none is installed under it.
    virtual std::optional<Application> application(const QString& applicationId) = 0;
    // Asks the user to choose one of the installed applications but those in `leaveOut` (ids), in a
    // modal dialog with this title and this label on its accepting button; nothing when the user
    // cancels.
    virtual std::optional<Application> chooseApplication(QWidget* parent, const QString& title, const QString& accept,
                                                         const QStringList& leaveOut)
        = 0;
    // Opens an address with the desktop's handler for it.
    virtual bool openUrl(const QUrl& url) = 0;
};

// Starting the daemon as a per-user background agent and this application as a login item. Calls
// may touch the file system: make them off the main thread.
class ServiceManager {
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };
    enum class Service { daemon, application };

    virtual ~ServiceManager() = default;
    // Whether this install carries a daemon to register at all.
    virtual bool shipsDaemon() = 0;
    // A daemon entry the user installed by hand: it runs the daemon and is left alone.
    virtual bool handInstalledDaemon() = 0;
    virtual Status status(Service service) = 0;
    // False when it could not be done.
    virtual bool registerService(Service service) = 0;
    virtual bool unregisterService(Service service) = 0;
    // The user's approval for a service that needs it (requiresApproval); false when not given.
    virtual bool approve(Service service) = 0;
};

// Starting other programs.
class Launcher {
public:
    enum class Launch { started, noTerminal, failed };

    virtual ~Launcher() = default;
    // Starts a fresh copy of this program with these arguments; false when it could not be started.
    virtual bool relaunch(const QStringList& arguments) = 0;
    // Runs a command (an argv list, never a shell string) in a terminal window.
    virtual Launch runInTerminal(const QStringList& argv) = 0;
};

// What the daemon needs from the desktop to read the screen and the windows, and what the user can
// do about it here. Whether it has it is always the daemon's word.
class Permissions {
public:
    enum class Kind { screenRecording, accessibility };
    struct Need {
        QString note;   // what this desktop needs, in one sentence
        QString action; // the title of the button that does something about it; empty: no button
        bool operator==(const Need&) const = default;
    };

    virtual ~Permissions() = default;
    virtual Need need(Kind kind) = 0;
    // Does what the need's action says; false when it could not.
    virtual bool request(Kind kind) = 0;
};

// What the window manager does for our own floating panels.
class WindowManager {
public:
    virtual ~WindowManager() = default;
    // Keeps a top-level window on every virtual desktop; call it before the window is first shown.
    virtual void showOnEveryDesktop(QWindow& window) = 0;
    // Whether a compositing manager runs now, so that a translucent window shows the shadow drawn
    // around it.
    virtual bool compositing() = 0;
};

// Everything the operating system provides, built once in main and handed down through
// constructors.
struct PlatformServices {
    // The key grab of this display server (X11); unavailable elsewhere.
    std::unique_ptr<Hotkey> hotkey;
    std::unique_ptr<ForegroundWindow> foregroundWindow;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<ServiceManager> serviceManager;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Permissions> permissions;
    std::unique_ptr<WindowManager> windowManager;
    std::unique_ptr<DesktopShortcut> desktopShortcut;
    // The desktop portal's global shortcuts, on any session with a session bus; null without one.
    std::unique_ptr<Hotkey> portalHotkey;
};

// The backends for the running session: the native ones on X11, the desktop portal's shortcut
// wherever a session bus runs, the desktop's own shortcut settings for GNOME or XFCE, honest
// "unavailable" ones elsewhere (offscreen). Needs a QGuiApplication.
PlatformServices createPlatformServices();

// The backends that report every facility as unavailable.
PlatformServices nullPlatformServices();

// Whether an X server answers at `display` (a DISPLAY value). Needs no application object: a start
// asks it before making one.
bool x11DisplayAnswers(const QString& display);

} // namespace vesk
