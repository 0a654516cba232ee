#include "AppFixture.h"
#include "StderrCapture.h"

#include <QJsonArray>
#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QSystemTrayIcon>

using namespace vesk;
using namespace vesk::test;

namespace {
FakeDaemon::Script line(const QByteArray& json)
{
    return FakeDaemon::Script{json + '\n'};
}

bool anyWindowShown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() != Qt::Popup)
            return true;
    return false;
}
} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void retryChains_data();
    void retryChains();
    void launchSequence_data();
    void launchSequence();
    void shortcutRegistration_data();
    void shortcutRegistration();
    void digestItem_data();
    void digestItem();
    void presentationModeItem();
    void presentationHidesAskPanelAndAlert();
    void inboxItemRefreshesCount();
    void presentationModeKeptAcrossLaunches();
};

void StartupTest::retryChains_data()
{
    QTest::addColumn<QList<QByteArray>>("replies"); // successive status replies; the last repeats
    QTest::addColumn<bool>("presenting");
    QTest::addColumn<int>("rounds");               // status requests per chain
    QTest::addColumn<bool>("setupVisible");
    QTest::addColumn<int>("setupOffers");
    QTest::addColumn<int>("reminderStarts");

    QTest::newRow("no onboarded key: 25 tries each, then give up")
        << QList<QByteArray>{R"({"kind":"status"})"} << false << 25 << false << 0 << 0;
    QTest::newRow("onboarded as a number counts as no answer")
        << QList<QByteArray>{R"({"onboarded":1})"} << false << 25 << false << 0 << 0;
    QTest::newRow("no reply at all") << QList<QByteArray>{R"({"kind":"error"})"} << false << 25 << false << 0 << 0;
    QTest::newRow("setup needed: both stop at once, item shown, setup offered")
        << QList<QByteArray>{R"({"onboarded":false})"} << false << 1 << true << 1 << 0;
    QTest::newRow("setup needed while presenting: only the item")
        << QList<QByteArray>{R"({"onboarded":false})"} << true << 1 << true << 0 << 0;
    QTest::newRow("onboarded: reminders start, item stays hidden")
        << QList<QByteArray>{R"({"onboarded":true})"} << false << 1 << false << 0 << 1;
    QTest::newRow("three unknown answers, then onboarded")
        << QList<QByteArray>{"{}", "{}", "{}", "{}", "{}", "{}", R"({"onboarded":true})"} << false << 4 << false << 0
        << 1;
}

void StartupTest::retryChains()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(bool, presenting);
    QFETCH(int, rounds);
    QFETCH(bool, setupVisible);
    AppFixture f;
    f.presentation.setEnabled(presenting);
    QList<FakeDaemon::Script> scripts;
    for (const QByteArray& r : replies)
        scripts.append(line(r));
    f.daemon.sequence(QStringLiteral("status"), scripts);
    QSignalSpy offers(&f.delegate, &AppDelegate::setupNeeded);
    QSignalSpy starts(&f.delegate, &AppDelegate::onboarded);

    f.delegate.offerSetupIfNeeded(0);
    f.delegate.startInterjectionsWhenOnboarded(0);
    for (int round = 0;; ++round) {
        QTRY_COMPARE(f.daemon.count(QStringLiteral("status")), 2 * (round + 1));
        f.barrier();
        if (f.clock.pendingCount() == 0)
            break;
        QCOMPARE(f.clock.pendingCount(), 2);
        QVERIFY2(round < 30, "the chains never stop");
        f.clock.advance(AppDelegate::retryDelay(round));
    }

    QCOMPARE(f.daemon.count(QStringLiteral("status")), 2 * rounds);
    std::vector<double> expected;
    for (int attempt = 0; attempt < rounds - 1; ++attempt) {
        // 0.5, 1.0, … rising by half a second to 5.0, then 5.0 each.
        const double d = std::min(0.5 * (attempt + 1), 5.0);
        expected.insert(expected.end(), {d, d});
    }
    QCOMPARE(f.clock.delays(), expected);
    QCOMPARE(f.delegate.setup->isVisible(), setupVisible);
    QTEST(int(offers.size()), "setupOffers");
    QTEST(int(starts.size()), "reminderStarts");
}

void StartupTest::launchSequence_data()
{
    QTest::addColumn<LaunchSwitches>("switches");
    QTest::addColumn<int>("hellos");
    QTest::addColumn<bool>("panelShown");

    QTest::newRow("normal launch sends hello, shows no window") << LaunchSwitches{} << 1 << false;
    LaunchSwitches firstRun;
    firstRun.firstRunPreview = true;
    QTest::newRow("first-run preview: no hello, the first-run page") << firstRun << 0 << true;
    LaunchSwitches onboarding;
    onboarding.onboardingPreview = true;
    QTest::newRow("onboarding preview sends no hello") << onboarding << 0 << false;
    LaunchSwitches inbox;
    inbox.surface = LaunchSwitches::Surface::inbox;
    QTest::newRow("inbox surface opens the inbox") << inbox << 1 << true;
}

void StartupTest::launchSequence()
{
    QFETCH(LaunchSwitches, switches);
    QFETCH(int, hellos);
    AppFixture f(switches);
    f.daemon.reply(QStringLiteral("status"), QJsonObject{{QStringLiteral("onboarded"), true}});
    f.daemon.reply(QStringLiteral("proposals"), QJsonObject{{QStringLiteral("proposals"), QJsonArray{QJsonObject{}}}});
    f.daemon.reply(QStringLiteral("hello"), QJsonObject{{QStringLiteral("writable"), true}});
    QList<Reply> helloReplies;
    f.delegate.onHello = [&](const Reply& r) { helloReplies.append(r); };

    f.delegate.applicationDidFinishLaunching();
    QVERIFY(f.delegate.item);
    QCOMPARE(f.delegate.item->contextMenu(), f.delegate.menu.get());
    QCOMPARE(f.delegate.stateItem->text(), QStringLiteral("Daemon unreachable — state unknown"));

    // The watch delivers the daemon's state; each delivery renders it and refreshes the badge.
    QTRY_COMPARE(f.daemon.watchConnections(), 1);
    f.daemon.pushWatch(R"({"kind":"capture","capturing":true,"displays":2})" "\n");
    QTRY_COMPARE(f.delegate.stateItem->text(), QStringLiteral("Recording 2 displays"));
    QTRY_COMPARE(f.delegate.pendingProposals, qint64(1));
    QTRY_COMPARE(f.delegate.toolTip, QStringLiteral("Vesk is recording 2 displays · 1 waiting on you"));
    // Both start-up chains asked (the first-run page asks too) and stopped at the definite answer.
    QTRY_VERIFY(f.daemon.count(QStringLiteral("status")) >= 2);
    f.barrier();
    QCOMPARE(f.daemon.count(QStringLiteral("hello")), hellos + 1); // + the barrier's own
    QCOMPARE(helloReplies.size(), hellos);
    QCOMPARE(f.clock.pendingCount(), 0);
    QTEST(anyWindowShown(), "panelShown");
}

void StartupTest::shortcutRegistration_data()
{
    QTest::addColumn<Hotkey::Registration>("result");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("presses");

    QTest::newRow("registered") << Hotkey::Registration::registered << QByteArray() << 1;
    QTest::newRow("another app owns it")
        << Hotkey::Registration::taken
        << QByteArray("[vesk-app] could not register ⌥Space; another app owns it. Use the menu.\n") << 0;
    QTest::newRow("no global shortcuts here") << Hotkey::Registration::unavailable << QByteArray() << 0;
}

void StartupTest::shortcutRegistration()
{
    QFETCH(Hotkey::Registration, result);
    QFETCH(QByteArray, message);
    AppFixture f;
    f.platform.hotkey->result = result;
    QSignalSpy presses(&f.delegate, &AppDelegate::shortcutPressed);
    QByteArray written;
    {
        StderrCapture capture;
        f.delegate.applicationDidFinishLaunching();
        written = capture.text();
    }
    QCOMPARE(f.platform.hotkey->registrations, 1);
    // Only the shortcut line is ours to check: the tray line depends on the desktop.
    QCOMPARE(written.contains("⌥Space"), !message.isEmpty());
    if (!message.isEmpty())
        QVERIFY(written.contains(message));
    f.platform.hotkey->press();
    QTEST(int(presses.size()), "presses");
}

void StartupTest::digestItem_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("none") << qint64(0) << "Weekly review" << false;
    QTest::newRow("one") << qint64(1) << "Weekly review (1)" << true;
    QTest::newRow("three") << qint64(3) << "Weekly review (3)" << true;
}

void StartupTest::digestItem()
{
    QFETCH(qint64, count);
    AppFixture f;
    f.delegate.updateDigestItem(count);
    QTEST(f.delegate.digestItem->text(), "title");
    QTEST(f.delegate.digestItem->isEnabled(), "enabled");
}

void StartupTest::presentationModeItem()
{
    AppFixture f;
    QSignalSpy changed(&f.presentation, &PresentationMode::changed);
    QAction* item = f.delegate.presentationModeItem;
    QCOMPARE(item->text(), QStringLiteral("Presentation Mode"));
    QVERIFY(!item->isChecked());
    item->trigger();
    QCOMPARE(item->text(), QStringLiteral("Presentation Mode  ·  on"));
    QVERIFY(item->isChecked());
    QVERIFY(f.presentation.isEnabled());
    item->trigger();
    QCOMPARE(item->text(), QStringLiteral("Presentation Mode"));
    QVERIFY(!item->isChecked());
    QCOMPARE(changed.size(), 2);
}

void StartupTest::presentationHidesAskPanelAndAlert()
{
    AppFixture f;
    f.delegate.applicationDidFinishLaunching();
    f.platform.hotkey->press();
    QTRY_VERIFY(anyWindowShown());

    // A confirmation is open over the panel when the mode is turned on from the menu.
    MessageBoxAlerts real;
    AlertSpec spec;
    spec.title = QStringLiteral("Forget this?");
    spec.buttons = {QStringLiteral("Forget"), QStringLiteral("Cancel")};
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        f.delegate.presentationModeItem->trigger();
    });
    QCOMPARE(real.run(spec), Alerts::aborted);
    QVERIFY(f.presentation.isEnabled());
    QVERIFY(!anyWindowShown());

    // The shortcut shows nothing while presenting, and the panel again once the mode is off.
    f.platform.hotkey->press();
    QVERIFY(!anyWindowShown());
    f.delegate.presentationModeItem->trigger();
    f.platform.hotkey->press();
    QTRY_VERIFY(anyWindowShown());
}

void StartupTest::inboxItemRefreshesCount()
{
    AppFixture f;
    f.daemon.reply(QStringLiteral("proposals"),
                   QJsonObject{{QStringLiteral("proposals"), QJsonArray{QJsonObject{}, QJsonObject{}, QJsonObject{}}}});
    QVERIFY(f.delegate.inboxItem->isEnabled());
    f.delegate.inboxItem->trigger();
    QTRY_COMPARE(f.delegate.pendingProposals, qint64(3));
    QCOMPARE(f.delegate.inboxItem->text(), QStringLiteral("What it knows about you  (3)"));
    // The menu's own refresh asks for up to 200 (the inbox asks for its own page besides).
    int ours = 0;
    for (const QJsonObject& request : f.sent(QStringLiteral("proposals")))
        ours += request.value(QStringLiteral("limit")).toInteger() == 200;
    QCOMPARE(ours, 1);
}

void StartupTest::presentationModeKeptAcrossLaunches()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.json"));
    {
        Defaults first(path);
        PresentationMode mode(first);
        mode.setEnabled(true);
    }
    AppFixture f({}, path);
    QCOMPARE(f.delegate.presentationModeItem->text(), QStringLiteral("Presentation Mode  ·  on"));
    QVERIFY(f.delegate.presentationModeItem->isChecked());
}

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
