#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace vesk {

// The global shortcut: Alt+Space on Linux, Option-Space on a Mac.
class Hotkey {
public:
    enum class Registration {
        registered,
        taken,       // another application owns the key
        unavailable, // this display server offers no global shortcut to us
    };

    virtual ~Hotkey() = default;
    // Keeps `pressed` (replacing any earlier callback), which runs only while `receiver` exists,
    // and grabs the key. The key stays registered until the process ends.
    virtual Registration registerShortcut(const QObject* receiver, std::function<void()> pressed) = 0;
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
    virtual ~Workspace() = default;
    // Empty when the application id is not known here.
    virtual QString applicationName(const QString& applicationId) = 0;
    virtual QIcon applicationIcon(const QString& applicationId) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
};

// Registration of a per-user background agent or login item.
class ServiceManager {
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };

    virtual ~ServiceManager() = default;
    virtual Status status(const QString& serviceId) = 0;
    virtual bool registerService(const QString& serviceId) = 0;
    virtual bool unregisterService(const QString& serviceId) = 0;
};

// Starting other programs.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts a fresh copy of this program; false when it could not be started.
    virtual bool relaunch() = 0;
    // Runs a command (an argv list, never a shell string) in a terminal window.
    virtual bool runInTerminal(const QStringList& argv) = 0;
};

// The desktop's privacy settings for the permissions the daemon needs.
class Permissions {
public:
    enum class Kind { screenRecording, accessibility };

    virtual ~Permissions() = default;
    // Opens the desktop's settings page for the permission; false when none is known.
    virtual bool openSettings(Kind kind) = 0;
};

// Everything the operating system provides, built once in main and handed down through
// constructors.
struct PlatformServices {
    std::unique_ptr<Hotkey> hotkey;
    std::unique_ptr<ForegroundWindow> foregroundWindow;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<ServiceManager> serviceManager;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Permissions> permissions;
};

// The backends for the running Qt platform: the native ones on X11, honest "unavailable" ones
// elsewhere (offscreen, Wayland until the portal lands). Needs a QGuiApplication.
PlatformServices createPlatformServices();

// The backends that report every facility as unavailable.
PlatformServices nullPlatformServices();

} // namespace vesk
