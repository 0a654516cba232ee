#include "DemoProcess.h"
#include "RouteFacts.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>

#include <vector>

using namespace vesk;

Q_DECLARE_METATYPE(vesk::RouteFacts)

// Every change the windows can make, against the real stand-in daemon: confirmed with the kind the
// windows wait for, and visible in the next read.
class DemoChangesTest : public DemoSuite {
    Q_OBJECT

    Reply raw(const QByteArray& text)
    {
        return run([text](DaemonClient& c, Completion d) { c.request(text, app(), d); });
    }
    QList<QJsonObject> list(const Reply& reply, const char* key)
    {
        return reply ? Json::objects(*reply, QString::fromLatin1(key)).value_or(QList<QJsonObject>{})
                     : QList<QJsonObject>{};
    }
    qint64 number(const Reply& reply, const char* key)
    {
        return reply ? Json::integer(*reply, QString::fromLatin1(key)).value_or(-1) : -1;
    }
    bool listsNode(const Reply& reply, const char* key, qint64 id)
    {
        const QList<QJsonObject> nodes = list(reply, key);
        return std::any_of(nodes.begin(), nodes.end(),
                           [id](const QJsonObject& n) { return Json::integer(n, u"node_id") == id; });
    }

    // The entities a node's relations lead to.
    QSet<qint64> neighbours(qint64 id)
    {
        QSet<qint64> out;
        for (const QJsonObject& e :
             list(run([id](DaemonClient&c, Completion d) { c.relations(id, app(), d); }), "edges"))
            out.insert(Json::integer(e, u"other_id").value_or(-1));
        return out;
    }

private Q_SLOTS:
    void renameShowsInSearch()
    {
        const Reply renamed
            = run([](DaemonClient& c, Completion d) { c.rename(8, "Land the rounding patch", app(), d); });
        QVERIFY(Json::isKind(renamed, u"renamed"));
        QVERIFY(number(renamed, "sources") >= 2);
        QVERIFY(number(renamed, "relations") >= 1);
        QVERIFY(Json::boolean(*renamed, u"sources_truncated").has_value());
        const Reply byNewName = run([](DaemonClient& c, Completion d) { c.search("rounding patch", 25, app(), d); });
        QVERIFY(listsNode(byNewName, "nodes", 8));
        QCOMPARE(Json::string(list(byNewName, "nodes").first(), u"label").value(),
                 QStringLiteral("Land the rounding patch"));
        // The old spelling still finds it.
        QVERIFY(listsNode(
            run([](DaemonClient& c, Completion d) { c.search("Ship the invoice rounding fix", 25, app(), d); }),
            "nodes", 8));
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.rename(8, "   ", app(), d); }));
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.rename(99999, "Nobody", app(), d); }));
    }

    void mergeRetiresTheOtherName()
    {
        const Reply before = run([](DaemonClient& c, Completion d) { c.proposals(500, app(), d); });
        const qsizetype open = list(before, "proposals").size();
        // Proposal 1 asks whether "Priya Natarajan" (4) and "P. Natarajan" (22) are one person.
        const QSet<qint64> around = neighbours(4) + neighbours(22);
        const Reply merged = run([](DaemonClient& c, Completion d) { c.judgeMerge(1, 4, app(), d); });
        QVERIFY(Json::isKind(merged, u"ok"));
        QCOMPARE(neighbours(4), around);
        QCOMPARE(Json::string(*merged, u"state").value(), QStringLiteral("merged:22"));
        const Reply after = run([](DaemonClient& c, Completion d) { c.proposals(500, app(), d); });
        QCOMPARE(list(after, "proposals").size(), open - 1);
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.why(22, app(), d); }));
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.judgeMerge(1, 4, app(), d); }));
        const Reply top = run([](DaemonClient& c, Completion d) { c.top(200, app(), d); });
        for (const QJsonObject& n : list(top, "nodes"))
            if (Json::integer(n, u"node_id") == 4)
                QVERIFY(Json::integer(n, u"aliases").value() >= 2);
        // Keeping them apart settles a proposal without merging anything; a stranger cannot be kept.
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.judgeMerge(2, 4, app(), d); }));
        QVERIFY(
            Json::isKind(run([](DaemonClient& c, Completion d) { c.judgeMerge(2, std::nullopt, app(), d); }), u"ok"));
        QVERIFY(run([](DaemonClient& c, Completion d) { c.why(23, app(), d); }));
        QCOMPARE(list(run([](DaemonClient& c, Completion d) { c.proposals(500, app(), d); }), "proposals").size(),
                 open - 2);

        // Keeping the second name, "harbor api" (24) over "harbor-api" (2): every relation moves to it.
        const QSet<qint64> apiAround = neighbours(2) + neighbours(24);
        QVERIFY(!apiAround.isEmpty());
        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.judgeMerge(3, 24, app(), d); }), u"ok"));
        QCOMPARE(neighbours(24), apiAround);
        for (qint64 n : apiAround)
            QVERIFY(neighbours(n).contains(24) && !neighbours(n).contains(2));
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.relations(2, app(), d); }));
        // A merge forgets nothing: the profile that cited the old name stays.
        QVERIFY(!Json::string(*run([](DaemonClient& c, Completion d) { c.profile(app(), d); }), u"body")->isEmpty());
    }

    void correctionReceiptLinksSharedEvidence()
    {
        const auto correct = [this](const char* judgement) {
            return run([judgement](DaemonClient& c, Completion d) {
                c.correctClaim("Firefox showed the rounding pull request.", judgement, {3, 0, 999}, app(), d);
            });
        };
        const Reply first = correct("fact_wrong");
        QVERIFY(Json::isKind(first, u"claim_corrected"));
        QCOMPARE(number(first, "sources"), 1); // frames 0 and 999 do not exist
        QCOMPARE(Json::integers(*first, u"source_frame_ids").value(), QList<qint64>{3});
        const QList<qint64> nodes = Json::integers(*first, u"related_node_ids").value();
        QVERIFY(nodes.contains(19)); // the pull request itself was on that screen
        QCOMPARE(number(first, "memories"), nodes.size() + Json::integers(*first, u"related_relation_ids")->size());
        QCOMPARE(Json::boolean(*first, u"duplicate"), false);
        QCOMPARE(Json::boolean(correct("fact_wrong").value(), u"duplicate"), true);
        QCOMPARE(Json::boolean(correct("stale").value(), u"duplicate"), false);
        QVERIFY(!correct("wrong-ish"));
    }

    void switchesShowInStatusAndWatch()
    {
        // The callback stays on the shared client after this test: it owns what it writes to.
        const auto watched = std::make_shared<std::vector<DaemonClient::State>>();
        client->watch(app(), [watched](const DaemonClient::State& s) { watched->push_back(s); });
        const std::vector<DaemonClient::State>& states = *watched;
        QTRY_VERIFY(!states.empty());
        QCOMPARE(states.back(), DaemonClient::State(DaemonClient::Known{true, 2, "recording"}));

        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.setCapture(true, std::nullopt, app(), d); }),
                             u"ok"));
        QTRY_COMPARE(states.back(), DaemonClient::State(DaemonClient::Known{false, 0, "paused by you"}));
        QCOMPARE(Json::boolean(*run([](DaemonClient& c, Completion d) { c.status(app(), d); }), u"capture_paused"),
                 true);

        // A timed pause ends by itself, and the watchers hear it.
        const qint64 until = QDateTime::currentMSecsSinceEpoch() + 1500;
        QVERIFY(
            Json::isKind(run([until](DaemonClient& c, Completion d) { c.setCapture(true, until, app(), d); }), u"ok"));
        QCOMPARE(
            Json::integer(*run([](DaemonClient& c, Completion d) { c.status(app(), d); }), u"capture_paused_until_ms")
                .value_or(-1),
            until);
        QTRY_VERIFY_WITH_TIMEOUT(std::get_if<DaemonClient::Known>(&states.back())
                                     && std::get<DaemonClient::Known>(states.back()).capturing,
                                 6000);

        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.setInjection(false, std::nullopt, app(), d); }),
                             u"ok"));
        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.setTier("profile", false, app(), d); }), u"ok"));
        const Reply status = run([](DaemonClient& c, Completion d) { c.status(app(), d); });
        QCOMPARE(Json::boolean(*status, u"injection_enabled"), false);
        for (const QJsonObject& tier : list(status, "tiers"))
            QCOMPARE(Json::boolean(tier, u"enabled").value(), tier.value("name") != QLatin1String("profile"));
        // Without its tier the profile is not written.
        QCOMPARE(Json::string(*run([](DaemonClient& c, Completion d) { c.profile(app(), d); }), u"body"), QString());
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.setTier("telepathy", true, app(), d); }));
        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.setTier("profile", true, app(), d); }), u"ok"));
        QVERIFY(!Json::string(*run([](DaemonClient& c, Completion d) { c.profile(app(), d); }), u"body")->isEmpty());
    }

    void rulesShowInTheirLists_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("application") << "app"
                                     << "org.gnome.Terminal"
                                     << "org.gnome.Terminal";
        QTest::newRow("website from a pasted address") << "website"
                                                       << "https://www.Example.org/billing?x=1"
                                                       << "example.org";
        QTest::newRow("title phrase") << "title"
                                      << "Salary review"
                                      << "Salary review";
    }

    void rulesShowInTheirLists()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        const QString key = kind == "app" ? "bundle_id" : kind == "website" ? "host" : "phrase";
        const auto rules = [&] {
            return list(run([&](DaemonClient& c, Completion d) {
                            kind == "app"           ? c.appBlocks(app(), d)
                                : kind == "website" ? c.websiteBlocks(app(), d)
                                                    : c.windowTitleBlocks(app(), d);
                        }),
                        "rules");
        };
        const auto ruleFor = [&](const QString& value) -> qint64 {
            for (const QJsonObject& r : rules())
                if (r.value(key).toString() == value)
                    return Json::integer(r, u"id").value();
            return -1;
        };
        const Reply added = run([&](DaemonClient& c, Completion d) {
            kind == "app"           ? c.blockApp(typed, QStringLiteral("Terminal"), app(), d)
                : kind == "website" ? c.blockWebsite(typed, app(), d)
                                    : c.blockWindowTitle(typed, app(), d);
        });
        QVERIFY(Json::isKind(added, u"ok"));
        const qint64 id = ruleFor(stored);
        QVERIFY(id > 0);
        const auto remove = [&](qint64 rule) {
            return run([&](DaemonClient& c, Completion d) {
                kind == "app"           ? c.unblockApp(rule, app(), d)
                    : kind == "website" ? c.unblockWebsite(rule, app(), d)
                                        : c.unblockWindowTitle(rule, app(), d);
            });
        };
        QVERIFY(Json::isKind(remove(id), u"ok"));
        QCOMPARE(ruleFor(stored), -1);
        QVERIFY(!remove(id));
    }

    void outcomesFeedTheSignals()
    {
        const auto signals_
            = [this] { return run([](DaemonClient& c, Completion d) { c.interjectionSignals(app(), d); }).value(); };
        const auto count = [](const QJsonObject& s, const QString& name) {
            const QList<QJsonArray> rows = Json::arrays(s, u"counts").value();
            for (const QJsonArray& row : rows)
                if (row.first().toString() == name)
                    return row.last().toInteger();
            return qint64(-1);
        };
        const auto held = [](const QJsonObject& s, qint64 node) {
            const QList<QJsonObject> items = Json::objects(s, u"held_back").value();
            return std::any_of(items.begin(), items.end(),
                               [node](const QJsonObject& o) { return Json::integer(o, u"node_id") == node; });
        };
        const QJsonObject before = signals_();
        const auto record = [this](const char* outcome) {
            return run([outcome](DaemonClient& c, Completion d) {
                c.recordInterjectionOutcome(13, "open_question", outcome, 0.61, 4, app(), d);
            });
        };
        QVERIFY(Json::isKind(record("shown"), u"ok"));
        QVERIFY(Json::isKind(record("opened"), u"ok"));
        QVERIFY(Json::isKind(record("held_back"), u"ok"));
        QJsonObject after = signals_();
        QCOMPARE(count(after, "shown"), count(before, "shown") + 1);
        QCOMPARE(count(after, "opened"), count(before, "opened") + 1);
        QCOMPARE(Json::integer(after, u"shown_today").value(), Json::integer(before, u"shown_today").value() + 1);
        QVERIFY(held(after, 13));
        QVERIFY(Json::isKind(record("dismissed"), u"ok"));
        QVERIFY(!held(signals_(), 13));
        QVERIFY(!record("ignored"));

        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) {
                                 c.setInterjectionKindStance("task", QStringLiteral("muted"), app(), d);
                             }),
                             u"ok"));
        QVERIFY(Json::arrays(signals_(), u"stances")->contains(QJsonArray{"task", "muted"}));
        QVERIFY(Json::isKind(
            run([](DaemonClient& c, Completion d) { c.setInterjectionKindStance("task", std::nullopt, app(), d); }),
            u"ok"));
        QVERIFY(!Json::arrays(signals_(), u"stances")->contains(QJsonArray{"task", "muted"}));
        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.resetInterjectionLearning(app(), d); }), u"ok"));
        QCOMPARE(count(signals_(), "shown"), 0);
    }

    void humanDeliveryBecomesAHandoff()
    {
        const Reply delivered = run(
            [](DaemonClient& c, Completion d) { c.recordHumanDelivery(14, 810, "human", "cleared_gate", app(), d); });
        QVERIFY(Json::isKind(delivered, u"ok"));
        const QString package = Json::string(*delivered, u"package_id").value();
        const Reply recent = run([](DaemonClient& c, Completion d) { c.recentDeliveries(8, app(), d); });
        const QJsonArray newest = Json::arrays(*recent, u"deliveries")->first();
        QCOMPARE(newest.at(0).toString(), package);
        QCOMPARE(newest.at(1).toString(), QStringLiteral("human"));
        const Reply inside = run([&](DaemonClient& c, Completion d) { c.inspectContextPackage(package, app(), d); });
        QCOMPARE(Json::integers(*inside, u"node_ids").value(), QList<qint64>{14});
        QCOMPARE(newest.at(5).toInteger(),
                 Json::integers(*inside, u"node_ids")->size() + Json::integers(*inside, u"state_ids")->size()
                     + Json::integers(*inside, u"frame_ids")->size() + Json::integers(*inside, u"message_ids")->size());
        QVERIFY(Json::isKind(
            run([&](DaemonClient& c, Completion d) { c.recordHumanOutcome(package, "opened", app(), d); }), u"ok"));
        const Reply later = run([&](DaemonClient& c, Completion d) { c.inspectContextPackage(package, app(), d); });
        QCOMPARE(later->value("outcomes").toArray(), QJsonArray{"opened"});
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.recordHumanOutcome("pkg-none", "opened", app(), d); }));
        // A held delivery is recorded but hands nothing over.
        const Reply held = run([](DaemonClient& c, Completion d) {
            c.recordHumanDelivery(14, 400, "held", "held_low_relevance", app(), d);
        });
        QVERIFY(Json::isKind(held, u"ok"));
        QVERIFY(!Json::string(*held, u"package_id"));
    }

    void routeFollowsTheFirstStoppingFact_data()
    {
        QTest::addColumn<RouteFacts>("facts");
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("reason");
        const RouteFacts clear{0.8, 0.74, true, true, false, false, true, false, true, true};
        QTest::newRow("clear") << clear << "human"
                               << "cleared_gate";
        RouteFacts f = clear;
        f.relevance = 0.61;
        QTest::newRow("below the gate") << f << "held"
                                        << "held_low_relevance";
        f = clear;
        f.coolingDown = true;
        f.relevance = 0.1; // the cooldown is named before the relevance
        QTest::newRow("cooling down") << f << "held"
                                      << "held_cooldown";
        f = clear;
        f.interruptionSafe = false;
        QTest::newRow("presentation") << f << "held"
                                      << "held_presentation";
        f = clear;
        f.policyAllows = false;
        QTest::newRow("interruptions off") << f << "held"
                                           << "held_policy_off";
        f = clear;
        f.agentCanAct = true;
        f.requiresHuman = false;
        QTest::newRow("an agent can act") << f << "agent"
                                          << "agent_can_act";
    }

    void routeFollowsTheFirstStoppingFact()
    {
        QFETCH(RouteFacts, facts);
        QFETCH(QString, route);
        QFETCH(QString, reason);
        const Reply reply
            = run([facts](DaemonClient& c, Completion d) { c.routeDelivery(*routeDeliveryPayload(facts), app(), d); });
        QVERIFY(Json::isKind(reply, u"route"));
        QCOMPARE(Json::string(*reply, u"route").value(), route);
        QCOMPARE(Json::string(*reply, u"reason").value(), reason);
    }

    void reopenedItemsAreOfferedNowAndThen()
    {
        const auto next = [this](int hour) {
            return raw(
                QStringLiteral("{\"op\":\"next_semantic_interjection\",\"interruption_safe\":true,\"local_hour\":%1}")
                    .arg(hour)
                    .toUtf8());
        };
        // Quiet hours (22 to 8 in the demo memory) keep it silent, and so does every turn but each third.
        QVERIFY(!Json::integer(*next(23), u"node_id"));
        QVERIFY(!Json::integer(*next(14), u"node_id"));
        QVERIFY(!Json::integer(*next(14), u"node_id"));
        const Reply offer = next(14);
        QVERIFY2(Json::integer(*offer, u"node_id"), QJsonDocument(*offer).toJson().constData());
        QVERIFY(Json::nonEmptyString(*offer, u"label"));
        QVERIFY(Json::nonEmptyString(*offer, u"state_class"));
        const QString package = Json::string(*offer, u"package_id").value();
        QCOMPARE(
            Json::arrays(*run([](DaemonClient& c, Completion d) { c.recentDeliveries(8, app(), d); }), u"deliveries")
                ->first()
                .at(0)
                .toString(),
            package);
        QVERIFY(!Json::integer(*next(14), u"node_id"));
    }

    void policyRoundTripsThroughStatus()
    {
        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) {
                                 c.setDeliveryPolicy(true, 4, 240, false, std::nullopt, std::nullopt, app(), d);
                             }),
                             u"ok"));
        Reply status = run([](DaemonClient& c, Completion d) { c.status(app(), d); });
        QCOMPARE(number(status, "interjections_daily_limit"), 4);
        QCOMPARE(number(status, "interjections_retry_minutes"), 240);
        QCOMPARE(Json::boolean(*status, u"interjections_reopened"), false);
        QVERIFY(!status->contains("interjections_quiet_start_hour"));
        QVERIFY(Json::isKind(
            run([](DaemonClient& c, Completion d) { c.setDeliveryPolicy(true, 2, 60, true, 21, 7, app(), d); }),
            u"ok"));
        status = run([](DaemonClient& c, Completion d) { c.status(app(), d); });
        QCOMPARE(number(status, "interjections_quiet_start_hour"), 21);
        QCOMPARE(number(status, "interjections_quiet_end_hour"), 7);
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.setDeliveryPolicy(true, 2, 60, true, 25, 7, app(), d); }));
    }

    // Forgetting an app's or a website's screens deletes them, and a website's leave the answers
    // that cited them; deleting expired pixels leaves none expired. A rule of no known kind is refused.
    void forgettingDeletesFrames()
    {
        QVERIFY(!run([](DaemonClient& c, Completion d) { c.forgetRule("colour", "blue", app(), d); }));
        const Reply forgot = run([](DaemonClient& c, Completion d) { c.forgetApp("com.slack.Slack", app(), d); });
        QVERIFY(Json::isKind(forgot, u"app_forgot"));
        QVERIFY(number(forgot, "frames") >= 1);
        QCOMPARE(number(run([](DaemonClient& c, Completion d) { c.forgetAppPreview("com.slack.Slack", app(), d); }),
                        "frames"),
                 0);

        const auto githubCited = [this] {
            const QList<QJsonObject> cited
                = list(run([](DaemonClient& c, Completion d) { c.ask("banker's rounding", app(), d); }), "evidence");
            return std::any_of(cited.begin(), cited.end(), [](const QJsonObject& e) {
                return e.value("document_url").toString().contains("github.com");
            });
        };
        QVERIFY(githubCited());
        const Reply site = run([](DaemonClient& c, Completion d) { c.forgetRule("url_host", "github.com", app(), d); });
        QVERIFY(number(site, "frames") >= 1);
        QVERIFY(!githubCited());

        const auto expired = [this] {
            return number(run([](DaemonClient& c, Completion d) { c.status(app(), d); }), "expired_pixel_frames");
        };
        const qint64 before = expired();
        QVERIFY(before >= 1);
        const Reply deleted = run([](DaemonClient& c, Completion d) { c.deleteExpiredPixels(app(), d); });
        QVERIFY(Json::isKind(deleted, u"expired_pixels_deleted"));
        QCOMPARE(number(deleted, "frames"), before);
        QCOMPARE(expired(), 0);
    }

    // A relation judged wrong leaves its entity's relations; a forgotten entity leaves search.
    void relationRejectedAndEntityForgotten()
    {
        const auto relations = [this] { return run([](DaemonClient& c, Completion d) { c.relations(1, app(), d); }); };
        const qint64 total = number(relations(), "total");
        const qint64 edge = Json::integer(list(relations(), "edges").value(0), u"edge_id").value_or(-1);
        QVERIFY(total >= 1 && edge >= 1);
        QVERIFY(Json::isKind(run([edge](DaemonClient& c, Completion d) { c.rejectRelation(edge, app(), d); }), u"ok"));
        QCOMPARE(number(relations(), "total"), total - 1);
        QVERIFY(!run([edge](DaemonClient& c, Completion d) { c.rejectRelation(edge, app(), d); }));
        QVERIFY(Json::isKind(run([](DaemonClient& c, Completion d) { c.forgetEntity(1, app(), d); }), u"ok"));
        QVERIFY(!listsNode(run([](DaemonClient& c, Completion d) { c.search("harbor", 25, app(), d); }), "nodes", 1));
    }
};

QTEST_GUILESS_MAIN(DemoChangesTest)
#include "DemoChangesTest.moc"
