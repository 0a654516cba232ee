#include "AskFixture.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

class AskPanelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void showStartsAfreshOnlyFromHidden()
    {
        AskFixture f;
        f.window.updateCaptureStatus("Recording");
        f.window.show();
        QVERIFY(f.window.panel->isVisible());
        QCOMPARE(f.window.panel->windowTitle(), "Ask Vesk · Recording");
        QCOMPARE(f.texts(), QStringList{"Search your local memory, or press return to ask a question."});
        QCOMPARE(f.window.hint->text(), "return to ask · esc to close");
        QTRY_VERIFY(f.window.panel->isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), f.window.field);

        // Placed at 48 % of the visible width (clamped), 11 % below its top, compact.
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect frame = f.window.panel->geometry();
        QCOMPARE(frame.width(), std::clamp(int(std::lround(visible.width() * 0.48)), 560, 860));
        QCOMPARE(frame.height(), AskWindow::compactHeight);
        QCOMPARE(frame.top(), visible.top() + int(std::lround(visible.height() * 0.11)));
        QVERIFY(std::abs(frame.center().x() - visible.center().x()) <= 1);

        const quint64 generation = f.window.generation;
        f.type("half a question");
        f.window.show(); // already visible: nothing changes
        QCOMPARE(f.window.field->text(), "half a question");
        QCOMPARE(f.window.generation, generation);

        QTest::keyClick(f.window.field, Qt::Key_Escape);
        QVERIFY(!f.window.panel->isVisible());
        f.window.show();
        QCOMPARE(f.window.field->text(), QString());
        QCOMPARE(f.window.generation, generation + 1);
    }

    void toggle_data()
    {
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<bool>("visibleBefore");
        QTest::addColumn<bool>("visibleAfter");
        QTest::newRow("hidden opens") << false << false << true;
        QTest::newRow("active closes") << false << true << false;
        QTest::newRow("presenting keeps it hidden") << true << false << false;
        QTest::newRow("presenting leaves a visible panel alone") << true << true << true;
    }
    void toggle()
    {
        QFETCH(bool, presenting);
        QFETCH(bool, visibleBefore);
        QFETCH(bool, visibleAfter);
        AskFixture f;
        if (visibleBefore) {
            f.window.show();
            QTRY_VERIFY(f.window.panel->isActiveWindow());
        }
        // Set directly: the mode's own switch would also hide the panel.
        f.defaults.setBoolean(PresentationMode::key, presenting);
        f.window.toggle();
        QCOMPARE(f.window.panel && f.window.panel->isVisible(), visibleAfter);
    }

    void toggleRaisesAPanelThatIsNotActive()
    {
        AskFixture f;
        QWidget other;
        f.window.show();
        f.type("keep me");
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!f.window.panel->isActiveWindow());
        f.window.toggle();
        QTRY_VERIFY(f.window.panel->isActiveWindow());
        QVERIFY(f.window.panel->isVisible());
        QCOMPARE(f.window.field->text(), "keep me");
    }

    void heightsAndInspector()
    {
        AskFixture f;
        f.daemon.silent("ask");
        f.window.show();
        const QRect compact = f.window.panel->geometry();
        f.askByKeyboard("expand for me");
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(f.window.panel->height(), std::min(int(std::lround(visible.height() * 0.7)), 640));
        QCOMPARE(f.window.panel->geometry().top(), compact.top());
        QVERIFY(f.window.panel->geometry().bottom() <= visible.bottom());

        const int columnBefore = f.window.width();
        QCOMPARE(columnBefore, compact.width() - 2 * AskWindow::pad);
        f.window.setInspector(true);
        QCOMPARE(f.window.panel->width(), std::min(compact.width() + AskWindow::panelW, visible.width() - 24));
        QVERIFY(f.window.panel->geometry().right() <= visible.right());
        QCOMPARE(f.window.width(), std::max(f.window.panel->width() - AskWindow::panelW - 2 * AskWindow::pad, 260));
        f.window.closeInspector();
        QCOMPARE(f.window.panel->width(), compact.width());

        f.window.search("ab"); // a short search makes it compact again
        QCOMPARE(f.window.panel->height(), AskWindow::compactHeight);
    }

    void columnNeverNarrowerThan260()
    {
        AskFixture f;
        QCOMPARE(f.window.width(), AskWindow::defaultWidth - 2 * AskWindow::pad);
        f.window.show();
        f.window.setInspector(true);
        f.window.panel->setMinimumSize(0, 0);
        f.window.panel->resize(300, 300);
        QCOMPARE(f.window.width(), 260);
    }

    void firstRun_data()
    {
        QTest::addColumn<QString>("status"); // empty: no reply
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("askEnabled");
        QTest::newRow("ready") << R"({"kind":"status","frames":1,"nodes":1})"
                               << "Ready on this Mac: 1 screenshot and 1 searchable memory item." << true;
        QTest::newRow("building") << R"({"kind":"status","frames":12,"nodes":0})"
                                  << "Vesk is building local memory. 12 screenshots captured; no searchable memory "
                                     "items are ready yet. Leave Vesk running and try again shortly."
                                  << false;
        QTest::newRow("unreachable") << "" << "Vesk is not reachable yet. Your setup is saved; try again shortly."
                                     << false;
    }
    void firstRun()
    {
        QFETCH(QString, status);
        QFETCH(QString, line);
        QFETCH(bool, askEnabled);
        AskFixture f;
        if (status.isEmpty())
            f.daemon.closeEarly("status");
        else
            f.daemon.replyRaw("status", status.toUtf8() + '\n');
        f.daemon.reply("ask", json(R"({"answer":"You were writing tests."})"));
        f.window.showFirstRun();
        QVERIFY(f.texts().contains("Checking your local memory…"));
        QVERIFY(f.texts().contains("Pick up where you left off."));
        QVERIFY(!f.button("Ask: What was I working on?")->isEnabled());
        QVERIFY(!f.button("Connect an agent")->isEnabled()); // no window to open yet
        QTRY_VERIFY(f.texts().contains(line));
        QCOMPARE(f.button("Ask: What was I working on?")->isEnabled(), askEnabled);

        bool privacyOpened = false;
        f.window.onOpenPrivacyExclusions = [&] { privacyOpened = true; };
        QTest::mouseClick(f.button("Check memory again"), Qt::LeftButton);
        QTRY_COMPARE(f.daemon.count("status"), 2);
        QTest::mouseClick(f.button("Privacy exclusions"), Qt::LeftButton);
        QVERIFY(privacyOpened);
        if (!askEnabled)
            return;
        QTRY_VERIFY(f.button("Ask: What was I working on?")->isEnabled());
        QTest::mouseClick(f.button("Ask: What was I working on?"), Qt::LeftButton);
        QCOMPARE(f.window.field->text(), "What was I working on?");
        QTRY_VERIFY(f.texts().contains("You were writing tests."));
    }

    void presentationKeepsTheFirstRunPageAway()
    {
        AskFixture f;
        f.window.show();
        f.window.close();
        f.defaults.setBoolean(PresentationMode::key, true);
        f.window.showFirstRun();
        QVERIFY(!f.window.panel->isVisible());
        f.barrier();
        QCOMPARE(f.daemon.count("status"), 0);
    }

    void lateStatusChangesNothing()
    {
        AskFixture f;
        f.daemon.reply("status", json(R"({"kind":"status","frames":3,"nodes":3})"), 0.3);
        f.daemon.silent("ask");
        f.window.showFirstRun();
        f.askByKeyboard("what now?");
        f.barrier();
        QCOMPARE(f.texts(), (QStringList{"GENERATING AN ANSWER",
                                         "Searching local evidence first, then asking the enabled answer model."}));
    }

    void keyEquivalents()
    {
        AskFixture f;
        f.window.show();
        int inbox = 0;
        f.window.panel->onInbox = [&] { ++inbox; };
        f.type("abc");
        QTest::keyClick(f.window.field, Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(inbox, 1);
        QCOMPARE(f.window.field->text(), "abc"); // the field did not cut to the end of the line
        QTest::keyClick(f.window.field, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(inbox, 1);
    }
};

QTEST_MAIN(AskPanelTest)
#include "tst_AskPanel.moc"
