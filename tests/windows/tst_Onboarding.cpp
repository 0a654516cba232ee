#include "AccessibleTree.h"
#include "AskShortcut.h"
#include "DaemonRig.h"
#include "FakePlatform.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "KeyRecorder.h"
#include "OnboardingText.h"
#include "OnboardingWindow.h"
#include "ScriptedAlerts.h"
#include "Seen.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

const QByteArray claudeConnected
    = R"({"kind":"connections","clis":[{"name":"Claude Code","detected":true,"registered":true}]})";
const QByteArray bothAllowed = R"({"kind":"status","screen_recording":true,"accessibility":true})";

// The guide on a fake daemon that, unless told otherwise, has Claude Code connected and both
// permissions granted; it reads only what the panel shows.
struct Guide : DaemonRig {
    explicit Guide(std::optional<qint64> storedStep = std::nullopt)
    {
        if (storedStep)
            defaults.setInteger(QString::fromLatin1(OnboardingWindow::stepKey), *storedStep);
        daemon.replyRaw(QStringLiteral("connections"), claudeConnected + '\n');
        daemon.replyRaw(QStringLiteral("status"), bothAllowed + '\n');
    }

    QWidget* panel() { return &window; }
    QStringList texts() const { return visibleTexts<InkLabel>(&window, Empty::keep); }
    InkButton* button(const QString& title) const { return visibleButton(&window, title); }
    int buttonsTitled(const QString& title) const { return int(visibleButtons(&window, title).size()); }
    // Waits until the daemon's answers are on the page (the button says what it does again). The
    // permissions page shows no agent list, so its answer is waited for as a request answered.
    void settle()
    {
        QTRY_VERIFY(!window.continueWidget()->text().startsWith(QStringLiteral("Checking")));
        QTRY_VERIFY(!texts().contains(QStringLiteral("Checking installed agents…")));
        barrier();
    }

    FakePermissions permissions;
    FakePlatform platform;
    ScriptedAlerts alerts;
    // The shell's own shortcut, on a fake desktop whose hotkey takes any keys until told otherwise.
    AskShortcut shortcut{{platform.services, defaults, alerts, presentation}};
    OnboardingWindow window{{client, defaults, permissions, presentation, shortcut}};
};

} // namespace

class OnboardingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void opensAtTheStoredPage_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("title");
        QTest::newRow("a stored 3 is no page: the first") << qint64(3) << false << "1 OF 3"
                                                          << "Your work, connected.";
        QTest::newRow("the agents page") << qint64(5) << false << "2 OF 3"
                                         << "Connect your agents.";
        QTest::newRow("the last page is never stored") << qint64(7) << false << "1 OF 3"
                                                       << "Your work, connected.";
        QTest::newRow("a preview starts at the first") << qint64(6) << true << "1 OF 3"
                                                       << "Your work, connected.";
    }
    void opensAtTheStoredPage()
    {
        QFETCH(qint64, stored);
        QFETCH(bool, preview);
        QFETCH(QString, title);
        Guide g(stored);
        g.window.open(preview);
        QVERIFY(g.panel()->isVisible());
        QCOMPARE(g.panel()->windowTitle(), QStringLiteral("Set up Vesk"));
        QTEST(g.window.progressWidget()->text(), "progress");
        QVERIFY(g.texts().contains(title));
        QCOMPARE(g.window.backWidget()->isVisible(), g.window.progressWidget()->text() != "1 OF 3");
        // A review says on its first page that going through it changes nothing.
        QCOMPARE(g.texts().contains(OnboardingText::reviewNote()), preview);
    }

    void agentList_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("copyButtons");
        QTest::addColumn<bool>("canContinue");
        const QString note = QStringLiteral("Run a copied command in a terminal, then return and Check again. Existing "
                                            "configuration is backed up by Vesk's installer before it writes.");
        QTest::newRow("only other tools")
            << QByteArray(R"({"kind":"connections","clis":[{"name":"Gemini CLI","detected":true,"registered":true}]})")
            << QStringList{"Install Codex or Claude Code, then choose Check again to connect it."} << 0 << false;
        QTest::newRow("installed, nothing to run")
            << QByteArray(R"({"kind":"connections","clis":[{"name":"Codex","detected":true,"registered":false,
                             "command":""}]})")
            << QStringList{"Codex   ·   installed · not supported yet", note} << 0 << false;
        QTest::newRow("installed, with its command")
            << QByteArray(R"({"kind":"connections","clis":[{"name":"Codex","detected":true,"registered":false,
                             "command":"codex mcp add vesk"},{"name":"Claude Code"}]})")
            << QStringList{"Codex   ·   installed · not connected", "Claude Code   ·   not installed", note} << 1
            << false;
        QJsonArray many;
        QStringList listed;
        for (qsizetype i = 0; i < OnboardingText::shownAgents + 2; ++i)
            many.append(QJsonObject{{"name", "Codex"}});
        for (qsizetype i = 0; i < OnboardingText::shownAgents; ++i)
            listed << "Codex   ·   not installed";
        QTest::newRow("more than the page lists")
            << QJsonDocument(QJsonObject{{"kind", "connections"}, {"clis", many}}).toJson(QJsonDocument::Compact)
            << listed + QStringList{"2 more agents are not shown.", note} << 0 << false;
        QTest::newRow("connected") << claudeConnected << QStringList{"Claude Code   ·   connected", note} << 0 << true;
        QTest::newRow("no answer") << QByteArray(R"({"kind":"error"})")
                                   << QStringList{"Could not check agent connections. Choose Check again to retry; no "
                                                  "connection status is available yet."}
                                   << 0 << false;
    }
    void agentList()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, lines);
        QFETCH(bool, canContinue);
        Guide g(5);
        g.daemon.replyRaw(QStringLiteral("connections"), reply + '\n');
        g.window.open(false);
        g.settle();
        const QStringList shown = g.texts();
        QCOMPARE(shown.mid(shown.indexOf(QStringLiteral("Bring past sessions forward and share context with new ones."))
                           + 1),
                 lines);
        QTEST(g.buttonsTitled(QStringLiteral("Copy setup command")), "copyButtons");
        QCOMPARE(g.window.continueWidget()->isEnabled(), canContinue);
        // Continue goes nowhere until an agent is connected.
        QTest::keyClick(g.panel(), Qt::Key_Return);
        QCOMPARE(g.window.progressWidget()->text(), canContinue ? "3 OF 3" : "2 OF 3");
        if (InkButton* copy = g.button(QStringLiteral("Copy setup command"))) {
            copy->click();
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("codex mcp add vesk"));
            QCOMPARE(copy->text(), QStringLiteral("Copied"));
        }
    }

    void readiness_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<bool>("canStart");
        QTest::newRow("screen recording only") << QByteArray(R"({"kind":"status","screen_recording":true})")
                                               << QStringList{"running", "allowed", "not allowed"} << false;
        QTest::newRow("both allowed") << bothAllowed << QStringList{"running", "allowed", "allowed"} << true;
        QTest::newRow("a permission as a string")
            << QByteArray(R"({"kind":"status","screen_recording":"yes","accessibility":true})")
            << QStringList{"running", "not allowed", "allowed"} << false;
        QTest::newRow("no answer") << QByteArray(R"({"kind":"error"})")
                                   << QStringList{"not reachable", "not allowed", "not allowed"} << false;
    }
    void readiness()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, states);
        Guide g(6);
        // What this desktop asks for each permission: a button only where one does something.
        g.permissions.needs[Permissions::Kind::screenRecording] = {"Wayland asks through its portal.", "Open settings"};
        g.permissions.needs[Permissions::Kind::accessibility] = {"X11 asks for no grant.", {}};
        g.daemon.replyRaw(QStringLiteral("status"), reply + '\n');
        g.daemon.replyRaw(QStringLiteral("connections"), claudeConnected + '\n', 0.3); // after the readiness
        g.window.open(false);
        g.settle();
        const QStringList shown = g.texts();
        for (const QString& state : states)
            QVERIFY2(shown.contains(state), qPrintable(shown.join(" | ")));
        QCOMPARE(shown.filter(QRegularExpression(QStringLiteral("^(running|not reachable|allowed|not allowed)$"))),
                 states);
        QVERIFY(shown.contains(QStringLiteral("Wayland asks through its portal.")));
        QCOMPARE(g.window.continueWidget()->text(), QStringLiteral("Start Vesk"));
        // Start also needs the connected agent, whose answer lands after the readiness.
        QFETCH(bool, canStart);
        QCOMPARE(g.window.continueWidget()->isEnabled(), canStart);
        QCOMPARE(g.buttonsTitled(QStringLiteral("Open settings")), 1);
        QCOMPARE(accessibilityFaults(g.panel()), QStringList());

        // The button asks the desktop, and only the daemon's next answer changes the page.
        const int asked = g.daemon.count(QStringLiteral("status"));
        g.button(QStringLiteral("Open settings"))->click();
        QCOMPARE(g.permissions.requested, QList<Permissions::Kind>{Permissions::Kind::screenRecording});
        QCOMPARE(g.sent(QStringLiteral("status"), asked + 1).size(), asked + 1);
    }

    void startVesk_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("done");
        QTest::newRow("the daemon confirms") << QByteArray(R"({"kind":"ok"})") << true;
        QTest::newRow("the daemon refuses") << QByteArray(R"({"kind":"error"})") << false;
        QTest::newRow("the daemon answers something else") << QByteArray(R"({"kind":"status"})") << false;
    }
    void startVesk()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, done);
        Guide g(5);
        g.daemon.replyRaw(QStringLiteral("complete_onboarding"), reply + '\n', 0.3);
        QSignalSpy finished(&g.window, &OnboardingWindow::finished);
        QSignalSpy ask(&g.window, &OnboardingWindow::askRequested);
        g.window.open(false);
        QVERIFY(QTest::qWaitForWindowActive(g.panel()));
        g.settle();
        QTest::keyClick(g.panel(), Qt::Key_Return);
        g.settle();
        QCOMPARE(g.defaults.integer(QString::fromLatin1(OnboardingWindow::stepKey)), 6);
        // The shortcut belongs to the ask panel until the last page.
        QTest::keyClick(g.panel(), Qt::Key_Space, Qt::AltModifier);
        QCOMPARE(ask.size(), 0);

        QTRY_VERIFY(g.window.continueWidget()->isEnabled());
        QTest::keyClick(g.panel(), Qt::Key_Return);
        g.window.continueWidget()->click();
        QCOMPARE(g.window.continueWidget()->text(), QStringLiteral("Saving setup…"));
        QVERIFY(!g.window.continueWidget()->isEnabled() && !g.window.backWidget()->isEnabled());
        const QJsonObject sent = g.sent(QStringLiteral("complete_onboarding"), 1).first();
        QCOMPARE(sent, json(R"({"op":"complete_onboarding","answer_generation":true,"embeddings":true,
                                "relations":true,"profile":true})"));
        QTRY_COMPARE(g.window.continueWidget()->isEnabled(), true);
        g.barrier();
        QCOMPARE(g.daemon.count(QStringLiteral("complete_onboarding")), 1);
        QCOMPARE(finished.size(), int(done));
        QCOMPARE(g.defaults.integer(QString::fromLatin1(OnboardingWindow::stepKey)), 6);
        if (!done) {
            QCOMPARE(g.window.continueWidget()->text(), QStringLiteral("Could not reach Vesk — try again"));
            QCOMPARE(g.window.progressWidget()->text(), QStringLiteral("3 OF 3"));
            return;
        }
        QCOMPARE(g.window.progressWidget()->text(), QStringLiteral("ALL SET"));
        // Holding Alt alone lights the keys; Alt+Space opens the ask panel and closes the guide.
        QTest::keyPress(g.panel(), Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(g.window.shortcutKeysWidget()->colour(), Ink::text());
        QTest::keyClick(g.panel(), Qt::Key_Space, Qt::AltModifier);
        QCOMPARE(ask.size(), 1);
        QTRY_VERIFY(!g.panel()->isVisible());
    }

    // Return moves forward on every page: the keyboard is on Continue after each page change,
    // also when Continue waited for the daemon and after "Check again" by the mouse.
    void returnMovesForward()
    {
        Guide g(6);
        g.daemon.reply(QStringLiteral("complete_onboarding"), json(R"({"kind":"ok"})"));
        g.window.open(false);
        QVERIFY(QTest::qWaitForWindowActive(g.panel()));
        g.settle();
        g.window.backWidget()->setFocus(); // "Back" from the keyboard: Continue has it afterwards
        QTest::keyClick(g.window.backWidget(), Qt::Key_Return);
        QCOMPARE(g.window.progressWidget()->text(), QStringLiteral("2 OF 3"));
        for (const char* expected : {"3 OF 3", "ALL SET"}) {
            g.settle();
            QTest::mouseClick(g.button(QStringLiteral("Check again")), Qt::LeftButton);
            g.settle();
            QCOMPARE(g.window.focusWidget(), g.window.continueWidget());
            QTest::keyClick(g.window.focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(g.window.progressWidget()->text(), QString::fromLatin1(expected));
        }
    }

    // The last page's key recorder, pressed as a user does: the keys are tried at once, the page
    // says how that went, teaches the keys in force, and answers to them.
    void chooseOtherKeys_data()
    {
        QTest::addColumn<QStringList>("recorded"); // each recording in turn; "Escape" cancels
        QTest::addColumn<int>("registration");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("taught");
        using R = Hotkey::Registration;
        QTest::newRow("recorded") << QStringList{"Ctrl+Alt+K"} << int(R::registered) << "Ctrl+Alt+K opens Vesk now."
                                  << "Ctrl+Alt+K";
        QTest::newRow("taken") << QStringList{"Ctrl+Alt+K"} << int(R::taken)
                               << "Vesk could not register Ctrl+Alt+K: another app owns it. Vesk keeps Alt+Space."
                               << "Alt+Space";
        QTest::newRow("cancelled") << QStringList{"Escape"} << int(R::registered) << ""
                                   << "Alt+Space";
        // The first still waits on the desktop when the second is recorded: only the second counts,
        // and the keys in force are recorded like any others.
        QTest::newRow("pressed twice") << QStringList{"Ctrl+Alt+K", "Alt+Space"} << int(R::pending)
                                       << "Alt+Space opens Vesk now."
                                       << "Alt+Space";
    }
    void chooseOtherKeys()
    {
        QFETCH(QStringList, recorded);
        QFETCH(int, registration);
        QFETCH(QString, line);
        QFETCH(QString, taught);
        Guide g(5);
        g.platform.hotkey->result = Hotkey::Registration(registration);
        QSignalSpy ask(&g.window, &OnboardingWindow::askRequested);
        g.window.open(true); // a preview, from its first page
        QVERIFY(QTest::qWaitForWindowActive(g.panel()));
        while (g.window.progressWidget()->text() != QStringLiteral("ALL SET")) {
            g.settle();
            QTest::keyClick(g.panel(), Qt::Key_Return);
        }
        KeyRecorder* recorder = g.window.recorderWidget();
        const int registrations = g.platform.hotkey->registrations;
        for (const QString& keys : recorded) {
            QTest::mouseClick(recorder, Qt::LeftButton);
            QVERIFY(recorder->isRecording());
            const KeyChord chord = KeyChord::parse(keys).value_or(KeyChord{0, QStringLiteral("Escape")});
            QTest::keyClick(recorder, Qt::Key(keys == "Escape" ? Qt::Key_Escape : chord.qtKey()), chord.qtModifiers());
        }
        if (g.platform.hotkey->result == Hotkey::Registration::pending)
            g.platform.hotkey->settle(Hotkey::Registration::registered);
        const QStringList said
            = g.texts().filter(QRegularExpression(QStringLiteral("^(Trying|Vesk could|.* opens Vesk now)")));
        QCOMPARE(said, line.isEmpty() ? QStringList() : QStringList{line});
        QCOMPARE(g.platform.hotkey->registrations > registrations, !line.isEmpty());
        const KeyChord keys = *KeyChord::parse(taught);
        QVERIFY(g.texts().contains("Press " + taught + " to ask about your work."));
        QCOMPARE(g.window.shortcutKeysWidget()->text(), keys.text(QStringLiteral("  +  ")));
        QCOMPARE(recorder->text(), taught);
        QVERIFY(g.panel()->isVisible() && ask.isEmpty());

        // The page answers to the keys in force only.
        if (keys != KeyChord::standard())
            QTest::keyClick(g.panel(), Qt::Key_Space, Qt::AltModifier);
        QCOMPARE(ask.size(), 0);
        QTest::keyClick(g.panel(), Qt::Key(keys.qtKey()), keys.qtModifiers());
        QCOMPARE(ask.size(), 1);
        QTRY_VERIFY(!g.panel()->isVisible());
        // The preview walked every page without saving its place or telling the daemon.
        g.barrier();
        QCOMPARE(g.daemon.count(QStringLiteral("complete_onboarding")), 0);
        QCOMPARE(g.defaults.integer(QString::fromLatin1(OnboardingWindow::stepKey)), 5);
    }

    // A daemon that trickles its status (a byte every 20 s) holds no more than that one read: the
    // start-up's and the menu's status reads share it, and the guide's own reads still go out
    // and land while it trickles.
    void ownReadsWhileStatusTrickles()
    {
        Guide g(5);
        FakeDaemon::Script trickle{bothAllowed + '\n', FakeDaemon::Mode::Split};
        trickle.chunk = 1;
        trickle.gapSeconds = 20;
        g.daemon.sequence(QStringLiteral("status"), {trickle});
        for (int i = 0; i < 5; ++i) // two start-up chains and three menu openings
            g.client.status(app(), [](Reply) {});
        g.window.open(false);
        QTRY_VERIFY(g.texts().contains(QStringLiteral("Claude Code   ·   connected")));
        QCOMPARE(g.daemon.count(QStringLiteral("status")), 1);
        QVERIFY(g.window.continueWidget()->text().startsWith(QStringLiteral("Checking")));
        g.daemon.stop();
    }
};

QTEST_MAIN(OnboardingTest)
#include "tst_Onboarding.moc"
