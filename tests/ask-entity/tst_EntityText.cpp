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
        QTest::newRow("never") << qQNaN() << "";
    }
    void lastSeen()
    {
        QFETCH(double, hoursAgo);
        QFETCH(QString, text);
        const QDateTime now(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC);
        const QJsonObject node = qIsNaN(hoursAgo)
            ? QJsonObject{{"last_seen_ms", 0}}
            : QJsonObject{{"last_seen_ms", now.toMSecsSinceEpoch() - qint64(hoursAgo * 3600 * 1000)}};
        QCOMPARE(EntityText::lastSeen(node, now).value_or(QString()), text);
    }
};

QTEST_GUILESS_MAIN(EntityTextTest)
#include "tst_EntityText.moc"
