#include "CandidateSearch.h"
#include "Decision.h"
#include "Defaults.h"
#include "DeliveryPolicy.h"
#include "InterjectionText.h"
#include "Json.h"
#include "RouteFacts.h"
#include "SelfChecks.h"
#include "Signals.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdio>

Q_DECLARE_METATYPE(vesk::Decision::SemanticReply)

using namespace vesk;
using namespace vesk::Decision;

namespace {

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

// What a function writes to a C stream.
template <class F> QByteArray written(F f, int* status)
{
    std::FILE* file = std::tmpfile();
    *status = f(file);
    std::rewind(file);
    QByteArray out(4096, '\0');
    out.resize(qsizetype(std::fread(out.data(), 1, out.size(), file)));
    std::fclose(file);
    return out;
}

} // namespace

class InterjectionRulesTest : public QObject {
    Q_OBJECT
private slots:
    void quietHours_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QList<int>>("quiet");
        QTest::addColumn<QList<int>>("awake");
        QTest::newRow("22 to 8 wraps midnight") << 22 << 8 << QList<int>{22, 23, 0, 7} << QList<int>{8, 21};
        QTest::newRow("9 to 17 within a day") << 9 << 17 << QList<int>{9, 16} << QList<int>{17, 8};
        QTest::newRow("equal hours are no quiet period") << 5 << 5 << QList<int>{} << QList<int>{0, 4, 5, 6, 23};
    }
    void quietHours()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QList<int>, quiet);
        QFETCH(QList<int>, awake);
        for (int h : quiet)
            QVERIFY2(DeliveryPolicy::hourIsQuiet(h, start, end), qPrintable(QString::number(h)));
        for (int h : awake)
            QVERIFY2(!DeliveryPolicy::hourIsQuiet(h, start, end), qPrintable(QString::number(h)));
    }

    void storedPolicy()
    {
        QTemporaryDir dir;
        Defaults defaults(dir.filePath("d.json"));
        DeliveryPolicy policy(defaults);
        const QDateTime night(QDate(2026, 3, 2), QTime(23, 0), Qt::UTC);
        defaults.setInteger(policy.policyQuietStartKey, 22);
        QVERIFY(!policy.inQuietHours(night));               // the flag is off
        defaults.setString(policy.policyEnabledKey, "yes"); // the wrong type reads as absent
        defaults.setBoolean(policy.policyQuietKey, true);
        QVERIFY(policy.inQuietHours(night));
        QCOMPARE(policy.values(), (DeliveryPolicy::Values{true, 2, 60, true, true, 22, 8}));

        // A status reply without interjection keys: the defaults, quiet hours off and their keys gone.
        policy.storeFromStatus(json(R"({"kind":"status","interjections_quiet_start_hour":1})"));
        QCOMPARE(policy.values(), (DeliveryPolicy::Values{true, 2, 60, true, false, 22, 8}));
        QVERIFY(!defaults.contains(policy.policyQuietStartKey));
        policy.storeFromStatus(json(R"({"interjections_enabled":false,"interjections_daily_limit":4,
            "interjections_quiet_start_hour":9,"interjections_quiet_end_hour":17})"));
        QCOMPARE(policy.values(), (DeliveryPolicy::Values{false, 4, 60, true, true, 9, 17}));

        for (const char* key : {"vesk.interjections.shown_today", "qev.interjections.held_back_items",
                                "qev.interjections.recent", "qev.interjections.last_decision"})
            defaults.setInteger(key, 1);
        policy.setLastDecision("kept");
        policy.removeObsoleteKeys();
        for (const char* key : {"vesk.interjections.shown_today", "qev.interjections.held_back_items",
                                "qev.interjections.recent", "qev.interjections.last_decision"})
            QVERIFY(!defaults.contains(key));
        QCOMPARE(policy.lastDecision(), QString("kept"));
    }

    void cooldown_data()
    {
        QTest::addColumn<qint64>("shownAgo");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("cooling");
        const qint64 day = 86400;
        QTest::newRow("6 days 23 hours ago") << 6 * day + 23 * 3600 << "task" << true;
        QTest::newRow("7 days and a second ago") << 7 * day + 1 << "task" << false;
        QTest::newRow("same node, other kind") << qint64(60) << "decision" << false;
    }
    void cooldown()
    {
        QFETCH(qint64, shownAgo);
        QFETCH(QString, kind);
        QFETCH(bool, cooling);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath("d.json"));
        DeliveryPolicy policy(defaults);
        const QDateTime now(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC);
        const Candidate shown{42, "Ship it", "task", 2, 0.8, {}, {}};
        Candidate asked = shown;
        asked.kind = kind;
        QVERIFY(!policy.wasRecentlyShown(asked, now)); // never shown
        policy.stampShown(Candidate{7, "Old", "task", 2, 0.8, {}, {}}, now.addDays(-15));
        policy.stampShown(shown, now.addSecs(-shownAgo));
        QCOMPARE(policy.wasRecentlyShown(asked, now), cooling);
        QCOMPARE(policy.recent().contains("7:task"), false); // dropped at the next stamp
        QCOMPARE(policy.recentCount(now), cooling || kind != "task" ? 1 : 0);
        defaults.setValue(policy.recentKey, json(R"({"42:task":"soon"})"));
        QVERIFY(!policy.wasRecentlyShown(shown, now)); // a map with a non-number reads as empty
    }

    void gate_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("opened");
        QTest::addColumn<bool>("encouraged");
        QTest::addColumn<double>("gate");
        QTest::newRow("10 shown, 2 opened") << 10 << 2 << false << 0.82;
        QTest::newRow("10 shown, 3 opened") << 10 << 3 << false << 0.74;
        QTest::newRow("4 shown, none opened") << 4 << 0 << false << 0.74;
        QTest::newRow("8 shown, exactly a quarter opened") << 8 << 2 << false << 0.74;
        QTest::newRow("encouraged at 0.74") << 10 << 3 << true << 0.66;
        QTest::newRow("encouraged at 0.82") << 10 << 2 << true << 0.74;
    }
    void gate()
    {
        QFETCH(int, shown);
        QFETCH(int, opened);
        QFETCH(bool, encouraged);
        QFETCH(double, gate);
        Signals s;
        s.shownTotal = shown;
        s.openedTotal = opened;
        if (encouraged)
            s.encouraged.insert("task");
        QVERIFY(qAbs(relevanceGate(s, "task") - gate) < 1e-9);
    }

    void routeFractionsInThousandths_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<std::optional<qint64>>("millis"); // nothing: the request is not built
        QTest::newRow("half a thousandth") << 0.0005 << std::optional<qint64>(1);
        QTest::newRow("negative half") << -0.0005 << std::optional<qint64>(-1);
        QTest::newRow("just below half") << 0.00049 << std::optional<qint64>(0);
        QTest::newRow("0.6666") << 0.6666 << std::optional<qint64>(667);
        QTest::newRow("not finite") << std::nan("") << std::optional<qint64>();
        QTest::newRow("too large to scale") << 1e300 << std::optional<qint64>();
    }
    void routeFractionsInThousandths()
    {
        QFETCH(double, fraction);
        QFETCH(std::optional<qint64>, millis);
        const auto payload = routeDeliveryPayload({fraction, fraction});
        QCOMPARE(payload.has_value(), millis.has_value());
        if (!payload)
            return;
        QCOMPARE(payload->value("relevance_millis").toInteger(), *millis);
        QCOMPARE(payload->value("minimum_relevance_millis").toInteger(), *millis);
        QCOMPARE(payload->size(), 12);
        QCOMPARE(payload->value("policy_available"), QJsonValue(true));
    }

    void classification_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("muted");
        QTest::addColumn<SemanticReply>("expected");
        // The self-checks (below) hold the cases the daemon agrees on; these are the rest.
        QTest::newRow("no reply") << QByteArray() << QStringList{} << SemanticReply(Silent{});
        QTest::newRow("no class") << QByteArray(R"({"node_id":7,"label":"x","state_class":""})") << QStringList{}
                                  << SemanticReply(Unclassified{});
        QTest::newRow("id of the wrong type") << QByteArray(R"({"node_id":"7","label":"x","state_class":"task"})")
                                              << QStringList{} << SemanticReply(Silent{});
    }
    void classification()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, muted);
        const Reply r = reply.isEmpty() ? Reply() : Reply(QJsonDocument::fromJson(reply).object());
        QFETCH(SemanticReply, expected);
        QVERIFY(classifySemanticReply(r, QSet<QString>(muted.begin(), muted.end()), "ctx") == expected);
    }

    void signalsReply()
    {
        QCOMPARE(Signals::read(json(R"({"counts":[["shown",3]]})")), std::nullopt);
        // A counter that is not a count leaves the reading unusable: never shown as 0 or below.
        for (const char* bad : {R"({"counts":[["opened","2"]],"held_back":[]})",
                                R"({"counts":[["shown",-9223372036854775807]],"held_back":[]})",
                                R"({"shown_today":1e308,"held_back":[]})"})
            QCOMPARE(Signals::read(json(bad)), std::nullopt);
        const auto s = Signals::read(json(R"({"counts":[["shown",10],["opened",2],["held_back",1,4],[]],
            "shown_today":2,"stances":[["task","muted"],["decision","sooner"],["x"]],
            "held_back":[{"node_id":9,"item_kind":"task","label":"Rotate keys","confidence":0.71},
                         {"node_id":10,"item_kind":"task","label":""},"junk"]})"));
        QVERIFY(s);
        QCOMPARE(s->shownTotal, 10);
        QCOMPARE(s->openedTotal, 2);
        QCOMPARE(s->heldBackTotal, 4);
        QCOMPARE(s->shownToday, 2);
        QCOMPARE(s->muted, QSet<QString>{"task"});
        QCOMPARE(s->encouraged, QSet<QString>({"decision", "x"}));
        QCOMPARE(s->heldBack, (QList<Candidate>{{9, "Rotate keys", "task", 0, 0.71, {}, {}}}));
    }

    void searchCandidates()
    {
        const WindowContext context{"ship the socket fix — repo", "Code · x", {}};
        const auto hits = CandidateSearch::readSearch(json(R"({"nodes":[
            {"node_id":1,"label":"Is the index needed?","node_type":"open_question","score":2,"sources":2},
            {"node_id":2,"label":"Only once","node_type":"task","score":9,"sources":1},
            {"node_id":3,"label":"Ship the socket fix","node_type":"decision","score":9,"sources":5},
            {"node_id":4,"label":"Muted work","node_type":"task","score":9,"sources":5},
            {"node_id":5,"label":"A file","node_type":"file","score":9,"sources":5}]})"),
                                                      context, {"task"});
        QVERIFY(hits);
        QCOMPARE(hits->direct.size(), 1);
        QCOMPARE(hits->direct[0].id, 1);
        QVERIFY(qAbs(hits->direct[0].confidence - 0.5264) < 1e-4);

        const Reply edges = json(R"({"edges":[
            {"other_id":8,"other_label":"Rotate keys","other_kind":"task","other_sources":3,"sightings":1},
            {"other_id":8,"other_label":"Rotate keys","other_kind":"task","other_sources":3,"sightings":7},
            {"other_id":8,"other_label":"Rotate keys","other_kind":"task","other_sources":3,"sightings":2},
            {"other_id":9,"other_label":"Unseen","other_kind":"task","other_sources":0,"sightings":9}]})");
        const QList<Candidate> related
            = CandidateSearch::mostConfidentPerNode(CandidateSearch::readRelations(edges, context, {}));
        QCOMPARE(related.size(), 1);
        QVERIFY(qAbs(related[0].confidence - 0.85) < 1e-9);              // the most sightings: 0.78 + 0.035 × 2
        QCOMPARE(CandidateSearch::relationConfidence(1000, 1000), 0.88); // both parts at their caps
    }

    // A relations reply can carry far more edges than a pass can use: only the most confident
    // reach the choice, so the best one survives wherever it stands in the reply.
    void relatedCandidatesAreCut_data()
    {
        QTest::addColumn<int>("edges");
        QTest::addColumn<int>("kept");
        const int cap = int(CandidateSearch::relatedPerAnchor);
        QTest::newRow("a few") << 3 << 3;
        QTest::newRow("as many as the cap") << cap << cap;
        QTest::newRow("far more") << 5000 << cap;
    }
    void relatedCandidatesAreCut()
    {
        QFETCH(int, edges);
        QFETCH(int, kept);
        QJsonArray list;
        for (int i = 1; i <= edges; ++i)
            list.append(QJsonObject{{"other_id", i},
                                    {"other_label", QStringLiteral("Item %1").arg(i)},
                                    {"other_kind", "task"},
                                    {"other_sources", 2},
                                    {"sightings", i == edges ? 50 : 1}});
        const WindowContext context{"ship the socket fix — repo", "Code · x", {}};
        const QList<Candidate> related = CandidateSearch::readRelations(QJsonObject{{"edges", list}}, context, {});
        QCOMPARE(related.size(), kept);
        QCOMPARE(related[*Decision::best(related)].id, edges); // the last edge, seen most often
    }

    // A label and the window's query that contain one another, in any capitals, only name the
    // window. Capitals fold one character at a time, as QString compares them.
    void namesTheWindow_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("named");
        QTest::newRow("query in the label, other capitals") << "invoice.rs"
                                                            << "Review INVOICE.RS rounding" << true;
        QTest::newRow("sharp s is not ss") << "Straße"
                                           << "STRASSE plan" << false;
        QTest::newRow("dotted capital I") << "İstanbul"
                                          << "Visit istanbul" << false;
        QTest::newRow("final sigma") << "ΟΔΟΣ"
                                     << "Η οδος" << true;
        QTest::newRow("a surrogate pair folds whole") << "𐐀bc"
                                                      << "x 𐐨BC" << true;
        QTest::newRow("a lone low half") << QString(QChar(0xDE00)) << "smile 😀" << true;
        QTest::newRow("unrelated") << "invoice.rs"
                                   << "Rotate keys" << false;
    }
    void namesTheWindow()
    {
        QFETCH(QString, query);
        QFETCH(QString, label);
        const QJsonObject edge{{"other_id", 8}, {"other_label", label}, {"other_kind", "task"}, {"other_sources", 3}};
        const WindowContext context{query, "Code · x", {}};
        QTEST(CandidateSearch::readRelations(QJsonObject{{"edges", QJsonArray{edge}}}, context, {}).isEmpty(), "named");
    }

    void texts()
    {
        using namespace InterjectionText;
        // The others are read in the controller's flows.
        QCOMPARE(muted("open_question"), "Stayed quiet · unresolved question is muted");
        QCOMPARE(spokeSearch(0.855, 0.74), "Spoke · 86 relevance cleared the 74 gate");
        QCOMPARE(kicker("commitment"), "VESK · TASK");
        QCOMPARE(kicker("state"), "VESK · MEMORY");
        QCOMPARE(evidence({1, "x", "open_question", 1, 0, {}, {}}, false), "1 source behind this unresolved question.");
        QCOMPARE(evidence({1, "x", "task", 0, 0, {}, {}}, false), "0 sources behind this task.");
        QCOMPARE(cardMetrics(0.7, 1, 2, 0, 0), "1 of 2 today · 70% relevance · No open history yet");
        QCOMPARE(cardMetrics(0.57, 2, 2, 3, 2), "2 of 2 today · 57% relevance · 67% opened"); // rounded, not cut
        QCOMPARE(settingsSummary(Signals{3, 2, 0, 0, {}, {}, {}}, 2),
                 "0 of 2 shown today  ·  67% opened  ·  74% base gate");
    }

    void selfChecks()
    {
        int status = -1;
        const QByteArray out = written([](std::FILE* f) { return runSelfChecks(f); }, &status);
        QCOMPARE(status, 0);
        QCOMPARE(out.count("\n  ok   ") + out.startsWith("  ok   "), 14);
        QVERIFY(out.endsWith("\nall interjection checks passed\n"));
        QVERIFY(out.contains("  ok   a semantic card counts against the cap but not against adoption\n"));

        const QByteArray failed = written(
            [](std::FILE* f) {
                SelfCheckLog log(f);
                log.check("held", true);
                log.check("broken", false);
                return log.finish();
            },
            &status);
        QCOMPARE(status, 1);
        QCOMPARE(failed, "  ok   held\n  FAIL broken\n1 interjection check(s) failed\n");
    }
};

QTEST_GUILESS_MAIN(InterjectionRulesTest)
#include "tst_InterjectionRules.moc"
