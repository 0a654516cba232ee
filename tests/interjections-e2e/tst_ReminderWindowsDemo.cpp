// The weekly review and the reminders' settings, opened from the status menu, against the real
// veskd-demo.
#include "AppDelegate.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "Defaults.h"
#include "DemoProcess.h"
#include "DigestWindow.h"
#include "FakePlatform.h"
#include "InkLabel.h"
#include "InterjectionCard.h"
#include "InterjectionController.h"
#include "PresentationMode.h"
#include "ScriptedAlerts.h"
#include "ScrollColumn.h"
#include "Seen.h"
#include "StatusMenu.h"
#include "TestClock.h"

#include <QAbstractButton>
#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

QStringList texts(QWidget* window)
{
    return visibleTexts<InkLabel>(window, Empty::keep);
}

// The vesk program's delegate on the demo daemon; the platform and the clock are stand-ins, so
// no timed pass runs of its own.
struct Vesk {
    explicit Vesk(const QString& socket)
        : client(socket, clock)
        , defaults(dir.filePath("defaults.json"))
        , presentation(defaults)
        , delegate({client, platform.services, presentation, alerts, clock, defaults}, LaunchSwitches{})
    {
    }
    QAction* line(StatusMenu::Line which) { return delegate.statusMenu().item(which); }

    QTemporaryDir dir;
    vesk::test::TestClock clock;
    DaemonClient client;
    Defaults defaults;
    PresentationMode presentation;
    vesk::test::FakePlatform platform;
    vesk::test::ScriptedAlerts alerts;
    AppDelegate delegate;
};

} // namespace

class ReminderWindowsDemoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void reviewFromTheMenu()
    {
        DemoProcess demo;
        QVERIFY(demo.ready());
        Vesk vesk(demo.socketPath);
        vesk.delegate.reminders().start();
        QAction* digest = vesk.line(StatusMenu::Line::digest);
        QTRY_COMPARE(digest->text(), "Weekly review (3)");
        QVERIFY(digest->isEnabled());
        digest->trigger();
        DigestWindow& review = vesk.delegate.digestWindow();
        QTRY_VERIFY(texts(&review).contains("1 of 3 held back this week"));
        QVERIFY(texts(&review).contains("Rotate the staging API keys"));
        QVERIFY(texts(&review).contains("Task · 4 sources · 71% relevance"));
        clickButton(&review, "Don't remind me");
        QTRY_VERIFY(texts(&review).contains("1 of 2 held back this week"));
        QVERIFY(texts(&review).contains("Who owns the staging deploy pipeline?"));
        QTRY_COMPARE(digest->text(), "Weekly review (2)");
        QVERIFY(vesk.delegate.reminders().settings().learned().muted.contains("task"));
    }

    // A card's "Open sources" lands on an entity page tall enough to read, under the entity's own
    // name rather than the card's headline, whose way back searches that name.
    void openSourcesFromACard()
    {
        DemoProcess demo;
        QVERIFY(demo.ready());
        Vesk vesk(demo.socketPath);
        InterjectionController& reminders = vesk.delegate.reminders();
        reminders.start();
        reminders.show(Candidate{11, "Reopened: Use banker's rounding…", "decision", 3, 0, "", std::nullopt},
                       Decision::Accounting::semanticCard);
        QVERIFY(reminders.card());
        clickButton(reminders.card(), "Open sources");
        AskWindow& ask = vesk.delegate.askWindow();
        QTRY_VERIFY(ask.panelWidget() && ask.panelWidget()->isVisible());
        QWidget* page = ask.resultColumn()->content();
        QTRY_VERIFY(texts(page).contains("Use banker's rounding for invoice totals"));
        QVERIFY(!texts(page).contains("Reopened: Use banker's rounding…"));
        QVERIFY(texts(page).contains("‹  search for “Use banker's rounding for invoice totals”"));
        QCOMPARE(ask.fieldWidget()->text(), "Use banker's rounding for invoice totals");
        // The page's own column, in the panel as the window manager placed it.
        QTRY_VERIFY(ask.resultColumn()->height() >= 400);
        QVERIFY(ask.panelWidget()->frameGeometry().bottom()
                <= QGuiApplication::primaryScreen()->availableGeometry().bottom());
    }
};

QTEST_MAIN(ReminderWindowsDemoTest)
#include "tst_ReminderWindowsDemo.moc"
