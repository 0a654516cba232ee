#include "DemoProcess.h"
#include "RouteFacts.h"

#include <QJsonDocument>

using namespace vesk;

Q_DECLARE_METATYPE(Call)

namespace {

const QStringList forgetCounts{
    "frames:int",     "text_lines:int",          "messages:int",   "sightings:int", "nodes_deleted:int",
    "nodes_kept:int", "kept_sightings_lost:int", "bytes_freed:int"};

QSet<qint64> idsOf(const QJsonObject& reply, const QString& array, const QString& key)
{
    QSet<qint64> out;
    for (const QJsonObject& o : Json::objects(reply, array).value_or(QList<QJsonObject>{}))
        out.insert(Json::integer(o, key).value_or(-1));
    return out;
}

} // namespace

// Every read of the protocol against the real stand-in daemon, through the real client: each
// reply must carry the fields the windows read, with the types they read them as.
class DemoReadsTest : public DemoSuite {
    Q_OBJECT

private Q_SLOTS:
    void everyReadCarriesItsFields_data()
    {
        QTest::addColumn<Call>("op");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("fields");
        const auto row = [](const char* name, Call op, const char* kind, QStringList fields) {
            QTest::newRow(name) << op << QString::fromLatin1(kind) << fields;
        };
        row("hello", [](DaemonClient& c, Completion d) { c.hello(app(), d); }, "hello", {"writable:bool"});
        row("status", [](DaemonClient& c, Completion d) { c.status(app(), d); }, "status",
            {"onboarded:bool",
             "frames:int",
             "nodes:int",
             "pixel_bytes:int",
             "db_bytes:int",
             "capture_paused:bool",
             "injection_enabled:bool",
             "injections_today:int",
             "tiers[].name:string",
             "tiers[].enabled:bool",
             "tiers[].ready:bool",
             "retention_days:int",
             "expired_pixel_frames:int",
             "expired_pixel_bytes:int",
             "next_pixel_expiry_ms:int",
             "screen_recording:bool",
             "accessibility:bool",
             "interjections_enabled:bool",
             "interjections_daily_limit:int",
             "interjections_retry_minutes:int",
             "interjections_reopened:bool",
             "interjections_quiet_start_hour:int",
             "interjections_quiet_end_hour:int"});
        row("ask", [](DaemonClient& c, Completion d) { c.ask("Does the tax ID column need an index?", app(), d); },
            "answer",
            {"answer:string", "claims[].text:string", "claims[].frame_ids:ints", "evidence[].frame_id:int",
             "evidence[].app_name:string", "evidence[].context:string", "evidence[].observed_at_ms:number",
             "sources[].label:string", "sources[].node_id:int", "sources[].node_type:string", "sources[].sources:int"});
        row("search", [](DaemonClient& c, Completion d) { c.search("rounding", 25, app(), d); }, "search",
            {"query_too_short:bool", "nodes[].label:string", "nodes[].node_id:int", "nodes[].node_type:string",
             "nodes[].sources:int", "nodes[].sources_truncated:bool", "nodes[].matched_label:bool",
             "nodes[].score:number"});
        row("why", [](DaemonClient& c, Completion d) { c.why(15, app(), d); }, "why",
            {"label:string", "source_count:int", "first_seen_ms:int", "sources[].frame_id:int",
             "sources[].observed_at_ms:number", "sources[].app_name:string", "sources[].context:string"});
        row("relations", [](DaemonClient& c, Completion d) { c.relations(1, app(), d); }, "relations",
            {"state:string", "total:int", "edges[].edge_id:int", "edges[].other_id:int", "edges[].other_label:string",
             "edges[].other_kind:string", "edges[].other_sources:int", "edges[].phrase:string", "edges[].outgoing:bool",
             "edges[].sightings:int", "edges[].extractor:string"});
        row("relation_evidence", [](DaemonClient& c, Completion d) { c.relationEvidence(4, app(), d); },
            "relation_evidence", {"label:string", "source_frame_ids:ints", "source_count:int"});
        row("frame", [](DaemonClient& c, Completion d) { c.frame(3, app(), d); }, "frame",
            {"app_name:string", "app_bundle_id:string", "window_title:string", "document_url:string",
             "captured_at_ms:number", "expires_at_ms:number", "image_path:string", "lines[].x:number",
             "lines[].y:number", "lines[].w:number", "lines[].h:number", "lines[].text:string"});
        row("frame without pixels", [](DaemonClient& c, Completion d) { c.frame(12, app(), d); }, "frame",
            {"app_name:string", "redaction_reason:string", "lines[].text:string"});
        row("top", [](DaemonClient& c, Completion d) { c.top(200, app(), d); }, "top",
            {"nodes[].label:string", "nodes[].node_id:int", "nodes[].node_type:string", "nodes[].sources:int",
             "nodes[].sources_truncated:bool", "nodes[].aliases:int", "nodes[].score:number",
             "nodes[].last_seen_ms:int"});
        row("proposals", [](DaemonClient& c, Completion d) { c.proposals(500, app(), d); }, "proposals",
            {"proposals[].id:int", "proposals[].a_id:int", "proposals[].b_id:int", "proposals[].a_label:string",
             "proposals[].b_label:string", "proposals[].a_sources:int", "proposals[].b_sources:int",
             "proposals[].method:string"});
        row(
            "forget_entity_preview", [](DaemonClient& c, Completion d) { c.forgetEntityPreview(15, app(), d); },
            "forget_entity_preview", forgetCounts);
        row("profile", [](DaemonClient& c, Completion d) { c.profile(app(), d); }, "profile",
            {"body:string", "cited:int", "uncited_dropped:int"});
        row("recent_deliveries", [](DaemonClient& c, Completion d) { c.recentDeliveries(8, app(), d); }, "deliveries",
            {"deliveries:arrays"});
        row("inspect_context_package",
            [](DaemonClient& c, Completion d) { c.inspectContextPackage("pkg-7f3a", app(), d); }, "context_package",
            {"package_id:string", "created_at_ms:number", "node_ids:ints", "state_ids:ints", "frame_ids:ints",
             "message_ids:ints", "sighting_ids:ints", "contradiction_ids:ints", "transition_ids:ints", "token_cost:int",
             "omissions:arrays", "policy_version:string"});
        row("connections", [](DaemonClient& c, Completion d) { c.connections(app(), d); }, "connections",
            {"clis[].name:string", "clis[].detected:bool", "clis[].registered:bool"});
        row("app_blocks", [](DaemonClient& c, Completion d) { c.appBlocks(app(), d); }, "app_blocks",
            {"rules[].id:int", "rules[].bundle_id:string"});
        row("website_blocks", [](DaemonClient& c, Completion d) { c.websiteBlocks(app(), d); }, "website_blocks",
            {"rules[].id:int", "rules[].host:string"});
        row("window_title_blocks", [](DaemonClient& c, Completion d) { c.windowTitleBlocks(app(), d); },
            "window_title_blocks", {"rules[].id:int", "rules[].phrase:string"});
        row(
            "forget_rule_preview",
            [](DaemonClient& c, Completion d) { c.forgetRulePreview("url_host", "github.com", app(), d); },
            "rule_forget", forgetCounts + QStringList{"applied:bool"});
        row(
            "forget_app_preview",
            [](DaemonClient& c, Completion d) { c.forgetAppPreview("org.mozilla.firefox", app(), d); },
            "app_forget_preview", forgetCounts);
        row("interjection_signals", [](DaemonClient& c, Completion d) { c.interjectionSignals(app(), d); },
            "interjection_signals",
            {"counts:arrays", "shown_today:int", "stances:arrays", "held_back[].node_id:int",
             "held_back[].item_kind:string", "held_back[].label:string", "held_back[].sources:int",
             "held_back[].confidence:number"});
        row("route_delivery",
            [](DaemonClient& c, Completion d) { c.routeDelivery(*routeDeliveryPayload({}), app(), d); }, "route",
            {"route:string", "reason:string"});
    }

    void everyReadCarriesItsFields()
    {
        QFETCH(Call, op);
        QFETCH(QString, kind);
        QFETCH(QStringList, fields);
        const std::optional<Reply> reply = call(*client, op);
        QVERIFY2(reply, "no completion");
        QVERIFY2(*reply, "the daemon refused or the reply did not decode");
        QCOMPARE(Json::kind(**reply).value_or(QString()), kind);
        const QString wrong = missingFields(**reply, fields);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong + " in " + QJsonDocument(**reply).toJson(QJsonDocument::Compact)));
    }

    void numbersAgreeAcrossReads()
    {
        // The counts one window shows must match what another read lists.
        const Reply status = *call(*client, [](DaemonClient& c, Completion d) { c.status(app(), d); });
        const Reply top = *call(*client, [](DaemonClient& c, Completion d) { c.top(1000, app(), d); });
        const Reply proposals = *call(*client, [](DaemonClient& c, Completion d) { c.proposals(500, app(), d); });
        const Reply why = *call(*client, [](DaemonClient& c, Completion d) { c.why(15, app(), d); });
        QVERIFY(status && top && proposals && why);
        QCOMPARE(Json::objects(*top, u"nodes")->size(), Json::integer(*status, u"nodes").value());
        QVERIFY2(Json::objects(*proposals, u"proposals")->size() > 25, "the inbox must reach its \"first 25\" path");
        QCOMPARE(Json::objects(*why, u"sources")->size(), Json::integer(*why, u"source_count").value());
        // Pixels past retention are counted as expired until deleted.
        QVERIFY(Json::integer(*status, u"expired_pixel_frames").value() >= 1);
        QVERIFY(Json::integer(*status, u"expired_pixel_bytes").value() > 0);
    }

    void frameBoxesLieOnThePicture()
    {
        const Reply frame = *call(*client, [](DaemonClient& c, Completion d) { c.frame(4, app(), d); });
        QVERIFY(frame);
        QImage image(Json::string(*frame, u"image_path").value());
        QVERIFY(!image.isNull());
        const QList<QJsonObject> lines = Json::objects(*frame, u"lines").value();
        QVERIFY(!lines.isEmpty());
        for (const QJsonObject& line : lines) {
            const QRectF box(line.value("x").toDouble() * image.width(), line.value("y").toDouble() * image.height(),
                             line.value("w").toDouble() * image.width(), line.value("h").toDouble() * image.height());
            QVERIFY(QRectF(image.rect()).contains(box));
            // The words were painted inside their box: it holds pixels that differ from the background.
            const QColor ground = image.pixelColor(image.width() - 1, image.height() - 1);
            bool inked = false;
            for (int x = int(box.left()); x < int(box.right()) && !inked; x += 2)
                inked = image.pixelColor(x, int(box.center().y())) != ground;
            QVERIFY2(inked, qPrintable(line.value("text").toString()));
        }
    }

    void askAnswersFromItsOwnSearch()
    {
        const Reply answer = *call(
            *client, [](DaemonClient& c, Completion d) { c.ask("Does the tax ID column need an index?", app(), d); });
        QVERIFY(answer);
        const QList<QJsonObject> claims = Json::objects(*answer, u"claims").value();
        // One claim offers two readings of its evidence, each quoting a line of its own frame.
        const auto withAlternatives = std::find_if(claims.begin(), claims.end(), [](const QJsonObject& c) {
            return Json::objects(c, u"alternatives").value_or(QList<QJsonObject>{}).size() == 2;
        });
        QVERIFY(withAlternatives != claims.end());
        const QList<QJsonObject> alternatives = Json::objects(*withAlternatives, u"alternatives").value();
        for (const QJsonObject& alt : alternatives) {
            const Reply frame = *call(
                *client, [&](DaemonClient& c, Completion d) { c.frame(*Json::integer(alt, u"frame_id"), app(), d); });
            QVERIFY(frame);
            const QList<QJsonObject> lines = Json::objects(*frame, u"lines").value();
            QVERIFY(std::any_of(lines.begin(), lines.end(),
                                [&](const QJsonObject& l) { return l.value("text") == alt.value("quote"); }));
        }
        // Every cited frame really mentions the question's subject.
        for (qint64 id : idsOf(*answer, "evidence", "frame_id")) {
            if (id < 1)
                continue;
            const Reply frame = *call(*client, [id](DaemonClient& c, Completion d) { c.frame(id, app(), d); });
            QVERIFY(QJsonDocument(*frame).toJson().toLower().contains("tax"));
        }
        const Reply nothing
            = *call(*client, [](DaemonClient& c, Completion d) { c.ask("zeppelin maintenance schedule", app(), d); });
        QVERIFY(nothing);
        QVERIFY(!Json::nonEmptyString(*nothing, u"failure_code"));
        QVERIFY(Json::nonEmptyString(*nothing, u"answer"));
        QVERIFY(Json::objects(*nothing, u"claims")->isEmpty());
        QVERIFY(Json::objects(*nothing, u"evidence")->isEmpty());
    }

    void searchRanksNamesAboveCompany_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<bool>("tooShort");
        QTest::newRow("file name from a window title") << "invoice.rs" << qint64(15) << false;
        QTest::newRow("person, any letter case") << "priya natarajan" << qint64(4) << false;
        QTest::newRow("two letters") << "ab" << qint64(-1) << true;
        QTest::newRow("nothing seen") << "zeppelin" << qint64(-1) << false;
    }

    void searchRanksNamesAboveCompany()
    {
        QFETCH(QString, query);
        QFETCH(qint64, first);
        QFETCH(bool, tooShort);
        const Reply reply = *call(*client, [&](DaemonClient& c, Completion d) { c.search(query, 25, app(), d); });
        QVERIFY(reply);
        QCOMPARE(Json::boolean(*reply, u"query_too_short").value_or(false), tooShort);
        const QList<QJsonObject> nodes = Json::objects(*reply, u"nodes").value_or(QList<QJsonObject>{});
        if (first < 0) {
            QVERIFY(nodes.isEmpty());
            return;
        }
        QCOMPARE(Json::integer(nodes.first(), u"node_id").value(), first);
        QVERIFY(Json::boolean(nodes.first(), u"matched_label").value());
        QVERIFY(std::any_of(nodes.begin(), nodes.end(),
                            [](const QJsonObject& n) { return !Json::boolean(n, u"matched_label").value(); }));
    }
};

QTEST_GUILESS_MAIN(DemoReadsTest)
#include "DemoReadsTest.moc"
