#include "Json.h"
#include "Phrases.h"

#include <QJsonDocument>
#include <QTest>

#include <limits>

using namespace vesk;

Q_DECLARE_METATYPE(std::optional<qint64>)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {
QJsonObject parse(const char* text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}
} // namespace

class JsonTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void integers_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<std::optional<qint64>>("integer");
        QTest::addColumn<std::optional<qint64>>("asInteger");
        // An id is above zero and whole; a count is zero or more and whole.
        QTest::addColumn<std::optional<qint64>>("id");
        QTest::addColumn<std::optional<qint64>>("count");

        using O = std::optional<qint64>;
        QTest::newRow("whole") << QByteArray("42") << O(42) << O(42) << O(42) << O(42);
        QTest::newRow("negative") << QByteArray("-7") << O(-7) << O(-7) << O() << O();
        QTest::newRow("whole written as fraction") << QByteArray("3.0") << O(3) << O(3) << O(3) << O(3);
        QTest::newRow("fraction") << QByteArray("3.9") << O() << O(3) << O() << O();
        QTest::newRow("negative fraction truncates toward zero") << QByteArray("-3.9") << O() << O(-3) << O() << O();
        QTest::newRow("max int64 keeps every digit")
            << QByteArray("9223372036854775807") << O(9223372036854775807LL) << O(9223372036854775807LL)
            << O(9223372036854775807LL) << O(9223372036854775807LL);
        QTest::newRow("min int64") << QByteArray("-9223372036854775808") << O(std::numeric_limits<qint64>::min())
                                   << O(std::numeric_limits<qint64>::min()) << O() << O();
        QTest::newRow("2^63, one past int64") << QByteArray("9223372036854775808") << O() << O() << O() << O();
        QTest::newRow("fraction just past int64") << QByteArray("9223372036854775808.5") << O() << O() << O() << O();
        QTest::newRow("below int64") << QByteArray("-9223372036854777856") << O() << O() << O() << O();
        QTest::newRow("1e308") << QByteArray("1e308") << O() << O() << O() << O();
        QTest::newRow("string digits") << QByteArray("\"42\"") << O() << O() << O() << O();
        QTest::newRow("zero: a count, no id") << QByteArray("0") << O(0) << O(0) << O() << O(0);
    }
    void integers()
    {
        QFETCH(QByteArray, value);
        QFETCH(std::optional<qint64>, integer);
        QFETCH(std::optional<qint64>, asInteger);
        const QJsonObject o = QJsonDocument::fromJson("{\"v\":" + value + "}").object();
        QCOMPARE(Json::integer(o, u"v"), integer);
        QCOMPARE(Json::numberAsInteger(o, u"v"), asInteger);
        QCOMPARE(Json::int64(o, u"v"), asInteger);
        QTEST(Json::id(o, u"v"), "id");
        QTEST(Json::count(o, u"v"), "count");
        QCOMPARE(Json::integer(o, u"missing"), std::optional<qint64>());
    }

    void wrongTypesCountAsAbsent()
    {
        const QJsonObject o = parse(R"({"b":1,"s":7,"e":"","n":"x","a":{},"t":true,"str":"hi"})");
        QCOMPARE(Json::boolean(o, u"b"), std::optional<bool>());
        QCOMPARE(Json::boolean(o, u"t"), std::optional<bool>(true));
        QCOMPARE(Json::string(o, u"s"), std::optional<QString>());
        QCOMPARE(Json::string(o, u"e"), std::optional<QString>(QString()));
        QCOMPARE(Json::nonEmptyString(o, u"e"), std::optional<QString>());
        QCOMPARE(Json::nonEmptyString(o, u"str"), std::optional<QString>(QStringLiteral("hi")));
        QCOMPARE(Json::number(o, u"n"), std::optional<double>());
        QVERIFY(!Json::objects(o, u"a"));
        QVERIFY(!Json::arrays(o, u"s"));
    }

    void arraysOfObjectsAndArrays()
    {
        const QJsonObject o = parse(R"({"objs":[{"a":1},{}],"mixed":[null,{"a":1},2,"x",[]],"empty":[],
                                        "rows":[["shown",3],[]],"badRows":[["x",1],{}],
                                        "ids":[1,"2",3.5,4,-1]})");
        QCOMPARE(Json::objects(o, u"objs")->size(), 2);
        QCOMPARE(*Json::objects(o, u"mixed"), (QList<QJsonObject>{parse(R"({"a":1})")}));
        QCOMPARE(Json::objects(o, u"empty")->size(), 0);
        QCOMPARE(Json::arrays(o, u"rows")->size(), 2);
        QCOMPARE(*Json::arrays(o, u"badRows"), (QList<QJsonArray>{QJsonArray{QStringLiteral("x"), 1}}));
        QCOMPARE(*Json::integers(o, u"ids"), (QList<qint64>{1, 4, -1}));
    }

    void kinds()
    {
        QVERIFY(Json::isKind(parse(R"({"kind":"ok"})"), u"ok"));
        QVERIFY(!Json::isKind(parse(R"({"kind":"OK"})"), u"ok"));
        QVERIFY(!Json::isKind(parse(R"({"kind":1})"), u"ok"));
        QVERIFY(!Json::isKind(std::nullopt, u"ok"));
    }

    void countPhrases_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0 sources");
        QTest::newRow("one") << qint64(1) << QStringLiteral("1 source");
        QTest::newRow("two") << qint64(2) << QStringLiteral("2 sources");
        QTest::newRow("minus one") << qint64(-1) << QStringLiteral("-1 sources");
        QTest::newRow("thousands, no separator") << qint64(12345) << QStringLiteral("12345 sources");
    }
    void countPhrases()
    {
        QFETCH(qint64, n);
        QFETCH(QString, phrase);
        QCOMPARE(countPhrase(n, QStringLiteral("source")), phrase);
    }
};

QTEST_GUILESS_MAIN(JsonTest)
#include "JsonTest.moc"
