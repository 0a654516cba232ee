// Runs under tests/e2e/with-x11 (a real X server, jwm, the X11 Alt+Space grab) or, for the command
// line's way in, tests/e2e/with-wayland (weston headless, a private session bus), with veskd-demo.
// The application object is the real one; only its settings live in a temporary folder.
#include "AppDelegate.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "Defaults.h"
#include "InkButton.h"
#include "PresentationMode.h"
#include "ScriptedAlerts.h"
#include "ScrollColumn.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace vesk;

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QStringLiteral("<%1 %2 failed>").arg(program, args.join(' '));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList& args)
{
    return run(QStringLiteral("xdotool"), args);
}

// The name the window manager reports for the active window.
QString activeWindowName()
{
    return xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
}

} // namespace

class AskE2ETest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY2(QGuiApplication::platformName() == QStringLiteral("xcb")
                     || QGuiApplication::platformName() == QStringLiteral("wayland"),
                 "run me under tests/e2e/with-x11 or tests/e2e/with-wayland");
        const QString demoBinary = qEnvironmentVariable("VESKD_DEMO_BINARY");
        QVERIFY2(QFile::exists(demoBinary), "VESKD_DEMO_BINARY names no file");
        socket = home.filePath(QStringLiteral("veskd.sock"));
        demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        demo.start(demoBinary, {QStringLiteral("--socket"), socket});
        QVERIFY(demo.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 10000);

        defaults = std::make_unique<Defaults>(home.filePath(QStringLiteral("defaults.json")));
        presentation = std::make_unique<PresentationMode>(*defaults);
        client = std::make_unique<DaemonClient>(socket);
        platform = createPlatformServices();
        delegate = std::make_unique<AppDelegate>(
            AppDelegate::Services{*client, platform, *presentation, alerts, systemClock(), *defaults},
            LaunchSwitches{});
        delegate->applicationDidFinishLaunching();
    }

    void cleanupTestCase()
    {
        delegate.reset();
        demo.terminate();
        demo.waitForFinished(5000);
    }

    void altSpaceAsksAndEscapeHides()
    {
        xdotool({QStringLiteral("key"), QStringLiteral("alt+space")});
        AskWindow& ask = delegate->askWindow();
        QTRY_VERIFY_WITH_TIMEOUT(ask.panelWidget() && ask.panelWidget()->isVisible(), 5000);
        AskPanel* panel = ask.panelWidget();
        QLineEdit* field = ask.fieldWidget();
        // Active in the window manager's eyes, with the caret in the field.
        QTRY_VERIFY_WITH_TIMEOUT(panel->isActiveWindow(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), panel->windowTitle(), 5000);
        QTRY_COMPARE(QApplication::focusWidget(), field);

        const QString question = QStringLiteral("What was I working on?");
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), question});
        QTRY_COMPARE_WITH_TIMEOUT(field->text(), question, 5000);
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        const QString answerHint = QStringLiteral("Ctrl+Shift+C copy for agent · return to ask · esc to close");
        QTRY_COMPARE_WITH_TIMEOUT(ask.hintLabel()->text(), answerHint, 15000);

        const QString expected = answerShown(question);
        QVERIFY(!expected.isEmpty());

        // The digest reaches the X clipboard from the real key.
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")});
        QTRY_COMPARE_WITH_TIMEOUT(ask.hintLabel()->text(),
                                  QStringLiteral("Copied for agent · no hidden screen text included"), 5000);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Question\n") + question
                                                                + QStringLiteral("\n\nAnswer\n") + expected));

        // A click on a button of the answer leaves the keyboard in the field: what is typed next lands there.
        InkButton* details = nullptr;
        QWidget* column = ask.resultColumn()->content();
        for (InkButton* b : column->findChildren<InkButton*>())
            if (b->isVisibleTo(column) && b->text().contains(QStringLiteral("Details")))
                details = b;
        QVERIFY(details);
        const QPoint at = details->mapToGlobal(details->rect().center());
        xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                 QStringLiteral("1")});
        xdotool({QStringLiteral("type"), QStringLiteral("!")});
        QTRY_COMPARE_WITH_TIMEOUT(field->text(), question + QStringLiteral("!"), 5000);

        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 5000);

        // Back again: afresh, focused, empty field.
        xdotool({QStringLiteral("key"), QStringLiteral("alt+space")});
        QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(panel->isActiveWindow(), 5000);
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), panel->windowTitle(), 5000);
        QCOMPARE(field->text(), QString());
        QCOMPARE(ask.hintLabel()->text(), QStringLiteral("return to ask · shift+return to search · esc to close"));

        // The shortcut on the active panel puts it away.
        xdotool({QStringLiteral("key"), QStringLiteral("alt+space")});
        QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 5000);
    }

    // On Wayland no key reaches the panel from outside: the real `vesk --ask` shows it, and the
    // keys are typed here.
    void commandLineAsks()
    {
        qputenv("HOME", home.path().toUtf8()); // this process is the one Vesk of that home
        SingleInstance instance(SingleInstance::forThisProcess().first);
        QCOMPARE(instance.claim({}), SingleInstance::Claim::primary);
        connect(&instance, &SingleInstance::activated, delegate.get(), &AppDelegate::activate);
        AskWindow& ask = delegate->askWindow();
        QTRY_COMPARE(ask.panelWidget() && ask.panelWidget()->isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
        ask.close();
        QProcess second;
        second.start(qEnvironmentVariable("VESK_BINARY"), {QStringLiteral("--ask")});
        // Answered from this event loop: wait in it.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
        QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QTRY_VERIFY(ask.panelWidget() && ask.panelWidget()->isVisible());
        const QString question = QStringLiteral("What was I working on?");
        QTest::keyClicks(ask.fieldWidget(), question);
        QTest::keyClick(ask.fieldWidget(), Qt::Key_Return);
        QVERIFY(!answerShown(question).isEmpty());
    }

private:
    // Waits for the panel to show the daemon's own answer to `question`: that answer, or nothing.
    QString answerShown(const QString& question)
    {
        QString expected;
        QObject receiver; // a reply after the wait is dropped with it
        client->ask(question, &receiver, [&](Reply reply) {
            expected = reply ? reply->value(QStringLiteral("answer")).toString() : QStringLiteral("-");
        });
        const auto shown = [&] {
            QWidget* column = delegate->askWindow().resultColumn()->content();
            for (QLabel* label : column->findChildren<QLabel*>())
                if (!expected.isEmpty() && label->isVisibleTo(column) && label->text() == expected)
                    return true;
            return false;
        };
        return QTest::qWaitFor(shown, 20000) ? expected : QString();
    }

    QTemporaryDir home;
    QString socket;
    QProcess demo;
    std::unique_ptr<Defaults> defaults;
    std::unique_ptr<PresentationMode> presentation;
    std::unique_ptr<DaemonClient> client;
    PlatformServices platform;
    test::ScriptedAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;
};

QTEST_MAIN(AskE2ETest)
#include "tst_AskE2E.moc"
