#include "Json.h"
#include "Phrases.h"

#include <QCborMap>
#include <QJsonDocument>
#include <QTest>

#include <cmath>
#include <limits>

using namespace vesk;

Q_DECLARE_METATYPE(std::optional<qint64>)
Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<int>)

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
        // The same record seen as CBOR reads alike.
        const QCborMap cbor = QCborMap::fromJsonObject(o);
        const QCborValue v(QStringLiteral("v"));
        QCOMPARE(Json::integer(cbor, v), integer);
        QTEST(Json::id(cbor, v), "id");
        QCOMPARE(Json::number(cbor, v), Json::number(o, u"v"));
        QCOMPARE(Json::string(cbor, v), Json::string(o, u"v"));
        QCOMPARE(Json::integer(cbor, QCborValue(QStringLiteral("missing"))), std::optional<qint64>());
    }

    // A whole number built in code as a double, not parsed, reads as an integer seen as CBOR too.
    void builtWholeNumberSeenAsCbor()
    {
        const QCborMap built = QCborMap::fromJsonObject(QJsonObject{{"v", 3.0}});
        QCOMPARE(Json::integer(built, QCborValue(QStringLiteral("v"))), std::optional<qint64>(3));
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

    // One number rule for every window, row by row over the values a daemon can send.
    void numberRule_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<std::optional<qint64>>("count");
        QTest::addColumn<std::optional<double>>("fraction");
        QTest::addColumn<std::optional<int>>("percent");
        QTest::addColumn<std::optional<qint64>>("timeMs");
        QTest::addColumn<std::optional<qint64>>("hour");
        using I = std::optional<qint64>;
        using F = std::optional<double>;
        using P = std::optional<int>;
        const auto row = [](const char* name, const char* value, I count, F fraction, P percent, I timeMs, I hour) {
            QTest::newRow(name) << QByteArray(value) << count << fraction << percent << timeMs << hour;
        };
        row("negative", "-5", I(), F(), P(), I(), I());
        row("zero", "0", I(0), F(0), P(0), I(), I(0));
        row("minus zero", "-0", I(0), F(0), P(0), I(), I(0));
        row("an eighth", "0.125", I(), F(0.125), P(13), I(), I());
        row("one", "1", I(1), F(1), P(100), I(), I(1));
        row("just past one", "1.0000001", I(), F(), P(), I(), I());
        row("23", "23", I(23), F(), P(), I(), I(23));
        row("24", "24", I(24), F(), P(), I(), I());
        row("1e308", "1e308", I(), F(), P(), I(), I());
        row("NaN as a string", "\"NaN\"", I(), F(), P(), I(), I());
        row("2^63", "9223372036854775808", I(), F(), P(), I(), I());
        row("9e18 ms", "9e18", I(9000000000000000000LL), F(), P(), I(), I());
        row("-9e15 ms", "-9e15", I(), F(), P(), I(), I());
        row("a time in 2026", "1764950400000", I(1764950400000LL), F(), P(), I(1764950400000LL), I());
        row("fraction of a millisecond cut", "1764950400000.7", I(), F(), P(), I(1764950400000LL), I());
        row("first instant of 2000", "946684800000", I(946684800000LL), F(), P(), I(946684800000LL), I());
        row("last instant of 2099", "4102444799999", I(4102444799999LL), F(), P(), I(4102444799999LL), I());
        row("first instant of 2100", "4102444800000", I(4102444800000LL), F(), P(), I(), I());
    }
    void numberRule()
    {
        QFETCH(QByteArray, value);
        QFETCH(std::optional<double>, fraction);
        QFETCH(std::optional<qint64>, timeMs);
        const QJsonObject o = QJsonDocument::fromJson("{\"v\":" + value + "}").object();
        QVERIFY(o.contains(u"v"));
        QTEST(Json::count(o, u"v"), "count");
        const std::optional<double> read = Json::fraction(o, u"v");
        QCOMPARE(read, fraction);
        QVERIFY(!read || !std::signbit(*read));
        QTEST(Json::percent(o, u"v"), "percent");
        const std::optional<QDateTime> at = Json::timestampMs(o, u"v");
        QCOMPARE(at ? std::optional(at->toMSecsSinceEpoch()) : std::nullopt, timeMs);
        QTEST(Json::integerIn(o, u"v", 0, 23), "hour");
    }

    void percentOf_data()
    {
        QTest::addColumn<qint64>("part");
        QTest::addColumn<qint64>("whole");
        QTest::addColumn<std::optional<int>>("percent");
        using P = std::optional<int>;
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        QTest::newRow("three of four") << qint64(3) << qint64(4) << P(75);
        QTest::newRow("two of three, rounded") << qint64(2) << qint64(3) << P(67);
        QTest::newRow("none of five") << qint64(0) << qint64(5) << P(0);
        QTest::newRow("all") << qint64(5) << qint64(5) << P(100);
        QTest::newRow("more than all") << qint64(6) << qint64(5) << P();
        QTest::newRow("below zero") << qint64(-1) << qint64(5) << P();
        QTest::newRow("of nothing") << qint64(0) << qint64(0) << P();
        QTest::newRow("near the 64-bit limit") << max / 2 << max << P(50);
    }
    void percentOf()
    {
        QFETCH(qint64, part);
        QFETCH(qint64, whole);
        QTEST(Json::percentOf(part, whole), "percent");
    }

    // An array of all the wrong things is a failed read; an empty one is an empty list; a mixed
    // one keeps what reads.
    void listsOfOneThing_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qsizetype>("objects"); // -1: a failed read
        QTest::addColumn<QList<qint64>>("ids");
        QTest::addColumn<bool>("idsRead");
        QTest::newRow("empty") << QByteArray("[]") << qsizetype(0) << QList<qint64>{} << true;
        QTest::newRow("objects") << QByteArray("[{},{\"a\":1}]") << qsizetype(2) << QList<qint64>{} << false;
        QTest::newRow("numbers") << QByteArray("[1,2,3]") << qsizetype(-1) << QList<qint64>{1, 2, 3} << true;
        QTest::newRow("mixed") << QByteArray("[1,{\"a\":1},\"x\",0]") << qsizetype(1) << QList<qint64>{1} << true;
        QTest::newRow("no valid id") << QByteArray("[0,-1,\"2\",2.5]") << qsizetype(-1) << QList<qint64>{} << false;
        QTest::newRow("not an array") << QByteArray("{\"a\":1}") << qsizetype(-1) << QList<qint64>{} << false;
    }
    void listsOfOneThing()
    {
        QFETCH(QByteArray, value);
        QFETCH(qsizetype, objects);
        QFETCH(QList<qint64>, ids);
        QFETCH(bool, idsRead);
        const QJsonObject o = QJsonDocument::fromJson("{\"v\":" + value + "}").object();
        const auto read = Json::list(o, u"v", Json::object);
        QCOMPARE(read ? read->size() : -1, objects);
        const auto idList = Json::list(o, u"v", Json::id);
        QCOMPARE(idList.has_value(), idsRead);
        QCOMPARE(idList.value_or(QList<qint64>{}), ids);
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
