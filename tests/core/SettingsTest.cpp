#include "Defaults.h"
#include "Environment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;

class SettingsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void environmentFallsBackToLegacyPrefix_data()
    {
        QTest::addColumn<QByteArray>("current");
        QTest::addColumn<QByteArray>("legacy");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<bool>("switchOn");
        using S = std::optional<QString>;
        QTest::newRow("neither") << QByteArray() << QByteArray() << S() << false;
        QTest::newRow("legacy only") << QByteArray() << QByteArray("1") << S(QStringLiteral("1")) << true;
        QTest::newRow("both: current wins") << QByteArray("0") << QByteArray("1") << S(QStringLiteral("0")) << false;
        QTest::newRow("empty current still counts as present") << QByteArray("") << QByteArray("1") << S(QString())
                                                                 << false;
        QTest::newRow("only exactly 1 is on") << QByteArray("true") << QByteArray() << S(QStringLiteral("true")) << false;
    }
    void environmentFallsBackToLegacyPrefix()
    {
        QFETCH(QByteArray, current);
        QFETCH(QByteArray, legacy);
        QFETCH(std::optional<QString>, expected);
        QFETCH(bool, switchOn);
        qunsetenv("VESK_DIGEST_PREVIEW");
        qunsetenv("QEV_DIGEST_PREVIEW");
        if (!current.isNull())
            qputenv("VESK_DIGEST_PREVIEW", current);
        if (!legacy.isNull())
            qputenv("QEV_DIGEST_PREVIEW", legacy);
        QCOMPARE(veskEnvironment(QStringLiteral("VESK_DIGEST_PREVIEW")), expected);
        QCOMPARE(environmentSwitch(QStringLiteral("VESK_DIGEST_PREVIEW")), switchOn);
    }

    void typesSurviveARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/nested/vesk/defaults.json");
        {
            Defaults d(path);
            QVERIFY(d.setBoolean(QStringLiteral("vesk.presentation_mode.enabled"), true));
            QVERIFY(d.setInteger(QStringLiteral("vesk.delivery.human.daily_limit"), 3));
            QVERIFY(d.setNumber(QStringLiteral("vesk.x.fraction"), 0.25));
            QVERIFY(d.setString(QStringLiteral("vesk.relaunched_for_build"), QStringLiteral("42")));
        }
        Defaults d(path);
        QCOMPARE(d.boolean(QStringLiteral("vesk.presentation_mode.enabled")), std::optional<bool>(true));
        QCOMPARE(d.integer(QStringLiteral("vesk.delivery.human.daily_limit")), std::optional<qint64>(3));
        QCOMPARE(d.number(QStringLiteral("vesk.x.fraction")), std::optional<double>(0.25));
        QCOMPARE(d.string(QStringLiteral("vesk.relaunched_for_build")), std::optional<QString>(QStringLiteral("42")));
        // A string never reads as a number, a number never as a Boolean.
        QCOMPARE(d.integer(QStringLiteral("vesk.relaunched_for_build")), std::optional<qint64>());
        QCOMPARE(d.boolean(QStringLiteral("vesk.delivery.human.daily_limit")), std::optional<bool>());
        QVERIFY(d.remove(QStringLiteral("vesk.presentation_mode.enabled")));
        QVERIFY(!Defaults(path).contains(QStringLiteral("vesk.presentation_mode.enabled")));
        // Only the settings file is left behind: the write went through a temporary file.
        QCOMPARE(QDir(dir.path() + QStringLiteral("/nested/vesk")).entryList(QDir::Files),
                 QStringList{QStringLiteral("defaults.json")});
    }

    void damagedFileReadsAsEmpty()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/defaults.json");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"vesk.a\": tru");
        f.close();
        Defaults d(path);
        QVERIFY(!d.contains(QStringLiteral("vesk.a")));
        QVERIFY(d.setBoolean(QStringLiteral("vesk.a"), false));
        QCOMPARE(Defaults(path).boolean(QStringLiteral("vesk.a")), std::optional<bool>(false));
    }

    void unwritableLocationKeepsTheValueForThisRun()
    {
        Defaults d(QStringLiteral("/proc/vesk-cannot-write/defaults.json"));
        QVERIFY(!d.setInteger(QStringLiteral("vesk.n"), 5));
        QCOMPARE(d.integer(QStringLiteral("vesk.n")), std::optional<qint64>(5));
    }

    void standardPathHonoursTestMode()
    {
        QVERIFY(Defaults::standardPath().contains(QStringLiteral("qttest")));
        QVERIFY(Defaults::standardPath().endsWith(QStringLiteral("/vesk/defaults.json")));
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
