#include "Defaults.h"
#include "Environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vesk;

namespace {
bool write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Sets how large a file this process may write and returns the earlier limit. Past it a write
// fails with EFBIG instead of raising SIGXFSZ.
rlimit fileSizeLimit(rlim_t bytes)
{
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit next = saved;
    next.rlim_cur = std::min(bytes, saved.rlim_max);
    ::setrlimit(RLIMIT_FSIZE, &next);
    return saved;
}
} // namespace

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
        QTest::newRow("empty current still counts as present")
            << QByteArray("") << QByteArray("1") << S(QString()) << false;
        QTest::newRow("only exactly 1 is on")
            << QByteArray("true") << QByteArray() << S(QStringLiteral("true")) << false;
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
        QVERIFY(d.remove(QStringLiteral("vesk.presentation_mode.enabled")));
        QVERIFY(!Defaults(path).contains(QStringLiteral("vesk.presentation_mode.enabled")));
        // Only the settings file is left behind: the write went through a temporary file.
        QCOMPARE(QDir(dir.path() + QStringLiteral("/nested/vesk")).entryList(QDir::Files),
                 QStringList{QStringLiteral("defaults.json")});
    }

    void damagedFileIsKeptAside()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        QVERIFY(write(path, "{\"vesk.a\": tru"));
        Defaults d(path);
        QVERIFY(!d.contains(QStringLiteral("vesk.a")));
        QVERIFY(d.setBoolean(QStringLiteral("vesk.b"), false));
        QCOMPARE(Defaults(path).boolean(QStringLiteral("vesk.b")), std::optional<bool>(false));
        QCOMPARE(read(path + QStringLiteral(".corrupt")), QByteArray("{\"vesk.a\": tru"));
    }

    // Whatever is in the way, a failed save changes nothing: neither the file nor the value read
    // back, and it says why, once. Reading must not hang on a FIFO either.
    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("reason");
        const QString inPlace = QStringLiteral("something that is not a settings file is in its place");
        QTest::newRow("the disk fills while writing") << QStringLiteral("full") << "the disk is full";
        QTest::newRow("a directory in the file's place") << QStringLiteral("directory") << inPlace;
        QTest::newRow("a FIFO in the file's place") << QStringLiteral("fifo") << inPlace;
        QTest::newRow("a folder that cannot be made")
            << QStringLiteral("proc") << "the settings file could not be written";
    }
    void failedSaveChangesNothing()
    {
        QFETCH(QString, obstacle);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("defaults.json"));
        const QByteArray before = "{\"vesk.a\": true}";
        if (obstacle == u"full")
            QVERIFY(write(path, before));
        else if (obstacle == u"directory")
            QVERIFY(QDir().mkpath(path));
        else if (obstacle == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            path = QStringLiteral("/proc/vesk-cannot-write/defaults.json");
        Defaults d(path);
        QStringList said;
        QObject::connect(&d, &Defaults::saveFailed, [&said](const QString& why) { said << why; });
        const std::optional<bool> old = obstacle == u"full" ? std::optional<bool>(true) : std::nullopt;
        QCOMPARE(d.boolean(QStringLiteral("vesk.a")), old);
        // Files may not grow past 8 bytes for the moment: the write fails as on a full disk. The
        // limit is lifted before anything is checked, so a failure can still be reported.
        const rlimit saved = fileSizeLimit(obstacle == u"full" ? 8 : RLIM_INFINITY);
        const bool written
            = d.setString(QStringLiteral("vesk.a"), QStringLiteral("a value longer than the disk has room for"));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QFETCH(QString, reason);
        QCOMPARE(said, QStringList{reason});
        QCOMPARE(d.boolean(QStringLiteral("vesk.a")), old);
        QVERIFY(!d.contains(QStringLiteral("vesk.b")) && !d.string(QStringLiteral("vesk.a")));
        if (obstacle == u"full")
            QCOMPARE(read(path), before);
        // No temporary file is left behind, nothing was set aside, nothing replaced.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 obstacle == u"proc" ? QStringList() : QStringList{QStringLiteral("defaults.json")});
        QCOMPARE(QFileInfo(path).isDir(), obstacle == u"directory");
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
