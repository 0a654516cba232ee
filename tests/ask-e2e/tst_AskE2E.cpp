// Runs under tests/e2e/with-x11: a real X server, jwm, the X11 Alt+Space grab and veskd-demo.
// The application object is the real one; only its settings live in a temporary folder.
#include "AppDelegate.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "Defaults.h"
#include "InkButton.h"
#include "PresentationMode.h"
#include "ScriptedAlerts.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
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
        QVERIFY2(QGuiApplication::platformName() == QStringLiteral("xcb"), "run me under tests/e2e/with-x11");
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

        // What the panel shows is the daemon's own answer to the same question.
        std::optional<QString> expected;
        bool replied = false;
        client->ask(question, QCoreApplication::instance(), [&](Reply reply) {
            replied = true;
            if (reply)
                expected = reply->value(QStringLiteral("answer")).toString();
        });
        QTRY_VERIFY_WITH_TIMEOUT(replied, 15000);
        QVERIFY(expected && !expected->isEmpty());
        QWidget* column = ask.resultColumn()->content();
        QStringList shown;
        for (QLabel* label : column->findChildren<QLabel*>())
            if (label->isVisibleTo(column))
                shown << label->text();
        QVERIFY2(shown.contains(*expected), qPrintable(shown.join(" | ")));

        // The digest reaches the X clipboard from the real key.
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")});
        QTRY_COMPARE_WITH_TIMEOUT(ask.hintLabel()->text(),
                                  QStringLiteral("Copied for agent · no hidden screen text included"), 5000);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Question\n") + question
                                                                + QStringLiteral("\n\nAnswer\n") + *expected));

        // A click on a button of the answer leaves the keyboard in the field: what is typed next lands there.
        InkButton* details = nullptr;
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

private:
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
