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

// Requests of one op as the daemon received them. Reading one that is not there fails the test
// with the op's name instead of indexing an empty list.
class SentRequests : public QList<QJsonObject> {
public:
    explicit SentRequests(QString op)
        : op(std::move(op))
    {
    }
    const QJsonObject& first() const { return isEmpty() ? missing(QStringLiteral("the first")) : QList::first(); }
    const QJsonObject& last() const { return isEmpty() ? missing(QStringLiteral("the last")) : QList::last(); }
    const QJsonObject& operator[](qsizetype i) const { return at(i); }
    const QJsonObject& at(qsizetype i) const
    {
        return i >= 0 && i < size() ? QList::at(i) : missing(QStringLiteral("number %1").arg(i + 1));
    }

private:
    const QJsonObject& missing(const QString& which) const
    {
        const QByteArray message
            = QStringLiteral("read %1 of the \"%2\" requests, but %3 arrived").arg(which, op).arg(size()).toUtf8();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        static const QJsonObject none;
        return none;
    }

    QString op;
};

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

    // Every ask-lane request sent before now has been answered and its completion has run.
    void barrier()
    {
        const quint64 made = client.requestsMade();
        QTRY_VERIFY(client.settledThrough(made));
    }
    // The same for the answer lane.
    void answerBarrier()
    {
        const auto done = std::make_shared<bool>(false);
        client.ask(QStringLiteral("barrier"), app(), [done](Reply) { *done = true; });
        QTRY_VERIFY(*done);
    }

    // The JSON objects of the requests of one op received so far, in order.
    SentRequests sent(const QString& op) const
    {
        SentRequests out(op);
        for (const QByteArray& line : daemon.requests(op))
            out.append(QJsonDocument::fromJson(line).object());
        return out;
    }
    // The same once at least `count` of them have arrived: a request travels on a lane thread, so
    // a test that reads one waits for it. One that never comes fails the test by name.
    SentRequests sent(const QString& op, int count) const
    {
        if (!QTest::qWaitFor([&] { return daemon.count(op) >= count; }, 5000)) {
            const QByteArray message = QStringLiteral("waited for %1 \"%2\" request(s); the daemon received %3")
                                           .arg(count)
                                           .arg(op)
                                           .arg(daemon.count(op))
                                           .toUtf8();
            QTest::qFail(message.constData(), __FILE__, __LINE__);
        }
        return sent(op);
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
