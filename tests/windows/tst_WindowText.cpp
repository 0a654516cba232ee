// The words of the data and privacy windows, read from daemon replies, and the setup guide's
// words for the shortcut's keys.
#include "DataText.h"
#include "OnboardingText.h"
#include "PrivacyText.h"
#include "SafeText.h"

#include <QJsonDocument>
#include <QTest>

using namespace vesk;

namespace {

Reply reply(const QByteArray& json)
{
    if (json.isEmpty())
        return std::nullopt;
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class WindowTextTest : public QObject {
    Q_OBJECT
private slots:
    void storage_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("storage");
        QTest::addColumn<QString>("retention");
        QTest::addColumn<qint64>("expiredFrames");

        QTest::newRow("1 MB, no database size, nothing waiting")
            << QByteArray(R"({"pixel_bytes":1048576,"frames":3,"nodes":2,"retention_days":7})")
            << "Screenshots  1 MB of 5120 MB\nDatabase     unavailable\n3 frames, 2 entities"
            << "Screenshot pixels are retained for 7 days. There are no stored screenshot pixels waiting to expire."
            << qint64(0);
        QTest::newRow("a negative size; one expired hides the next date")
            << QByteArray(R"({"pixel_bytes":-1,"db_bytes":3145728,"retention_days":5,"expired_pixel_frames":1,
                             "expired_pixel_bytes":2048,"next_pixel_expiry_ms":1772460300000})")
            << "Screenshots  unavailable\nDatabase     3 MB, uncapped\n0 frames, 0 entities"
            << "Screenshot pixels are retained for 5 days. 1 screenshot payload is expired now." << qint64(1);
        QTest::newRow("two expired, read as numbers")
            << QByteArray(R"({"pixel_bytes":0,"db_bytes":0,"retention_days":5.0,"expired_pixel_frames":2.0})")
            << "Screenshots  0 MB of 5120 MB\nDatabase     0 MB, uncapped\n0 frames, 0 entities"
            << "Screenshot pixels are retained for 5 days. 2 screenshot payloads are expired now." << qint64(2);
        QTest::newRow("counts below zero and an expiry out of range")
            << QByteArray(R"({"frames":-5,"nodes":-1,"retention_days":-3,"next_pixel_expiry_ms":1e15})")
            << "Screenshots  unavailable\nDatabase     unavailable\nframes unavailable, entities unavailable"
            << "How long screenshot pixels are retained is unavailable. When the next screenshot pixels expire is "
               "unknown."
            << qint64(0);
        QTest::newRow("the next expiry, a mistyped retention")
            << QByteArray(R"({"retention_days":"7","next_pixel_expiry_ms":1772460300000})")
            << "Screenshots  unavailable\nDatabase     unavailable\n0 frames, 0 entities"
            << "Screenshot pixels are retained for 0 days. The next screenshot pixels expire Mar 2, 2026, 2:05 PM."
            << qint64(0);
    }
    void storage()
    {
        QFETCH(QByteArray, status);
        const DataText::Storage read = DataText::storage(*reply(status));
        QTEST(read.storage, "storage");
        QTEST(QString(read.retention).replace(QChar(0x202F), QLatin1Char(' ')), "retention");
        QTEST(read.expiredFrames.value_or(-1), "expiredFrames");
    }

    void deletion_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");

        QTest::newRow("one payload") << QByteArray(
            R"({"kind":"expired_pixels_deleted","frames":1,"bytes_freed":524288})")
                                     << true << "Expired pixels deleted."
                                     << "1 screenshot payload removed; 0.5 MB freed. Extracted text and memory were "
                                        "kept.";
        QTest::newRow("no answer") << QByteArray() << false << "Could not delete expired pixels."
                                   << "The daemon did not answer.";
        QTest::newRow("refused without a reason")
            << QByteArray("refused") << false << "Could not delete expired pixels."
            << "The daemon refused without giving a reason.";
        QTest::newRow("never reached") << QByteArray("unreachable") << false << "Could not delete expired pixels."
                                       << "Vesk could not reach the daemon, so nothing was asked.";
        QTest::newRow("unreadable") << QByteArray("malformed") << false << "Could not delete expired pixels."
                                    << "The daemon's reply could not be read.";
    }
    void deletion()
    {
        QFETCH(QByteArray, answer);
        const QMap<QByteArray, Failure> failures{
            {"refused", Failure::refused}, {"unreachable", Failure::unreachable}, {"malformed", Failure::malformed}};
        const DataText::Outcome outcome
            = DataText::deletion(failures.contains(answer) ? Reply::failed(failures.value(answer)) : reply(answer));
        QTEST(outcome.deleted, "deleted");
        QTEST(outcome.title, "title");
        QTEST(outcome.text, "text");
    }

    void deleteQuestion()
    {
        QVERIFY(DataText::deleteQuestion(1, 1572864).startsWith("1 expired screenshot payload (about 1.5 MB) will"));
        QVERIFY(DataText::deleteQuestion(5, 0).startsWith("5 expired screenshot payloads (about 0.0 MB)"));
        QVERIFY(
            DataText::deleteQuestion(5, std::nullopt).startsWith("5 expired screenshot payloads (size unavailable)"));
    }

    void handoffs_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QStringList>("afterTime"); // each summary after its time

        QTest::newRow("a numeric id is skipped, missing positions default")
            << QByteArray(R"({"deliveries":[[5,"agent",0,"v",10,1,0],["p1","human",1772460300000,"v",1200,1,0],
                                             ["p2"],{"id":"p3"},["p4","agent",0,"v",1,2,3.0]]})")
            << QStringList{"p1", "p2", "p4"}
            << QStringList{"to you\n1 evidence reference · 1200 tokens  ·  0 left out",
                           "to unknown\n0 evidence references · 0 tokens  ·  0 left out",
                           "to an agent\n2 evidence references · 1 token  ·  3 left out"};
        QTest::newRow("counts below zero, a time out of range")
            << QByteArray(R"({"deliveries":[["p6","agent",0,"v",-3,-1,-2],[7],"p8"]})") << QStringList{"p6"}
            << QStringList{"to an agent\nevidence references unavailable · tokens unavailable  ·  what was left out "
                           "is unavailable"};
        QTest::newRow("none sent") << QByteArray(R"({"deliveries":[]})") << QStringList() << QStringList();
    }
    void handoffs()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, afterTime);
        const auto rows = DataText::handoffs(reply(answer));
        QVERIFY(rows);
        QStringList ids, lines;
        for (const DataText::Handoff& h : *rows) {
            ids << h.packageId;
            lines << DataText::deliveryLine(h).section("  ", 1);
        }
        QTEST(ids, "ids");
        QCOMPARE(lines, afterTime);
        if (QByteArray(QTest::currentDataTag()).contains("out of range"))
            QVERIFY(DataText::deliveryLine(rows->first()).startsWith("Unknown time  to"));
    }

    // A recipient or name of any length takes one line: the counts stay on theirs.
    void longNamesAreCut()
    {
        const QString huge(1024 * 1024, QLatin1Char('r'));
        const QString line = DataText::deliveryLine({"p", huge, std::nullopt, 1, 2, 3});
        QVERIFY(line.endsWith("  to " + huge.left(200) + "…\n2 evidence references · 1 token  ·  3 left out"));
        QCOMPARE(DataText::connectionLine({huge, false, false, {}}), huge.left(200) + "…   ·   not installed");
        QVERIFY(
            DataText::packageDetail(QJsonObject{{"package_id", huge}}).endsWith("ID       " + huge.left(200) + "…"));
    }

    // Nothing but wrong elements is a failed read, never an empty list.
    void unreadableLists()
    {
        QVERIFY(!DataText::handoffs(std::nullopt));
        QVERIFY(!DataText::handoffs(reply(R"({"deliveries":{"p1":[]}})")));
        QVERIFY(!DataText::handoffs(reply(R"({"deliveries":[1,"p2",[3]]})")));
        QVERIFY(!AgentConnection::read(reply(R"({"clis":[1,"Codex"]})")));
        QVERIFY(!PrivacyText::rules(reply(R"({"rules":[1,"x",{"id":2}]})"), PrivacyText::Mode::websites));
    }

    void packageDetail_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QString>("detail");

        QTest::newRow("two screens and a message")
            << QByteArray(R"({"package_id":"pkg-7","frame_ids":[1,2],"message_ids":[3],"token_cost":1200,
                             "policy_version":"v3"})")
            << "Referenced  2 screens, 1 message\nCost     1200 tokens\nPolicy   v3\nID       pkg-7";
        QTest::newRow("entities, changes, omissions")
            << QByteArray(R"({"package_id":"p","node_ids":[1,2],"state_ids":"x","contradiction_ids":[9],
                             "transition_ids":[1,2],"omissions":[["policy",3],["quota",1],[4,"budget"],["stale"]]})")
            << "Referenced  2 entities, 1 contradiction\nDelivered changes  2\nCost     0 tokens\nLeft out\n"
               "  3 left out — a rule said not to send it\n  1 left out — quota\nPolicy   unknown\nID       p";
        QTest::newRow("a time out of range, counts below zero")
            << QByteArray(R"({"package_id":"p","created_at_ms":-9e15,"token_cost":-5,"omissions":[["policy",-3]]})")
            << "Built unknown\nReferenced  nothing\nCost     unavailable\nLeft out\n  unavailable left out — a rule "
               "said not to send it\nPolicy   unknown\nID       p";
        QTest::newRow("nothing referenced") << QByteArray(R"({"package_id":"p","omissions":[],"transition_ids":[]})")
                                            << "Referenced  nothing\nCost     0 tokens\nPolicy   unknown\nID       p";
    }
    void packageDetail()
    {
        QFETCH(QByteArray, package);
        QTEST(DataText::packageDetail(*reply(package)), "detail");
    }

    void connections()
    {
        const auto tools = AgentConnection::read(reply(R"({"clis":[
            {"name":"Claude Code","detected":true,"registered":true,"command":"claude mcp add"},
            {"name":"Codex","detected":true,"registered":false,"command":"codex mcp add"},
            {"name":"Aider","detected":true,"registered":false},
            {"name":"Goose","detected":true,"command":""},
            {"detected":"yes","command":"gemini add"}, 7]})"));
        QVERIFY(tools);
        QStringList lines;
        QList<bool> commands;
        for (const AgentConnection& c : *tools) {
            lines << DataText::connectionLine(c);
            commands << c.connectable();
        }
        QCOMPARE(lines,
                 QStringList({"Claude Code   ·   connected", "Codex   ·   installed, not connected",
                              "Aider   ·   installed — Vesk does not speak to it yet",
                              "Goose   ·   installed — Vesk does not speak to it yet", "?   ·   not installed"}));
        QCOMPARE(commands, QList<bool>({false, true, false, false, false}));
        QVERIFY(!AgentConnection::read(reply(R"({"kind":"connections"})")));
    }

    void profile_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("meta");
        QTest::addColumn<bool>("failed");
        const QString written = "Vesk already recognises, and nothing else. Forget any one of them and this "
                                "paragraph goes with it.";
        QTest::newRow("one sentence dropped")
            << QByteArray(R"({"body":"You work on Harbor.","cited":3,"uncited_dropped":1})") << "You work on Harbor."
            << "Written from 3 things " + written
                + "\n1 sentence was thrown away for claiming something Vesk had never seen."
            << false;
        QTest::newRow("one thing, two dropped") << QByteArray(R"({"body":"B","cited":1,"uncited_dropped":2})") << "B"
                                                << "Written from 1 thing " + written
                + "\n2 sentences were thrown away for claiming something Vesk had never seen."
                                                << false;
        QTest::newRow("counts below zero") << QByteArray(R"({"body":"B","cited":-3,"uncited_dropped":-1})") << "B"
                                           << "Written from things " + written << false;
        QTest::newRow("empty body") << QByteArray(R"({"body":"","cited":4})")
                                    << "Nothing yet. Vesk writes this from what it already recognises, a few times a "
                                       "day."
                                    << "" << false;
        QTest::newRow("no answer") << QByteArray() << "Vesk is not reachable, so it cannot show this."
                                   << "This is a failed read, not an empty profile." << true;
    }
    void profile()
    {
        QFETCH(QByteArray, answer);
        const DataText::Profile read = DataText::profile(reply(answer));
        QTEST(read.body, "body");
        QTEST(read.meta, "meta");
        QTEST(read.failed, "failed");
    }

    void rules_data()
    {
        QTest::addColumn<int>("segment");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QList<qint64>>("ids");
        QTest::addColumn<QStringList>("values");

        QTest::newRow("applications: no id, a numeric value skipped")
            << 0 << QByteArray(R"({"rules":[{"id":4,"bundle_id":"org.mozilla.firefox"},{"bundle_id":"x"},
                                       {"id":5,"bundle_id":7},{"id":6.0,"bundle_id":"code"},"y"]})")
            << true << QList<qint64>{4, 6} << QStringList{"org.mozilla.firefox", "code"};
        QTest::newRow("websites read their host") << 1 << QByteArray(R"({"rules":[{"id":2,"host":"bank.example.com"},
                                                                            {"id":3,"phrase":"Payroll"}]})")
                                                  << true << QList<qint64>{2} << QStringList{"bank.example.com"};
        QTest::newRow("an unknown segment reads applications: website rules are no list of them")
            << 7 << QByteArray(R"({"rules":[{"id":1,"host":"a.com"}]})") << false << QList<qint64>{} << QStringList{};
        QTest::newRow("no rules array is a failure")
            << 2 << QByteArray(R"({"kind":"window_title_blocks"})") << false << QList<qint64>{} << QStringList{};
        QTest::newRow("no answer") << 2 << QByteArray() << false << QList<qint64>{} << QStringList{};
    }
    void rules()
    {
        QFETCH(int, segment);
        QFETCH(QByteArray, answer);
        QFETCH(bool, read);
        const auto rules = PrivacyText::rules(reply(answer), PrivacyText::modeOf(segment));
        QCOMPARE(rules.has_value(), read);
        QList<qint64> ids;
        QStringList values;
        for (const PrivacyText::Rule& r : rules.value_or(QList<PrivacyText::Rule>())) {
            ids << r.id;
            values << r.value;
        }
        QTEST(ids, "ids");
        QTEST(values, "values");
    }

    void forgetText_data()
    {
        QTest::addColumn<QByteArray>("preview");
        QTest::addColumn<QString>("closing");
        QTest::addColumn<QString>("text");
        QTest::newRow("one of each, -5 bytes shown as zero")
            << QByteArray(
                   R"({"kind":"rule_forget","frames":1,"bytes_freed":-5,"text_lines":1,"sightings":1,"nodes_deleted":1,
                             "nodes_kept":1,"kept_sightings_lost":1})")
            << PrivacyText::ruleClosing
            << "This irreversibly deletes 1 screenshot record and pixels (0 bytes), 1 extracted text line, and 1 "
               "memory sighting.\n\n1 memory item will be deleted. 1 item will remain but lose 1 sighting. This "
               "cannot be undone.";
        QTest::newRow("plurals, an application") << QByteArray(
            R"({"kind":"rule_forget","frames":2,"bytes_freed":1500000,"text_lines":14,"sightings":3.0,"nodes_kept":2})")
                                                 << PrivacyText::appClosing
                                                 << "This irreversibly deletes 2 screenshot records and pixels (1.5 "
                                                    "MB), 14 extracted text lines, and 3 "
                                                    "memory sightings.\n\n0 memory items will be deleted. 2 items will "
                                                    "remain but lose 0 sightings. Other "
                                                    "applications and agent conversations are not included. This "
                                                    "cannot be undone.";
    }
    void forgetText_negative()
    {
        QVERIFY(
            PrivacyText::forgetText(*PrivacyText::forgetPreview(
                                        reply(R"({"kind":"rule_forget","frames":-5,"text_lines":-1})"), u"rule_forget"),
                                    PrivacyText::ruleClosing)
                .startsWith("This irreversibly deletes screenshot records unavailable and pixels (0 bytes), "
                            "extracted text lines unavailable, and 0 memory sightings."));
    }
    void forgetText()
    {
        QFETCH(QByteArray, preview);
        QFETCH(QString, closing);
        QTEST(PrivacyText::forgetText(*PrivacyText::forgetPreview(reply(preview), u"rule_forget"), closing), "text");
    }

    void websitesSayWhatThisDesktopNeeds()
    {
        const QString need = "X11 asks for no grant: window titles come from the window manager.";
        QCOMPARE(PrivacyText::explanation(PrivacyText::Mode::websites, need),
                 "A website rule includes its subdomains. Vesk stores only the hostname. The website is read from the "
                 "browser's window title. "
                     + need);
        QCOMPARE(PrivacyText::explanation(PrivacyText::Mode::windowTitles, need),
                 PrivacyText::copy(PrivacyText::Mode::windowTitles).explanation);
    }

    void shortcutPage_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("Alt+Space") << "Alt+Space"
                                   << QStringList{"Press Alt+Space to ask about your work.", "Alt  +  Space",
                                                  "Hold Alt, then press Space."};
        QTest::newRow("three keys") << "Ctrl+Shift+Super+K"
                                    << QStringList{"Press Ctrl+Shift+Super+K to ask about your work.",
                                                   "Ctrl  +  Shift  +  Super  +  K",
                                                   "Hold Ctrl, Shift and Super, then press K."};
        QTest::newRow("a key alone") << "F12" << QStringList{"Press F12 to ask about your work.", "F12", "Press F12."};
    }
    void shortcutPage()
    {
        QFETCH(QString, keys);
        const KeyChord chord = *KeyChord::parse(keys);
        QTEST((QStringList{OnboardingText::shortcutLead(chord), OnboardingText::shortcutKeys(chord),
                           OnboardingText::shortcutHold(chord)}),
              "words");
    }
};

QTEST_GUILESS_MAIN(WindowTextTest)
#include "tst_WindowText.moc"
