#include "DaemonClient.h"
#include "FakeDaemon.h"
#include "TestClock.h"
#include "Wire.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace vesk;
using vesk::test::app;
using vesk::test::FakeDaemon;
using vesk::test::TestClock;

namespace {
using Known = DaemonClient::Known;
// Not a QList: its copying append of a std::variant trips GCC's false -Wmaybe-uninitialized.
using States = std::vector<DaemonClient::State>;
bool isUnreachable(const DaemonClient::State& s)
{
    return std::holds_alternative<DaemonClient::Unreachable>(s);
}

QList<Known> knowns(const States& states)
{
    QList<Known> out;
    for (const auto& s : states)
        if (auto k = std::get_if<Known>(&s))
            out.append(*k);
    return out;
}

// The states a watch delivers, kept alive by the callback itself: a callback that runs after the
// test function returned touches nothing freed.
std::shared_ptr<States> watchInto(DaemonClient& client)
{
    auto states = std::make_shared<States>();
    client.watch(app(), [states](const DaemonClient::State& s) { states->push_back(s); });
    return states;
}

// Counts the tasks queued to the main thread while it lives.
struct TaskCounter : QObject {
    int count = 0;
    TaskCounter() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        count += receiver == QCoreApplication::instance() && event->type() == QEvent::MetaCall;
        return false;
    }
};

// The watch line cap is a promise in bytes, not whatever the constant says.
constexpr qsizetype mebibyte = 1024 * 1024;

QByteArray captureLine(qsizetype length, const char* tail = "\n")
{
    const QByteArray head = "{\"kind\":\"capture\",\"capturing\":true,\"reason\":\"";
    return head + QByteArray(length - head.size() - 2, 'r') + "\"}" + tail;
}
} // namespace

Q_DECLARE_METATYPE(std::optional<Known>)

namespace QTest {
template <> char* toString(const Known& k)
{
    return qstrdup(QStringLiteral("Known(%1, %2, \"%3\")")
                       .arg(k.capturing)
                       .arg(k.displays ? QString::number(*k.displays) : QStringLiteral("?"))
                       .arg(k.reason.left(40))
                       .toUtf8());
}
} // namespace QTest

class WatchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captureLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<std::optional<Known>>("expected");
        using K = std::optional<Known>;
        QTest::newRow("recording on two displays")
            << QByteArray(R"({"kind":"capture","capturing":true,"displays":2})") << K(Known{true, 2, QString()});
        QTest::newRow("paused with a reason") << QByteArray(R"({"kind":"capture","capturing":false,"reason":"paused"})")
                                              << K(Known{false, {}, QStringLiteral("paused")});
        QTest::newRow("wrong types read as absent")
            << QByteArray(R"({"kind":"capture","capturing":true,"displays":"3","reason":7})") << K(Known{true, {}, {}});
        QTest::newRow("displays negative or fractional are absent")
            << QByteArray(R"({"kind":"capture","capturing":true,"displays":-9223372036854775808})")
            << K(Known{true, {}, {}});
        QTest::newRow("displays past 64 bits are absent")
            << QByteArray(R"({"kind":"capture","capturing":true,"displays":1e308})") << K(Known{true, {}, {}});
        QTest::newRow("no capturing") << QByteArray(R"({"kind":"capture","displays":2})") << K();
        QTest::newRow("capturing not a Boolean") << QByteArray(R"({"kind":"capture","capturing":1})") << K();
        QTest::newRow("other kind") << QByteArray(R"({"kind":"status","capturing":true})") << K();
        QTest::newRow("not JSON") << QByteArray("not json") << K();
        QTest::newRow("empty object") << QByteArray("{}") << K();
    }
    void captureLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(std::optional<Known>, expected);
        QCOMPARE(Wire::parseWatchLine(line), expected);
    }

    // Lines reach the callback whole, however the stream is cut; when lines come faster than the
    // main thread takes them, it sees the newest.
    void streamIsCutIntoLines_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<Known>("last");
        QTest::addColumn<int>("most");
        QTest::newRow("one line split across reads is delivered once")
            << QList<QByteArray>{"{\"kind\":\"capt", "ure\",\"capturing\":tr", "ue,\"displays\":1}", "\n"}
            << Known{true, 1, QString()} << 1;
        QTest::newRow("skipped lines around a capture line")
            << QList<QByteArray>{"{}\nnot json\n{\"kind\":\"capture\",\"capturing\":false}\n[]\n"}
            << Known{false, {}, {}} << 1;
        QTest::newRow("two lines in one read: the newest counts") << QList<
            QByteArray>{"{\"kind\":\"capture\",\"capturing\":true}\n{\"kind\":\"capture\",\"capturing\":false}\n"}
                                                                  << Known{false, {}, QString()} << 2;
        QTest::newRow("a line longer than the read chunk")
            << QList<QByteArray>{captureLine(9000)} << Known{true, {}, QString(9000 - 47, QLatin1Char('r'))} << 1;
        QTest::newRow("a line of exactly 1 MB is kept")
            << QList<QByteArray>{captureLine(mebibyte)} << Known{true, {}, QString(mebibyte - 47, QLatin1Char('r'))}
            << 1;
    }
    void streamIsCutIntoLines()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(Known, last);
        QFETCH(int, most);
        FakeDaemon daemon;
        DaemonClient client(daemon.path());
        const auto states = watchInto(client);
        QTRY_COMPARE(daemon.watchConnections(), 1);
        QCOMPARE(daemon.requests().value(0), QByteArray("{\"op\":\"watch\"}"));
        for (const QByteArray& w : writes)
            daemon.pushWatch(w);
        QTRY_VERIFY(!knowns(*states).isEmpty() && knowns(*states).last() == last);
        QVERIFY(knowns(*states).size() <= most);
        QVERIFY(std::none_of(states->begin(), states->end(), isUnreachable));
    }

    void floodReachesTheMainThreadAsItsNewestState()
    {
        FakeDaemon daemon;
        DaemonClient client(daemon.path());
        const auto states = watchInto(client);
        QTRY_COMPARE(daemon.watchConnections(), 1);
        QByteArray flood;
        for (int i = 0; i < 100000; ++i)
            flood += "{\"kind\":\"capture\",\"capturing\":" + QByteArray(i % 2 ? "true" : "false")
                + ",\"displays\":" + QByteArray::number(i) + "}\n";
        // The main thread is busy writing the whole time: every state the watch reads waits for it.
        // Counting the tasks queued for it, not only the states it saw, tells one waiting state
        // apart from a million queued ones.
        TaskCounter tasks;
        daemon.pushWatch(flood);
        QTRY_VERIFY(!knowns(*states).isEmpty() && knowns(*states).last() == (Known{true, 99999, {}}));
        QVERIFY2(tasks.count < 100, qPrintable(QString::number(tasks.count)));
    }

    // Nothing past 1 MB is held: the line is dropped, whether or not its end came, and the stream
    // opened again after the pause.
    void overlongLineReopensTheStream_data()
    {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("ended") << QByteArray("\n");
        QTest::newRow("no end in sight") << QByteArray();
    }
    void overlongLineReopensTheStream()
    {
        QFETCH(QByteArray, end);
        FakeDaemon daemon;
        TestClock clock;
        DaemonClient client(daemon.path(), clock);
        const auto states = watchInto(client);
        QTRY_COMPARE(daemon.watchConnections(), 1);
        daemon.pushWatch(captureLine(mebibyte + 1, end.constData()));
        QTRY_VERIFY(!states->empty());
        QVERIFY(isUnreachable(states->back()));
        daemon.setWatchGreeting("{\"kind\":\"capture\",\"capturing\":true,\"displays\":1}\n");
        QTRY_COMPARE(clock.pendingCount(), 1);
        clock.advance(DaemonClient::watchRetrySeconds);
        QTRY_COMPARE(knowns(*states), (QList<Known>{{true, 1, QString()}}));
        QCOMPARE(daemon.watchConnects(), 2);
    }

    void closedStreamIsUnreachableThenReconnectsAfterTwoSeconds()
    {
        FakeDaemon daemon;
        daemon.setWatchGreeting("{\"kind\":\"capture\",\"capturing\":true,\"displays\":1}\n");
        TestClock clock;
        DaemonClient client(daemon.path(), clock);
        const auto states = watchInto(client);
        QTRY_COMPARE(int(states->size()), 1);
        QCOMPARE(std::get<Known>(states->at(0)), (Known{true, 1, QString()}));

        daemon.closeWatches();
        QTRY_COMPARE(int(states->size()), 2);
        QVERIFY(isUnreachable(states->at(1)));
        QTRY_COMPARE(clock.pendingCount(), 1);
        QCOMPARE(clock.delays(), std::vector<double>{2.0});
        clock.advance(1.999);
        QCOMPARE(clock.pendingCount(), 1);
        clock.advance(0.001);
        QTRY_COMPARE(int(states->size()), 3);
        QCOMPARE(daemon.watchConnects(), 2);
        QCOMPARE(std::get<Known>(states->at(2)), (Known{true, 1, QString()}));
    }

    void noDaemonKeepsReportingUnreachable()
    {
        QTemporaryDir dir;
        TestClock clock;
        DaemonClient client(dir.path() + QStringLiteral("/none.sock"), clock);
        const auto states = watchInto(client);
        for (int attempt = 1;; ++attempt) {
            QTRY_COMPARE(int(states->size()), attempt);
            QVERIFY(isUnreachable(states->back()));
            QTRY_COMPARE(clock.pendingCount(), 1);
            if (attempt == 3)
                break;
            clock.advance(2.0);
        }
        // The daemon appearing at that path is picked up by the next attempt.
        FakeDaemon daemon(dir.path() + QStringLiteral("/none.sock"));
        daemon.setWatchGreeting("{\"kind\":\"capture\",\"capturing\":false}\n");
        clock.advance(2.0);
        QTRY_COMPARE(knowns(*states), (QList<Known>{{false, std::nullopt, QString()}}));
    }

    void laterWatchReplacesTheCallbackWithoutASecondStream()
    {
        FakeDaemon daemon;
        DaemonClient client(daemon.path());
        auto first = std::make_shared<int>(0), second = std::make_shared<int>(0);
        client.watch(app(), [first](const DaemonClient::State&) { ++*first; });
        QTRY_COMPARE(daemon.watchConnections(), 1);
        client.watch(app(), [second](const DaemonClient::State&) { ++*second; });
        daemon.pushWatch("{\"kind\":\"capture\",\"capturing\":true}\n");
        QTRY_COMPARE(*second, 1);
        QCOMPARE(*first, 0);
        QCOMPARE(daemon.watchConnects(), 1);

        // A watcher that is gone is never called.
        auto gone = std::make_unique<QObject>();
        client.watch(gone.get(), [first](const DaemonClient::State&) { ++*first; });
        gone.reset();
        TaskCounter tasks;
        daemon.pushWatch("{\"kind\":\"capture\",\"capturing\":false}\n");
        QTRY_VERIFY(tasks.count >= 1);
        QCOMPARE(*first, 0);
    }

    void needsOnboarding_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<std::optional<bool>>("expected");
        QTest::newRow("not onboarded") << QByteArray("{\"kind\":\"status\",\"onboarded\":false}\n")
                                       << std::optional<bool>(true);
        QTest::newRow("onboarded") << QByteArray("{\"kind\":\"status\",\"onboarded\":true}\n")
                                   << std::optional<bool>(false);
        QTest::newRow("key missing") << QByteArray("{\"kind\":\"status\"}\n") << std::optional<bool>();
        QTest::newRow("not a Boolean") << QByteArray("{\"kind\":\"status\",\"onboarded\":1}\n")
                                       << std::optional<bool>();
        QTest::newRow("no reply") << QByteArray("{\"kind\":\"error\"}\n") << std::optional<bool>();
    }
    void needsOnboarding()
    {
        QFETCH(QByteArray, reply);
        QFETCH(std::optional<bool>, expected);
        FakeDaemon daemon;
        daemon.replyRaw(QStringLiteral("status"), reply);
        DaemonClient client(daemon.path());
        auto got = std::make_shared<std::optional<std::optional<bool>>>();
        client.needsOnboarding(app(), [got](std::optional<bool> needed) { *got = needed; });
        QTRY_VERIFY(got->has_value());
        QCOMPARE(**got, expected);
        QCOMPARE(daemon.requests(), QList<QByteArray>{"{\"op\":\"status\"}"});
    }
};

QTEST_GUILESS_MAIN(WatchTest)
#include "WatchTest.moc"
