#include "AskText.h"
#include "EntityText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRectF>
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
        QTest::newRow("zero") << QJsonValue(0) << "";
        QTest::newRow("negative") << QJsonValue(-5) << "";
        QTest::newRow("string") << QJsonValue("1772460300000") << "";
        QTest::newRow("past any date") << QJsonValue(1e300) << "";
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
        QCOMPARE(AskText::keptFrameIds(obj(R"({"frame_ids":[2,"5",null,2.5,8]})")), (QList<qint64>{2, 8}));
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

    // Entity pages, frames and the inbox.
    // A relation row reads in the direction of the relation and says who recorded it.
    void relationLines_data()
    {
        QTest::addColumn<QByteArray>("edge");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("provenance");
        QTest::newRow("model") << QByteArray(
            R"({"other_label":"Priya","phrase":"reviewed by","sightings":1,"extractor":"relation-v2"})")
                               << "reviewed by Priya"
                               << "1 observation  ·  read from screen text by a model";
        QTest::newRow("incoming from the page") << QByteArray(
            R"({"other_label":"PR 318","phrase":"fixes","outgoing":false,"sightings":3,"extractor":"ax-link"})")
                                                << "PR 318 fixes this"
                                                << "3 observations  ·  derived from the page itself, not guessed";
        QTest::newRow("other extractor") << QByteArray(R"({"other_label":"x","phrase":"p","extractor":"git"})") << "p x"
                                         << "0 observations  ·  recorded by git";
        QTest::newRow("no extractor") << QByteArray(R"({"other_label":"x","phrase":"p","sightings":"2"})") << "p x"
                                      << "0 observations  ·  Vesk has no record of where this came from";
    }
    void relationLines()
    {
        QFETCH(QByteArray, edge);
        QFETCH(QString, sentence);
        QFETCH(QString, provenance);
        const auto lines = EntityText::relationLines(QJsonDocument::fromJson(edge).object());
        QVERIFY(lines);
        QCOMPARE(lines->sentence, sentence);
        QCOMPARE(lines->provenance, provenance);
    }

    // The lines marked are those naming what led here: the whole label, or a file name of 4+
    // characters; a line missing one of its five keys is skipped.
    void highlights_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("marked"); // indexes into lines
        const QStringList readme{"Opened README.TXT in the editor", "/src/app/Readme.txt", "src/app/main.cpp",
                                 "readme.md"};
        QTest::newRow("path by its file name") << "/src/app/Readme.txt" << readme << QList<int>{0, 1};
        QTest::newRow("short file name needs the whole path")
            << "/src/app/abc" << QStringList{"abc is here", "cd /src/app/abc", "xabcx"} << QList<int>{1};
        QTest::newRow("no match") << "Harbor" << QStringList{"nothing", "here"} << QList<int>{};
        QTest::newRow("trailing slash") << "docs/release/" << QStringList{"RELEASE notes", "docs"} << QList<int>{0};
        QTest::newRow("empty label marks nothing") << "" << QStringList{"anything"} << QList<int>{};
    }
    void highlights()
    {
        QFETCH(QString, label);
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, marked);
        QList<QJsonObject> given;
        for (int i = 0; i < lines.size(); ++i)
            given << QJsonObject{{"x", 0.1}, {"y", 0.1 * i}, {"w", 0.5}, {"h", 0.05}, {"text", lines[i]}};
        given << QJsonObject{{"x", 0.1}, {"y", "0.5"}, {"w", 0.5}, {"h", 0.1}, {"text", label}}; // y not a number
        QList<QRectF> expected;
        for (int i : marked)
            expected << QRectF(0.1, 0.1 * i, 0.5, 0.05);
        QCOMPARE(EntityText::highlights(given, label), expected);
    }

    // Replies are read element by element: what cannot make a row or a card is left out.
    void mixedArrays()
    {
        const EntityText::Relations relations = EntityText::relations(obj(
            R"({"edges":[null,{"other_label":"Ada","phrase":"knows"},{"other_id":2,"other_label":"Bo","phrase":"pairs with","edge_id":7},{"phrase":"x"}]})"));
        QCOMPARE(relations.rows.size(), 2);
        QCOMPARE(relations.neighbours.size(), 1);
        QCOMPARE(relations.total, 1);
        QCOMPARE(EntityText::proposals(
                     obj(R"({"proposals":[{"id":1},3,{"id":2,"a_id":1,"b_id":2,"a_label":"a","b_label":"b"}]})"))
                     .size(),
                 1);
        const EntityText::RecognisedItems none
            = EntityText::recognised(obj(R"({"nodes":[{"node_type":"person"},null]})"), {});
        QVERIFY(!none.any);
    }
};

QTEST_GUILESS_MAIN(AskTextTest)
#include "tst_AskText.moc"
