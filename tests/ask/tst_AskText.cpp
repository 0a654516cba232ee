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
    // The ages themselves are the date rules'; here only what makes an item dated at all.
    void evidenceWhen_data()
    {
        QTest::addColumn<QJsonValue>("observed");
        QTest::addColumn<QString>("when"); // empty: no time at all
        QTest::newRow("ten minutes") << QJsonValue(double(msAgo(600))) << "10 min ago";
        QTest::newRow("past any date") << QJsonValue(1e300) << "";
        QTest::newRow("past 2100") << QJsonValue(4.2e12) << "";
    }
    void evidenceWhen()
    {
        QFETCH(QJsonValue, observed);
        QFETCH(QString, when);
        const auto got = AskText::evidenceWhen(QJsonObject{{"observed_at_ms", observed}}, now);
        QCOMPARE(got.value_or(QString()), when);
        QCOMPARE(got.has_value(), !when.isEmpty());
    }

    void evidenceLines_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("lines"); // title, detail, meta; empty: no row
        const QString seen = QString::number(msAgo(600));
        QTest::newRow("screen")
            << R"({"frame_id":4,"app_name":"  Firefox ","document_url":"https://a.example/x","observed_at_ms":)" + seen
                + "}"
            << QStringList{"Firefox", "https://a.example/x", "10 min ago  ·  screen evidence  ·  directly cited"};
        QTest::newRow("file url becomes its path")
            << R"({"frame_id":4,"app_name":"Code","document_url":"file:///home/u/notes%20a.md"})"
            << QStringList{"Code", "/home/u/notes a.md", "screen evidence  ·  directly cited"};
        QTest::newRow("context when no url")
            << R"({"frame_id":2,"context":"Terminal — make"})"
            << QStringList{"Unknown application", "Terminal — make", "screen evidence  ·  directly cited"};
        QTest::newRow("agent conversation") << R"({"frame_id":0})"
                                            << QStringList{"Agent conversation", "Conversation context unavailable",
                                                           "agent conversation  ·  directly cited"};
        QTest::newRow("screen without context")
            << R"({"frame_id":9,"app_name":"   "})"
            << QStringList{"Unknown application", "Window context unavailable", "screen evidence  ·  directly cited"};
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
        QCOMPARE(AskText::keptFrameIds(obj(R"({"frame_ids":[2,"5",null,2.5,8]})")), QList<qint64>{});
        QCOMPARE(AskText::keptFrameIds(obj(R"({"frame_ids":"3"})")), QList<qint64>{});
    }

    // One element that makes no row never costs the others, and evidence that makes none leaves
    // the answer to its cited sources.
    void answerSources_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("evidence");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("good evidence among bad")
            << R"({"evidence":[null,{"app_name":"x"},{"frame_id":2,"app_name":"Code"}],"sources":[{"label":"vesk","node_id":4}]})"
            << true << QStringList{"Code"};
        QTest::newRow("no evidence row")
            << R"({"evidence":[{"frame_id":"2"}],"sources":[7,{"label":"vesk","node_id":4},{"label":"no id"}]})"
            << false << QStringList{"vesk"};
        QTest::newRow("nothing") << R"({"evidence":{},"sources":[[]]})" << false << QStringList{};
    }
    void answerSources()
    {
        QFETCH(QString, reply);
        QFETCH(bool, evidence);
        QFETCH(QStringList, titles);
        const AskText::AnswerSources got = AskText::answerSources(obj(reply.toUtf8()), now);
        QCOMPARE(got.evidence, evidence);
        QStringList shown;
        for (const auto& item : got.items)
            shown << item.title;
        for (const auto& node : got.entities)
            shown << node.label;
        QCOMPARE(shown, titles);
    }

    void agentDigest_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QList<int>>("corrected");
        QTest::addColumn<QString>("text"); // empty: nothing to copy
        QTest::addColumn<int>("omitted");
        // Nothing corrected is checked through the window's Copy for agent.
        const QString abc
            = R"({"answer":"You worked on vesk.","claims":[{"text":"A","frame_ids":[1,2]},{"text":""},{"text":"B","frame_ids":[3]},{"text":"C","frame_ids":[0,-1]}])";
        QTest::newRow("B corrected")
            << abc + "}" << QList<int>{2}
            << "Question\nq?\n\nAnswer\n1 corrected claim(s) omitted. Ask Vesk again for an updated answer.\n- A\n- C"
               "\n\nEvidence by claim\n- A — 2 sources\n- C — 0 sources"
            << 1;
        QTest::newRow("sources")
            << R"({"answer":"Yes.","sources":[{"label":"vesk","node_type":"project"},{"label":""},{"label":"Ada","node_type":4}]})"
            << QList<int>{}
            << "Question\nq?\n\nAnswer\nYes.\n\nWhat this answer rests on\n- vesk (project)\n- Ada (memory)" << 0;
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
