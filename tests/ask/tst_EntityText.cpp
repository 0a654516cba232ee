#include "EntityText.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace vesk;

class EntityTextTest : public QObject {
    Q_OBJECT
private slots:
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
        // A name of pages wraps over a few lines in its row, not over pages.
        QTest::newRow("name of pages") << "{\"phrase\":\"p\",\"other_label\":\"" + QByteArray(1000, 'x') + "\"}"
                                       << "p " + QString(EntityText::rowTextCap, u'x') + u'\u2026'
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

    void groupSources()
    {
        const auto at = [](int h, int m) {
            return double(QDateTime(QDate(2026, 3, 2), QTime(h, m), Qt::LocalTime).toMSecsSinceEpoch());
        };
        QList<QJsonObject> records{
            {{"observed_at_ms", at(10, 5)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 1}},
            // Right after another place of the same app; a name and a document win over an id and a context.
            {{"observed_at_ms", at(10, 7)},
             {"app_name", "Firefox"},
             {"app_bundle_id", "org.mozilla"},
             {"document_url", "https://b"},
             {"context", "a tab"}},
            {{"observed_at_ms", at(10, 50)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 3}},
            {{"observed_at_ms", at(10, 20)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 2}},
            {{"observed_at_ms", at(11, 5)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 4}},
            {{"observed_at_ms", at(11, 30)}, {"app_name", "Firefox"}, {"document_url", "https://a"}, {"frame_id", 5}},
            {{"observed_at_ms", at(11, 6)}, {"app_bundle_id", "org.agent"}, {"frame_id", 0}},
            // Known by its id alone, like the record before: the id tells them apart.
            {{"observed_at_ms", at(11, 6)}, {"app_bundle_id", "org.other"}},
        };
        const auto groups = EntityText::groupSources(records);
        QCOMPARE(groups.size(), 5);
        QCOMPARE(groups[0].count, 3);
        QCOMPARE(groups[0].anchor, 3); // the newest record, not the last one
        QCOMPARE(EntityText::groupHeadline(groups[0]), "Mar 2, 10:50    Firefox   ×3");
        QCOMPARE(EntityText::groupHeadline(groups[1]), "Mar 2, 10:07    Firefox");
        QCOMPARE(groups[1].detail, "https://b");
        QCOMPARE(EntityText::groupHeadline(groups[2]), "Mar 2, 11:30    Firefox   ×2");
        QCOMPARE(groups[3].app, "org.agent");
        QCOMPARE(groups[3].detail, std::nullopt);
        QCOMPARE(groups[3].anchor, 0);
        QCOMPARE(groups[4].app, "org.other");

        QList<QJsonObject> many;
        for (int i = 0; i < 45; ++i)
            many << QJsonObject{{"observed_at_ms", at(9, 0)}, {"app_name", QString("App %1").arg(i)}};
        QCOMPARE(EntityText::groupSources(many).size(), 45);
    }

    // A relations reply is read edge by edge: what cannot make a row or a chip is left out.
    void mixedArrays()
    {
        const EntityText::Relations relations = EntityText::relations(
            QJsonDocument::fromJson(
                R"({"edges":[null,{"other_label":"Ada","phrase":"knows"},{"other_id":2,"other_label":"Bo","phrase":"pairs with","edge_id":7},{"phrase":"x"}]})")
                .object());
        QCOMPARE(relations.rows.size(), 2);
        QCOMPARE(relations.neighbours.size(), 1);
        QCOMPARE(relations.total, 1);

        // More relations than a page lays out: the first ones make chips and rows, the caption
        // counts the rest.
        QJsonArray edges;
        for (int i = 1; i <= 1000; ++i)
            edges.append(QJsonObject{{"other_id", i}, {"other_label", "Ada"}, {"phrase", "knows"}, {"edge_id", i}});
        const EntityText::Relations many = EntityText::relations(QJsonObject{{"edges", edges}});
        QCOMPARE(many.neighbours.size(), EntityText::shownRelations);
        QCOMPARE(many.rows.size(), EntityText::shownRelations);
        QCOMPARE(EntityText::caption(many.neighbours.size(), many.total),
                 "one hop · strongest 5 of 1000 · 95 more below · 900 beyond the 100-relation limit are not shown");
        // A name longer than a page shows is cut before it reaches the page.
        QCOMPARE(EntityText::sources(QJsonObject{{"label", QString(5000, u'n')}}).name->size(), 2001);
    }
};

QTEST_GUILESS_MAIN(EntityTextTest)
#include "tst_EntityText.moc"
