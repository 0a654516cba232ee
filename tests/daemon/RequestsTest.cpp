#include "DaemonClient.h"
#include "FakeDaemon.h"
#include "TestClock.h"
#include "Wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace vesk;
using vesk::test::app;
using vesk::test::FakeDaemon;
using vesk::test::TestClock;

using Call = std::function<void(DaemonClient&, Completion)>;
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(vesk::Failure)

namespace {
QJsonObject parse(const QByteArray& line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    return error.error == QJsonParseError::NoError && doc.isObject()
        ? doc.object()
        : QJsonObject{{"unparsable", QString::fromUtf8(line)}};
}
} // namespace

class RequestsTest : public QObject {
    Q_OBJECT

    // Sends one request through a real client to the fake daemon and returns the line it received.
    QByteArray sent(const Call& call)
    {
        FakeDaemon daemon;
        TestClock clock;
        DaemonClient client(daemon.path(), clock);
        const auto done = std::make_shared<bool>(false);
        call(client, [done](Reply) { *done = true; });
        [&] { QTRY_VERIFY(*done); }();
        const auto lines = daemon.requests();
        return lines.size() == 1 ? lines.first() : QByteArray("<" + QByteArray::number(lines.size()) + " requests>");
    }

private Q_SLOTS:
    void templateRequestsAreExact_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* name, Call c, const char* text) { QTest::newRow(name) << c << QByteArray(text); };
        row(
            "why", [](DaemonClient& c, Completion d) { c.why(12, app(), d); }, R"({"op":"why","node_id":12})");
        row(
            "relation_evidence",
            [](DaemonClient& c, Completion d) { c.relationEvidence(9007199254740993LL, app(), d); },
            R"({"op":"relation_evidence","edge_id":9007199254740993})");
        row(
            "judge_merge keeping 42", [](DaemonClient& c, Completion d) { c.judgeMerge(5, 42, app(), d); },
            R"({"op":"judge_merge","proposal_id":5,"keep":42})");
        row(
            "judge_merge keeping apart", [](DaemonClient& c, Completion d) { c.judgeMerge(5, std::nullopt, app(), d); },
            R"({"op":"judge_merge","proposal_id":5,"keep":null})");
        row(
            "recent_deliveries default", [](DaemonClient& c, Completion d) { c.recentDeliveries(app(), d); },
            R"({"op":"recent_deliveries","limit":20})");
        row(
            "recent_deliveries 5", [](DaemonClient& c, Completion d) { c.recentDeliveries(5, app(), d); },
            R"({"op":"recent_deliveries","limit":5})");
        row(
            "set_capture paused, no end",
            [](DaemonClient& c, Completion d) { c.setCapture(true, std::nullopt, app(), d); },
            R"({"op":"set_capture","paused":true,"until_ms":null})");
        row(
            "set_capture resumed until",
            [](DaemonClient& c, Completion d) { c.setCapture(false, 1764950400000LL, app(), d); },
            R"({"op":"set_capture","paused":false,"until_ms":1764950400000})");
        row(
            "set_injection", [](DaemonClient& c, Completion d) { c.setInjection(true, std::nullopt, app(), d); },
            R"({"op":"set_injection","enabled":true,"until_ms":null})");
        row(
            "set_tier",
            [](DaemonClient& c, Completion d) { c.setTier(QStringLiteral("answer_generation"), false, app(), d); },
            R"({"op":"set_tier","name":"answer_generation","enabled":false})");
        row(
            "complete_onboarding",
            [](DaemonClient& c, Completion d) { c.completeOnboarding(true, false, true, false, app(), d); },
            R"({"op":"complete_onboarding","answer_generation":true,"embeddings":false,"relations":true,"profile":false})");
    }
    void templateRequestsAreExact()
    {
        QFETCH(Call, call);
        QFETCH(QByteArray, expected);
        QCOMPARE(sent(call), expected);
    }

    void serializerRequests_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QJsonObject>("expected");
        const QString tricky = QStringLiteral("He said \"hi\"\\ then\nleft\ttab \u00e9\u4e2d");
        QTest::newRow("ask with quotes, backslash, newline")
            << Call([tricky](DaemonClient& c, Completion d) { c.ask(tricky, app(), d); })
            << QJsonObject{{"op", "ask"}, {"question", tricky}};
        QTest::newRow("block_app without name has no app_name key") << Call([](DaemonClient& c, Completion d) {
            c.blockApp(QStringLiteral("org.gnome.Terminal"), std::nullopt, app(), d);
        }) << QJsonObject{{"op", "block_app"}, {"bundle_id", "org.gnome.Terminal"}};
        QTest::newRow("record_interjection_outcome, optional fields left out")
            << Call([](DaemonClient& c, Completion d) {
                   c.recordInterjectionOutcome(std::nullopt, QStringLiteral("task"), QStringLiteral("muted"),
                                               std::nullopt, std::nullopt, app(), d);
               })
            << QJsonObject{{"op", "record_interjection_outcome"}, {"item_kind", "task"}, {"outcome", "muted"}};
        QTest::newRow("set_interjection_kind_stance cleared") << Call([](DaemonClient& c, Completion d) {
            c.setInterjectionKindStance(QStringLiteral("decision"), std::nullopt, app(), d);
        }) << QJsonObject{{"op", "set_interjection_kind_stance"}, {"item_kind", "decision"}};
    }
    void serializerRequests()
    {
        QFETCH(Call, call);
        QFETCH(QJsonObject, expected);
        const QByteArray line = sent(call);
        QVERIFY2(!line.contains('\n') && !line.contains('\r'), line.constData());
        QVERIFY2(line.startsWith("{\""), line.constData());
        QCOMPARE(parse(line), expected);
        // No null is ever sent by the serializer operations.
        QVERIFY(!line.contains(":null"));
    }

    void unbuildableRequestsAreNotSent_data()
    {
        QTest::addColumn<Call>("call");
        QTest::newRow("lone surrogate in a question") << Call(
            [](DaemonClient& c, Completion d) { c.ask(QString(QChar(0xD800)) + QStringLiteral("abc"), app(), d); });
        QTest::newRow("lone surrogate in a label")
            << Call([](DaemonClient& c, Completion d) { c.rename(3, QString(QChar(0xDC00)), app(), d); });
        // What the daemon gave, past any sane length, is not sent back to it.
        const QString huge(DaemonClient::echoCap + 1, QLatin1Char('p'));
        QTest::newRow("a package id past the echo bound") << Call(
            [huge](DaemonClient& c, Completion d) { c.recordHumanOutcome(huge, QStringLiteral("opened"), app(), d); });
        QTest::newRow("a reason past the echo bound") << Call([huge](DaemonClient& c, Completion d) {
            c.recordHumanDelivery(4, 800, QStringLiteral("human"), huge, app(), d);
        });
    }
    void unbuildableRequestsAreNotSent()
    {
        QFETCH(Call, call);
        FakeDaemon daemon;
        DaemonClient client(daemon.path());
        int calls = 0;
        Reply got = QJsonObject{{"sentinel", true}};
        call(client, [&](Reply r) {
            ++calls;
            got = r;
        });
        // Completed at once, on this thread, before any event loop turn.
        QCOMPARE(calls, 1);
        QCOMPARE(got.failure(), Failure::unsent);
        client.status(app(), [](Reply) {});
        QTRY_COMPARE(daemon.requests().size(), 1);
        QCOMPARE(daemon.requests().value(0), QByteArray(R"({"op":"status"})"));
    }

    void localHourFollowsTheClock_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("hour");
        QTest::newRow("midnight") << QTime(0, 0) << 0;
        QTest::newRow("14:05") << QTime(14, 5) << 14;
        QTest::newRow("23:59:59") << QTime(23, 59, 59) << 23;
    }
    void localHourFollowsTheClock()
    {
        QFETCH(QTime, time);
        QFETCH(int, hour);
        FakeDaemon daemon;
        TestClock clock(QDateTime(QDate(2026, 12, 5), time));
        DaemonClient client(daemon.path(), clock);
        client.nextSemanticInterjection(false, app(), [](Reply) {});
        QTRY_COMPARE(daemon.requests().size(), 1);
        QCOMPARE(parse(daemon.requests().value(0)).value(QStringLiteral("local_hour")).toInteger(-1), qint64(hour));
    }

    // An answer of another kind than the operation answers with, or {}, is no reply: it fails as
    // malformed. Where the daemon's contract names no kind, any object is the reply.
    void repliesOfTheWrongKindFail_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("delivered");
        const auto row = [](const char* name, const char* op, Call call, const char* reply, bool delivered) {
            QTest::newRow(name) << QString::fromLatin1(op) << call << QByteArray(reply) << delivered;
        };
        const Call status = [](DaemonClient& c, Completion d) { c.status(app(), d); };
        const Call rename = [](DaemonClient& c, Completion d) { c.rename(3, QStringLiteral("Ledger"), app(), d); };
        const Call forgetApp = [](DaemonClient& c, Completion d) { c.forgetApp(QStringLiteral("org.x"), app(), d); };
        const Call reject = [](DaemonClient& c, Completion d) { c.rejectRelation(8, app(), d); };
        const Call search = [](DaemonClient& c, Completion d) { c.search(QStringLiteral("q"), 5, app(), d); };
        const Call appBlocks = [](DaemonClient& c, Completion d) { c.appBlocks(app(), d); };
        row("status", "status", status, R"({"kind":"status","frames":3})", true);
        row("status answered {}", "status", status, "{}", false);
        row("status answered ok", "status", status, R"({"kind":"ok"})", false);
        row("status kind in another case", "status", status, R"({"kind":"Status"})", false);
        row("renamed", "rename", rename, R"({"kind":"renamed","sources":2})", true);
        row("rename answered ok", "rename", rename, R"({"kind":"ok"})", false);
        row("forget_app done", "forget_app", forgetApp, R"({"kind":"app_forgot","frames":4})", true);
        row("forget_app answered with its preview", "forget_app", forgetApp,
            R"({"kind":"app_forget_preview","frames":4})", false);
        row("a change answered ok", "reject_relation", reject, R"({"kind":"ok"})", true);
        row("a change answered {}", "reject_relation", reject, "{}", false);
        row("a change of a kind unnamed", "reject_relation", reject, R"({"kind":1})", false);
        row("search: no kind is fixed", "search", search, "{}", true);
        row("app_blocks: no kind is fixed", "app_blocks", appBlocks, R"({"kind":"website_blocks"})", true);
    }
    void repliesOfTheWrongKindFail()
    {
        QFETCH(QString, op);
        QFETCH(Call, call);
        QFETCH(QByteArray, reply);
        QFETCH(bool, delivered);
        FakeDaemon daemon;
        daemon.replyRaw(op, reply + '\n');
        DaemonClient client(daemon.path());
        auto got = std::make_shared<std::optional<Reply>>();
        call(client, [got](Reply r) { *got = std::move(r); });
        QTRY_VERIFY(got->has_value());
        QCOMPARE((*got)->failure(), delivered ? Failure::none : Failure::malformed);
    }

    // An identical read made while one is in flight waits for it instead of going out again, and
    // each caller still gets the reply; a status caller who goes away before the reply gets
    // nothing. Anything else in between (another payload, a change) and a read made after the
    // reply came go out anew; changes are never shared.
    void identicalReadsInFlightAreShared_data()
    {
        QTest::addColumn<QList<Call>>("calls");
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("sent");
        const Call status = [](DaemonClient& c, Completion d) { c.status(app(), d); };
        const Call pause = [](DaemonClient& c, Completion d) { c.setCapture(true, std::nullopt, app(), d); };
        const Call why1 = [](DaemonClient& c, Completion d) { c.why(1, app(), d); };
        const Call why2 = [](DaemonClient& c, Completion d) { c.why(2, app(), d); };
        QTest::newRow("three status reads, one request") << QList<Call>{status, status, status} << "status" << 1;
        QTest::newRow("a change in between") << QList<Call>{status, pause, status} << "status" << 2;
        QTest::newRow("changes are never shared") << QList<Call>{pause, pause} << "set_capture" << 2;
        QTest::newRow("another payload") << QList<Call>{why1, why2, why1} << "why" << 2;
    }
    void identicalReadsInFlightAreShared()
    {
        QFETCH(QList<Call>, calls);
        QFETCH(QString, op);
        QFETCH(int, sent);
        FakeDaemon daemon;
        daemon.reply(QStringLiteral("status"), {{"kind", "status"}}, 1.0);
        daemon.reply(QStringLiteral("why"), {{"kind", "why"}}, 1.0);
        daemon.reply(QStringLiteral("set_capture"), {{"kind", "ok"}}, 1.0);
        DaemonClient client(daemon.path());
        auto answered = std::make_shared<int>(0);
        for (const Call& call : calls)
            call(client, [answered](Reply r) { *answered += r ? 1 : 100; });
        auto leaving = std::make_unique<QObject>();
        client.status(leaving.get(), [answered](Reply) { *answered += 1000; });
        leaving.reset();
        const quint64 made = client.requestsMade();
        QTRY_VERIFY(client.settledThrough(made));
        QCOMPARE(*answered, int(calls.size()));
        QCOMPARE(daemon.count(op), sent);
        const int before = daemon.count(QStringLiteral("status"));
        client.status(app(), [answered](Reply) { ++*answered; });
        QTRY_COMPARE(*answered, int(calls.size()) + 1);
        QCOMPARE(daemon.count(QStringLiteral("status")), before + 1);
    }

    // Background reads that hang on, each trickling a byte every 20 s (the menu's status, hello
    // and proposals, opened three times; the reminders' signals, search and six relations), keep
    // no window from its own read: it reaches the daemon, and its reply comes back, while they
    // all still hang.
    void hangingBackgroundReadsLeaveRoomForAWindow()
    {
        FakeDaemon daemon;
        for (const char* op : {"status", "hello", "proposals", "interjection_signals", "search", "relations"})
            daemon.script(QString::fromLatin1(op), {"{" + QByteArray(100, ' '), FakeDaemon::Mode::Split, 0, 1, 20.0});
        daemon.reply(QStringLiteral("profile"), {{"kind", "profile"}});
        auto client = std::make_unique<DaemonClient>(daemon.path());
        auto hung = std::make_shared<int>(0);
        const Completion done = [hung](Reply) { ++*hung; };
        for (int menu = 0; menu < 3; ++menu) {
            client->status(app(), done);
            client->hello(app(), done);
            client->proposals(200, app(), done);
        }
        client->interjectionSignals(app(), done);
        client->search(QStringLiteral("ledger"), 40, app(), done);
        for (qint64 node = 1; node <= 6; ++node)
            client->relations(node, app(), done);
        QTRY_COMPARE(daemon.requests().size(), 11);
        auto profile = std::make_shared<std::optional<int>>();
        client->profile(app(), [profile, hung](Reply r) { *profile = r ? *hung : -1; });
        QTRY_VERIFY(profile->has_value());
        QCOMPARE(**profile, 0);
        QCOMPARE(daemon.count(QStringLiteral("profile")), 1);
        client.reset();
        QTRY_COMPARE(*hung, 17);
    }

    // An answer has a lane of its own: while one is being generated every other request is
    // answered, and a second question waits for the first answer.
    void answersHaveALaneOfTheirOwn()
    {
        FakeDaemon daemon;
        daemon.reply(QStringLiteral("ask"), {{"kind", "answer"}}, 2.0);
        daemon.reply(QStringLiteral("status"), {{"kind", "status"}});
        daemon.reply(QStringLiteral("why"), {{"kind", "why"}});
        DaemonClient client(daemon.path());
        auto answers = std::make_shared<int>(0);
        auto asksWhenOthersAnswered = std::make_shared<QList<int>>();
        client.ask(QStringLiteral("first"), app(), [answers](Reply) { ++*answers; });
        client.ask(QStringLiteral("second"), app(), [answers](Reply) { ++*answers; });
        QTRY_COMPARE(daemon.count(QStringLiteral("ask")), 1);
        for (const auto send : {&DaemonClient::status, &DaemonClient::hello})
            (client.*send)(app(), [&daemon, asksWhenOthersAnswered](Reply) {
                asksWhenOthersAnswered->append(daemon.count(QStringLiteral("ask")));
            });
        client.why(4, app(), [&daemon, asksWhenOthersAnswered](Reply) {
            asksWhenOthersAnswered->append(daemon.count(QStringLiteral("ask")));
        });
        QTRY_COMPARE(asksWhenOthersAnswered->size(), 3);
        QCOMPARE(*asksWhenOthersAnswered, QList<int>({1, 1, 1}));
        QCOMPARE(*answers, 0);
        QTRY_COMPARE_WITH_TIMEOUT(*answers, 2, 10000);
    }

    // A request gives up on a silent daemon at its time-out; a question waits far longer.
    void aQuestionOutwaitsTheTimeOutOfOtherRequests()
    {
        FakeDaemon daemon;
        daemon.silent(QStringLiteral("ask"));
        daemon.silent(QStringLiteral("status"));
        DaemonClient client(daemon.path());
        auto answered = std::make_shared<bool>(false);
        auto status = std::make_shared<std::optional<Failure>>();
        client.ask(QStringLiteral("slow"), app(), [answered](Reply) { *answered = true; });
        QTRY_COMPARE(daemon.count(QStringLiteral("ask")), 1);
        client.status(app(), [status](Reply r) { *status = r.failure(); });
        QTRY_VERIFY_WITH_TIMEOUT(status->has_value(), 100000);
        QCOMPARE(**status, Failure::noReply);
        QVERIFY(!*answered);
    }
};

QTEST_GUILESS_MAIN(RequestsTest)
#include "RequestsTest.moc"
