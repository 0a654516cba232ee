#include "DaemonClient.h"
#include "FakeDaemon.h"
#include "TestClock.h"
#include "Wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <cmath>

using namespace vesk;
using vesk::test::FakeDaemon;
using vesk::test::TestClock;

using Call = std::function<void(DaemonClient&, Completion)>;
Q_DECLARE_METATYPE(Call)

namespace {
QJsonObject parse(const QByteArray& line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    return error.error == QJsonParseError::NoError && doc.isObject() ? doc.object() : QJsonObject{{"unparsable", QString::fromUtf8(line)}};
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
        row("hello", [](DaemonClient& c, Completion d) { c.hello(d); }, R"({"op":"hello"})");
        row("status", [](DaemonClient& c, Completion d) { c.status(d); }, R"({"op":"status"})");
        row("why", [](DaemonClient& c, Completion d) { c.why(12, d); }, R"({"op":"why","node_id":12})");
        row("relations", [](DaemonClient& c, Completion d) { c.relations(-3, d); }, R"({"op":"relations","node_id":-3})");
        row("relation_evidence", [](DaemonClient& c, Completion d) { c.relationEvidence(9007199254740993LL, d); },
            R"({"op":"relation_evidence","edge_id":9007199254740993})");
        row("frame", [](DaemonClient& c, Completion d) { c.frame(0, d); }, R"({"op":"frame","frame_id":0})");
        row("top", [](DaemonClient& c, Completion d) { c.top(30, d); }, R"({"op":"top","limit":30})");
        row("proposals", [](DaemonClient& c, Completion d) { c.proposals(200, d); }, R"({"op":"proposals","limit":200})");
        row("judge_merge keeping 42", [](DaemonClient& c, Completion d) { c.judgeMerge(5, 42, d); },
            R"({"op":"judge_merge","proposal_id":5,"keep":42})");
        row("judge_merge keeping apart", [](DaemonClient& c, Completion d) { c.judgeMerge(5, std::nullopt, d); },
            R"({"op":"judge_merge","proposal_id":5,"keep":null})");
        row("reject_relation", [](DaemonClient& c, Completion d) { c.rejectRelation(77, d); },
            R"({"op":"reject_relation","edge_id":77})");
        row("forget_entity_preview", [](DaemonClient& c, Completion d) { c.forgetEntityPreview(4, d); },
            R"({"op":"forget_entity_preview","node_id":4})");
        row("forget_entity", [](DaemonClient& c, Completion d) { c.forgetEntity(4, d); }, R"({"op":"forget_entity","node_id":4})");
        row("profile", [](DaemonClient& c, Completion d) { c.profile(d); }, R"({"op":"profile"})");
        row("recent_deliveries default", [](DaemonClient& c, Completion d) { c.recentDeliveries(d); },
            R"({"op":"recent_deliveries","limit":20})");
        row("recent_deliveries 5", [](DaemonClient& c, Completion d) { c.recentDeliveries(5, d); },
            R"({"op":"recent_deliveries","limit":5})");
        row("set_capture paused, no end", [](DaemonClient& c, Completion d) { c.setCapture(true, std::nullopt, d); },
            R"({"op":"set_capture","paused":true,"until_ms":null})");
        row("set_capture resumed until", [](DaemonClient& c, Completion d) { c.setCapture(false, 1764950400000LL, d); },
            R"({"op":"set_capture","paused":false,"until_ms":1764950400000})");
        row("set_injection", [](DaemonClient& c, Completion d) { c.setInjection(true, std::nullopt, d); },
            R"({"op":"set_injection","enabled":true,"until_ms":null})");
        row("set_tier", [](DaemonClient& c, Completion d) { c.setTier(QStringLiteral("answer_generation"), false, d); },
            R"({"op":"set_tier","name":"answer_generation","enabled":false})");
        row("app_blocks", [](DaemonClient& c, Completion d) { c.appBlocks(d); }, R"({"op":"app_blocks"})");
        row("unblock_app", [](DaemonClient& c, Completion d) { c.unblockApp(3, d); }, R"({"op":"unblock_app","rule_id":3})");
        row("website_blocks", [](DaemonClient& c, Completion d) { c.websiteBlocks(d); }, R"({"op":"website_blocks"})");
        row("unblock_website", [](DaemonClient& c, Completion d) { c.unblockWebsite(8, d); },
            R"({"op":"unblock_website","rule_id":8})");
        row("window_title_blocks", [](DaemonClient& c, Completion d) { c.windowTitleBlocks(d); },
            R"({"op":"window_title_blocks"})");
        row("unblock_window_title", [](DaemonClient& c, Completion d) { c.unblockWindowTitle(2, d); },
            R"({"op":"unblock_window_title","rule_id":2})");
        row("delete_expired_pixels", [](DaemonClient& c, Completion d) { c.deleteExpiredPixels(d); },
            R"({"op":"delete_expired_pixels"})");
        row("complete_onboarding", [](DaemonClient& c, Completion d) { c.completeOnboarding(true, false, true, false, d); },
            R"({"op":"complete_onboarding","answer_generation":true,"embeddings":false,"relations":true,"profile":false})");
        row("connections", [](DaemonClient& c, Completion d) { c.connections(d); }, R"({"op":"connections"})");
        row("next_semantic_interjection at 14:05", [](DaemonClient& c, Completion d) { c.nextSemanticInterjection(true, d); },
            R"({"op":"next_semantic_interjection","interruption_safe":true,"local_hour":14})");
        row("reset_interjection_learning", [](DaemonClient& c, Completion d) { c.resetInterjectionLearning(d); },
            R"({"op":"reset_interjection_learning"})");
        row("interjection_signals", [](DaemonClient& c, Completion d) { c.interjectionSignals(d); },
            R"({"op":"interjection_signals"})");
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
            << Call([tricky](DaemonClient& c, Completion d) { c.ask(tricky, d); })
            << QJsonObject{{"op", "ask"}, {"question", tricky}};
        QTest::newRow("search limit is a number")
            << Call([](DaemonClient& c, Completion d) { c.search(QStringLiteral("vesk \"x\""), 25, d); })
            << QJsonObject{{"op", "search"}, {"query", "vesk \"x\""}, {"limit", 25}};
        QTest::newRow("rename") << Call([](DaemonClient& c, Completion d) { c.rename(41, QStringLiteral("Vesk app"), d); })
                                << QJsonObject{{"op", "rename"}, {"node_id", 41}, {"label", "Vesk app"}};
        QTest::newRow("correct_claim")
            << Call([](DaemonClient& c, Completion d) { c.correctClaim(QStringLiteral("It shipped"), QStringLiteral("wrong"), {3, 9}, d); })
            << QJsonObject{{"op", "correct_claim"}, {"claim_text", "It shipped"}, {"judgement", "wrong"}, {"frame_ids", QJsonArray{3, 9}}};
        QTest::newRow("correct_claim without frames")
            << Call([](DaemonClient& c, Completion d) { c.correctClaim(QStringLiteral("x"), QStringLiteral("outdated"), {}, d); })
            << QJsonObject{{"op", "correct_claim"}, {"claim_text", "x"}, {"judgement", "outdated"}, {"frame_ids", QJsonArray{}}};
        QTest::newRow("inspect_context_package")
            << Call([](DaemonClient& c, Completion d) { c.inspectContextPackage(QStringLiteral("pkg-1"), d); })
            << QJsonObject{{"op", "inspect_context_package"}, {"package_id", "pkg-1"}};
        QTest::newRow("block_app with name")
            << Call([](DaemonClient& c, Completion d) { c.blockApp(QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"), d); })
            << QJsonObject{{"op", "block_app"}, {"bundle_id", "org.gnome.Terminal"}, {"app_name", "Terminal"}};
        QTest::newRow("block_app without name has no app_name key")
            << Call([](DaemonClient& c, Completion d) { c.blockApp(QStringLiteral("org.gnome.Terminal"), std::nullopt, d); })
            << QJsonObject{{"op", "block_app"}, {"bundle_id", "org.gnome.Terminal"}};
        QTest::newRow("block_website") << Call([](DaemonClient& c, Completion d) { c.blockWebsite(QStringLiteral("news.example"), d); })
                                       << QJsonObject{{"op", "block_website"}, {"host", "news.example"}};
        QTest::newRow("block_window_title")
            << Call([](DaemonClient& c, Completion d) { c.blockWindowTitle(QStringLiteral("Private \"notes\""), d); })
            << QJsonObject{{"op", "block_window_title"}, {"phrase", "Private \"notes\""}};
        QTest::newRow("forget_rule_preview")
            << Call([](DaemonClient& c, Completion d) { c.forgetRulePreview(QStringLiteral("website"), QStringLiteral("a.example"), d); })
            << QJsonObject{{"op", "forget_rule_preview"}, {"kind", "website"}, {"value", "a.example"}};
        QTest::newRow("forget_rule")
            << Call([](DaemonClient& c, Completion d) { c.forgetRule(QStringLiteral("title"), QStringLiteral("bank"), d); })
            << QJsonObject{{"op", "forget_rule"}, {"kind", "title"}, {"value", "bank"}};
        QTest::newRow("forget_app_preview")
            << Call([](DaemonClient& c, Completion d) { c.forgetAppPreview(QStringLiteral("b.id"), d); })
            << QJsonObject{{"op", "forget_app_preview"}, {"bundle_id", "b.id"}};
        QTest::newRow("forget_app") << Call([](DaemonClient& c, Completion d) { c.forgetApp(QStringLiteral("b.id"), d); })
                                    << QJsonObject{{"op", "forget_app"}, {"bundle_id", "b.id"}};
        QTest::newRow("route_delivery thousandths")
            << Call([](DaemonClient& c, Completion d) {
                   c.routeDelivery({0.25, 0.5, true, true, false, false, true, false, true, true}, d);
               })
            << QJsonObject{{"op", "route_delivery"}, {"relevance_millis", 250}, {"minimum_relevance_millis", 500},
                           {"policy_available", true}, {"policy_allows", true}, {"fresh", true}, {"muted", false},
                           {"cooling_down", false}, {"within_budget", true}, {"agent_can_act", false},
                           {"requires_human", true}, {"interruption_safe", true}};
        QTest::newRow("record_human_delivery")
            << Call([](DaemonClient& c, Completion d) { c.recordHumanDelivery(7, 640, QStringLiteral("human"), QStringLiteral("fresh"), d); })
            << QJsonObject{{"op", "record_human_delivery"}, {"node_id", 7}, {"relevance_millis", 640}, {"route", "human"}, {"reason", "fresh"}};
        QTest::newRow("record_human_outcome")
            << Call([](DaemonClient& c, Completion d) { c.recordHumanOutcome(QStringLiteral("p1"), QStringLiteral("opened"), d); })
            << QJsonObject{{"op", "record_human_outcome"}, {"package_id", "p1"}, {"outcome", "opened"}};
        QTest::newRow("set_delivery_policy without quiet hours has five keys")
            << Call([](DaemonClient& c, Completion d) { c.setDeliveryPolicy(true, 3, 90, false, std::nullopt, std::nullopt, d); })
            << QJsonObject{{"op", "set_delivery_policy"}, {"human_enabled", true}, {"daily_limit", 3}, {"retry_minutes", 90}, {"reopened_enabled", false}};
        QTest::newRow("set_delivery_policy with quiet hours")
            << Call([](DaemonClient& c, Completion d) { c.setDeliveryPolicy(false, 1, 30, true, 22, 7, d); })
            << QJsonObject{{"op", "set_delivery_policy"}, {"human_enabled", false}, {"daily_limit", 1}, {"retry_minutes", 30},
                           {"reopened_enabled", true}, {"quiet_start_hour", 22}, {"quiet_end_hour", 7}};
        QTest::newRow("record_interjection_outcome, all fields")
            << Call([](DaemonClient& c, Completion d) { c.recordInterjectionOutcome(5, QStringLiteral("task"), QStringLiteral("opened"), 0.5, 3, d); })
            << QJsonObject{{"op", "record_interjection_outcome"}, {"node_id", 5}, {"item_kind", "task"}, {"outcome", "opened"},
                           {"confidence", 0.5}, {"sources", 3}};
        QTest::newRow("record_interjection_outcome, optional fields left out")
            << Call([](DaemonClient& c, Completion d) {
                   c.recordInterjectionOutcome(std::nullopt, QStringLiteral("task"), QStringLiteral("muted"), std::nullopt, std::nullopt, d);
               })
            << QJsonObject{{"op", "record_interjection_outcome"}, {"item_kind", "task"}, {"outcome", "muted"}};
        QTest::newRow("set_interjection_kind_stance")
            << Call([](DaemonClient& c, Completion d) { c.setInterjectionKindStance(QStringLiteral("decision"), QStringLiteral("muted"), d); })
            << QJsonObject{{"op", "set_interjection_kind_stance"}, {"item_kind", "decision"}, {"stance", "muted"}};
        QTest::newRow("set_interjection_kind_stance cleared")
            << Call([](DaemonClient& c, Completion d) { c.setInterjectionKindStance(QStringLiteral("decision"), std::nullopt, d); })
            << QJsonObject{{"op", "set_interjection_kind_stance"}, {"item_kind", "decision"}};
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

    void thousandthsRoundHalvesAwayFromZero_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<qint64>("millis");
        QTest::newRow("2.5 thousandths") << 0.0025 << qint64(3);
        QTest::newRow("half a thousandth") << 0.0005 << qint64(1);
        QTest::newRow("negative half") << -0.0005 << qint64(-1);
        QTest::newRow("just below half") << 0.00049 << qint64(0);
        QTest::newRow("one") << 1.0 << qint64(1000);
        QTest::newRow("0.6666") << 0.6666 << qint64(667);
    }
    void thousandthsRoundHalvesAwayFromZero()
    {
        QFETCH(double, fraction);
        QFETCH(qint64, millis);
        const auto payload = routeDeliveryPayload({fraction, fraction});
        QVERIFY(payload);
        QCOMPARE(payload->value(QStringLiteral("relevance_millis")).toInteger(), millis);
        QCOMPARE(payload->value(QStringLiteral("minimum_relevance_millis")).toInteger(), millis);
        QCOMPARE(payload->size(), 12);
        QCOMPARE(payload->value(QStringLiteral("policy_available")), QJsonValue(true));
    }

    void unbuildableRequestsAreNotSent_data()
    {
        QTest::addColumn<Call>("call");
        QTest::newRow("lone surrogate in a question")
            << Call([](DaemonClient& c, Completion d) { c.ask(QString(QChar(0xD800)) + QStringLiteral("abc"), d); });
        QTest::newRow("lone surrogate in a label")
            << Call([](DaemonClient& c, Completion d) { c.rename(3, QString(QChar(0xDC00)), d); });
        QTest::newRow("relevance not finite")
            << Call([](DaemonClient& c, Completion d) { c.routeDelivery({std::nan(""), 0.5}, d); });
        QTest::newRow("relevance too large to scale")
            << Call([](DaemonClient& c, Completion d) { c.routeDelivery({1e300, 0.5}, d); });
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
        QVERIFY(!got);
        client.status([](Reply) {});
        QTRY_COMPARE(daemon.requests().size(), 1);
        QCOMPARE(daemon.requests().first(), QByteArray(R"({"op":"status"})"));
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
        client.nextSemanticInterjection(false, [](Reply) {});
        QTRY_COMPARE(daemon.requests().size(), 1);
        QCOMPARE(parse(daemon.requests().first()).value(QStringLiteral("local_hour")).toInteger(-1), qint64(hour));
    }

    // Each operation's lane and time-out, as every sender picks them.
    void lanesAndTimeOuts()
    {
        using Route = DaemonClient::Route;
        QCOMPARE(DaemonClient::routeOf("ask"), (Route{DaemonClient::Lane::Answer, 180.0}));
        for (const char* op : {"status", "hello", "search", "why", "frame", "proposals", "set_capture", "route_delivery", ""})
            QCOMPARE(DaemonClient::routeOf(op), (Route{DaemonClient::Lane::Ask, 30.0}));
    }
};

QTEST_GUILESS_MAIN(RequestsTest)
#include "RequestsTest.moc"
