#include "DaemonClient.h"
#include "FakeDaemon.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace vesk;
using vesk::test::FakeDaemon;

namespace {

// Collects completions in the order they arrive.
struct Inbox {
    QList<QString> order;
    QMap<QString, Reply> replies;
    int onWrongThread = 0;
    Completion take(const QString& name)
    {
        return [this, name](Reply r) {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                ++onWrongThread;
            order.append(name);
            replies.insert(name, std::move(r));
        };
    }
    bool has(const QString& name) const { return replies.contains(name); }
};

QByteArray bigObject(qsizetype bytes)
{
    QByteArray filler(bytes, 'x');
    return "{\"kind\":\"search\",\"pad\":\"" + filler + "\"}";
}

} // namespace

class TransportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noDaemonCompletesWithNothingAtOnce()
    {
        QTemporaryDir dir;
        DaemonClient client(dir.path() + QStringLiteral("/absent.sock"));
        Inbox inbox;
        QElapsedTimer timer;
        timer.start();
        client.status(inbox.take(QStringLiteral("status")));
        client.request("{\"op\":\"ask\"}", 180.0, DaemonClient::Lane::Answer, inbox.take(QStringLiteral("ask")));
        // Far below either time-out: a refused connection is not waited on.
        QTRY_VERIFY_WITH_TIMEOUT(inbox.has(QStringLiteral("status")) && inbox.has(QStringLiteral("ask")), 5000);
        QVERIFY(timer.elapsed() < 20000);
        QVERIFY(!inbox.replies[QStringLiteral("status")]);
        QVERIFY(!inbox.replies[QStringLiteral("ask")]);
        QCOMPARE(inbox.onWrongThread, 0);
    }

    void repliesDecode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<qsizetype>("keys");

        const int reply = int(FakeDaemon::Mode::Reply);
        const int split = int(FakeDaemon::Mode::Split);
        QTest::newRow("empty object is a reply") << QByteArray("{}\n") << reply << true << qsizetype(0);
        QTest::newRow("error kind is nothing") << QByteArray("{\"kind\":\"error\"}\n") << reply << false << qsizetype(0);
        QTest::newRow("error with message is nothing")
            << QByteArray("{\"kind\":\"error\",\"message\":\"no\"}\n") << reply << false << qsizetype(0);
        QTest::newRow("other kind unchanged") << QByteArray("{\"kind\":\"capture\"}\n") << reply << true << qsizetype(1);
        QTest::newRow("non-string kind unchanged") << QByteArray("{\"kind\":1,\"a\":2}\n") << reply << true << qsizetype(2);
        QTest::newRow("array is nothing") << QByteArray("[]\n") << reply << false << qsizetype(0);
        QTest::newRow("garbage is nothing") << QByteArray("not json\n") << reply << false << qsizetype(0);
        QTest::newRow("closed without bytes is nothing") << QByteArray() << reply << false << qsizetype(0);
        QTest::newRow("no final line feed, then end of stream")
            << QByteArray("{\"kind\":\"ok\"}") << reply << true << qsizetype(1);
        QTest::newRow("bytes after the line feed are decoded with it")
            << QByteArray("{\"kind\":\"ok\"}\n{}") << reply << false << qsizetype(0);
        QTest::newRow("split into 7-byte writes")
            << QByteArray("{\"kind\":\"ok\",\"nodes\":[1,2,3],\"text\":\"caf\xc3\xa9\"}\n") << split << true << qsizetype(3);
        QTest::newRow("over one 8192-byte chunk") << bigObject(8192 * 3 + 17) + '\n' << reply << true << qsizetype(2);
        QTest::newRow("several megabytes") << bigObject(6 * 1024 * 1024) + '\n' << reply << true << qsizetype(2);
        QTest::newRow("line feed falls exactly at a chunk end")
            << bigObject(8192 - 27) + '\n' << reply << true << qsizetype(2);
    }
    void repliesDecode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, mode);
        QFETCH(bool, delivered);
        QFETCH(qsizetype, keys);

        FakeDaemon daemon;
        FakeDaemon::Script script{bytes, FakeDaemon::Mode(mode)};
        if (bytes.size() > 100000)
            script.chunk = 64 * 1024;
        daemon.script(QStringLiteral("status"), script);
        DaemonClient client(daemon.path());
        Inbox inbox;
        client.status(inbox.take(QStringLiteral("r")));
        QTRY_VERIFY_WITH_TIMEOUT(inbox.has(QStringLiteral("r")), 20000);
        const Reply r = inbox.replies[QStringLiteral("r")];
        QCOMPARE(bool(r), delivered);
        if (r) {
            QCOMPARE(r->size(), keys);
            if (r->contains(QStringLiteral("pad")))
                QCOMPARE(r->value(QStringLiteral("pad")).toString().size() + 26, bytes.size() - 1);
        }
    }

    void silentDaemonTimesOutAndHoldsItsLane()
    {
        FakeDaemon daemon;
        daemon.silent(QStringLiteral("status"));
        daemon.reply(QStringLiteral("top"), {{QStringLiteral("kind"), QStringLiteral("top")}});
        daemon.reply(QStringLiteral("ask"), {{QStringLiteral("kind"), QStringLiteral("answer")}});
        DaemonClient client(daemon.path());
        Inbox inbox;
        QElapsedTimer timer;
        timer.start();
        client.request("{\"op\":\"status\"}", 0.4, DaemonClient::Lane::Ask, inbox.take(QStringLiteral("silent")));
        client.top(5, inbox.take(QStringLiteral("behind")));
        client.request("{\"op\":\"ask\"}", 0.4, DaemonClient::Lane::Answer, inbox.take(QStringLiteral("other lane")));
        QTRY_VERIFY_WITH_TIMEOUT(inbox.has(QStringLiteral("behind")), 10000);
        // The other lane was not held up; the request behind the silent one had to wait for its time-out.
        QCOMPARE(inbox.order,
                 (QList<QString>{QStringLiteral("other lane"), QStringLiteral("silent"), QStringLiteral("behind")}));
        QVERIFY(!inbox.replies[QStringLiteral("silent")]);
        QVERIFY(inbox.replies[QStringLiteral("behind")]);
        QVERIFY(timer.elapsed() >= 400);
    }

    void pendingAnswerDoesNotDelaySearch()
    {
        FakeDaemon daemon;
        daemon.silent(QStringLiteral("ask"));
        daemon.reply(QStringLiteral("search"), {{QStringLiteral("nodes"), QJsonArray()}});
        daemon.reply(QStringLiteral("why"), {{QStringLiteral("kind"), QStringLiteral("why")}});
        Inbox inbox;
        {
            DaemonClient client(daemon.path());
            client.ask(QStringLiteral("what did I do on Tuesday?"), inbox.take(QStringLiteral("ask")));
            QTRY_COMPARE(daemon.count(QStringLiteral("ask")), 1);
            client.search(QStringLiteral("vesk"), 25, inbox.take(QStringLiteral("search")));
            client.why(7, inbox.take(QStringLiteral("why")));
            QTRY_VERIFY_WITH_TIMEOUT(inbox.has(QStringLiteral("why")), 5000);
            QVERIFY(inbox.replies[QStringLiteral("search")]);
            QVERIFY(!inbox.has(QStringLiteral("ask")));
        }
        // Tearing the client down ends the waiting answer: its completion still runs, once, with nothing.
        QTRY_VERIFY(inbox.has(QStringLiteral("ask")));
        QVERIFY(!inbox.replies[QStringLiteral("ask")]);
        QCOMPARE(inbox.order.count(QStringLiteral("ask")), 1);
    }

    void completionsKeepLaneOrder()
    {
        FakeDaemon daemon;
        QList<FakeDaemon::Script> replies;
        for (int i = 0; i < 40; ++i)
            replies.append({"{\"n\":" + QByteArray::number(i) + "}\n", FakeDaemon::Mode::Reply, (i % 3) * 0.003});
        daemon.sequence(QStringLiteral("top"), replies);
        DaemonClient client(daemon.path());
        QList<qint64> seen;
        for (int i = 0; i < 40; ++i)
            client.top(i, [&seen](Reply r) { seen.append(r ? r->value(QStringLiteral("n")).toInteger(-1) : -1); });
        QTRY_COMPARE(seen.size(), 40);
        for (int i = 0; i < 40; ++i)
            QCOMPARE(seen[i], qint64(i));
        // Each request was its own connection, in the order issued.
        const auto lines = daemon.requests(QStringLiteral("top"));
        QCOMPARE(lines.first(), QByteArray("{\"op\":\"top\",\"limit\":0}"));
        QCOMPARE(lines.last(), QByteArray("{\"op\":\"top\",\"limit\":39}"));
    }

    void socketPathRules_data()
    {
        QTest::addColumn<bool>("current");
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<QString>("expectedTail");
        const QString now = QStringLiteral("/Library/Application Support/vesk/state/veskd.sock");
        const QString old = QStringLiteral("/Library/Application Support/qev/state/qevd.sock");
        QTest::newRow("neither folder") << false << false << now;
        QTest::newRow("only the current folder") << true << false << now;
        QTest::newRow("only the legacy folder") << false << true << old;
        QTest::newRow("both folders") << true << true << now;
    }
    void socketPathRules()
    {
        QFETCH(bool, current);
        QFETCH(bool, legacy);
        QFETCH(QString, expectedTail);
        QTemporaryDir home;
        if (current)
            QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/Library/Application Support/vesk")));
        if (legacy)
            QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/Library/Application Support/qev")));
        QCOMPARE(DaemonClient::socketPathForHome(home.path()), home.path() + expectedTail);
    }

    void legacySocketIsReallyUsed()
    {
        QTemporaryDir home;
        const QString legacyPath = home.path() + QStringLiteral("/Library/Application Support/qev/state/qevd.sock");
        FakeDaemon daemon(legacyPath);
        daemon.reply(QStringLiteral("hello"), {{QStringLiteral("kind"), QStringLiteral("hello")}});
        DaemonClient client(DaemonClient::socketPathForHome(home.path()));
        Inbox inbox;
        client.hello(inbox.take(QStringLiteral("hello")));
        QTRY_VERIFY(inbox.has(QStringLiteral("hello")));
        QVERIFY(inbox.replies[QStringLiteral("hello")]);
    }

    void pathLengthLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("reaches");
        QTest::newRow("103 bytes reaches the daemon") << 103 << true;
        QTest::newRow("104 bytes fails every request") << 104 << false;
        QTest::newRow("107 bytes fails every request") << 107 << false;
    }
    void pathLengthLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, reaches);
        QTemporaryDir dir(QStringLiteral("/tmp/vl-XXXXXX"));
        QString path = dir.path() + QLatin1Char('/');
        path += QString(length - path.size() - 5, QLatin1Char('d')) + QStringLiteral(".sock");
        QCOMPARE(path.toUtf8().size(), length);
        FakeDaemon daemon(path);
        daemon.reply(QStringLiteral("status"), {{QStringLiteral("kind"), QStringLiteral("status")}});
        DaemonClient client(path);
        Inbox inbox;
        client.status(inbox.take(QStringLiteral("status")));
        client.frame(3, inbox.take(QStringLiteral("frame")));
        QTRY_VERIFY(inbox.has(QStringLiteral("frame")));
        QCOMPARE(bool(inbox.replies[QStringLiteral("status")]), reaches);
        QVERIFY(!inbox.replies[QStringLiteral("frame")]); // unscripted: the fake refuses it
        QCOMPARE(daemon.requests().size(), reaches ? 2 : 0);
    }

    void daemonClosingEarlyIsNothing()
    {
        FakeDaemon daemon;
        daemon.closeEarly(QStringLiteral("profile"));
        DaemonClient client(daemon.path());
        Inbox inbox;
        client.profile(inbox.take(QStringLiteral("profile")));
        QTRY_VERIFY(inbox.has(QStringLiteral("profile")));
        QVERIFY(!inbox.replies[QStringLiteral("profile")]);
    }
};

QTEST_GUILESS_MAIN(TransportTest)
#include "TransportTest.moc"
