#include "Alerts.h"
#include "Defaults.h"
#include "PresentationMode.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace vesk;

namespace {
AlertSpec confirmation()
{
    AlertSpec question;
    question.title = QStringLiteral("Forget everything Vesk has recorded about this project?");
    question.text = QStringLiteral("It cannot be undone.");
    question.buttons = {QStringLiteral("Forget"), QStringLiteral("Cancel")};
    return question;
}

struct Store {
    // `unwritable`: a folder stands where the settings file would go, so nothing can be stored.
    explicit Store(bool unwritable = false)
        : made(!unwritable || QDir(dir.path()).mkdir(QStringLiteral("defaults.json")))
    {
    }
    QTemporaryDir dir;
    bool made;
    Defaults defaults{dir.filePath(QStringLiteral("defaults.json"))};
    PresentationMode mode{defaults};
};
} // namespace

class PresentationModeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
    }

    void notifiesOnlyOnChange_data()
    {
        QTest::addColumn<QList<bool>>("calls");
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<int>("notifications");
        QTest::addColumn<bool>("final");
        QTest::newRow("on twice") << QList<bool>{true, true} << false << 1 << true;
        QTest::newRow("off while off") << QList<bool>{false} << false << 0 << false;
        QTest::newRow("on, off, off") << QList<bool>{true, false, false} << false << 2 << false;
        QTest::newRow("unwritable store: on holds for this run") << QList<bool>{true, true} << true << 1 << true;
        QTest::newRow("unwritable store: on, off") << QList<bool>{true, false} << true << 2 << false;
    }

    void notifiesOnlyOnChange()
    {
        QFETCH(QList<bool>, calls);
        QFETCH(bool, unwritable);
        Store s(unwritable);
        QVERIFY(s.made);
        QSignalSpy changed(&s.mode, &PresentationMode::changed);
        for (bool value : calls) {
            const bool change = value != s.mode.isEnabled();
            QCOMPARE(s.mode.setEnabled(value), !(unwritable && change));
        }
        QTEST(int(changed.size()), "notifications");
        QTEST(s.mode.isEnabled(), "final");
        // What was stored is what the next launch reads.
        QCOMPARE(PresentationMode(s.defaults).isEnabled(), !unwritable && s.mode.isEnabled());
    }

    void windowBecomingActiveIsHidden()
    {
        Store s;
        s.mode.setEnabled(true);
        QWidget panel;
        panel.show();
        panel.activateWindow();
        QTRY_VERIFY(!panel.isVisible());

        // Off again: windows stay.
        s.mode.setEnabled(false);
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QVERIFY(panel.isVisible());
    }

    void modalAlertStaysWhilePresenting()
    {
        Store s;
        s.mode.setEnabled(true);
        MessageBoxAlerts alerts;
        bool sawIt = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(QTest::qWaitForWindowActive(box));
            sawIt = box->isVisible();
            // Wide enough for the whole question in a title bar, beside the bar's buttons.
            QVERIFY(box->width() > QFontMetrics(QApplication::font()).horizontalAdvance(box->windowTitle()) + 100);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QStringLiteral("Forget"))
                    b->click();
        });
        QCOMPARE(alerts.run(confirmation()), 0);
        QVERIFY(sawIt);
    }

    void turningOnAbortsOpenAlert()
    {
        Store s;
        QWidget panel;
        QWidget tool(nullptr, Qt::Tool);
        panel.show();
        tool.show();
        MessageBoxAlerts alerts;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            s.mode.setEnabled(true);
        });
        QCOMPARE(alerts.run(confirmation()), Alerts::aborted);
        QVERIFY(!panel.isVisible());
        QVERIFY(!tool.isVisible());
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Turning the mode on hides an open menu or tool tip too; a menu opened while presenting stays,
    // since the status menu is where the mode is turned off.
    void openMenusHidden()
    {
        Store s;
        QMenu menu;
        menu.addAction(QStringLiteral("Copy"));
        QWidget tip(nullptr, Qt::ToolTip);
        menu.popup(QPoint(10, 10));
        tip.show();
        QTRY_VERIFY(menu.isVisible() && tip.isVisible());
        s.mode.setEnabled(true);
        QVERIFY(!menu.isVisible() && !tip.isVisible());
        menu.popup(QPoint(10, 10));
        QCoreApplication::processEvents();
        QVERIFY(menu.isVisible());
    }

    // The presenter with a daemon's message of any size, in a message box or a dialog that asks for
    // text: the box stays on the screen with its buttons, shows a cut text, and keeps the whole one
    // under its details.
    void hugeMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asksForText");
        QTest::newRow("one unbroken line") << QString(200'000, QLatin1Char('x')) << false;
        QTest::newRow("many short lines") << QStringLiteral("no such frame\n").repeated(15'000) << false;
        QTest::newRow("long words and emoji") << QStringLiteral("a\U0001F600").repeated(60'000) << false;
        QTest::newRow("asking for text, one unbroken line") << QString(200'000, QLatin1Char('x')) << true;
    }
    void hugeMessage()
    {
        QFETCH(QString, text);
        QFETCH(bool, asksForText);
        AlertSpec alert;
        alert.style = AlertSpec::Style::warning;
        alert.title = QStringLiteral("Could not rename that.");
        alert.text = text;
        alert.buttons = {QStringLiteral("OK")};
        alert.field = asksForText ? std::optional(QStringLiteral("New name")) : std::nullopt;
        MessageBoxAlerts alerts;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QDialog*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QTRY_VERIFY(box->isVisible());
            const QRect screen = box->screen()->availableGeometry();
            QMap<QString, QAbstractButton*> buttons;
            for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                buttons[b->text()] = b;
            QAbstractButton* ok = buttons.value(QStringLiteral("OK"));
            QVERIFY(ok);
            QVERIFY2(box->width() <= screen.width(), qPrintable(QString::number(box->width())));
            QVERIFY(screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
            QStringList cut;
            for (QLabel* label : box->findChildren<QLabel*>())
                if (label->text().endsWith(QChar(0x2026)))
                    cut << label->text();
            QVERIFY(cut.size() == 1 && cut.first().size() < 1'000);
            buttons.value(QStringLiteral("Show Details..."))->click();
            QTRY_VERIFY(box->findChild<QTextEdit*>()->isVisible());
            QCOMPARE(box->findChild<QTextEdit*>()->toPlainText(), alert.title + QStringLiteral("\n\n") + text);
            seen = true;
            ok->click();
        });
        QCOMPARE(alerts.run(alert), 0);
        QVERIFY(seen);
    }
};

QTEST_MAIN(PresentationModeTest)
#include "tst_PresentationMode.moc"
