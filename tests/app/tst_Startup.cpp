#include "AppFixture.h"
#include "AskWindow.h"
#include "DataWindow.h"
#include "DigestWindow.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "InterjectionController.h"
#include "InterjectionSettingsWindow.h"
#include "OnboardingCheck.h"
#include "OnboardingWindow.h"
#include "PrivacyExclusionsWindow.h"
#include "Seen.h"

#include <QApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>

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

    void retryChains_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies"); // successive status replies; the last repeats
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<int>("rounds"); // status requests per chain
        QTest::addColumn<bool>("setupVisible");
        QTest::addColumn<int>("setupOffers");
        QTest::addColumn<int>("reminderStarts");

        QTest::newRow("no onboarded key: 25 tries each, then give up")
            << QList<QByteArray>{R"({"kind":"status"})"} << false << 25 << false << 0 << 0;
        QTest::newRow("onboarded as a number counts as no answer")
            << QList<QByteArray>{R"({"kind":"status","onboarded":1})"} << false << 25 << false << 0 << 0;
        QTest::newRow("no reply at all") << QList<QByteArray>{R"({"kind":"error"})"} << false << 25 << false << 0 << 0;
        QTest::newRow("setup needed: both stop at once, item shown, setup offered")
            << QList<QByteArray>{R"({"kind":"status","onboarded":false})"} << false << 1 << true << 1 << 0;
        QTest::newRow("setup needed while presenting: only the item")
            << QList<QByteArray>{R"({"kind":"status","onboarded":false})"} << true << 1 << true << 0 << 0;
        QTest::newRow("onboarded: reminders start, item stays hidden")
            << QList<QByteArray>{R"({"kind":"status","onboarded":true})"} << false << 1 << false << 0 << 1;
        QTest::newRow("three unknown answers, then onboarded")
            << QList<QByteArray>{"{}", "{}", "{}", R"({"kind":"status","onboarded":true})"} << false << 4 << false << 0
            << 1;
    }

    void retryChains()
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
        // The guide that an offer opens asks for readiness of its own; only the chains count here.
        QObject::disconnect(&f.delegate, &AppDelegate::setupNeeded, nullptr, nullptr);
        QSignalSpy offers(&f.delegate, &AppDelegate::setupNeeded);
        QSignalSpy starts(&f.delegate, &AppDelegate::onboarded);

        f.delegate.applicationDidFinishLaunching();
        // Started reminders ask for their policy once and keep two timers of their own.
        const auto chainRequests = [&] { return f.daemon.count(QStringLiteral("status")) - int(starts.size()); };
        const auto chainsWaiting = [&] { return f.clock.pendingCount() - 2 * int(starts.size()); };
        // The two chains ask at the same moment, and one status request answers both.
        for (int round = 0;; ++round) {
            QTRY_COMPARE(chainRequests(), round + 1);
            f.barrier();
            if (chainsWaiting() == 0)
                break;
            QCOMPARE(chainsWaiting(), 2);
            QVERIFY2(round < 30, "the chains never stop");
            f.clock.advance(OnboardingCheck::retryDelay(round));
        }

        // A started reminders' own status request may still be on its way.
        QTRY_COMPARE(chainRequests(), rounds);
        std::vector<double> expected;
        for (int attempt = 0; attempt < rounds - 1; ++attempt) {
            // 0.5, 1.0, … rising by half a second to 5.0, then 5.0 each.
            const double d = std::min(0.5 * (attempt + 1), 5.0);
            expected.insert(expected.end(), {d, d});
        }
        if (!starts.isEmpty())
            expected.insert(expected.end(), {300, 45}); // the reminders' pass interval and first pass
        QCOMPARE(f.clock.delays(), expected);
        QCOMPARE(f.line(StatusMenu::Line::setup)->isVisible(), setupVisible);
        QTEST(int(offers.size()), "setupOffers");
        QTEST(int(starts.size()), "reminderStarts");
    }

    void launchSequence_data()
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
        QTest::newRow("onboarding preview sends no hello, opens the guide") << onboarding << 0 << true;
        LaunchSwitches inbox;
        inbox.surface = LaunchSwitches::Surface::inbox;
        QTest::newRow("inbox surface opens the inbox") << inbox << 1 << true;
    }

    void launchSequence()
    {
        QFETCH(LaunchSwitches, switches);
        QFETCH(int, hellos);
        AppFixture f(switches);
        f.daemon.reply(
            QStringLiteral("status"),
            QJsonObject{{QStringLiteral("kind"), QStringLiteral("status")}, {QStringLiteral("onboarded"), true}});
        f.daemon.reply(QStringLiteral("proposals"),
                       QJsonObject{{QStringLiteral("proposals"), QJsonArray{QJsonObject{}}}});
        f.daemon.reply(QStringLiteral("hello"), QJsonObject{{QStringLiteral("writable"), true}});
        f.daemon.reply(QStringLiteral("interjection_signals"), json(R"({"held_back":[{"node_id":4,"item_kind":"task",
                                                                      "label":"Rotate keys"}]})"));
        QSignalSpy helloReplies(&f.delegate, &AppDelegate::helloAnswered);

        f.delegate.applicationDidFinishLaunching();
        QVERIFY(f.delegate.statusItem().trayIcon());
        QCOMPARE(f.delegate.statusItem().trayIcon()->contextMenu(), f.menu());
        QAction* stateLine = f.line(StatusMenu::Line::state);
        QCOMPARE(stateLine->text(), QStringLiteral("Daemon unreachable — state unknown"));

        // The watch delivers the daemon's state; each delivery renders it and refreshes the badge.
        QTRY_COMPARE(f.daemon.watchConnections(), 1);
        f.daemon.pushWatch(R"({"kind":"capture","capturing":true,"displays":2})"
                           "\n");
        QTRY_COMPARE(stateLine->text(), QStringLiteral("Recording 2 displays"));
        QTRY_COMPARE(f.delegate.statusMenu().pendingProposals(), qint64(1));
        QTRY_COMPARE(f.delegate.statusItem().toolTip(),
                     QStringLiteral("Vesk is recording 2 displays · 1 waiting on you"));
        // Both start-up chains asked (the first-run page asks too) and stopped at the definite answer.
        QTRY_VERIFY(f.daemon.count(QStringLiteral("status")) >= 2);
        f.barrier();
        QCOMPARE(f.daemon.count(QStringLiteral("hello")), hellos);
        QCOMPARE(helloReplies.size(), hellos);
        QCOMPARE(f.clock.pendingCount(), 2); // only the started reminders' pass and first pass
        QTEST(anyWindowShown(), "panelShown");
        // The started reminders' held-back items enable the weekly review.
        QTRY_COMPARE(f.line(StatusMenu::Line::digest)->text(), QStringLiteral("Weekly review (1)"));
        QVERIFY(f.line(StatusMenu::Line::digest)->isEnabled());
    }

    // Every way into the setup guide, diagnostics and the ask panel lands where it says.
    void waysIn_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("progress"); // of the guide; empty: the guide stays closed
        QTest::addColumn<QString>("alert");
        QTest::addColumn<bool>("askShown");
        QTest::newRow("a fresh install") << "fresh install"
                                         << "2 OF 3"
                                         << "" << false;
        QTest::newRow("Set up Vesk…") << "setup"
                                      << "2 OF 3"
                                      << "" << false;
        // Before its last page the guide leaves the shortcut to the ask panel.
        QTest::newRow("the shortcut over the guide") << "shortcut"
                                                     << "2 OF 3"
                                                     << "" << true;
        QTest::newRow("Review setup & permissions…") << "review"
                                                     << "1 OF 3"
                                                     << "" << false;
        QTest::newRow("Connect an agent") << "agents"
                                          << "2 OF 3"
                                          << "" << true;
        QTest::newRow("Run diagnostics") << "diagnostics"
                                         << ""
                                         << "Vesk could not run diagnostics" << false;
        QTest::newRow("a second start") << "activate"
                                        << ""
                                        << "" << true;
        QTest::newRow("a refused hello") << "stale"
                                         << ""
                                         << "Vesk was updated while it was running." << false;
    }
    void waysIn()
    {
        QFETCH(QString, way);
        QFETCH(QString, progress);
        QFETCH(QString, alert);
        AppFixture f;
        f.defaults.setInteger(QString::fromLatin1(OnboardingWindow::stepKey), 5);
        f.daemon.reply(
            QStringLiteral("status"),
            QJsonObject{{QStringLiteral("kind"), QStringLiteral("status")}, {QStringLiteral("onboarded"), true}});
        f.daemon.reply(QStringLiteral("hello"), QJsonObject{{QStringLiteral("writable"), way != "stale"}});
        f.platform.serviceManager->ships = way == "fresh install";
        f.delegate.applicationDidFinishLaunching();
        if (way == "setup" || way == "shortcut" || way == "review" || way == "diagnostics")
            f.line(way == "setup" || way == "shortcut" ? StatusMenu::Line::setup
                       : way == "review"               ? StatusMenu::Line::reviewSetup
                                                       : StatusMenu::Line::diagnostics)
                ->trigger();
        if (way == "agents") {
            f.delegate.askWindow().showFirstRun();
            clickButton(f.delegate.askWindow().panelWidget(), "Connect an agent");
        }
        if (way == "activate")
            f.delegate.activate({});
        if (way == "shortcut")
            f.platform.hotkey->press();
        f.barrier();
        OnboardingWindow& guide = f.delegate.onboardingWindow();
        QTRY_COMPARE(guide.isVisible() ? guide.progressWidget()->text() : "", progress);
        QTRY_COMPARE(f.alerts.shown.isEmpty() ? QString() : f.alerts.shown.first().title, alert);
        QTEST(f.delegate.askWindow().panelWidget() && f.delegate.askWindow().panelWidget()->isVisible(), "askShown");
        QCOMPARE(f.platform.launcher->relaunches.size(), int(way == "stale"));
    }

    void presentationHidesAskPanelAndAlert()
    {
        AppFixture f;
        f.delegate.applicationDidFinishLaunching();
        f.platform.hotkey->press();
        QTRY_VERIFY(anyWindowShown());
        // The shortcut asked the guide nothing: a guide never opened is not even built.
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(),
                             [](QWidget* w) { return qobject_cast<OnboardingWindow*>(w); }));

        // A confirmation is open over the panel when the mode is turned on from the menu.
        MessageBoxAlerts real;
        AlertSpec question;
        question.title = QStringLiteral("Forget this?");
        question.buttons = {QStringLiteral("Forget"), QStringLiteral("Cancel")};
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            f.line(StatusMenu::Line::presentation)->trigger();
        });
        QCOMPARE(real.run(question), Alerts::aborted);
        QVERIFY(f.presentation.isEnabled());
        QVERIFY(!anyWindowShown());

        // The shortcut shows nothing while presenting, and the panel again once the mode is off.
        f.platform.hotkey->press();
        QVERIFY(!anyWindowShown());
        f.line(StatusMenu::Line::presentation)->trigger();
        f.platform.hotkey->press();
        QTRY_VERIFY(anyWindowShown());
    }

    // The menu's "Your data…", "Privacy exclusions…" and "Interjection settings…", the launch
    // switches and the ask panel's first-run button each open their window, which asks the daemon
    // for what it shows.
    void windowsOpen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("window"); // 0 your data, 1 privacy exclusions, 2 interjection settings
        QTest::newRow("Your data… item") << "item" << 0;
        QTest::newRow("Privacy exclusions… item") << "item" << 1;
        QTest::newRow("Interjection settings… item") << "item" << 2;
        QTest::newRow("data surface") << "surface" << 0;
        QTest::newRow("privacy surface") << "surface" << 1;
        QTest::newRow("first-run Privacy exclusions") << "first run" << 1;
    }
    void windowsOpen()
    {
        QFETCH(QString, how);
        QFETCH(int, window);
        LaunchSwitches switches;
        if (how == "surface")
            switches.surface = window == 0 ? LaunchSwitches::Surface::data : LaunchSwitches::Surface::privacy;
        AppFixture f(switches);
        if (how == "surface")
            f.delegate.applicationDidFinishLaunching();
        const std::array<QWidget*, 3> windows{&f.delegate.dataWindow(), &f.delegate.privacyWindow(),
                                              &f.delegate.interjectionSettingsWindow()};
        if (how == "item") {
            QAction* item = f.line(std::array{StatusMenu::Line::data, StatusMenu::Line::privacy,
                                              StatusMenu::Line::interjectionSettings}[window]);
            QCOMPARE(item->text(),
                     (QStringList{"Your data…", "Privacy exclusions…", "Interjection settings…"}[window]));
            QVERIFY(item->isEnabled());
            item->trigger();
        }
        if (how == "first run") {
            f.delegate.askWindow().showFirstRun();
            clickButton(f.delegate.askWindow().panelWidget(), "Privacy exclusions");
        }
        f.sent(QStringList{"recent_deliveries", "app_blocks", "status"}[window], 1);
        QVERIFY(windows[window]->isVisible());
    }

    // "Ask something" in the menu opens the ask panel, the way its keys do.
    void askFromTheMenu()
    {
        AppFixture f;
        QAction* item = f.line(StatusMenu::Line::ask);
        QCOMPARE(item->text(), "Ask something");
        item->trigger();
        QTRY_VERIFY(f.delegate.askWindow().panelWidget() && f.delegate.askWindow().panelWidget()->isVisible());
    }

    // The weekly review from the menu: a decision there lowers the menu's count as the daemon's
    // next reading says, and "Open sources" shows the item's entity page in the ask panel.
    void reviewFromTheMenu()
    {
        AppFixture f;
        const QByteArray held = R"({"held_back":[{"node_id":4,"item_kind":"task","label":"Rotate keys"},
                                                  {"node_id":5,"item_kind":"decision","label":"Use half-even"}]})";
        f.daemon.sequence("interjection_signals", {line(held), line(held), line(R"({"held_back":[
                                                      {"node_id":5,"item_kind":"decision","label":"Use half-even"}]})")});
        f.daemon.reply("set_interjection_kind_stance", json(R"({"kind":"ok"})"));
        f.daemon.reply("record_interjection_outcome", json(R"({"kind":"ok"})"));
        f.delegate.reminders().start();
        QAction* digest = f.line(StatusMenu::Line::digest);
        QTRY_COMPARE(digest->text(), "Weekly review (2)");
        digest->trigger();
        DigestWindow& review = f.delegate.digestWindow();
        QTRY_VERIFY(visibleButton(&review, "Don't remind me")
                    && visibleButton(&review, "Don't remind me")->isEnabled());
        clickButton(&review, "Don't remind me");
        QTRY_COMPARE(digest->text(), "Weekly review (1)");
        QTRY_VERIFY(visibleButton(&review, "Open sources") && visibleButton(&review, "Open sources")->isEnabled());
        clickButton(&review, "Open sources");
        AskWindow& ask = f.delegate.askWindow();
        QTRY_VERIFY(ask.panelWidget() && ask.panelWidget()->isVisible());
        QCOMPARE(ask.fieldWidget()->text(), "Use half-even");
        QCOMPARE(f.sent("why", 1).last().value("node_id").toInteger(), 5);
    }

    void inboxItemRefreshesCount()
    {
        AppFixture f;
        f.daemon.reply(
            QStringLiteral("proposals"),
            QJsonObject{{QStringLiteral("proposals"), QJsonArray{QJsonObject{}, QJsonObject{}, QJsonObject{}}}});
        QAction* inbox = f.line(StatusMenu::Line::inbox);
        QVERIFY(inbox->isEnabled());
        inbox->trigger();
        QTRY_COMPARE(f.delegate.statusMenu().pendingProposals(), qint64(3));
        QCOMPARE(inbox->text(), QStringLiteral("What it knows about you  (3)"));
        // The menu's own refresh asks for up to 200 (the inbox asks for its own page besides).
        int ours = 0;
        for (const QJsonObject& request : f.sent(QStringLiteral("proposals")))
            ours += request.value(QStringLiteral("limit")).toInteger() == 200;
        QCOMPARE(ours, 1);
    }

    void watchFloodSendsTwoProposalRequests()
    {
        AppFixture f;
        // The first refresh stays in flight while every later state arrives.
        f.daemon.reply(QStringLiteral("proposals"),
                       QJsonObject{{QStringLiteral("proposals"), QJsonArray{QJsonObject{}}}}, 3.0);
        f.delegate.applicationDidFinishLaunching();
        QTRY_COMPARE(f.daemon.watchConnections(), 1);
        auto capture = [](int displays) {
            return QByteArray(R"({"kind":"capture","capturing":true,"displays":)") + QByteArray::number(displays)
                + "}\n";
        };
        f.daemon.pushWatch(capture(1));
        QTRY_COMPARE(f.daemon.count(QStringLiteral("proposals")), 1);
        for (int displays = 2; displays <= 4; ++displays) {
            f.daemon.pushWatch(capture(displays - 1).repeated(1000) + capture(displays));
            QTRY_COMPARE(f.line(StatusMenu::Line::state)->text(),
                         QStringLiteral("Recording ") + QString::number(displays) + QStringLiteral(" displays"));
        }
        QCOMPARE(f.daemon.count(QStringLiteral("proposals")), 1);
        // One in flight, one waiting to follow it: the last state is still refreshed.
        QTRY_COMPARE_WITH_TIMEOUT(f.daemon.count(QStringLiteral("proposals")), 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(f.delegate.statusItem().toolTip(),
                                  QStringLiteral("Vesk is recording 4 displays · 1 waiting on you"), 10000);
        f.barrier();
        QCOMPARE(f.daemon.count(QStringLiteral("proposals")), 2);
    }

    void presentationModeKeptAcrossLaunches()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.json"));
        {
            Defaults first(path);
            PresentationMode mode(first);
            mode.setEnabled(true);
        }
        AppFixture f({}, path);
        QCOMPARE(f.line(StatusMenu::Line::presentation)->text(), QStringLiteral("Presentation Mode  ·  on"));
        QVERIFY(f.line(StatusMenu::Line::presentation)->isChecked());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
