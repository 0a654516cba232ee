#pragma once

#include "PlatformServices.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace vesk {

// Login-time start through XDG autostart entries in $XDG_CONFIG_HOME/autostart: one that starts the
// daemon, one that starts this application. An entry we wrote carries X-Vesk-Build; one without it
// under the daemon's name (or the legacy name) was installed by hand and is never touched, and so is a
// daemon that an enabled systemd user unit starts. The
// session skips an entry with Hidden=true or X-GNOME-Autostart-enabled=false: that is the user's
// "off", which only the user's approval turns on again, and which survives re-registration.
class XdgAutostart final : public ServiceManager {
public:
    // What starts at login and how it reads in a session's startup list.
    struct Program {
        QString id; // file name without ".desktop"
        QString name;
        QString comment;
        QString path; // absolute; empty when not installed
        QString icon;
    };

    // An entry file as far as registration is concerned.
    struct Entry {
        bool exists = false;
        bool ours = false;     // carries X-Vesk-Build
        bool disabled = false; // Hidden=true or X-GNOME-Autostart-enabled=false
        bool operator==(const Entry&) const = default;
    };

    static constexpr const char* daemonId = "com.vesk.veskd";
    static constexpr const char* legacyDaemonId = "com.qev.qevd";
    static constexpr const char* applicationId = "com.vesk.vesk";

    static constexpr const char* daemonUnit = "veskd.service";

    // `folder` is the autostart folder; `daemonPath` the installed daemon, if any; `unitFolders` the
    // systemd user unit folders, whose *.wants folders enable a unit.
    XdgAutostart(QString folder, QString build, std::optional<QString> daemonPath, QString applicationPath,
                 QStringList unitFolders);
    // $XDG_CONFIG_HOME/autostart (~/.config/autostart when unset), the installed programs, this
    // application's version and the unit folders of the user, the administrator and the packages.
    static std::unique_ptr<XdgAutostart> forThisUser();

    // The text of the entry that starts `program`, marked as written for `build`.
    static QByteArray entryText(const Program& program, const QString& build);
    static Entry parse(const QByteArray& contents);
    // Whether the entry starts its program at the next login, in the service manager's terms.
    static Status statusOf(const Entry& entry, bool programInstalled);
    // Whether one of `unitFolders` enables the daemon's unit for some target.
    static bool unitEnabled(const QStringList& unitFolders);

    bool shipsDaemon() override;
    bool handInstalledDaemon() override;
    Status status(Service service) override;
    bool registerService(Service service) override;
    bool unregisterService(Service service) override;
    bool approve(Service service) override;

    QString entryPath(const QString& id) const;

private:
    Program program(Service service) const;
    Entry read(const QString& id) const;
    bool write(Service service);

    QString folder;
    QString build;
    std::optional<QString> daemonPath;
    QString applicationPath;
    QStringList unitFolders;
};

} // namespace vesk
