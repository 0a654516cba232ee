#include "DaemonClient.h"
#include "FakeDaemon.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using vesk::test::FakeDaemon;

namespace {
using Known = DaemonClient::Known;
bool isUnreachable(const DaemonClient::State& s) { return std::holds_alternative<DaemonClient::Unreachable>(s); }

QList<Known> knowns(const QList<DaemonClient::State>& states)
{
    QList<Known> out;
    for (const auto& s : states)
        if (auto k = std::get_if<Known>(&s))
            out.append(*k);
    return out;
}
} // namespace

Q_DECLARE_METATYPE(QList<Known>)

namespace QTest {
template <> char* toString(const Known& k)
{
    return qstrdup(QStringLiteral("Known(%1, %2, \"%3\")").arg(k.capturing).arg(k.displays).arg(k.reason).toUtf8());
}
} // namespace QTest

class WatchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captureLines_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<QList<Known>>("expected");

        QTest::newRow("recording on two displays")
            << QList<QByteArray>{"{\"kind\":\"capture\",\"capturing\":true,\"displays\":2}\n"}
            << QList<Known>{{true, 2, QString()}};
        QTest::newRow("paused with a reason")
            << QList<QByteArray>{"{\"kind\":\"capture\",\"capturing\":false,\"reason\":\"paused\"}\n"}
            << QList<Known>{{false, 0, QStringLiteral("paused")}};
        QTest::newRow("skipped: no capturing, other kind, non-Boolean, junk, empty, error")
            << QList<QByteArray>{"{\"kind\":\"capture\",\"displays\":2}\n{\"kind\":\"status\",\"capturing\":true}\n",
                                 "{\"kind\":\"capture\",\"capturing\":1}\nnot json\n{}\n[]\n\n{\"kind\":\"error\"}\n",
                                 "{\"kind\":\"capture\",\"capturing\":true,\"displays\":\"3\",\"reason\":7}\n"}
            << QList<Known>{{true, 0, QString()}};
        QTest::newRow("two lines in one read, in order")
            << QList<QByteArray>{"{\"kind\":\"capture\",\"capturing\":true}\n{\"kind\":\"capture\",\"capturing\":false}\n"}
            << QList<Known>{{true, 0, QString()}, {false, 0, QString()}};
        QTest::newRow("one line split across reads is delivered once")
            << QList<QByteArray>{"{\"kind\":\"capt", "ure\",\"capturing\":tr", "ue,\"displays\":1}", "\n"}
            << QList<Known>{{true, 1, QString()}};
        QTest::newRow("a line longer than the read chunk")
            << QList<QByteArray>{"{\"kind\":\"capture\",\"capturing\":true,\"reason\":\"" + QByteArray(9000, 'r') + "\"}\n"}
            << QList<Known>{{true, 0, QString(9000, QLatin1Char('r'))}};
    }
    void captureLines()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(QList<Known>, expected);
        FakeDaemon daemon;
        DaemonClient client(daemon.path());
        QList<DaemonClient::State> states;
        client.watch([&states](const DaemonClient::State& s) { states.append(s); });
        QTRY_COMPARE(daemon.watchConnections(), 1);
        QCOMPARE(daemon.requests().first(), QByteArray("{\"op\":\"watch\"}"));
        for (const QByteArray& w : writes)
            daemon.pushWatch(w);
        QTRY_COMPARE(knowns(states).size(), expected.size());
        // Nothing further trickles in after the last complete line.
        daemon.pushWatch("{\"kind\":\"capture\",\"capturing\":false,\"reason\":\"sentinel\"}\n");
        QTRY_COMPARE(knowns(states).size(), expected.size() + 1);
        QCOMPARE(knowns(states).mid(0, expected.size()), expected);
        QVERIFY(std::none_of(states.begin(), states.end(), isUnreachable));
    }

    void closedStreamIsUnreachableThenReconnects()
    {
        FakeDaemon daemon;
        daemon.setWatchGreeting("{\"kind\":\"capture\",\"capturing\":true,\"displays\":1}\n");
        DaemonClient client(daemon.path());
        QList<DaemonClient::State> states;
        client.watch([&states](const DaemonClient::State& s) { states.append(s); });
        QTRY_COMPARE(states.size(), 1);
        QCOMPARE(std::get<Known>(states[0]), (Known{true, 1, QString()}));

        daemon.closeWatches();
        QTRY_COMPARE(states.size(), 2);
        QVERIFY(isUnreachable(states[1]));
        // About two seconds later a new connection brings the state back.
        QTRY_VERIFY_WITH_TIMEOUT(states.size() == 3, 6000);
        QCOMPARE(daemon.watchConnects(), 2);
        QCOMPARE(std::get<Known>(states[2]), (Known{true, 1, QString()}));
    }

    void noDaemonKeepsReportingUnreachable()
    {
        QTemporaryDir dir;
        DaemonClient client(dir.path() + QStringLiteral("/none.sock"));
        QList<DaemonClient::State> states;
        client.watch([&states](const DaemonClient::State& s) { states.append(s); });
        QTRY_COMPARE(states.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(states.size() >= 2, 6000);
        QVERIFY(std::all_of(states.begin(), states.end(), isUnreachable));

        // The daemon appearing at that path is picked up by the next attempt.
        FakeDaemon daemon(dir.path() + QStringLiteral("/none.sock"));
        daemon.setWatchGreeting("{\"kind\":\"capture\",\"capturing\":false}\n");
        QTRY_VERIFY_WITH_TIMEOUT(!knowns(states).isEmpty(), 6000);
    }

    void laterWatchReplacesTheCallbackWithoutASecondStream()
    {
        FakeDaemon daemon;
        DaemonClient client(daemon.path());
        int first = 0, second = 0;
        client.watch([&first](const DaemonClient::State&) { ++first; });
        QTRY_COMPARE(daemon.watchConnections(), 1);
        client.watch([&second](const DaemonClient::State&) { ++second; });
        daemon.pushWatch("{\"kind\":\"capture\",\"capturing\":true}\n");
        QTRY_COMPARE(second, 1);
        QCOMPARE(first, 0);
        QCOMPARE(daemon.watchConnects(), 1);
    }

    void needsOnboarding_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<std::optional<bool>>("expected");
        QTest::newRow("not onboarded") << QByteArray("{\"onboarded\":false}\n") << std::optional<bool>(true);
        QTest::newRow("onboarded") << QByteArray("{\"onboarded\":true}\n") << std::optional<bool>(false);
        QTest::newRow("key missing") << QByteArray("{\"kind\":\"status\"}\n") << std::optional<bool>();
        QTest::newRow("not a Boolean") << QByteArray("{\"onboarded\":1}\n") << std::optional<bool>();
        QTest::newRow("no reply") << QByteArray("{\"kind\":\"error\"}\n") << std::optional<bool>();
    }
    void needsOnboarding()
    {
        QFETCH(QByteArray, reply);
        QFETCH(std::optional<bool>, expected);
        FakeDaemon daemon;
        daemon.replyRaw(QStringLiteral("status"), reply);
        DaemonClient client(daemon.path());
        bool called = false;
        std::optional<bool> got;
        client.needsOnboarding([&](std::optional<bool> needed) {
            called = true;
            got = needed;
        });
        QTRY_VERIFY(called);
        QCOMPARE(got, expected);
        QCOMPARE(daemon.requests(), QList<QByteArray>{"{\"op\":\"status\"}"});
    }
};

QTEST_GUILESS_MAIN(WatchTest)
#include "WatchTest.moc"
