#include "AskFixture.h"

#include "PortalAppearance.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

// Every row of the column lies inside the part of it the user can see.
bool rowsFit(const AskFixture& f)
{
    const int visible = f.window.resultColumn()->viewport()->width();
    for (Row* row : f.rows())
        if (row->mapTo(f.results(), QPoint(row->width(), 0)).x() > visible)
            return false;
    return !f.rows().isEmpty();
}

} // namespace

class AskPanelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void showStartsAfreshOnlyFromHidden()
    {
        AskFixture f;
        f.window.updateCaptureStatus("Recording");
        f.window.show();
        QVERIFY(f.panel()->isVisible());
        QCOMPARE(f.panel()->windowTitle(), "Ask Vesk · Recording");
        QCOMPARE(f.texts(), QStringList{"Search your local memory, or press return to ask a question."});
        QCOMPARE(f.hint(), "return to ask · shift+return to search · esc to close");
        QTRY_VERIFY(f.panel()->isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), f.field());

        // On the offscreen 800 × 800 screen: 48 % of the width is under the 560 floor; 11 % of the
        // height below the top; compact.
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(visible, QRect(0, 0, 800, 800));
        const QRect frame = f.panel()->geometry();
        QCOMPARE(frame.width(), 560);
        QCOMPARE(frame.height(), 190);
        QCOMPARE(frame.top(), 88);
        QVERIFY(std::abs(frame.center().x() - visible.center().x()) <= 1);

        f.type("half a question");
        f.window.show(); // already visible: nothing changes
        QCOMPARE(f.field()->text(), "half a question");

        QTest::keyClick(f.field(), Qt::Key_Escape);
        QVERIFY(!f.panel()->isVisible());
        f.window.show();
        QCOMPARE(f.field()->text(), QString());
    }

    // Alt+Space: a hidden panel opens, the active one closes, one behind another window comes
    // forward with what was typed; presenting keeps it as it is.
    // Dragging the panel's background moves it with the pointer; a click, or the other button, does not.
    void dragging()
    {
        AskFixture f;
        f.window.show();
        AskPanel* panel = f.panel();
        const QPoint start = panel->pos();
        const QPoint grip(4, 4);
        const QPoint by(40, 30);
        QTest::mousePress(panel, Qt::LeftButton, {}, grip);
        QTest::mouseMove(panel, grip + by);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, grip + by);
        QTRY_COMPARE(panel->pos(), start + by);
        QTest::mouseClick(panel, Qt::LeftButton, {}, grip);
        QTest::mousePress(panel, Qt::RightButton, {}, grip);
        QTest::mouseMove(panel, grip + by);
        QTest::mouseRelease(panel, Qt::RightButton, {}, grip + by);
        QCoreApplication::processEvents();
        QCOMPARE(panel->pos(), start + by);
    }

    void toggle_data()
    {
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<int>("before"); // 0 hidden, 1 active, 2 behind another window
        QTest::addColumn<bool>("visibleAfter");
        QTest::newRow("hidden opens") << false << 0 << true;
        QTest::newRow("active closes") << false << 1 << false;
        QTest::newRow("behind another window comes forward") << false << 2 << true;
        QTest::newRow("presenting keeps it hidden") << true << 0 << false;
        QTest::newRow("presenting leaves a visible panel alone") << true << 1 << true;
    }
    void toggle()
    {
        QFETCH(bool, presenting);
        QFETCH(int, before);
        QFETCH(bool, visibleAfter);
        AskFixture f;
        QWidget other;
        if (before > 0) {
            f.window.show();
            f.type("keep me");
            QTRY_VERIFY(f.panel()->isActiveWindow());
        }
        if (before == 2) {
            other.show();
            other.activateWindow();
            QTRY_VERIFY(!f.panel()->isActiveWindow());
        }
        // Set directly: the mode's own switch would also hide the panel.
        f.defaults.setBoolean(PresentationMode::key, presenting);
        f.window.toggle();
        QCOMPARE(f.panel() && f.panel()->isVisible(), visibleAfter);
        if (before == 2) {
            QTRY_VERIFY(f.panel()->isActiveWindow());
            QCOMPARE(f.field()->text(), "keep me");
        }
    }

    // The panel grows for an answer and widens for the inspector; the rows follow every width it
    // takes, and the column never gets narrower than 260.
    void heightsWidthsAndReflow()
    {
        AskFixture f;
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        f.window.show();
        const QRect compact = f.panel()->geometry();
        QJsonArray evidence;
        for (int i = 0; i < 30; ++i)
            evidence.append(QJsonObject{{"frame_id", i + 1},
                                        {"app_name", "Code"},
                                        {"document_url", QString("src/billing/a/very/long/path/invoice%1.rs").arg(i)}});
        f.unfoldedAnswer(QJsonObject{{"answer", "A long answer."}, {"evidence", evidence}});
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(f.panel()->height(), 560); // 70 % of the screen's 800, under the 640 ceiling
        QCOMPARE(f.panel()->geometry().top(), compact.top());
        QVERIFY(f.panel()->geometry().bottom() <= visible.bottom());
        QTRY_VERIFY(f.window.resultColumn()->verticalScrollBar()->isVisible()); // thirty rows scroll
        // Its thumb is drawn in the muted ink, which stands out from the ground.
        const QImage bar = f.window.resultColumn()->verticalScrollBar()->grab().toImage();
        int thumb = 0;
        for (int y = 0; y < bar.height(); ++y)
            thumb += bar.pixelColor(bar.width() / 2, y) == Ink::muted().resolve(f.panel());
        QVERIFY(thumb > 20);
        QTRY_VERIFY(rowsFit(f));

        click(f.rowWith("src/billing/a/very/long/path/invoice0.rs"));
        QCOMPARE(f.panel()->width(), 776); // 560 + 260 for the inspector, kept 24 px inside the screen
        QVERIFY(f.panel()->geometry().right() <= visible.right());
        QVERIFY(std::abs(f.panel()->geometry().center().x() - compact.center().x()) <= 2);
        QTRY_VERIFY(rowsFit(f));

        f.panel()->setMinimumSize(0, 0);
        f.panel()->resize(300, 400);
        QTRY_VERIFY(rowsFit(f));
        QVERIFY(f.window.resultColumn()->viewport()->width() >= 260);
        f.panel()->setMinimumSize(560, AskPanel::compactHeight);

        QTest::keyClick(f.field(), Qt::Key_Escape);
        QCOMPARE(f.panel()->width(), 560); // the inspector's 260 given back, not below the minimum
        f.panel()->resize(compact.width(), f.panel()->height());
        QTRY_VERIFY(rowsFit(f));

        f.searchByKeyboard("ab"); // a short search makes it compact again
        QCOMPARE(f.panel()->height(), 190);
    }

    void firstRun_data()
    {
        QTest::addColumn<QString>("status"); // empty: no reply
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("askEnabled");
        QTest::newRow("ready") << R"({"kind":"status","frames":1,"nodes":1})"
                               << "Ready on this computer: 1 screenshot and 1 searchable memory item." << true;
        QTest::newRow("building") << R"({"kind":"status","frames":12,"nodes":0})"
                                  << "Vesk is building local memory. 12 screenshots captured; no searchable memory "
                                     "items are ready yet. Leave Vesk running and try again shortly."
                                  << false;
        QTest::newRow("unreachable") << ""
                                     << "Vesk is not reachable yet. Your setup is saved; try again shortly." << false;
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
        QSignalSpy privacyOpened(&f.window, &AskWindow::privacyExclusionsRequested);
        f.window.showFirstRun();
        QVERIFY(f.texts().contains("Checking your local memory…"));
        QVERIFY(f.texts().contains("Pick up where you left off."));
        QVERIFY(!f.button("Ask: What was I working on?")->isEnabled());
        QTRY_VERIFY(f.texts().contains(line));
        QCOMPARE(f.button("Ask: What was I working on?")->isEnabled(), askEnabled);

        QTest::mouseClick(f.button("Check memory again"), Qt::LeftButton);
        QTRY_COMPARE(f.daemon.count("status"), 2);
        QTest::mouseClick(f.button("Privacy exclusions"), Qt::LeftButton);
        QCOMPARE(privacyOpened.size(), 1);
        QSignalSpy agents(&f.window, &AskWindow::agentConnectionsRequested);
        QTest::mouseClick(f.button("Connect an agent"), Qt::LeftButton);
        QCOMPARE(agents.size(), 1);
        if (!askEnabled)
            return;
        QTRY_VERIFY(f.button("Ask: What was I working on?")->isEnabled());
        QTest::mouseClick(f.button("Ask: What was I working on?"), Qt::LeftButton);
        QCOMPARE(f.field()->text(), "What was I working on?");
        QTRY_VERIFY(f.texts().contains("You were writing tests."));
        QCOMPARE(QApplication::focusWidget(), f.field());
    }

    void presentationKeepsTheFirstRunPageAway()
    {
        AskFixture f;
        f.window.show();
        f.window.close();
        f.defaults.setBoolean(PresentationMode::key, true);
        f.window.showFirstRun();
        QVERIFY(!f.panel()->isVisible());
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
        QCOMPARE(f.texts(),
                 (QStringList{"GENERATING AN ANSWER",
                              "Searching local evidence first, then asking the enabled answer model."}));
    }

    // A change of the desktop's colour scheme while the panel is open repaints it at once: its
    // ground and the text of the page it shows.
    void portalSchemeChangeRethemesAnOpenPage()
    {
        AskFixture f;
        PortalAppearance appearance;
        f.window.show();
        QLabel* message = nullptr;
        for (QLabel* label : f.results()->findChildren<QLabel*>())
            if (label->text() == "Search your local memory, or press return to ask a question.")
                message = label;
        QVERIFY(message);
        for (const bool dark : {true, false, true}) {
            // The signal as the portal sends it (tst_Reachable sends it over a bus).
            QDBusMessage changed = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                              "org.freedesktop.portal.Settings", "SettingChanged");
            changed << "org.freedesktop.appearance"
                    << "color-scheme" << QVariant::fromValue(QDBusVariant(QVariant(dark ? 1u : 2u)));
            QVERIFY(QMetaObject::invokeMethod(&appearance, "settingChanged", Q_ARG(QDBusMessage, changed)));
            QCoreApplication::processEvents();
            const QImage panel = f.panel()->grab().toImage();
            QCOMPARE(panel.pixelColor(f.panel()->width() / 2, f.panel()->height() - 4), Ink::ground().resolve(dark));
            const QImage text = message->grab().toImage();
            int inked = 0;
            for (int y = 0; y < text.height(); ++y)
                for (int x = 0; x < text.width(); ++x)
                    inked += text.pixelColor(x, y) == Ink::text2().resolve(dark);
            QVERIFY(inked > 10);
        }
    }

    // Ctrl+K opens the inbox, and only Ctrl+K.
    void shortcuts()
    {
        AskFixture f;
        f.window.show();
        f.type("abc");
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(f.hint(), "esc to close");
        QCOMPARE(f.field()->text(), "abc"); // the field did not cut to the end of the line
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        f.barrier();
        QCOMPARE(f.daemon.count("proposals"), 1);
    }

    // From the field, Tab or Down reaches the first row and Return opens it; the arrows move
    // between rows, and Up from the first row comes back to the field with the caret at the end
    // of the query, nothing selected.
    void keyboardReachesRows_data()
    {
        QTest::addColumn<int>("into");
        QTest::newRow("Tab") << int(Qt::Key_Tab);
        QTest::newRow("Down") << int(Qt::Key_Down);
    }
    void keyboardReachesRows()
    {
        QFETCH(int, into);
        AskFixture f;
        f.daemon.reply("search", json(R"({"nodes":[{"label":"Ada","node_id":1,"node_type":"person"},
                                                   {"label":"Harbor","node_id":2,"node_type":"project"}]})"));
        f.daemon.reply("relations", json(R"({"kind":"relations","state":"none_found"})"));
        f.window.show();
        QTRY_COMPARE(QApplication::focusWidget(), f.field());
        f.searchByKeyboard("harbor");
        QTRY_VERIFY(f.rowWith("Harbor"));
        // Without a scroll bar the rows keep as far from the right edge as from the left.
        const auto margins = [&f] {
            const int left = f.rowWith("Ada")->mapTo(f.panel(), QPoint(0, 0)).x();
            return std::abs(f.panel()->width() - left - f.rowWith("Ada")->width() - left);
        };
        QTRY_VERIFY(margins() <= 2);
        QTest::keyClick(f.field(), Qt::Key(into));
        QCOMPARE(QApplication::focusWidget(), f.rowWith("Ada"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), f.rowWith("Harbor"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), f.field());
        QCOMPARE(f.field()->selectedText(), "");
        QCOMPARE(f.field()->cursorPosition(), 6);
        QTest::keyClick(f.field(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(f.rowWith("‹  back to results"));
        QVERIFY(f.texts().contains("Harbor"));
        QCOMPARE(QApplication::focusWidget(), f.field());
    }

    // Return on "Details & corrections" redraws the answer; the caret comes back to the end of the
    // question, which the next key must not overwrite. The arrows also leave a button for the field.
    void detailsByKeyboardKeepTheQuestion()
    {
        AskFixture f;
        f.daemon.reply("ask", json(R"({"answer":"You were on Harbor."})"));
        f.window.show();
        f.askByKeyboard("what was I doing?");
        QTRY_VERIFY(f.button("Details & corrections"));
        QTest::keyClick(f.field(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), f.button("Details & corrections"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(f.button("Hide details"));
        QTRY_COMPARE(QApplication::focusWidget(), f.field());
        QCOMPARE(f.field()->selectedText(), "");
        QCOMPARE(f.field()->cursorPosition(), f.field()->text().size());
        f.button("Hide details")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), f.field());
    }

    // Up in the empty field recalls this session's questions, newest first, never what is typed.
    void upRecallsQuestions()
    {
        AskFixture f;
        f.daemon.reply("ask", json(R"({"answer":"Yes."})"));
        f.window.show();
        for (const char* question : {"first question", "second question"}) {
            f.askByKeyboard(question);
            QTRY_VERIFY(f.texts().contains("Yes."));
        }
        f.field()->clear();
        const auto up = [&f] { return QTest::keyClick(f.field(), Qt::Key_Up), f.field()->text(); };
        QCOMPARE(up(), "second question");
        QCOMPARE(up(), "first question");
        QCOMPARE(up(), "first question");
        f.type("new");
        QCOMPARE(up(), "new");
    }
};

QTEST_MAIN(AskPanelTest)
#include "tst_AskPanel.moc"
