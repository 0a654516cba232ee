#pragma once

#include "AppDelegate.h"
#include "DaemonRig.h"
#include "FakePlatform.h"
#include "ScriptedAlerts.h"

#include <QAction>
#include <QJsonDocument>
#include <QMenu>
#include <QStandardPaths>

namespace vesk::test {

// A delegate wired to a fake daemon, fake platform, scripted alerts and a test clock, with its
// settings in a temporary file.
struct AppFixture : DaemonRig {
    explicit AppFixture(LaunchSwitches switches = {}, const QString& defaultsPath = {})
        : DaemonRig(defaultsPath)
        , delegate({client, platform.services, presentation, alerts, clock, defaults, [this] { return trayHost; }},
                   switches)
    {
    }

    QMenu* menu() const { return delegate.statusMenu().menu(); }
    QAction* line(StatusMenu::Line which) const { return delegate.statusMenu().item(which); }
    QAction* tier(const QString& name) const { return delegate.statusMenu().tierItem(name); }

    // Opens the menu (at `at`) against this status reply and waits until the reply has been read.
    void openMenuWith(const QByteArray& statusLine, QPoint at = {})
    {
        daemon.replyRaw(QStringLiteral("status"), statusLine + '\n');
        const int before = daemon.count(QStringLiteral("status"));
        menu()->hide();
        menu()->popup(at);
        QTRY_COMPARE(daemon.count(QStringLiteral("status")), before + 1);
        barrier();
    }

    FakePlatform platform;
    ScriptedAlerts alerts;
    bool trayHost = true;
    AppDelegate delegate;
};

} // namespace vesk::test
