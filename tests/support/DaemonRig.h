#pragma once

#include "DaemonClient.h"
#include "Defaults.h"
#include "FakeDaemon.h"
#include "PresentationMode.h"
#include "TestClock.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace vesk::test {

// A real DaemonClient on a fake daemon and a test clock, with the settings and presentation mode
// in a temporary file: the base of the window and delegate fixtures.
struct DaemonRig {
    // The settings in `defaultsPath` when given, else in a fresh file.
    explicit DaemonRig(const QString& defaultsPath = {})
        : defaults(defaultsPath.isEmpty() ? dir.filePath(QStringLiteral("defaults.json")) : defaultsPath)
        , presentation(defaults)
        , client(daemon.path(), clock)
    {
    }

    // Every ask-lane request sent before this one has been answered and its completion has run:
    // the lane completes in order. The completions own their flag: one that runs after a failed
    // wait returned must not write into a finished stack frame.
    void barrier()
    {
        const auto done = std::make_shared<bool>(false);
        client.hello([done](Reply) { *done = true; });
        QTRY_VERIFY(*done);
    }
    // The same for the answer lane.
    void answerBarrier()
    {
        const auto done = std::make_shared<bool>(false);
        client.ask(QStringLiteral("barrier"), [done](Reply) { *done = true; });
        QTRY_VERIFY(*done);
    }

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
};

inline QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace vesk::test
