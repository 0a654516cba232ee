#include "EntityText.h"

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
        QTest::newRow("model") << QByteArray(R"({"other_label":"Priya","phrase":"reviewed by","sightings":1,"extractor":"relation-v2"})")
                               << "reviewed by Priya" << "1 observation  ·  read from screen text by a model";
        QTest::newRow("incoming from the page")
            << QByteArray(R"({"other_label":"PR 318","phrase":"fixes","outgoing":false,"sightings":3,"extractor":"ax-link"})")
            << "PR 318 fixes this" << "3 observations  ·  derived from the page itself, not guessed";
        QTest::newRow("other extractor") << QByteArray(R"({"other_label":"x","phrase":"p","extractor":"git"})")
                                         << "p x" << "0 observations  ·  recorded by git";
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

    void incompleteEdges()
    {
        const auto object = [](const char* text) { return QJsonDocument::fromJson(text).object(); };
        QVERIFY(!EntityText::relationLines(object(R"({"phrase":"p"})")));
        QVERIFY(!EntityText::usableNeighbour(object(R"({"other_id":1,"other_label":"x","phrase":"p"})")));
        const auto n = EntityText::usableNeighbour(object(R"({"other_id":1,"other_label":"x","phrase":"p","edge_id":4})"));
        QCOMPARE(*n, (EntityText::Neighbour{1, "x", "?", 0, "p", true, 4}));
    }

    void lastSeen_data()
    {
        QTest::addColumn<double>("hoursAgo");
        QTest::addColumn<QString>("text");
        QTest::newRow("an hour") << 1.0 << "today";
        QTest::newRow("in the future") << -3.0 << "today";
        QTest::newRow("40 hours") << 40.0 << "yesterday";
        QTest::newRow("5 days") << 5 * 24.0 << "5 days ago";
        QTest::newRow("30 days") << 30 * 24.0 + 1 << "30 days ago";
        QTest::newRow("40 days") << 40 * 24.0 << "January 21";
    }
    void lastSeen()
    {
        QFETCH(double, hoursAgo);
        QFETCH(QString, text);
        const QDateTime now(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC);
        const qint64 seen = now.toMSecsSinceEpoch() - qint64(hoursAgo * 3600 * 1000);
        QCOMPARE(EntityText::lastSeen(QJsonObject{{"last_seen_ms", seen}}, now), text);
    }

    void noLastSeen()
    {
        const QDateTime now(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC);
        QVERIFY(!EntityText::lastSeen(QJsonObject{{"last_seen_ms", 0}}, now));
        QVERIFY(!EntityText::lastSeen(QJsonObject{{"last_seen_ms", "1772366700000"}}, now));
        QVERIFY(!EntityText::lastSeen(QJsonObject{}, now));
    }

    void methodLine_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("text");
        QTest::newRow("embedding") << "embedding" << "a model thought these two names look alike";
        QTest::newRow("alias") << "alias" << "these two share a spelling Vesk has seen recorded";
        QTest::newRow("other") << "path" << "found by path";
        QTest::newRow("none") << QString() << "Vesk did not say how it found this";
    }
    void methodLine()
    {
        QFETCH(QString, method);
        QFETCH(QString, text);
        QCOMPARE(EntityText::methodLine(method.isNull() ? std::nullopt : std::optional<QString>(method)), text);
    }

    void strength()
    {
        const QList<QJsonObject> nodes{{{"score", 4.0}}, {{"score", 1.0}}, {}};
        const double scale = EntityText::strengthScale(nodes);
        QCOMPARE(scale, 4.0);
        QCOMPARE(EntityText::strengthFraction(nodes[0], scale), 1.0);
        QCOMPARE(EntityText::strengthFraction(nodes[1], scale), 0.25);
        QCOMPARE(EntityText::strengthFraction(nodes[2], scale), 0.02); // no score: the minimum sliver
        QCOMPARE(EntityText::strengthScale({{}}), 1.0);
    }
};

QTEST_GUILESS_MAIN(EntityTextTest)
#include "tst_EntityText.moc"
