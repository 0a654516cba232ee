#include "AppFixture.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "MenuText.h"

#include <QDir>
#include <QJsonArray>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using namespace vesk::test;

namespace {

const QByteArray fullStatus
    = R"({"kind":"status","onboarded":true,"pixel_bytes":1073741824,"db_bytes":0,"capture_paused":false,)"
      R"("injections_today":3,"injection_enabled":true,"tiers":[{"name":"answers","enabled":true,"ready":true},)"
      R"({"name":"embeddings","enabled":false,"ready":true},{"name":"relations","enabled":true,"ready":false},)"
      R"({"name":"profile","enabled":false,"ready":false}]})";

const QStringList fullTiers{QStringLiteral("Answers   on"), QStringLiteral("Entity names   off"),
                            QStringLiteral("Screen text   on, no client — restart Vesk"),
                            QStringLiteral("Profile   off")};

QStringList tierLines(const AppFixture& f)
{
    QStringList out;
    for (const QString& tier : StatusMenu::tierOrder)
        out.append(f.tier(tier)->text());
    return out;
}

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void statusLines_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<QString>("disk");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("capture");
        QTest::addColumn<QString>("injection");
        QTest::addColumn<QStringList>("tiers");
        QTest::addColumn<bool>("setupVisible");

        QTest::newRow("full reply, bytes in MB with one decimal")
            << QList<QByteArray>{fullStatus} << "Pixels      1024.0 / 5120 MB"
            << "Database    0.0 MB · uncapped"
            << "Pause recording"
            << "Turn injection off  ·  on, 3 today" << fullTiers << false;
        QTest::newRow("negative and fractional counts are unavailable")
            << QList<QByteArray>{QByteArray(fullStatus)
                                     .replace("1073741824", "-1")
                                     .replace("\"db_bytes\":0", "\"db_bytes\":1.5")
                                     .replace("\"injections_today\":3", "\"injections_today\":-9223372036854775808")}
            << "Pixels      unavailable (could not read the folder)"
            << "Database    unavailable (could not read the file)"
            << "Pause recording"
            << "Turn injection off  ·  on, today's count unavailable" << fullTiers << false;
        QTest::newRow("missing capture_paused leaves injection and tiers as they were")
            << QList<QByteArray>{fullStatus,
                                 R"({"kind":"status","pixel_bytes":0,"db_bytes":1048576,)"
                                 R"("injection_enabled":false,"tiers":[]})"}
            << "Pixels      0.0 / 5120 MB"
            << "Database    1.0 MB · uncapped"
            << "Recording control unknown"
            << "Turn injection off  ·  on, 3 today" << fullTiers << false;
        QTest::newRow("missing injection_enabled leaves the tiers as they were")
            << QList<QByteArray>{fullStatus, R"({"kind":"status","capture_paused":true,"tiers":[]})"}
            << "Pixels      unavailable (could not read the folder)"
            << "Database    unavailable (could not read the file)"
            << "Resume recording"
            << "Injection   unknown" << fullTiers << false;
        QTest::newRow("no reply makes every line unavailable")
            << QList<QByteArray>{fullStatus, R"({"kind":"error","message":"busy"})"} << "Pixels      unavailable"
            << "Database    unavailable"
            << "Recording control unavailable"
            << "Injection   unavailable"
            << QStringList{"Answers   unknown", "Entity names   unknown", "Screen text   unknown", "Profile   unknown"}
            << false;
        QTest::newRow("tiers element by element: not ready, malformed, not objects, repeated, absent")
            << QList<
                   QByteArray>{R"({"kind":"status","onboarded":false,"capture_paused":false,"injection_enabled":false,"tiers":[null,7,)"
                               R"({"name":"answers","enabled":true,"ready":false},{"name":"embeddings","enabled":"yes","ready":true},)"
                               R"({"name":"relations","enabled":false,"ready":true},{"name":"relations","enabled":true,"ready":false},)"
                               R"({"enabled":true,"ready":true}]})"}
            << "Pixels      unavailable (could not read the folder)"
            << "Database    unavailable (could not read the file)"
            << "Pause recording"
            << "Turn injection on  ·  off"
            << QStringList{"Answers   unavailable", "Entity names   unknown",
                           "Screen text   on, no client — restart Vesk", "Profile   unknown"}
            << true;
    }

    void statusLines()
    {
        QFETCH(QString, disk);
        QFETCH(QString, database);
        QFETCH(QString, capture);
        QFETCH(QString, injection);
        QFETCH(QStringList, tiers);
        QFETCH(bool, setupVisible);
        QFETCH(QList<QByteArray>, replies);
        AppFixture f;
        for (const QByteArray& reply : replies)
            f.openMenuWith(reply);
        QCOMPARE(f.line(StatusMenu::Line::disk)->text(), disk);
        QCOMPARE(f.line(StatusMenu::Line::database)->text(), database);
        QCOMPARE(f.line(StatusMenu::Line::capture)->text(), capture);
        QCOMPARE(f.line(StatusMenu::Line::injection)->text(), injection);
        QCOMPARE(tierLines(f), tiers);
        QCOMPARE(f.line(StatusMenu::Line::setup)->isVisible(), setupVisible);
        for (const QString& tier : StatusMenu::tierOrder) {
            QAction* a = f.tier(tier);
            // An unknown tier cannot be clicked; a known one is checked exactly when enabled.
            QCOMPARE(a->isEnabled(), !a->text().endsWith(QStringLiteral("unknown")));
            QCOMPARE(a->isChecked(),
                     a->text().endsWith(QStringLiteral("   on")) || a->text().endsWith(QStringLiteral("unavailable"))
                         || a->text().endsWith(QStringLiteral("restart Vesk")));
        }
    }

    // A pause end is written in the locale's own clock (the test clock reads 14:05 local time).
    void pauseEnds_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<qint64>("offsetMs"); // pause end relative to now
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("capture");
        QTest::addColumn<QString>("injection");

        const QByteArray paused
            = R"({"kind":"status","capture_paused":true,"capture_paused_until_ms":END,"injection_enabled":false,)"
              R"("injection_paused_until_ms":END})";
        QTest::newRow("pause end in the future")
            << paused << qint64(3'600'000) << QLocale::c() << "Resume recording  ·  paused until 3:05\u202FPM"
            << "Resume injection  ·  paused until 3:05\u202FPM";
        QTest::newRow("pause end in the future, en_GB")
            << paused << qint64(3'600'000) << QLocale("en_GB") << "Resume recording  ·  paused until 15:05"
            << "Resume injection  ·  paused until 15:05";
        QTest::newRow("pause end in the past") << paused << qint64(-1) << QLocale::c() << "Resume recording"
                                               << "Turn injection on  ·  off";
        QTest::newRow("pause end equal to now has passed") << paused << qint64(0) << QLocale::c() << "Resume recording"
                                                           << "Turn injection on  ·  off";
    }

    void pauseEnds()
    {
        QFETCH(QByteArray, reply);
        QFETCH(qint64, offsetMs);
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        AppFixture f;
        const qint64 end = f.clock.now().toMSecsSinceEpoch() + offsetMs;
        f.openMenuWith(QByteArray(reply).replace("END", QByteArray::number(end)));
        QTEST(f.line(StatusMenu::Line::capture)->text(), "capture");
        QTEST(f.line(StatusMenu::Line::injection)->text(), "injection");
    }

    void stateLine_data()
    {
        QTest::addColumn<DaemonClient::State>("state");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("tooltip");

        QTest::newRow("recording one display")
            << DaemonClient::State(DaemonClient::Known{true, 1, "ok"}) << "Recording 1 display"
            << "Vesk is recording 1 display";
        QTest::newRow("recording, display count not a count")
            << DaemonClient::State(DaemonClient::Known{true, std::nullopt, "ok"})
            << "Recording (display count unavailable)"
            << "Vesk is recording (display count unavailable)";
        QTest::newRow("recording no display")
            << DaemonClient::State(DaemonClient::Known{true, 0, {}}) << "Recording 0 displays"
            << "Vesk is recording 0 displays";
        QTest::newRow("not recording, reason not shown")
            << DaemonClient::State(DaemonClient::Known{false, 2, "paused by user"}) << "Not recording"
            << "Vesk is not recording";
    }

    void stateLine()
    {
        QFETCH(QString, title);
        QFETCH(QString, tooltip);
        QFETCH(DaemonClient::State, state);
        AppFixture f;
        AskWindow& ask = f.delegate.askWindow();
        // Drawn over another state, nothing of that one stays.
        f.delegate.statusItem().render(DaemonClient::Known{true, 3, {}});
        f.delegate.statusItem().render(state);
        QCOMPARE(f.line(StatusMenu::Line::state)->text(), title);
        QCOMPARE(ask.panelWidget()->windowTitle(), "Ask Vesk · " + title);
        QCOMPARE(f.delegate.statusItem().toolTip(), tooltip);
        StatusItem first(f.delegate.statusMenu());
        first.render(state);
        QCOMPARE(f.delegate.statusItem().icon().pixmap(22).toImage(), first.icon().pixmap(22).toImage());
        QCOMPARE(first.icon().pixmap(22).toImage().pixelColor(0, 0).alpha(), 0); // nothing but the dot is drawn
    }

    void proposalBadge_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<qint64>("pending");
        QTest::addColumn<QString>("inbox");

        auto list = [](int n) {
            QJsonArray a;
            for (int i = 0; i < n; ++i)
                a.append(QJsonObject{{QStringLiteral("id"), i + 1}});
            return QJsonDocument(QJsonObject{{QStringLiteral("proposals"), a}}).toJson(QJsonDocument::Compact);
        };
        QTest::newRow("one proposal") << QList<QByteArray>{list(1)} << qint64(1) << "What it knows about you  (1)";
        QTest::newRow("back to none") << QList<QByteArray>{list(3), list(0)} << qint64(0) << "What it knows about you";
        QTest::newRow("not an array keeps the count")
            << QList<QByteArray>{list(4), R"({"proposals":{"id":1}})", R"({"kind":"error"})"} << qint64(4)
            << "What it knows about you  (4)";
    }

    void proposalBadge()
    {
        QFETCH(QString, inbox);
        QFETCH(QList<QByteArray>, replies);
        QFETCH(qint64, pending);
        AppFixture f;
        f.delegate.statusItem().render(DaemonClient::Known{true, 2, {}});
        for (const QByteArray& reply : replies) {
            f.daemon.replyRaw(QStringLiteral("proposals"), reply + '\n');
            f.openMenuWith(fullStatus);
        }
        // Every opening of the menu asks for up to 200 proposals.
        for (const QJsonObject& request : f.sent(QStringLiteral("proposals")))
            QCOMPARE(request.value(QStringLiteral("limit")).toInteger(), 200);
        QCOMPARE(f.delegate.statusMenu().pendingProposals(), pending);
        QCOMPARE(f.line(StatusMenu::Line::inbox)->text(), inbox);
        const QString suffix = QStringLiteral(" · ") + QString::number(pending) + QStringLiteral(" waiting on you");
        QCOMPARE(f.delegate.statusItem().toolTip().endsWith(suffix), pending > 0);
        QVERIFY(f.delegate.statusItem().toolTip().startsWith(QStringLiteral("Vesk is recording 2 displays")));
    }

    void switchAppliedOnlyOnOk_data()
    {
        QTest::addColumn<bool>("captureSwitch");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("line");

        QTest::newRow("capture ok") << true << QByteArray(R"({"kind":"ok"})") << "Resume recording";
        QTest::newRow("capture refused") << true << QByteArray(R"({"kind":"error"})") << "Pause recording";
        QTest::newRow("injection ok") << false << QByteArray(R"({"kind":"ok"})") << "Turn injection on  ·  off";
        QTest::newRow("injection refused")
            << false << QByteArray(R"({"kind":"error"})") << "Turn injection off  ·  on, 3 today";
    }

    void switchAppliedOnlyOnOk()
    {
        QFETCH(bool, captureSwitch);
        QFETCH(QByteArray, reply);
        AppFixture f;
        f.openMenuWith(fullStatus);
        const QString op = captureSwitch ? QStringLiteral("set_capture") : QStringLiteral("set_injection");
        f.daemon.replyRaw(op, reply + '\n');
        // A status asked before the switch is confirmed, and answered after, does not undo it.
        f.daemon.script(QStringLiteral("status"), {.reply = QByteArray(fullStatus) + '\n', .delaySeconds = 0.4});
        f.menu()->hide();
        f.menu()->popup({});
        f.sent(QStringLiteral("status"), 2);
        QAction* line = f.line(captureSwitch ? StatusMenu::Line::capture : StatusMenu::Line::injection);
        line->trigger();
        f.barrier();
        QCOMPARE(f.daemon.count(op), 1);
        const QJsonObject sent = f.sent(op).first();
        if (captureSwitch)
            QCOMPARE(sent.value(QStringLiteral("paused")), QJsonValue(true));
        else
            QCOMPARE(sent.value(QStringLiteral("enabled")), QJsonValue(false));
        QTEST(line->text(), "line");
    }

    void unknownSwitchesSendNothing()
    {
        AppFixture f;
        QAction* capture = f.line(StatusMenu::Line::capture);
        QAction* injection = f.line(StatusMenu::Line::injection);
        // Before any status reply both values are unknown.
        capture->trigger();
        injection->trigger();
        f.openMenuWith(R"({"kind":"status","pixel_bytes":1})");
        capture->trigger();
        injection->trigger();
        f.barrier();
        QCOMPARE(f.daemon.count(QStringLiteral("set_capture")), 0);
        QCOMPARE(f.daemon.count(QStringLiteral("set_injection")), 0);
        QCOMPARE(capture->text(), QStringLiteral("Recording control unknown"));
    }

    void tierSwitch_data()
    {
        QTest::addColumn<QString>("tier");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("alertTitle"); // empty: no alert
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("line");

        const QByteArray ok = R"({"kind":"ok"})";
        QTest::newRow("turning entity names on, confirmed")
            << "embeddings" << QList<int>{0} << ok << "Send entity names to a model?" << 1 << "Entity names   on";
        QTest::newRow("Cancel sends nothing")
            << "embeddings" << QList<int>{1} << ok << "Send entity names to a model?" << 0 << "Entity names   off";
        QTest::newRow("an aborted alert sends nothing")
            << "embeddings" << QList<int>{} << ok << "Send entity names to a model?" << 0 << "Entity names   off";
        QTest::newRow("turning off needs no confirmation")
            << "answers" << QList<int>{} << ok << "" << 1 << "Answers   off";
        QTest::newRow("a refused switch changes nothing")
            << "answers" << QList<int>{} << QByteArray(R"({"kind":"error"})") << "" << 1 << "Answers   on";
        QTest::newRow("a tier turned on while not ready is still not ready")
            << "profile" << QList<int>{0} << ok << "Let a model write about you?" << 1
            << "Profile   on, no client — restart Vesk";
    }

    void tierSwitch()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QByteArray, reply);
        QFETCH(QString, line);
        QFETCH(QString, tier);
        QFETCH(QString, alertTitle);
        AppFixture f;
        f.openMenuWith(fullStatus);
        for (int answer : answers)
            f.alerts.answer(answer);
        f.daemon.replyRaw(QStringLiteral("set_tier"), reply + '\n');
        QAction* item = f.tier(tier);
        const bool wasOn = item->isChecked();
        item->trigger();
        f.barrier();

        if (alertTitle.isEmpty()) {
            QVERIFY(f.alerts.shown.isEmpty());
        } else {
            QCOMPARE(f.alerts.shown.size(), 1);
            QCOMPARE(f.alerts.shown.first().title, alertTitle);
            QCOMPARE(f.alerts.shown.first().buttons, (QStringList{"Turn it on", "Cancel"}));
        }
        QFETCH(int, requests);
        QCOMPARE(f.daemon.count(QStringLiteral("set_tier")), requests);
        if (requests == 1) {
            const QJsonObject sent = f.sent(QStringLiteral("set_tier")).first();
            QCOMPARE(sent.value(QStringLiteral("name")).toString(), tier);
            QCOMPARE(sent.value(QStringLiteral("enabled")), QJsonValue(!wasOn));
        }
        QCOMPARE(item->text(), line);
        QCOMPARE(item->isChecked(), !item->text().endsWith(QStringLiteral("off")));
    }

    void keyEquivalentsWhileOpen_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("op"); // empty: nothing sent and the menu stays open
        QTest::addColumn<QString>("in"); // the submenu the keys are pressed on, if any

        QTest::newRow("Alt+Shift+P pauses recording")
            << int(Qt::Key_P) << (Qt::AltModifier | Qt::ShiftModifier) << "set_capture"
            << "";
        QTest::newRow("Alt+Shift+I turns injection off")
            << int(Qt::Key_I) << (Qt::AltModifier | Qt::ShiftModifier) << "set_injection"
            << "";
        QTest::newRow("P alone is no key equivalent")
            << int(Qt::Key_P) << Qt::KeyboardModifiers(Qt::ShiftModifier) << ""
            << "";
        for (const QString in : {"", "tiers"})
            QTest::addRow("Ctrl+K opens the inbox%s", in.isEmpty() ? "" : " from the tier submenu")
                << int(Qt::Key_K) << Qt::KeyboardModifiers(Qt::ControlModifier) << "inbox" << in;
    }

    void keyEquivalentsWhileOpen()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, op);
        QFETCH(QString, in);
        AppFixture f;
        f.openMenuWith(fullStatus);
        QTRY_VERIFY(f.menu()->isVisible());
        QMenu* open = f.menu();
        if (in == "tiers") {
            open = f.line(StatusMenu::Line::egress)->menu();
            open->popup(QPoint());
            QTRY_VERIFY(open->isVisible());
        }
        QTest::keyClick(open, Qt::Key(key), modifiers);
        f.barrier();
        QCOMPARE(f.menu()->isVisible(), op.isEmpty());
        QCOMPARE(open->isVisible(), op.isEmpty());
        for (const QString& sent : {QStringLiteral("set_capture"), QStringLiteral("set_injection")})
            QCOMPARE(f.daemon.count(sent), sent == op ? 1 : 0);
        const AskPanel* panel = f.delegate.askWindow().panelWidget();
        QCOMPARE(panel && panel->isVisible(), op == "inbox");
    }

    // Settings that cannot be written are said once per run, with the reason, and not while the
    // screen is being presented; the mode still holds for this run, and the menu says it is on.
    void unsavedSettingsAreSaidOnce()
    {
        QTemporaryDir dir;
        const QString inTheWay = dir.filePath(QStringLiteral("defaults.json"));
        QVERIFY(QDir().mkpath(inTheWay));
        AppFixture f({}, inTheWay);
        QAction* mode = f.line(StatusMenu::Line::presentation);
        QAction* presenting = f.line(StatusMenu::Line::presenting);
        QVERIFY(!presenting->isVisible());
        mode->trigger();
        QVERIFY(f.presentation.isEnabled());
        // The menu says why asking and the windows do nothing now.
        QVERIFY(presenting->isVisible() && !presenting->isEnabled());
        QCOMPARE(presenting->text(), "Presentation Mode is on: Vesk's windows and the ask shortcut stay hidden");
        QCoreApplication::processEvents();
        QVERIFY(f.alerts.shown.isEmpty());
        mode->trigger();
        QVERIFY(!presenting->isVisible());
        QTRY_COMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown[0].title, "Vesk could not save your settings");
        QCOMPARE(f.alerts.shown[0].text,
                 "Your settings could not be saved: something that is not a settings file is "
                 "in its place. Vesk keeps working with your choices until it quits, but "
                 "they will be lost then.");
        mode->trigger();
        mode->trigger();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(f.alerts.shown.size(), 1);
    }

    void filledMenuStaysOnScreen()
    {
        AppFixture f;
        const QRect area = f.menu()->screen()->availableGeometry();
        f.openMenuWith(R"({"kind":"error"})", area.bottomRight());
        QTRY_VERIFY(f.menu()->isVisible());
        const QSize opened = f.menu()->size();
        // Long lines and the setup line make it wider and taller than Qt placed it.
        const qint64 later = f.clock.now().toMSecsSinceEpoch() + 3'600'000;
        f.openMenuWith(R"({"kind":"status","onboarded":false,"capture_paused":true,"capture_paused_until_ms":)"
                           + QByteArray::number(later) + "}",
                       area.bottomRight());
        QVERIFY(f.menu()->width() > opened.width() && f.menu()->height() > opened.height());
        QVERIFY2(area.contains(f.menu()->geometry()), qPrintable(QDebug::toString(f.menu()->geometry())));
    }
};

QTEST_MAIN(StatusMenuTest)
#include "tst_StatusMenu.moc"
