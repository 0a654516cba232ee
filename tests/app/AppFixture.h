#pragma once

#include "AppDelegate.h"
#include "DaemonClient.h"
#include "Defaults.h"
#include "FakeDaemon.h"
#include "FakePlatform.h"
#include "PresentationMode.h"
#include "ScriptedAlerts.h"
#include "TestClock.h"

#include <QAction>
#include <QJsonDocument>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace vesk::test {

// A delegate wired to a fake daemon, fake platform, scripted alerts and a test clock, with its
// settings in a temporary file.
struct AppFixture {
    explicit AppFixture(LaunchSwitches switches = {})
        : defaults(dir.filePath(QStringLiteral("defaults.json")))
        , presentation(defaults)
        , client(daemon.path(), clock)
        , delegate({client, platform.services, presentation, alerts, clock}, switches)
    {
    }

    // Every request sent before this one has been answered and its completion has run: the ask
    // lane completes in order.
    void barrier()
    {
        bool done = false;
        client.hello([&done](Reply) { done = true; });
        QTRY_VERIFY(done);
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

    // The JSON objects of the requests of one op, in order.
    QList<QJsonObject> sent(const QString& op) const
    {
        QList<QJsonObject> out;
        for (const QByteArray& line : daemon.requests(op))
            out.append(QJsonDocument::fromJson(line).object());
        return out;
    }

    QTemporaryDir dir;
    Defaults defaults;
    PresentationMode presentation;
    FakeDaemon daemon;
    TestClock clock;
    DaemonClient client;
    FakePlatform platform;
    ScriptedAlerts alerts;
    AppDelegate delegate;
};

} // namespace vesk::test
