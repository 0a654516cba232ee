#include "NullPlatform.h"
#include "PlatformServices.h"
#include "XcbForegroundWindow.h"
#include "XcbHotkey.h"

#include <QGuiApplication>
#include <QTest>

using namespace vesk;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:

    void grabVariants_data()
    {
        QTest::addColumn<int>("alt");
        QTest::addColumn<int>("numLock");
        QTest::addColumn<QList<int>>("expected");
        // Lock is always bit 1 (value 2); Alt and NumLock come from the modifier mapping.
        QTest::newRow("usual Mod1 and Mod2") << 0x08 << 0x10 << QList<int>{0x08, 0x0A, 0x18, 0x1A};
        QTest::newRow("Alt on Mod4, NumLock on Mod3") << 0x40 << 0x20 << QList<int>{0x40, 0x42, 0x60, 0x62};
        QTest::newRow("no NumLock in the mapping") << 0x08 << 0 << QList<int>{0x08, 0x0A};
    }

    void grabVariants()
    {
        QFETCH(int, alt);
        QFETCH(int, numLock);
        QList<int> got;
        for (uint16_t v : XcbHotkey::variants(uint16_t(alt), uint16_t(numLock), 0x02))
            got.append(v);
        QTEST(got, "expected");
    }

    void offscreenIsUnavailable()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        PlatformServices services = createPlatformServices();
        bool called = false;
        QCOMPARE(services.hotkey->registerShortcut(QCoreApplication::instance(), [&called] { called = true; }),
                 Hotkey::Registration::unavailable);
        QVERIFY(!called);
        QCOMPARE(services.foregroundWindow->current(), std::nullopt);
        QCOMPARE(services.serviceManager->status(QStringLiteral("vesk")), ServiceManager::Status::notFound);
        QVERIFY(!services.permissions->openSettings(Permissions::Kind::accessibility));
    }

    void applicationIds_data()
    {
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<QByteArray>("wmClass");
        QTest::addColumn<QString>("id");
        QTest::newRow("class lower-cased")
            << QByteArray() << QByteArray("Navigator\0Firefox-esr\0", 23) << "firefox-esr";
        QTest::newRow("spaces become dashes") << QByteArray() << QByteArray("old\0Old App\0", 12) << "old-app";
        QTest::newRow("reverse-DNS class kept")
            << QByteArray() << QByteArray("x\0org.gnome.Nautilus\0", 21) << "org.gnome.Nautilus";
        QTest::newRow("instance without a class") << QByteArray() << QByteArray("zoom\0", 5) << "zoom";
        QTest::newRow("published id wins")
            << QByteArray("us.zoom.Zoom") << QByteArray("zoom\0zoom\0", 10) << "us.zoom.Zoom";
        QTest::newRow("desktop file name")
            << QByteArray("org.kde.konsole.desktop") << QByteArray() << "org.kde.konsole";
    }

    void applicationIds()
    {
        QFETCH(QByteArray, published);
        QFETCH(QByteArray, wmClass);
        QTEST(XcbForegroundWindow::applicationId(published, wmClass), "id");
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_Platform.moc"
