#include "DaemonRig.h"
#include "DigestWindow.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "InterjectionSettings.h"
#include "InterjectionSettingsWindow.h"
#include "Seen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

const char* threeHeld = R"({"kind":"interjection_signals","held_back":[
    {"node_id":4,"item_kind":"task","label":"Ship the rounding fix","sources":1,"confidence":0.71},
    {"node_id":5,"item_kind":"open_question","label":"Is the proxy safe?","sources":3,"confidence":0.66},
    {"node_id":6,"item_kind":"decision","label":"Use half-even rounding","sources":2,"confidence":0.8}]})";

// Both windows over one settings model, on a fake daemon.
struct Windows : DaemonRig {
    Windows()
        : settings(client, defaults, clock)
        , review({client, settings, presentation}, false)
        , panel(settings, presentation)
    {
        daemon.reply("interjection_signals", json(threeHeld));
        daemon.reply("record_interjection_outcome", json(R"({"kind":"ok"})"));
        daemon.reply("set_interjection_kind_stance", json(R"({"kind":"ok"})"));
        daemon.reply("status", json(R"({"kind":"status"})"));
    }

    // What the window shows in words, in order.
    static QStringList texts(QWidget* window) { return visibleTexts<InkLabel>(window); }
    static QAbstractButton* button(QWidget* window, const QString& title)
    {
        return visibleButton<QAbstractButton>(window, title);
    }
    QString sentKinds(const QString& op)
    {
        barrier();
        QStringList out;
        for (const QJsonObject& o : sent(op))
            out << o.value("item_kind").toString() + ':' + o.value("stance").toString(o.value("outcome").toString());
        return out.join(' ');
    }
    QComboBox* popUp(const QString& name) const
    {
        for (QComboBox* c : panel.findChildren<QComboBox*>())
            if (c->accessibleName() == name)
                return c;
        return nullptr;
    }

    InterjectionSettings settings;
    DigestWindow review;
    InterjectionSettingsWindow panel;
};

} // namespace

class ReminderWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void threeItemReview()
    {
        Windows w;
        w.review.showWeeklyDigest();
        QCOMPARE(Windows::texts(&w.review).mid(2),
                 (QStringList{"Loading held-back items…", "Checking the local review queue."}));
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 3 held back this week"));
        QVERIFY(Windows::texts(&w.review).contains("Ship the rounding fix"));
        QVERIFY(Windows::texts(&w.review).contains("Task · 1 source · 71% relevance"));
        QCOMPARE(w.review.size(), QSize(580, 410));

        clickButton(&w.review, "Dismiss this item");
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 2 held back this week"));
        QVERIFY(Windows::texts(&w.review).contains("Is the proxy safe?"));
        // "Open sources" asks for the item on screen and leaves the review as it is.
        QStringList opened;
        QObject::connect(&w.review, &DigestWindow::openRequested, [&](const Candidate& c) { opened << c.label; });
        clickButton(&w.review, "Open sources");
        QCOMPARE(opened, QStringList{"Is the proxy safe?"});
        QVERIFY(Windows::texts(&w.review).contains("1 of 2 held back this week"));
        clickButton(&w.review, "Remind me sooner");
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 1 held back this week"));
        // The keyboard stays on the button that decided.
        QCOMPARE(w.review.focusWidget(), Windows::button(&w.review, "Remind me sooner"));
        clickButton(&w.review, "Don't remind me");
        QTRY_VERIFY(Windows::texts(&w.review).contains("Nothing waiting for review"));
        QCOMPARE(Windows::texts(&w.review).mid(2),
                 (QStringList{"Review complete", "Nothing waiting for review",
                              "No held-back items remain in this review. You can close this window."}));
        QVERIFY(!Windows::button(&w.review, "Open sources"));
        QVERIFY(Windows::button(&w.review, "Check again"));
        QCOMPARE(w.review.size(), QSize(580, 280));
        QCOMPARE(w.sentKinds("set_interjection_kind_stance"), "open_question:encouraged decision:muted");
        QCOMPARE(w.sentKinds("record_interjection_outcome"),
                 "task:dismissed open_question:dismissed decision:dismissed");
    }

    void failedDecisions_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QByteArray>("stanceReply");
        QTest::addColumn<QByteArray>("recordReply");
        QTest::addColumn<QString>("feedback");
        QTest::newRow("stance not saved") << "Don't remind me" << QByteArray(R"({"kind":"error"})") << QByteArray()
                                          << "Could not save your preference. This item is still here; try again.";
        QTest::newRow("stance saved, dismissal failed")
            << "Remind me sooner" << QByteArray(R"({"kind":"ok"})") << QByteArray(R"({"kind":"error"})")
            << "Preference saved. Could not finish this review item; choose Dismiss this item to retry.";
        QTest::newRow("dismissal failed") << "Dismiss this item" << QByteArray() << QByteArray("not json")
                                          << "Could not dismiss this item. Try again.";
    }
    void failedDecisions()
    {
        QFETCH(QString, choice);
        QFETCH(QByteArray, stanceReply);
        QFETCH(QByteArray, recordReply);
        QFETCH(QString, feedback);
        Windows w;
        if (!stanceReply.isEmpty())
            w.daemon.replyRaw("set_interjection_kind_stance", stanceReply + '\n');
        if (!recordReply.isEmpty())
            w.daemon.replyRaw("record_interjection_outcome", recordReply + '\n');
        w.review.showWeeklyDigest();
        QTRY_VERIFY(Windows::button(&w.review, choice) && Windows::button(&w.review, choice)->isEnabled());
        clickButton(&w.review, choice);
        QVERIFY(Windows::texts(&w.review).contains("Saving…"));
        QVERIFY(!Windows::button(&w.review, "Open sources")->isEnabled());
        QTRY_VERIFY(Windows::texts(&w.review).contains(feedback));
        QVERIFY(Windows::texts(&w.review).contains("1 of 3 held back this week"));
        const int stances = w.daemon.count("set_interjection_kind_stance");
        const int records = w.daemon.count("record_interjection_outcome");
        QCOMPARE(records, recordReply.isEmpty() ? 0 : 1);

        // Dismissing again sends only the dismissal, and the item goes.
        w.daemon.reply("record_interjection_outcome", json(R"({"kind":"ok"})"));
        clickButton(&w.review, "Dismiss this item");
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 2 held back this week"));
        QCOMPARE(w.daemon.count("set_interjection_kind_stance"), stances);
        QCOMPARE(w.daemon.count("record_interjection_outcome"), records + 1);
    }

    void closedReviewIgnoresTheLateAnswer()
    {
        Windows w;
        w.daemon.reply("record_interjection_outcome", json(R"({"kind":"ok"})"), 0.4);
        w.review.showWeeklyDigest();
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 3 held back this week"));
        clickButton(&w.review, "Dismiss this item");
        // Opening it again while the decision is saved does nothing.
        w.review.showWeeklyDigest();
        QVERIFY(Windows::texts(&w.review).contains("Saving…"));
        // Presenting closes the review; it shows nothing until the mode is off.
        w.presentation.setEnabled(true);
        w.sent("record_interjection_outcome", 1);
        w.barrier();
        QCOMPARE(w.review.reviewItems().size(), 3);
        w.review.showWeeklyDigest();
        QVERIFY(!w.review.isVisible());
        w.presentation.setEnabled(false);
        w.review.showWeeklyDigest();
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 3 held back this week"));
        QVERIFY(Windows::texts(&w.review).contains("Ship the rounding fix"));
        QVERIFY(Windows::button(&w.review, "Dismiss this item")->isEnabled());
    }

    void failedLoadIsNotAnEmptyQueue()
    {
        Windows w;
        w.daemon.reply("interjection_signals", json(R"({"kind":"error","message":"locked"})"));
        w.review.showWeeklyDigest();
        QTRY_VERIFY(Windows::texts(&w.review).contains("Could not load the review"));
        QVERIFY(
            Windows::texts(&w.review).contains("Vesk could not check held-back items. This is not an empty queue."));
        w.daemon.reply("interjection_signals", json(threeHeld));
        clickButton(&w.review, "Check again");
        QTRY_VERIFY(Windows::texts(&w.review).contains("1 of 3 held back this week"));

        // A failure that lands after the review was opened afresh belonged to the one before.
        w.daemon.sequence("interjection_signals",
                          {{R"({"kind":"error"})"
                            "\n",
                            FakeDaemon::Mode::Reply, 0.4},
                           {QJsonDocument(json(threeHeld)).toJson(QJsonDocument::Compact) + '\n'}});
        const int loads = w.daemon.count("interjection_signals");
        w.review.showWeeklyDigest();
        w.sent("interjection_signals", loads + 1); // the failing answer goes to the first
        // A change in between: the next load is sent anew instead of sharing the first.
        w.client.setInjection(true, std::nullopt, app(), [](Reply) {});
        w.review.showWeeklyDigest();
        w.barrier();
        QVERIFY(Windows::texts(&w.review).contains("1 of 3 held back this week"));
        QVERIFY(!Windows::texts(&w.review).contains("Could not load the review"));
    }

    void settingsRender_data()
    {
        QTest::addColumn<QByteArray>("counters");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QStringList>("shown"); // summary, preferences, quiet title, daily, retry
        QTest::newRow("no history")
            << QByteArray(R"({"held_back":[]})") << QByteArray(R"({"kind":"status"})")
            << QStringList{"0 of 2 shown today  ·  new opened  ·  74% base gate",
                           "Muted kinds · none\nEncouraged kinds · none\nHeld for review · 0  ·  Cooldowns · 0\n",
                           "Quiet hours · 22:00–08:00 (local time)", "2 reminders", "60 minutes"};
        QTest::newRow("values set elsewhere")
            << QByteArray(R"({"counts":[["shown",5],["opened",2]],"shown_today":1,"held_back":[],
                              "stances":[["task","muted"],["open_question","muted"],["decision","sooner"]]})")
            << QByteArray(R"({"kind":"status","interjections_daily_limit":3,"interjections_retry_minutes":30,
                              "interjections_quiet_start_hour":21,"interjections_quiet_end_hour":7})")
            << QStringList{"1 of 3 shown today  ·  40% opened  ·  74% base gate",
                           "Muted kinds · task, unresolved question\nEncouraged kinds · decision\n"
                           "Held for review · 0  ·  Cooldowns · 0\n",
                           "Quiet hours · 21:00–07:00 (local time)", "3 reminders", "30 minutes"};
        QTest::newRow("numbers out of range")
            << QByteArray(R"({"counts":[["shown",2],["opened",6]],"shown_today":1,"held_back":[]})")
            << QByteArray(R"({"kind":"status","interjections_daily_limit":-5,"interjections_retry_minutes":1e308,
                              "interjections_quiet_start_hour":99,"interjections_quiet_end_hour":-1})")
            << QStringList{"1 of 2 shown today  ·  unknown opened  ·  74% base gate",
                           "Muted kinds · none\nEncouraged kinds · none\nHeld for review · 0  ·  Cooldowns · 0\n",
                           "Quiet hours · 22:00–08:00 (local time)", "2 reminders", "60 minutes"};
        QTest::newRow("numbers as strings")
            << QByteArray(R"({"counts":[["shown","NaN"],["opened","NaN"]],"shown_today":"NaN","held_back":[]})")
            << QByteArray(R"({"kind":"status","interjections_daily_limit":"NaN","interjections_retry_minutes":"NaN",
                              "interjections_quiet_start_hour":"NaN","interjections_quiet_end_hour":"1e308"})")
            << QStringList{"0 of 2 shown today  ·  new opened  ·  74% base gate",
                           "Muted kinds · none\nEncouraged kinds · none\nHeld for review · 0  ·  Cooldowns · 0\n",
                           "Quiet hours · 22:00–08:00 (local time)", "2 reminders", "60 minutes"};
        QTest::newRow("few cards opened")
            << QByteArray(R"({"counts":[["shown",8],["opened",1]],"shown_today":2,"held_back":[]})")
            << QByteArray(R"({"kind":"status","interjections_daily_limit":8})")
            << QStringList{"2 of 8 shown today  ·  13% opened  ·  82% base gate",
                           "Muted kinds · none\nEncouraged kinds · none\nHeld for review · 0  ·  Cooldowns · 0\n",
                           "Quiet hours · 22:00–08:00 (local time)", "8 reminders", "60 minutes"};
    }
    void settingsRender()
    {
        QFETCH(QByteArray, counters);
        QFETCH(QByteArray, status);
        QFETCH(QStringList, shown);
        Windows w;
        w.daemon.replyRaw("interjection_signals", counters + '\n');
        w.daemon.replyRaw("status", status + '\n');
        w.settings.refreshSignals(); // as the reminders' start does: opening reads the status only
        w.panel.showSettings();
        QTRY_VERIFY(w.popUp("Daily limit")->isEnabled());
        w.barrier();
        QStringList seen = Windows::texts(&w.panel).mid(1, 2);
        QCheckBox* quiet = w.panel.findChildren<QCheckBox*>().at(1);
        seen << quiet->text() << w.popUp("Daily limit")->currentText()
             << w.popUp("Retry held items after")->currentText();
        QCOMPARE(seen, shown);
        QVERIFY(Windows::texts(&w.panel).contains("No interjection decision recorded yet."));
        // A value set elsewhere takes its place among the choices.
        QStringList daily;
        for (int i = 0; i < w.popUp("Daily limit")->count(); ++i)
            daily << w.popUp("Daily limit")->itemText(i).section(' ', 0, 0);
        QStringList expected{"0", "1", "2", "4", "8"};
        if (!expected.contains(shown[3].section(' ', 0, 0)))
            expected.insert(3, shown[3].section(' ', 0, 0));
        QCOMPARE(daily, expected);
    }

    void unmuteAll_data()
    {
        QTest::addColumn<QStringList>("answers"); // the daemon's kinds, in the order it reads the three
        QTest::addColumn<QString>("feedback");
        QTest::addColumn<QString>("note");
        const QString notConfirmed = "Some changes were not confirmed. Refresh and retry Unmute all.";
        QTest::newRow("all confirmed") << QStringList{"ok", "ok", "ok"} << "Muted kinds restored."
                                       << "Settings changed · all muted kinds were restored";
        // "later" answers 0.2 s after the others, so the refusal is the last answer, or the first.
        QTest::newRow("a refusal answered last") << QStringList{"ok", "ok", "error later"} << notConfirmed << "";
        QTest::newRow("a refusal answered first") << QStringList{"error", "ok later", "ok later"} << notConfirmed << "";
    }
    void unmuteAll()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, feedback);
        QFETCH(QString, note);
        Windows w;
        w.daemon.reply("interjection_signals", json(R"({"held_back":[],"stances":[["task","muted"],
            ["open_question","muted"],["decision","muted"]]})"));
        // The batch is settled only when every kind was answered, whichever answer comes last.
        QList<FakeDaemon::Script> scripts;
        for (const QString& answer : answers)
            scripts.append(
                {QJsonDocument(QJsonObject{{"kind", answer.section(' ', 0, 0)}}).toJson(QJsonDocument::Compact) + '\n',
                 FakeDaemon::Mode::Reply, answer.endsWith("later") ? 0.2 : 0});
        w.daemon.sequence("set_interjection_kind_stance", scripts);
        w.settings.refreshSignals();
        w.panel.showSettings();
        // The policy and the signals are read side by side: both must be in before the press.
        QTRY_VERIFY(w.popUp("Daily limit")->isEnabled() && !w.settings.learned().muted.isEmpty());
        clickButton(&w.panel, "Unmute all");
        QTRY_VERIFY(Windows::texts(&w.panel).contains(feedback));
        // Sent side by side: which arrives first is not fixed.
        QStringList kinds = w.sentKinds("set_interjection_kind_stance").split(' ');
        kinds.sort();
        QCOMPARE(kinds.join(' '), "decision: open_question: task:");
        QCOMPARE(w.settings.policy().lastDecision().value_or(QString()), note);
    }

    // Opening asks for the status alone. Reopened while a save is out, the window settles on the
    // answers in whichever order they land: never stuck on "Loading policy…" with its controls off.
    void reopenWhileASaveIsOut_data()
    {
        QTest::addColumn<double>("saveDelay");
        QTest::addColumn<double>("statusDelay");
        QTest::addColumn<QString>("feedback");
        QTest::newRow("the save answers first") << 0.1 << 0.5 << "Policy loaded.";
        QTest::newRow("the status answers first") << 0.5 << 0.1 << "Policy saved.";
    }
    void reopenWhileASaveIsOut()
    {
        QFETCH(double, saveDelay);
        QFETCH(double, statusDelay);
        Windows w;
        w.panel.showSettings();
        QComboBox* daily = w.popUp("Daily limit");
        QTRY_VERIFY(daily->isEnabled());
        w.barrier();
        QCOMPARE(w.daemon.count("status"), 1);
        QCOMPARE(w.daemon.count("interjection_signals"), 0);
        w.daemon.reply("set_delivery_policy", json(R"({"kind":"ok"})"), saveDelay);
        w.daemon.reply("status", json(R"({"kind":"status","interjections_daily_limit":2})"), statusDelay);
        daily->setFocus();
        QTest::keyClick(daily, Qt::Key_Down);
        QCOMPARE(w.sent("set_delivery_policy", 1).first().value("daily_limit").toInt(), 4);
        QVERIFY(!daily->isEnabled()); // no second change while the first is saved
        w.panel.close();
        w.panel.showSettings();
        QVERIFY(Windows::texts(&w.panel).contains("Saving policy…"));
        w.barrier();
        QTRY_VERIFY(daily->isEnabled());
        QVERIFY(!Windows::texts(&w.panel).contains("Loading policy…"));
        QFETCH(QString, feedback);
        QVERIFY(Windows::texts(&w.panel).contains(feedback));
        QCOMPARE(daily->currentText(), "4 reminders");
        QCOMPARE(w.daemon.count("interjection_signals"), 0);
    }

    // Each policy control saves its own value beside the others as loaded; the two flags side by
    // side differ. Saved, the control keeps its value; refused or unanswered, every control shows
    // the last confirmed values and waits for "Refresh policy".
    void policyControls_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("answer"); // to the save; empty: the connection closes unanswered
        QTest::addColumn<QString>("sent");      // on, daily, retry, reopened, quiet hours
        QTest::addColumn<bool>("saved");
        const QByteArray ok(R"({"kind":"ok"})");
        QTest::newRow("reminders off") << "Allow proactive reminders" << ok << "false 2 60 false 21-7" << true;
        QTest::newRow("reopened on") << "Remind me when an item reopens" << ok << "true 2 60 true 21-7" << true;
        QTest::newRow("quiet hours off") << "Quiet hours · 21:00–07:00 (local time)" << ok << "true 2 60 false -"
                                         << true;
        QTest::newRow("retry later") << "Retry held items after" << ok << "true 2 240 false 21-7" << true;
        QTest::newRow("refused") << "Allow proactive reminders" << QByteArray(R"({"kind":"error"})")
                                 << "false 2 60 false 21-7" << false;
        QTest::newRow("no reply") << "Remind me when an item reopens" << QByteArray() << "true 2 60 true 21-7" << false;
    }
    void policyControls()
    {
        QFETCH(QString, control);
        QFETCH(QByteArray, answer);
        QFETCH(bool, saved);
        Windows w;
        w.daemon.reply("status", json(R"({"kind":"status","interjections_reopened":false,
                                           "interjections_quiet_start_hour":21,"interjections_quiet_end_hour":7})"));
        if (answer.isEmpty())
            w.daemon.closeEarly("set_delivery_policy");
        else
            w.daemon.replyRaw("set_delivery_policy", answer + '\n');
        w.panel.showSettings();
        QComboBox* daily = w.popUp("Daily limit");
        QTRY_VERIFY(daily->isEnabled());
        const auto values = [&] {
            QStringList out;
            for (QCheckBox* box : w.panel.findChildren<QCheckBox*>())
                out << QString::number(box->isChecked());
            return out << daily->currentText() << w.popUp("Retry held items after")->currentText();
        };
        const QStringList loaded = values();
        if (QComboBox* menu = w.popUp(control)) {
            menu->setFocus();
            QTest::keyClick(menu, Qt::Key_Down);
        } else {
            clickButton(&w.panel, control);
        }
        const QJsonObject s = w.sent("set_delivery_policy", 1).first();
        const auto on = [&](const char* key) { return QString(s.value(key).toBool() ? "true" : "false"); };
        const QString quiet = s.contains("quiet_start_hour") ? QString::number(s.value("quiet_start_hour").toInt())
                + '-' + QString::number(s.value("quiet_end_hour").toInt())
                                                             : "-";
        QTEST(QStringList({on("human_enabled"), QString::number(s.value("daily_limit").toInt()),
                           QString::number(s.value("retry_minutes").toInt()), on("reopened_enabled"), quiet})
                  .join(' '),
              "sent");
        QTRY_VERIFY(!w.settings.savePending());
        QVERIFY(Windows::texts(&w.panel).contains(
            saved ? "Policy saved."
                  : "Save was not confirmed. Showing last confirmed values; refresh before retrying."));
        QCOMPARE(values() == loaded, !saved);
        QCOMPARE(daily->isEnabled(), saved);
        if (!saved) {
            clickButton(&w.panel, "Refresh policy");
            QTRY_VERIFY(daily->isEnabled());
            QVERIFY(Windows::texts(&w.panel).contains("Policy loaded."));
        }
    }

    // The history buttons: each does its own action, once however often it is pressed while out,
    // and says what came of it. Unmute all waits for the muted kinds to be read; another quota
    // needs no daemon and counts each press.
    void historyButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("counters"); // read before the press; empty: not read
        QTest::addColumn<QByteArray>("answer");   // to a reset; empty: the daemon is down
        QTest::addColumn<QStringList>("shown");   // the summary, the line under the controls
        QTest::addColumn<QString>("note");
        QTest::addColumn<int>("resets");
        QTest::addColumn<QString>("cooldowns");
        const QString none = "0 of 2 shown today  ·  new opened  ·  74% base gate";
        const QByteArray ok(R"({"kind":"ok"})");
        QTest::newRow("reset") << "Reset learned gates" << QByteArray() << ok
                               << QStringList{none, "Learned gates and adoption history reset."}
                               << "Settings changed · learned gates and adoption history were reset" << 1
                               << "Cooldowns · 1";
        QTest::newRow("reset refused") << "Reset learned gates" << QByteArray() << QByteArray(R"({"kind":"error"})")
                                       << QStringList{none, "Reset was not confirmed. Try again."} << "" << 1
                                       << "Cooldowns · 1";
        QTest::newRow("cooldowns") << "Clear cooldowns" << QByteArray() << ok
                                   << QStringList{none, "All 7-day cooldowns were cleared."}
                                   << "Settings changed · all 7-day cooldowns were cleared" << 0 << "Cooldowns · 0";
        QTest::newRow("unmute before the signals")
            << "Unmute all" << QByteArray() << ok
            << QStringList{none, "Muted kinds are not loaded yet. Refresh and retry Unmute all."} << "" << 0
            << "Cooldowns · 1";
        QTest::newRow("another quota, the daemon down")
            << "Allow another daily quota today" << QByteArray(R"({"held_back":[],"shown_today":4})") << QByteArray()
            << QStringList{"4 of 6 shown today  ·  new opened  ·  74% base gate", "Today's cap was raised by 2."}
            << "Settings changed · today's cap was raised by 2" << 0 << "Cooldowns · 1";
    }
    void historyButtons()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, counters);
        QFETCH(QByteArray, answer);
        Windows w;
        w.daemon.replyRaw("reset_interjection_learning", answer + '\n', 0.3);
        w.daemon.replyRaw("interjection_signals", counters + '\n');
        if (!counters.isEmpty())
            w.settings.refreshSignals();
        w.settings.policy().stampShown(Candidate{4, "Ship it", "task", 1, 0.9, "Code", std::nullopt}, w.clock.now());
        w.panel.showSettings();
        QTRY_VERIFY(w.popUp("Daily limit")->isEnabled());
        QVERIFY(Windows::texts(&w.panel).at(2).contains("Cooldowns · 1"));
        if (answer.isEmpty())
            w.daemon.stop();
        clickButton(&w.panel, button);
        clickButton(&w.panel, button);
        QFETCH(QStringList, shown);
        QTRY_VERIFY(Windows::texts(&w.panel).contains(shown[1]));
        w.barrier();
        QCOMPARE(Windows::texts(&w.panel).at(1), shown[0]);
        QTEST(w.daemon.count("reset_interjection_learning"), "resets");
        QCOMPARE(w.daemon.count("set_interjection_kind_stance"), 0);
        QTEST(w.settings.policy().lastDecision().value_or(QString()), "note");
        QFETCH(QString, cooldowns);
        QVERIFY(Windows::texts(&w.panel).at(2).contains(cooldowns));
    }

    // A held-back item's numbers are shown, and reported back, only as what they can be.
    void heldBackNumbers_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QString>("evidence");
        QTest::addColumn<QStringList>("sent"); // what the dismissal reports back of them
        QTest::newRow("negative and huge") << QByteArray(R"("sources":-3,"confidence":1e308)")
                                           << "Task · sources unavailable · relevance unknown" << QStringList{};
        QTest::newRow("numbers as strings") << QByteArray(R"("sources":"NaN","confidence":"NaN")")
                                            << "Task · sources unavailable · relevance unknown" << QStringList{};
        QTest::newRow("absent") << QByteArray(R"("x":0)") << "Task · 0 sources · 0% relevance"
                                << QStringList{"confidence", "sources"};
    }
    void heldBackNumbers()
    {
        QFETCH(QByteArray, item);
        Windows w;
        // A label past one tool tip line: its tool tip is wrapped, never the label as it came.
        const QByteArray label(130, 'S');
        QByteArray reply = R"({"held_back":[{"node_id":4,"item_kind":"task","label":"L",)" + item + "}]}\n";
        w.daemon.replyRaw("interjection_signals", reply.replace("\"L\"", '"' + label + '"'));
        w.review.showWeeklyDigest();
        QFETCH(QString, evidence);
        QTRY_VERIFY(Windows::texts(&w.review).contains(evidence));
        for (QWidget* shown : w.review.findChildren<QWidget*>())
            QVERIFY(shown->toolTip() != QString::fromLatin1(label));
        clickButton(&w.review, "Dismiss this item");
        QStringList sent = w.sent("record_interjection_outcome", 1).first().keys();
        sent.removeIf([](const QString& key) { return key != "confidence" && key != "sources"; });
        QTEST(sent, "sent");
    }
};

QTEST_MAIN(ReminderWindowsTest)
#include "tst_ReminderWindows.moc"
