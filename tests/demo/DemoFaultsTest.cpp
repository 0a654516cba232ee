#include "DemoProcess.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLocalSocket>

#include <vector>

using namespace vesk;

Q_DECLARE_METATYPE(Call)

// The switches that make veskd-demo misbehave on purpose, seen through the real client, and the
// daemon's own answers to requests it cannot read.
class DemoFaultsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<DemoProcess> faulty;   // fault switches on a few operations
    std::unique_ptr<DemoProcess> readOnly; // --unwritable
    std::unique_ptr<DaemonClient> client;

    Reply run(DaemonClient& c, const Call& op) { return call(c, op).value_or(Reply{}); }

private Q_SLOTS:
    void initTestCase()
    {
        faulty = std::make_unique<DemoProcess>(QStringList{"--onboarded=false", "--answers=quota_exceeded", "--slow",
                                                           "status=0.5", "--fail", "top", "--drop", "proposals",
                                                           "--garbage", "profile", "--split", "why"});
        readOnly = std::make_unique<DemoProcess>(QStringList{"--unwritable"});
        QVERIFY2(faulty->ready(), faulty->output.constData());
        QVERIFY2(readOnly->ready(), readOnly->output.constData());
        client = std::make_unique<DaemonClient>(faulty->socketPath);
    }

    void cleanupTestCase()
    {
        client.reset();
        faulty.reset();
        readOnly.reset();
    }

    void eachSwitchGivesItsClientOutcome_data()
    {
        QTest::addColumn<Call>("op");
        QTest::addColumn<QString>("kind"); // empty: the client sees no reply
        QTest::newRow("--fail answers an error")
            << Call([](DaemonClient& c, Completion d) { c.top(200, app(), d); }) << QString();
        QTest::newRow("--drop closes silently")
            << Call([](DaemonClient& c, Completion d) { c.proposals(200, app(), d); }) << QString();
        QTest::newRow("--garbage is not JSON")
            << Call([](DaemonClient& c, Completion d) { c.profile(app(), d); }) << QString();
        QTest::newRow("--split arrives whole")
            << Call([](DaemonClient& c, Completion d) { c.why(15, app(), d); }) << "why";
        QTest::newRow("other operations untouched")
            << Call([](DaemonClient& c, Completion d) { c.search("rounding", 25, app(), d); }) << "search";
    }

    void eachSwitchGivesItsClientOutcome()
    {
        QFETCH(Call, op);
        QFETCH(QString, kind);
        const std::optional<Reply> reply = call(*client, op);
        QVERIFY2(reply, "the client must complete, reply or not");
        if (kind.isEmpty()) {
            QVERIFY(!*reply);
            return;
        }
        QVERIFY(Json::isKind(*reply, kind));
        if (kind == "why") // every source record made it through the many small writes
            QCOMPARE(Json::objects(**reply, u"sources")->size(), Json::integer(**reply, u"source_count").value());
    }

    void slowOperationDoesNotHoldUpOtherClients()
    {
        // While one client waits for the slow status, another is answered.
        QElapsedTimer timer;
        DaemonClient other(faulty->socketPath);
        const auto status = std::make_shared<std::optional<Reply>>(), hello = std::make_shared<std::optional<Reply>>();
        timer.start();
        client->status(app(), [status](Reply r) { *status = std::move(r); });
        other.hello(app(), [hello](Reply r) { *hello = std::move(r); });
        QTRY_VERIFY(hello->has_value());
        QVERIFY(!status->has_value());
        QTRY_VERIFY(status->has_value());
        QVERIFY(Json::isKind(**status, u"status"));
        QVERIFY(timer.elapsed() >= 450);
    }

    void answersFailWithTheGivenCode()
    {
        const Reply reply = run(
            *client, [](DaemonClient& c, Completion d) { c.ask("Does the tax ID column need an index?", app(), d); });
        QVERIFY(reply);
        QCOMPARE(Json::string(*reply, u"failure_code").value(), QStringLiteral("quota_exceeded"));
        QVERIFY(Json::nonEmptyString(*reply, u"answer"));
        QCOMPARE(Json::boolean(*reply, u"retryable"), false);
        QVERIFY(Json::numberAsInteger(*reply, u"quota_reset_at").value() > QDateTime::currentSecsSinceEpoch());
    }

    void setupCompletesOnce()
    {
        // The callback stays on the shared client after this test: it owns what it writes to.
        const auto watched = std::make_shared<std::vector<DaemonClient::State>>();
        client->watch(app(), [watched](const DaemonClient::State& s) { watched->push_back(s); });
        const std::vector<DaemonClient::State>& states = *watched;
        QTRY_VERIFY(!states.empty());
        QCOMPARE(states.back(), DaemonClient::State(DaemonClient::Known{false, 0, "setup is not finished"}));
        QCOMPARE(Json::boolean(*run(*client, [](DaemonClient& c, Completion d) { c.status(app(), d); }), u"onboarded"),
                 false);

        const Reply done = run(
            *client, [](DaemonClient& c, Completion d) { c.completeOnboarding(true, false, true, true, app(), d); });
        QVERIFY(Json::isKind(done, u"ok"));
        QTRY_COMPARE(states.back(), DaemonClient::State(DaemonClient::Known{true, 2, "recording"}));
        const Reply status = run(*client, [](DaemonClient& c, Completion d) { c.status(app(), d); });
        QCOMPARE(Json::boolean(*status, u"onboarded"), true);
        const QList<QJsonObject> tiers = Json::objects(*status, u"tiers").value();
        QCOMPARE(tiers.size(), 4);
        for (const QJsonObject& tier : tiers)
            QCOMPARE(Json::boolean(tier, u"enabled").value(), tier.value("name") != QLatin1String("embeddings"));
    }

    void unwritableRefusesChangesButReads()
    {
        DaemonClient reader(readOnly->socketPath);
        QCOMPARE(Json::boolean(*run(reader, [](DaemonClient& c, Completion d) { c.hello(app(), d); }), u"writable"),
                 false);
        QVERIFY(!run(reader, [](DaemonClient& c, Completion d) { c.rename(8, "Renamed", app(), d); }));
        QVERIFY(!run(reader,
                     [](DaemonClient& c, Completion d) { c.blockApp("org.gnome.Terminal", std::nullopt, app(), d); }));
        QVERIFY(!run(reader, [](DaemonClient& c, Completion d) { c.forgetEntity(8, app(), d); }));
        QVERIFY(Json::isKind(run(reader, [](DaemonClient& c, Completion d) { c.forgetEntityPreview(8, app(), d); }),
                             u"forget_entity_preview"));
        const Reply search = run(
            reader, [](DaemonClient& c, Completion d) { c.search("Ship the invoice rounding fix", 25, app(), d); });
        QCOMPARE(Json::string(Json::objects(*search, u"nodes")->first(), u"label").value(),
                 QStringLiteral("Ship the invoice rounding fix"));
    }

    void refusesToStartWithoutHarm_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("another daemon on the socket") << QStringList{"--socket", readOnly->socketPath} << 1;
        QTest::newRow("unknown switch") << QStringList{"--fast"} << 2;
    }

    void refusesToStartWithoutHarm()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QProcess second;
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(QStringLiteral(VESKD_DEMO_PATH), arguments);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), exitCode);
        // The daemon already running keeps its socket and answers.
        DaemonClient after(readOnly->socketPath);
        QVERIFY(Json::isKind(run(after, [](DaemonClient& c, Completion d) { c.hello(app(), d); }), u"hello"));
    }

    void unreadableRequestsGetAnError_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("not JSON") << QByteArray("hello there\n");
        QTest::newRow("an array") << QByteArray("[1,2]\n");
        QTest::newRow("no op") << QByteArray("{}\n");
        QTest::newRow("unknown op") << QByteArray("{\"op\":\"teleport\"}\n");
        QTest::newRow("id as a string") << QByteArray("{\"op\":\"frame\",\"frame_id\":\"3\"}\n");
        QTest::newRow("missing limit") << QByteArray("{\"op\":\"search\",\"query\":\"rounding\"}\n");
        QTest::newRow("fractional id") << QByteArray("{\"op\":\"judge_merge\",\"proposal_id\":1.5,\"keep\":null}\n");
        QTest::newRow("frame ids not integers") << QByteArray(
            "{\"op\":\"correct_claim\",\"claim_text\":\"x\",\"judgement\":\"stale\",\"frame_ids\":[\"a\"]}\n");
        QTest::newRow("endless line") << QByteArray(2 * 1024 * 1024, 'x');
    }

    void unreadableRequestsGetAnError()
    {
        QFETCH(QByteArray, line);
        QLocalSocket socket;
        socket.connectToServer(readOnly->socketPath);
        QVERIFY(socket.waitForConnected(5000));
        socket.write(line);
        QByteArray reply;
        QTRY_VERIFY_WITH_TIMEOUT((reply += socket.readAll()).contains('\n'), 10000);
        const QJsonObject error = QJsonDocument::fromJson(reply).object();
        QCOMPARE(error.value("kind").toString(), QStringLiteral("error"));
        QVERIFY(!error.value("message").toString().isEmpty());
        // It is still there for the next client.
        DaemonClient after(readOnly->socketPath);
        QVERIFY(Json::isKind(run(after, [](DaemonClient& c, Completion d) { c.hello(app(), d); }), u"hello"));
    }
};

QTEST_GUILESS_MAIN(DemoFaultsTest)
#include "DemoFaultsTest.moc"
