#include "DaemonClient.h"
#include "FakeDaemon.h"
#include "FullQueue.h"
#include "Json.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vesk;
using vesk::test::app;
using vesk::test::FakeDaemon;
using vesk::test::FullQueue;

namespace {

// Collects completions in the order they arrive. The completions share its state, so one that
// runs after the test function returned (a failed QTRY leaves it queued) touches nothing freed.
struct Inbox {
    struct State {
        QList<QString> order;
        QMap<QString, Reply> replies;
        int onWrongThread = 0;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    Completion take(const QString& name) const
    {
        return [state = state, name](Reply r) {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                ++state->onWrongThread;
            state->order.append(name);
            state->replies.insert(name, std::move(r));
        };
    }
    bool has(const QString& name) const { return state->replies.contains(name); }
    Reply operator[](const QString& name) const { return state->replies.value(name); }
};

using Script = FakeDaemon::Script;

} // namespace

Q_DECLARE_METATYPE(FakeDaemon::Script)
Q_DECLARE_METATYPE(vesk::Failure)

class TransportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A reply goes to the object that asked, or nowhere: a receiver destroyed while its request is
    // in flight (before the reply arrives, or after it arrived but before the main thread ran it)
    // is never called, and the one still there gets its reply. On the answer lane, which takes
    // one request at a time.
    void replyReachesOnlyALiveReceiver_data()
    {
        QTest::addColumn<bool>("beforeReply");
        QTest::newRow("destroyed while the daemon answers") << true;
        QTest::newRow("destroyed with the reply queued") << false;
    }
    void replyReachesOnlyALiveReceiver()
    {
        QFETCH(bool, beforeReply);
        FakeDaemon daemon;
        daemon.reply(QStringLiteral("ask"), QJsonObject{{"kind", "answer"}}, beforeReply ? 0.2 : 0);
        DaemonClient client(daemon.path());
        Inbox inbox;
        auto* gone = new QObject;
        QObject stays;
        client.ask(QStringLiteral("first"), gone, inbox.take(QStringLiteral("gone")));
        client.ask(QStringLiteral("second"), &stays, inbox.take(QStringLiteral("stays")));
        if (!beforeReply) {
            // The lane sends the second only once the first reply is posted to the main thread;
            // the wait runs no events, so that reply is still queued when its receiver goes.
            QElapsedTimer waited;
            waited.start();
            while (daemon.count(QStringLiteral("ask")) < 2 && waited.elapsed() < 5000)
                QThread::msleep(1);
            QCOMPARE(daemon.count(QStringLiteral("ask")), 2);
        }
        delete gone;
        QTRY_VERIFY(inbox.has(QStringLiteral("stays")));
        QVERIFY(inbox[QStringLiteral("stays")]);
        QCoreApplication::processEvents();
        QCOMPARE(inbox.state->order, QList<QString>{QStringLiteral("stays")});
    }

    void noDaemonCompletesWithNothingAtOnce()
    {
        QTemporaryDir dir;
        DaemonClient client(dir.path() + QStringLiteral("/absent.sock"));
        Inbox inbox;
        client.status(app(), inbox.take(QStringLiteral("status")));
        client.request("{\"op\":\"ask\"}", 180.0, DaemonClient::Lane::Answer, app(), inbox.take(QStringLiteral("ask")));
        // Far below either time-out: a refused connection is not waited on.
        QTRY_VERIFY(inbox.has(QStringLiteral("status")) && inbox.has(QStringLiteral("ask")));
        QCOMPARE(inbox[QStringLiteral("status")].failure(), Failure::unreachable);
        QCOMPARE(inbox[QStringLiteral("ask")].failure(), Failure::unreachable);
        QCOMPARE(inbox.state->onWrongThread, 0);
    }

    // What came back, and when nothing did, why: a refusal keeps the daemon's words (cut to a
    // bound), a reply cut off by a close may have been acted on, an answer that is no reply is
    // malformed.
    void repliesDecode_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<qsizetype>("keys");
        QTest::addColumn<qsizetype>("pad");
        QTest::addColumn<QByteArray>("op");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, Script script, Failure failure, qsizetype keys = 0, qsizetype pad = 0,
                            QByteArray op = "hello", QString message = {}) {
            QTest::newRow(name) << script << failure << keys << pad << op << message;
        };
        const auto refusal = [&](const char* name, const QString& message, const QString& kept) {
            const QByteArray line
                = QJsonDocument(QJsonObject{{"kind", "error"}, {"message", message}}).toJson(QJsonDocument::Compact)
                + '\n';
            row(name, {line}, Failure::refused, 0, 0, "hello", kept);
        };
        using enum Failure;
        const QByteArray padded = "{\"kind\":\"search\",\"pad\":\"\"}\n";
        row("empty object is a reply", {"{}\n"}, none);
        row("error kind is a refusal", {"{\"kind\":\"error\"}\n"}, refused);
        refusal("a refusal in the daemon's words", QStringLiteral("rule 4 is in use"),
                QStringLiteral("rule 4 is in use"));
        refusal("a blank message is no message", QStringLiteral(" \n "), QString());
        const QString a999(999, QLatin1Char('a'));
        refusal("a long message is cut", a999 + QStringLiteral("bc") + QString(500, QLatin1Char('d')),
                a999 + QStringLiteral("b\u2026"));
        refusal("a cut never halves a character", a999 + QStringLiteral("\U0001F600") + QStringLiteral("tail"),
                a999 + QStringLiteral("\u2026"));
        row("a message that is no string is no message", {"{\"kind\":\"error\",\"message\":7}\n"}, refused);
        row("other kind unchanged", {"{\"kind\":\"capture\"}\n"}, none, 1);
        row("non-string kind unchanged", {"{\"kind\":1,\"a\":2}\n"}, none, 2);
        row("array is malformed", {"[]\n"}, malformed);
        row("garbage is malformed", {"not json\n"}, malformed);
        row("closed without bytes: no reply", {}, noReply);
        row("closed halfway through a reply: no reply", {"{\"kind\":\"ok\",\"fr"}, noReply);
        row("no final line feed, then end of stream", {"{\"kind\":\"ok\"}"}, none, 1);
        row("bytes after the line feed are decoded with it", {"{\"kind\":\"ok\"}\n{}"}, malformed);
        row("taken at the line feed while the daemon holds the connection",
            {.reply = "{\"kind\":\"ok\"}\n", .holdOpen = true}, none, 1);
        row("split into 7-byte writes",
            {"{\"kind\":\"ok\",\"nodes\":[1,2,3],\"text\":\"caf\xc3\xa9\"}\n", FakeDaemon::Mode::Split}, none, 3);
        row("line feed falls exactly at a chunk end", {.reply = padded, .fill = 8192 - 27, .fillAt = 24}, none, 2,
            8192 - 27);
        // Each operation's cap fits what it carries: a hello past 4 MB, a list past 16 MB, a frame
        // past 64 MB is no reply; a frame of 20 MB is one.
        row("a hello past its cap is malformed", {.reply = padded, .fill = 4 << 20, .fillAt = 24}, malformed);
        row("a list within its cap", {.reply = padded, .fill = 15 << 20, .fillAt = 24}, none, 2, 15 << 20, "search");
        row("a list past its cap is malformed", {.reply = padded, .fill = 16 << 20, .fillAt = 24}, malformed, 0, 0,
            "search");
        row("a frame of 20 MB", {.reply = padded, .fill = 20 << 20, .fillAt = 24}, none, 2, 20 << 20, "frame");
        row("a frame past 64 MB is malformed, even held open",
            {.reply = padded, .holdOpen = true, .fill = 64 << 20, .fillAt = 24}, malformed, 0, 0, "frame");
    }
    void repliesDecode()
    {
        QFETCH(Script, script);
        QFETCH(Failure, failure);
        QFETCH(qsizetype, keys);
        QFETCH(qsizetype, pad);
        QFETCH(QByteArray, op);
        QFETCH(QString, message);
        FakeDaemon daemon;
        daemon.script(QString::fromLatin1(op), script);
        DaemonClient client(daemon.path());
        Inbox inbox;
        client.request("{\"op\":\"" + op + "\"}", DaemonClient::defaultTimeout, DaemonClient::Lane::Ask, app(),
                       inbox.take(QStringLiteral("r")));
        // Well inside the 30 s time-out: no reply waits for the connection to close.
        QTRY_VERIFY_WITH_TIMEOUT(inbox.has(QStringLiteral("r")), 20000);
        const Reply r = inbox[QStringLiteral("r")];
        QCOMPARE(r.failure(), failure);
        QCOMPARE(bool(r), failure == Failure::none);
        QCOMPARE(r.daemonMessage().value_or(QString()), message);
        QCOMPARE(r.daemonMessage().has_value(), !message.isEmpty());
        if (r) {
            QCOMPARE(r->size(), keys);
            QCOMPARE(r->value(QStringLiteral("pad")).toString().size(), pad);
        }
    }

    // A daemon that trickles one reply and never sends another holds those two requests, each
    // up to its own deadline, and nothing else: a search and a proposals list made after them go
    // out at once and are answered meanwhile.
    void slowRepliesHoldOnlyTheirOwnRequests_data()
    {
        QTest::addColumn<double>("timeout");
        QTest::newRow("under a second") << 0.4;
        QTest::newRow("seconds and a fraction") << 1.3;
    }
    void slowRepliesHoldOnlyTheirOwnRequests()
    {
        QFETCH(double, timeout);
        FakeDaemon daemon;
        daemon.script(QStringLiteral("status"),
                      {.reply = "{\"pad\":\"" + QByteArray(100000, 'x') + "\"}\n",
                       .mode = FakeDaemon::Mode::Split,
                       .chunk = 1,
                       .gapSeconds = 0.02});
        daemon.silent(QStringLiteral("route_delivery"));
        daemon.reply(QStringLiteral("search"), {{QStringLiteral("kind"), QStringLiteral("search")}}, 0.3);
        daemon.reply(QStringLiteral("proposals"), {{QStringLiteral("kind"), QStringLiteral("proposals")}}, 0.3);
        DaemonClient client(daemon.path());
        Inbox inbox;
        QElapsedTimer timer;
        timer.start();
        client.request("{\"op\":\"status\"}", timeout, DaemonClient::Lane::Ask, app(),
                       inbox.take(QStringLiteral("trickle")));
        client.request("{\"op\":\"route_delivery\"}", timeout, DaemonClient::Lane::Ask, app(),
                       inbox.take(QStringLiteral("silent")));
        // Both were in the daemon's hands before either answered.
        auto bothSent = std::make_shared<bool>(false);
        const auto answered = [&](const QString& name) {
            return [done = inbox.take(name), bothSent, &daemon](Reply r) {
                *bothSent
                    = daemon.count(QStringLiteral("search")) == 1 && daemon.count(QStringLiteral("proposals")) == 1;
                done(std::move(r));
            };
        };
        client.search(QStringLiteral("meanwhile"), 25, app(), answered(QStringLiteral("search")));
        client.proposals(500, app(), answered(QStringLiteral("proposals")));
        QTRY_VERIFY(inbox.has(QStringLiteral("search")) && inbox.has(QStringLiteral("proposals")));
        QVERIFY(*bothSent);
        QVERIFY(inbox[QStringLiteral("search")] && inbox[QStringLiteral("proposals")]);
        QVERIFY(!inbox.has(QStringLiteral("trickle")) && !inbox.has(QStringLiteral("silent")));
        // Each slow one ends with nothing at its own deadline: the silent one after its time-out,
        // the trickling one at twice that at most.
        QTRY_VERIFY_WITH_TIMEOUT(inbox.has(QStringLiteral("trickle")) && inbox.has(QStringLiteral("silent")), 10000);
        QVERIFY(!inbox[QStringLiteral("trickle")] && !inbox[QStringLiteral("silent")]);
        QVERIFY(timer.elapsed() >= qint64(timeout * 1000));
        QCOMPARE(inbox.state->onWrongThread, 0);
    }

    void fullListenQueueNeverHoldsOnToQuitting()
    {
        QTemporaryDir dir;
        FullQueue full(QFile::encodeName(dir.filePath(QStringLiteral("full.sock"))));
        auto client = std::make_unique<DaemonClient>(QFile::decodeName(full.path));
        Inbox inbox;
        client->watch(app(), [](const DaemonClient::State&) {});
        client->ask(QStringLiteral("waits up to 180 s"), app(), inbox.take(QStringLiteral("ask")));
        // Connecting gives up within the request's time-out…
        client->request("{\"op\":\"status\"}", 0.3, DaemonClient::Lane::Ask, app(),
                        inbox.take(QStringLiteral("status")));
        QTRY_VERIFY(inbox.has(QStringLiteral("status")));
        QVERIFY(!inbox[QStringLiteral("status")]);
        // …and quitting does not wait for the answer lane or the watch lane, both still connecting.
        QVERIFY(!inbox.has(QStringLiteral("ask")));
        client.reset();
        QTRY_VERIFY(inbox.has(QStringLiteral("ask")));
        QVERIFY(!inbox[QStringLiteral("ask")]);
        QCOMPARE(inbox.state->order.count(QStringLiteral("ask")), 1);

        // A daemon that catches up within the time-out is reached: connecting is tried again.
        DaemonClient patient(QFile::decodeName(full.path));
        patient.hello(app(), inbox.take(QStringLiteral("hello")));
        ::close(::accept(full.listener, nullptr, nullptr));
        pollfd next{full.listener, POLLIN, 0};
        QCOMPARE(::poll(&next, 1, 10000), 1);
        const int served = ::accept(full.listener, nullptr, nullptr);
        char request[64];
        QVERIFY(::recv(served, request, sizeof request, 0) > 0);
        QCOMPARE(::send(served, "{\"kind\":\"hello\"}\n", 17, MSG_NOSIGNAL), 17);
        ::close(served);
        QTRY_VERIFY(inbox.has(QStringLiteral("hello")));
        QVERIFY(inbox[QStringLiteral("hello")]);
    }

    // A reply read on the way is read on the worker that received it, not on the main thread,
    // and its value reaches the caller there. A read that could reach what the main thread owns
    // does not compile.
    void readingRunsOffTheMainThread()
    {
        using Reading = DaemonClient::Reading;
        const auto done = [](std::pair<QThread*, qint64>) {};
        const auto read = [](const Reply& r, const qint64& add) {
            return std::pair(QThread::currentThread(), r ? Json::count(*r, u"source_count").value_or(-1) + add : -1);
        };
        const auto capturing = [this](const Reply&) { return objectName(); };
        static_assert(std::is_constructible_v<Reading, decltype(read), std::tuple<qint64>, decltype(done)>);
        static_assert(!std::is_constructible_v<Reading, decltype(capturing), decltype(done)>);
        static_assert(!std::is_constructible_v<Reading, decltype(read), std::tuple<qint64*>, decltype(done)>);
        static_assert(!std::is_constructible_v<Reading, decltype(read), std::tuple<QPointer<QObject>>, decltype(done)>);

        FakeDaemon daemon;
        daemon.reply(QStringLiteral("why"), QJsonObject{{"kind", "why"}, {"source_count", 3}});
        DaemonClient client(daemon.path());
        auto got = std::make_shared<std::optional<std::pair<QThread*, qint64>>>();
        client.why(1, app(), Reading(read, std::tuple<qint64>(10), [got](std::pair<QThread*, qint64> v) { *got = v; }));
        QTRY_VERIFY(got->has_value());
        QCOMPARE((*got)->second, 13);
        QVERIFY((*got)->first && (*got)->first != QThread::currentThread());
    }

    // Replies finish in any order; each reaches the caller that asked, and each request is its
    // own connection.
    void eachReplyReachesItsOwnCaller()
    {
        FakeDaemon daemon;
        QList<FakeDaemon::Script> replies;
        for (int i = 0; i < 40; ++i)
            replies.append({"{\"n\":" + QByteArray::number(i) + "}\n", FakeDaemon::Mode::Reply, (i % 3) * 0.003});
        daemon.sequence(QStringLiteral("top"), replies);
        DaemonClient client(daemon.path());
        auto seen = std::make_shared<QMap<qint64, qint64>>();
        for (int i = 0; i < 40; ++i)
            client.top(i, app(),
                       [seen, i](Reply r) { seen->insert(i, r ? r->value(QStringLiteral("n")).toInteger(-1) : -1); });
        QTRY_COMPARE(seen->size(), 40);
        // The daemon answered the requests in the order they arrived, which is not fixed: the
        // reply a caller got is the one for its own line.
        const auto lines = daemon.requests(QStringLiteral("top"));
        QCOMPARE(lines.size(), 40);
        for (int n = 0; n < 40; ++n)
            QCOMPARE(lines.at(n), "{\"op\":\"top\",\"limit\":" + QByteArray::number(seen->key(n)) + "}");
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

    void pathLengthLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("wide");
        QTest::addColumn<bool>("reaches");
        QTest::newRow("103 bytes reaches the daemon") << 103 << false << true;
        QTest::newRow("103 bytes with two-byte letters reaches it") << 103 << true << true;
        QTest::newRow("104 bytes fails every request") << 104 << false << false;
        QTest::newRow("104 bytes in fewer letters fails too") << 104 << true << false;
        QTest::newRow("107 bytes fails every request") << 107 << false << false;
    }
    void pathLengthLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, wide);
        QFETCH(bool, reaches);
        QTemporaryDir dir(QStringLiteral("/tmp/vl-XXXXXX"));
        QString path = dir.path() + QLatin1Char('/');
        const int letters = length - int(path.size()) - 5;
        path += wide ? QString(letters / 2, QChar(0xe9)) + QString(letters % 2, QLatin1Char('d'))
                     : QString(letters, QLatin1Char('d'));
        path += QStringLiteral(".sock");
        QCOMPARE(path.toUtf8().size(), length);
        FakeDaemon daemon(path);
        daemon.reply(QStringLiteral("status"), {{QStringLiteral("kind"), QStringLiteral("status")}});
        DaemonClient client(path);
        Inbox inbox;
        client.status(app(), inbox.take(QStringLiteral("status")));
        client.frame(3, app(), inbox.take(QStringLiteral("frame")));
        // Side by side: the frame's refusal can come before the status reply.
        QTRY_VERIFY(inbox.has(QStringLiteral("frame")) && inbox.has(QStringLiteral("status")));
        QCOMPARE(bool(inbox[QStringLiteral("status")]), reaches);
        QVERIFY(!inbox[QStringLiteral("frame")]); // unscripted: the fake refuses it
        QCOMPARE(daemon.requests().size(), reaches ? 2 : 0);
    }
};

QTEST_GUILESS_MAIN(TransportTest)
#include "TransportTest.moc"
