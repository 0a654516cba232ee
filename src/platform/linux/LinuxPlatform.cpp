#include "GnomeShortcut.h"
#include "LinuxPermissions.h"
#include "LinuxWorkspace.h"
#include "NullPlatform.h"
#include "PlatformServices.h"
#include "PortalHotkey.h"
#include "XcbForegroundWindow.h"
#include "XcbHotkey.h"
#include "XcbWindowManager.h"
#include "XdgAutostart.h"
#include "XfceShortcut.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <xcb/xcb.h>

namespace vesk {

PlatformServices createPlatformServices()
{
    PlatformServices services = nullPlatformServices();
    // Desktop entries are the same under every display server.
    const auto applications = std::make_shared<DesktopIndex>();
    services.workspace = std::make_unique<LinuxWorkspace>(applications);
    // Autostart entries and the session's permissions need no display server of their own.
    services.serviceManager = XdgAutostart::forThisUser();
    services.permissions = LinuxPermissions::forThisSession();
    // The desktop's own shortcut settings, where Vesk may add a command shortcut with the user's yes:
    // only those of the desktop that runs, which are the ones that act.
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (desktop.contains(QLatin1String("XFCE"), Qt::CaseInsensitive))
        services.desktopShortcut = std::make_unique<XfceShortcut>();
    else if (desktop.contains(QLatin1String("GNOME"), Qt::CaseInsensitive))
        services.desktopShortcut = std::make_unique<GnomeShortcut>();
    // The portal, wherever a session bus runs: the desktop's own settings then manage the key.
    if (QDBusConnection::sessionBus().isConnected())
        services.portalHotkey = std::make_unique<PortalHotkey>(QDBusConnection::sessionBus());
    // On a Wayland session an X11 grab sees only XWayland's windows and the window in front is
    // never ours to read, also when Qt itself runs through XWayland: only the portal gives the
    // shortcut, and the foreground window stays unknown.
    const QString platform = QGuiApplication::platformName();
    const bool wayland = platform.startsWith(QLatin1String("wayland"))
        || (platform == QLatin1String("xcb")
            && (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
                || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")));
    if (wayland)
        return services;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return services;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return services;
    services.hotkey = std::make_unique<XcbHotkey>(connection, screen->root);
    services.foregroundWindow = std::make_unique<NamedForegroundWindow>(
        std::make_unique<XcbForegroundWindow>(connection, screen->root), applications);
    services.windowManager = std::make_unique<XcbWindowManager>(connection, 0);
    return services;
}

bool x11DisplayAnswers(const QString& display)
{
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

} // namespace vesk
