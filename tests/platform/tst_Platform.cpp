#include "NullPlatform.h"
#include "PlatformServices.h"
#include "XcbHotkey.h"

#include <QGuiApplication>
#include <QTest>

using namespace vesk;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void grabVariants_data();
    void grabVariants();
    void offscreenIsUnavailable();
};

void PlatformTest::grabVariants_data()
{
    QTest::addColumn<int>("alt");
    QTest::addColumn<int>("numLock");
    QTest::addColumn<QList<int>>("expected");
    // Lock is always bit 1 (value 2); Alt and NumLock come from the modifier mapping.
    QTest::newRow("usual Mod1 and Mod2") << 0x08 << 0x10 << QList<int>{0x08, 0x0A, 0x18, 0x1A};
    QTest::newRow("Alt on Mod4, NumLock on Mod3") << 0x40 << 0x20 << QList<int>{0x40, 0x42, 0x60, 0x62};
    QTest::newRow("no NumLock in the mapping") << 0x08 << 0 << QList<int>{0x08, 0x0A};
}

void PlatformTest::grabVariants()
{
    QFETCH(int, alt);
    QFETCH(int, numLock);
    QList<int> got;
    for (uint16_t v : XcbHotkey::variants(uint16_t(alt), uint16_t(numLock), 0x02))
        got.append(v);
    QTEST(got, "expected");
}

void PlatformTest::offscreenIsUnavailable()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    PlatformServices services = createPlatformServices();
    bool called = false;
    QCOMPARE(services.hotkey->registerShortcut([&called] { called = true; }), Hotkey::Registration::unavailable);
    QVERIFY(!called);
    QCOMPARE(services.foregroundWindow->current(), std::nullopt);
    QCOMPARE(services.serviceManager->status(QStringLiteral("vesk")), ServiceManager::Status::notFound);
    QVERIFY(!services.permissions->openSettings(Permissions::Kind::accessibility));
}

QTEST_MAIN(PlatformTest)
#include "tst_Platform.moc"
