#pragma once

#include "PlatformServices.h"

namespace vesk {

// What a Linux desktop asks before the daemon may read the screen and the windows. X11 asks
// nothing: any client reads the screen and the window manager's titles. Wayland shares the screen
// only through the desktop's screen-cast portal, which asks the user when the daemon starts
// recording; the one thing the front end can do there is open the desktop's privacy settings.
class LinuxPermissions final : public Permissions {
public:
    enum class Session { x11, wayland, unknown };

    // `settings` is the command that opens the desktop's privacy settings; empty when none is known.
    LinuxPermissions(Session session, QStringList settings);
    // The session from XDG_SESSION_TYPE (WAYLAND_DISPLAY or DISPLAY when unset) and the settings
    // program of the desktop named by XDG_CURRENT_DESKTOP, when it is installed.
    static std::unique_ptr<LinuxPermissions> forThisSession();

    static Need needFor(Kind kind, Session session, bool settingsKnown);

    Need need(Kind kind) override;
    bool request(Kind kind) override;

private:
    Session session;
    QStringList settings;
};

} // namespace vesk
