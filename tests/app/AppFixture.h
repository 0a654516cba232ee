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
        , delegate({client, platform.services, presentation, alerts, clock}, switches)
    {
    }

    // Opens the menu against this status reply and waits until the reply has been read.
    void openMenuWith(const QByteArray& statusLine)
    {
        daemon.replyRaw(QStringLiteral("status"), statusLine + '\n');
        const int before = daemon.count(QStringLiteral("status"));
        delegate.menuWillOpen();
        QTRY_COMPARE(daemon.count(QStringLiteral("status")), before + 1);
        barrier();
    }
    void openMenuWith(const QJsonObject& status) { openMenuWith(QJsonDocument(status).toJson(QJsonDocument::Compact)); }

    FakePlatform platform;
    ScriptedAlerts alerts;
    AppDelegate delegate;
};

} // namespace vesk::test
