#include "AskText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

using namespace vesk;

namespace {

QJsonObject obj(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

const QDateTime now(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC);

qint64 msAgo(double seconds)
{
    return now.toMSecsSinceEpoch() - static_cast<qint64>(seconds * 1000);
}

} // namespace

class AskTextTest : public QObject {
    Q_OBJECT
private slots:
    void sourcePhrase_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("one") << R"({"sources":1})" << "1 source";
        QTest::newRow("zero") << R"({"sources":0})" << "0 sources";
        QTest::newRow("truncated") << R"({"sources":5,"sources_truncated":true})" << "at least 5 sources";
        QTest::newRow("empty") << "{}" << "0 sources";
        QTest::newRow("wrong type counts as absent") << R"({"sources":"7"})" << "0 sources";
        QTest::newRow("fraction read as an integer") << R"({"sources":2.9})" << "2 sources";
    }
    void sourcePhrase()
    {
        QFETCH(QString, item);
        QFETCH(QString, phrase);
        QCOMPARE(AskText::sourcePhrase(obj(item.toUtf8())), phrase);
    }

    // The boundaries themselves are checked through the window with the test clock.
    void evidenceWhen_data()
    {
        QTest::addColumn<QJsonValue>("observed");
        QTest::addColumn<QString>("when"); // empty: no time at all
        QTest::newRow("59 min 59 s") << QJsonValue(double(msAgo(3599))) << "59 min ago";
        QTest::newRow("3 days") << QJsonValue(double(msAgo(3 * 86400))) << "February 27";
        QTest::newRow("future") << QJsonValue(double(msAgo(-600))) << "just now";
        QTest::newRow("zero") << QJsonValue(0) << "";
        QTest::newRow("negative") << QJsonValue(-5) << "";
        QTest::newRow("string") << QJsonValue("1772460300000") << "";
    }
    void evidenceWhen()
    {
        QFETCH(QJsonValue, observed);
        QFETCH(QString, when);
        const auto got = AskText::evidenceWhen(QJsonObject{{"observed_at_ms", observed}}, now);
        QCOMPARE(got.value_or(QString()), when);
        QCOMPARE(got.has_value(), !when.isEmpty());
    }

    // The window test covers one of each; these are the readings around them.
    void readiness_data()
    {
        QTest::addColumn<QString>("reply"); // empty: no reply
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ready"); // -1 keeps the button as it is
        QTest::newRow("many") << R"({"kind":"status","frames":1200,"nodes":35.5})"
                              << "Ready on this Mac: 1200 screenshots and 35 searchable memory items." << 1;
        QTest::newRow("building") << R"({"kind":"status","frames":1,"nodes":0})"
                                  << "Vesk is building local memory. 1 screenshot captured; no searchable memory items "
                                     "are ready yet. Leave Vesk running and try again shortly."
                                  << 0;
        QTest::newRow("counts absent") << R"({"kind":"status"})"
                                       << "Vesk is building local memory. 0 screenshots captured; no searchable memory "
                                          "items are ready yet. Leave Vesk running and try again shortly."
                                       << 0;
        QTest::newRow("other kind") << R"({"kind":"hello","nodes":4})"
                                    << "Vesk is not reachable yet. Your setup is saved; try again shortly." << -1;
    }
    void readiness()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text);
        QFETCH(int, ready);
        const auto got = AskText::readiness(reply.isEmpty() ? std::nullopt : std::optional(obj(reply.toUtf8())));
        QCOMPARE(got.text, text);
        QCOMPARE(got.askReady.has_value() ? int(*got.askReady) : -1, ready);
    }

    void evidenceLines_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("lines"); // title, detail, meta; empty: no row
        const QString seen = QString::number(msAgo(600));
        QTest::newRow("screen") << R"({"frame_id":4,"app_name":"  Firefox ","document_url":"https://a.example/x","observed_at_ms":)"
                                       + seen + "}"
                                << QStringList{"Firefox", "https://a.example/x",
                                               "10 min ago  ·  screen evidence  ·  directly cited"};
        QTest::newRow("file url becomes its path")
            << R"({"frame_id":4,"app_name":"Code","document_url":"file:///home/u/notes%20a.md"})"
            << QStringList{"Code", "/home/u/notes a.md", "screen evidence  ·  directly cited"};
        QTest::newRow("context when no url") << R"({"frame_id":2,"context":"Terminal — make"})"
                                             << QStringList{"Unknown application", "Terminal — make",
                                                            "screen evidence  ·  directly cited"};
        QTest::newRow("agent conversation") << R"({"frame_id":0})"
                                            << QStringList{"Agent conversation", "Conversation context unavailable",
                                                           "agent conversation  ·  directly cited"};
        QTest::newRow("screen without context") << R"({"frame_id":9,"app_name":"   "})"
                                                << QStringList{"Unknown application", "Window context unavailable",
                                                               "screen evidence  ·  directly cited"};
        QTest::newRow("no frame id") << R"({"app_name":"Firefox"})" << QStringList{};
        QTest::newRow("frame id not a number") << R"({"frame_id":"4"})" << QStringList{};
    }
    void evidenceLines()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, lines);
        const auto got = AskText::evidenceLines(obj(item.toUtf8()), now);
        QCOMPARE(got.has_value(), !lines.isEmpty());
        if (got)
            QCOMPARE((QStringList{got->title, got->detail, got->meta}), lines);
    }

    // [0,3,-1,7] is checked through the window's answer.
    void keptFrameIds()
    {
        QCOMPARE(AskText::keptFrameIds(obj(R"({"frame_ids":[2,"5",null,2.5,8]})")), (QList<qint64>{2, 8}));
        QCOMPARE(AskText::keptFrameIds(obj(R"({"frame_ids":"3"})")), QList<qint64>{});
    }

    void groupSources()
    {
        const auto at = [](int h, int m) {
            return double(QDateTime(QDate(2026, 3, 2), QTime(h, m), Qt::LocalTime).toMSecsSinceEpoch());
        };
        QList<QJsonObject> records{
            {{"observed_at_ms", at(10, 5)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 1}},
            {{"observed_at_ms", at(10, 50)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 3}},
            {{"observed_at_ms", at(10, 20)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 2}},
            {{"observed_at_ms", at(11, 5)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 4}},
            {{"observed_at_ms", at(11, 6)}, {"app_bundle_id", "org.agent"}, {"frame_id", 0}},
        };
        const auto groups = AskText::groupSources(records);
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups[0].count, 3);
        QCOMPARE(groups[0].anchor, 3); // the newest record, not the last one
        QCOMPARE(AskText::groupHeadline(groups[0]), "Mar 2, 10:50    Firefox   ×3");
        QCOMPARE(AskText::groupHeadline(groups[1]), "Mar 2, 11:05    Firefox");
        QCOMPARE(groups[2].app, "org.agent");
        QCOMPARE(groups[2].detail, std::nullopt);
        QCOMPARE(groups[2].anchor, 0);

        QList<QJsonObject> many;
        for (int i = 0; i < 45; ++i)
            many << QJsonObject{{"observed_at_ms", at(9, 0)}, {"app_name", QString("App %1").arg(i)}};
        QCOMPARE(AskText::groupSources(many).size(), 45);
    }

    void agentDigest_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QList<int>>("corrected");
        QTest::addColumn<QString>("text"); // empty: nothing to copy
        QTest::addColumn<int>("omitted");
        // Nothing corrected is checked through the window's Copy for agent.
        const QString abc = R"({"answer":"You worked on vesk.","claims":[{"text":"A","frame_ids":[1,2]},{"text":""},{"text":"B","frame_ids":[3]},{"text":"C","frame_ids":[0,-1]}])";
        QTest::newRow("B corrected")
            << abc + "}" << QList<int>{2}
            << "Question\nq?\n\nAnswer\n1 corrected claim(s) omitted. Ask Vesk again for an updated answer.\n- A\n- C"
               "\n\nEvidence by claim\n- A — 2 sources\n- C — 0 sources"
            << 1;
        QTest::newRow("sources")
            << R"({"answer":"Yes.","sources":[{"label":"vesk","node_type":"project"},{"label":""},{"label":"Ada","node_type":4}]})"
            << QList<int>{} << "Question\nq?\n\nAnswer\nYes.\n\nWhat this answer rests on\n- vesk (project)\n- Ada (memory)"
            << 0;
        QTest::newRow("empty answer") << R"({"answer":"","claims":[{"text":"A"}]})" << QList<int>{} << "" << 0;
        QTest::newRow("no answer") << R"({"claims":[{"text":"A"}]})" << QList<int>{} << "" << 0;
    }
    void agentDigest()
    {
        QFETCH(QString, reply);
        QFETCH(QList<int>, corrected);
        QFETCH(QString, text);
        QFETCH(int, omitted);
        const auto got = AskText::agentDigest("q?", obj(reply.toUtf8()), QSet<int>(corrected.begin(), corrected.end()));
        QCOMPARE(got.has_value(), !text.isEmpty());
        if (got) {
            QCOMPARE(got->text, text);
            QCOMPARE(got->omitted, omitted);
        }
    }
};

QTEST_GUILESS_MAIN(AskTextTest)
#include "tst_AskText.moc"
