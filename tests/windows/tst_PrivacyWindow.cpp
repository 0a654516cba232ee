// The privacy exclusions window against a fake daemon: loading a section, removing and adding
// rules, and forgetting what was captured before them.
#include "AccessibleTree.h"
#include "InkLabel.h"
#include "PrivacyExclusionsWindow.h"
#include "PrivacyText.h"
#include "SafeText.h"
#include "WindowsFixture.h"

#include <algorithm>

using namespace vesk;
using namespace vesk::test;
using Gesture = ScriptedAlerts::Gesture;
using OnScreen = ScriptedAlerts::OnScreen;
using SafeText::isolated;

namespace {

struct PrivacyFixture : WindowsFixture {
    PrivacyExclusionsWindow window{client, *platform.workspace, *platform.permissions, alerts, presentation};

    PrivacyFixture()
    {
        daemon.reply("app_blocks", json(R"({"rules":[{"id":1,"bundle_id":"com.1password.1password"},
                                                      {"id":4,"bundle_id":"org.gnome.Terminal"}]})"));
        daemon.reply("website_blocks", json(R"({"rules":[{"id":2,"host":"bank.example.com"}]})"));
        platform.workspace->installed.insert(
            "org.gnome.Terminal", {"org.gnome.Terminal", "Terminal", QIcon::fromTheme("utilities-terminal")});
        platform.workspace->choice = Workspace::Application{"org.gnome.Terminal", "Terminal", {}};
        daemon.reply("block_app", json(R"({"kind":"ok"})"));
        daemon.reply("block_website", json(R"({"kind":"ok"})"));
    }
    // Opens the applications or the websites section and waits until a rule can be added: the
    // title of its add button.
    QString openToAdd(bool application)
    {
        const QString add = application ? "Add application…" : "Add website…";
        window.open();
        if (!application)
            click(button("Websites"));
        // A section that never gets there fails at the test's own next check.
        (void)QTest::qWaitFor([&] { return button(add) && button(add)->isEnabled(); }, 5000);
        return add;
    }
    QStringList shown() { return texts(&window); }
    InkButton* button(const QString& title) { return WindowsFixture::button(&window, title); }
    Row* rowWith(const QString& text)
    {
        for (Row* row : rows(&window))
            if (texts(row).contains(text))
                return row;
        return nullptr;
    }
};

} // namespace

class PrivacyWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // An installed application is listed by its name, one no longer installed says so; both show
    // their id. Every control a screen reader reaches has a name.
    void applicationRows()
    {
        PrivacyFixture f;
        QVERIFY(f.window.open());
        QTRY_VERIFY(f.rowWith("Terminal"));
        QCOMPARE(WindowsFixture::texts(f.rowWith("Terminal")),
                 QStringList({"Terminal", isolated("org.gnome.Terminal")}));
        QCOMPARE(WindowsFixture::texts(f.rowWith("Application not currently installed")),
                 QStringList({"Application not currently installed", isolated("com.1password.1password")}));
        QCOMPARE(f.rowWith(isolated("com.1password.1password"))->findChild<QLabel*>()->accessibleName(),
                 "An application that is no longer installed");
        // Both lines of a row show whole where the window has room for them.
        const QList<InkLabel*> lines = f.rowWith("Terminal")->findChildren<InkLabel*>();
        QTRY_VERIFY(std::all_of(lines.begin(), lines.end(), [](InkLabel* l) { return l->shown() == l->text(); }));
        QVERIFY(f.shown().contains("Applications Vesk must not capture"));
        const QStringList faults = accessibilityFaults(&f.window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n  ")));
    }

    // A long list shows its first rules and counts the rest; the chooser leaves out every one.
    void longListIsCut()
    {
        PrivacyFixture f;
        QJsonArray rules;
        QStringList ids;
        for (int i = 1; i <= 105; ++i) {
            rules.append(QJsonObject{{"id", i}, {"bundle_id", QStringLiteral("org.example.App%1").arg(i)}});
            ids << QStringLiteral("org.example.App%1").arg(i);
        }
        f.daemon.reply("app_blocks", QJsonObject{{"rules", rules}});
        QVERIFY(f.window.open());
        QTRY_VERIFY(f.shown().contains("5 more application exclusions are not shown."));
        QCOMPARE(WindowsFixture::rows(&f.window).size(), 100);
        click(f.button("Add application…"));
        QCOMPARE(f.platform.workspace->leftOut, ids);
    }

    // A rule cut to the window's width is whole under "Copy Full Text".
    void longRuleWithinReach()
    {
        PrivacyFixture f;
        const QString host = QString(1024 * 1024, QLatin1Char('h')) + QStringLiteral(".example.com");
        f.daemon.reply("website_blocks", QJsonObject{{"rules", QJsonArray{QJsonObject{{"id", 2}, {"host", host}}}}});
        f.openToAdd(false);
        QVERIFY(WindowsFixture::copiedWhole(&f.window).contains(host));
    }

    // A section switched while the list loads drops the first section's late reply.
    void sectionSwitchDropsTheOldReply()
    {
        PrivacyFixture f;
        const QString need = "X11 asks for no grant: window titles come from the window manager.";
        f.platform.permissions->needs[Permissions::Kind::accessibility] = {need, {}};
        f.daemon.reply("app_blocks", json(R"({"rules":[{"id":4,"bundle_id":"org.gnome.Terminal"}]})"), 0.3);
        QVERIFY(f.window.open());
        click(f.button("Websites"));
        f.sent("app_blocks", 1);
        f.sent("website_blocks", 1);
        f.barrier();
        QCOMPARE(WindowsFixture::rows(&f.window).size(), 1);
        QVERIFY(f.rowWith(isolated("bank.example.com")));
        QVERIFY(f.shown().contains("Includes subdomains"));
        QVERIFY(!f.shown().contains("No application exclusions yet."));
        QVERIFY(f.shown().contains("Websites Vesk must not capture"));
        QVERIFY(f.shown().contains(PrivacyText::explanation(PrivacyText::Mode::websites, need)));
        QVERIFY(f.button("Add website…"));
    }

    // A failed load is never shown as an empty list, and nothing can be removed from it.
    void loadFailures_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: the daemon closes without a reply
        QTest::addColumn<bool>("failed");
        QTest::newRow("a reply without rules") << QByteArray(R"({"kind":"app_blocks"})") << true;
        QTest::newRow("no reply") << QByteArray() << true;
        QTest::newRow("an empty list") << QByteArray(R"({"rules":[]})") << false;
        QTest::newRow("website rules for applications") << QByteArray(R"({"rules":[{"id":1,"host":"a.com"}]})") << true;
        QTest::newRow("refused in the daemon's words") << QByteArray(R"({"kind":"error","message":"Locked."})") << true;
    }
    void loadFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, failed);
        PrivacyFixture f;
        if (answer.isEmpty())
            f.daemon.closeEarly("app_blocks");
        else
            f.daemon.replyRaw("app_blocks", answer + '\n', 0.2);
        QVERIFY(f.window.open());
        QVERIFY(f.shown().contains("Loading privacy exclusions…"));
        QVERIFY(!f.button("Remove selected")->isEnabled());
        QVERIFY(!f.button("Add application…")->isEnabled());
        QTRY_VERIFY(f.button("Add application…")->isEnabled());
        QString failure = "Could not load privacy exclusions. Vesk could not look; this is not an empty list.";
        if (answer.contains("Locked."))
            failure += "\nThe daemon said: " + isolated("Locked.");
        QCOMPARE(f.shown().contains(failure), failed);
        QCOMPARE(f.button("Retry") != nullptr, failed);
        QCOMPARE(f.shown().contains("No application exclusions yet."), !failed);
        QVERIFY(WindowsFixture::rows(&f.window).isEmpty());
        QVERIFY(!f.button("Remove selected")->isEnabled());
        if (!failed)
            return;
        // Retry asks again, and an answer then is the list.
        f.daemon.reply("app_blocks", json(R"({"rules":[]})"));
        click(f.button("Retry"));
        QTRY_VERIFY(f.shown().contains("No application exclusions yet."));
        QVERIFY(!f.button("Retry"));
        QCOMPARE(f.daemon.count("app_blocks"), 2);
    }

    // Removing asks with the rule's value and, once the daemon agrees, loads the list again; a refusal
    // or no answer says so and keeps the list. Cancel, and Escape on the real dialog, keep the
    // exclusion and send nothing; Return chooses the removal, which can be undone.
    void removeSelected_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: the connection closes unanswered
        QTest::addColumn<QString>("choice");    // a button, or a gesture on the real dialog
        QTest::addColumn<QString>("told");      // empty: the list loads again; "-": nothing sent
        const QByteArray ok(R"({"kind":"ok"})");
        QTest::newRow("agreed") << ok << "Remove exclusion"
                                << "";
        QTest::newRow("refused") << QByteArray(R"({"kind":"error","message":"Rule is built in."})")
                                 << "Remove exclusion"
                                 << "Rule is built in.";
        QTest::newRow("no reply") << QByteArray() << "Remove exclusion"
                                  << "The daemon did not answer.";
        QTest::newRow("cancelled") << ok << "Cancel"
                                   << "-";
        QTest::newRow("Escape") << ok << "escape"
                                << "-";
        QTest::newRow("Return confirms") << ok << "enter"
                                         << "";
        QTest::newRow("pressed twice while out") << ok << "twice"
                                                 << "";
    }
    void removeSelected()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, choice);
        QFETCH(QString, told);
        PrivacyFixture f;
        if (answer.isEmpty())
            f.daemon.closeEarly("unblock_app");
        else
            f.daemon.replyRaw("unblock_app", answer + '\n', choice == "twice" ? 0.5 : 0);
        QVERIFY(f.window.open());
        QTRY_VERIFY(f.rowWith("Terminal"));
        QVERIFY(!f.button("Remove selected")->isEnabled());
        click(f.rowWith("Terminal"));
        QVERIFY(f.rowWith("Terminal")->cited());
        if (choice == "escape" || choice == "enter")
            f.alerts.answerOnScreen(choice == "escape" ? Gesture::escape : Gesture::enter);
        else
            f.alerts.answer(choice == "Cancel" ? 1 : 0);
        click(f.button("Remove selected"));
        QCOMPARE(f.alerts.shown.last().title, "Allow future capture of this application?");
        QCOMPARE(f.alerts.shown.last().text,
                 "Vesk will be allowed to capture " + isolated("org.gnome.Terminal")
                     + " after this rule is removed. Existing data is unchanged.");
        if (told == "-") {
            f.barrier();
            QCOMPARE(f.daemon.count("unblock_app"), 0);
            QVERIFY(f.rowWith("Terminal") && f.button("Remove selected")->isEnabled());
            return;
        }
        if (choice == "twice") {
            QTRY_COMPARE(f.daemon.count("unblock_app"), 1);
            click(f.button("Remove selected"));
            QCOMPARE(f.alerts.shown.size(), 1);
        }
        QCOMPARE(f.sent("unblock_app", 1).first().value("rule_id").toInteger(), 4);
        if (told.isEmpty())
            return (void)f.sent("app_blocks", 2);
        f.barrier();
        QCOMPARE(f.daemon.count("app_blocks"), 1);
        QTRY_COMPARE(f.alertTitles().last() + "|" + f.alerts.shown.last().text,
                     "Could not remove that exclusion.|" + told);
        QVERIFY(f.button("Remove selected")->isEnabled()); // and it can be tried again
    }

    // A website is sent exactly as typed; after it is excluded, the earlier captures are counted and
    // forgotten only through the second, irreversible confirmation.
    void websiteAndForget_data()
    {
        QTest::addColumn<QByteArray>("preview");
        QTest::addColumn<QByteArray>("forgot");
        QTest::addColumn<int>("confirm"); // the answer at the irreversible step: 1 keeps the data
        QTest::addColumn<QStringList>("titles");
        const QString offer = "Also forget what Vesk already captured from that website?";
        const QString confirm = "Permanently forget existing data from that website?";
        QTest::newRow("forgotten") << QByteArray(R"({"kind":"rule_forget","frames":2,"bytes_freed":-5})")
                                   << QByteArray(R"({"kind":"rule_forget","applied":true,"frames":2})") << 0
                                   << QStringList{"Exclude a website", offer, confirm,
                                                  "Existing data from that website was forgotten."};
        QTest::newRow("not applied") << QByteArray(R"({"kind":"rule_forget","frames":1})")
                                     << QByteArray(R"({"kind":"rule_forget","frames":1})") << 0
                                     << QStringList{"Exclude a website", offer, confirm,
                                                    "The exclusion remains active, but the existing data could not "
                                                    "be forgotten."};
        QTest::newRow("kept at the last step") << QByteArray(R"({"kind":"rule_forget","frames":2})") << QByteArray()
                                               << 1 << QStringList{"Exclude a website", offer, confirm};
        QTest::newRow("nothing captured before") << QByteArray(R"({"kind":"rule_forget","frames":0})") << QByteArray()
                                                 << 0 << QStringList{"Exclude a website"};
        QTest::newRow("a count below zero is nothing to forget")
            << QByteArray(R"({"kind":"rule_forget","frames":-5})") << QByteArray() << 0
            << QStringList{"Exclude a website"};
        QTest::newRow("forgotten, its count below zero")
            << QByteArray(R"({"kind":"rule_forget","frames":2})")
            << QByteArray(R"({"kind":"rule_forget","applied":true,"frames":-7})") << 0
            << QStringList{"Exclude a website", offer, confirm, "Existing data from that website was forgotten."};
    }
    void websiteAndForget()
    {
        QFETCH(QByteArray, preview);
        QFETCH(QByteArray, forgot);
        QFETCH(int, confirm);
        QFETCH(QStringList, titles);
        PrivacyFixture f;
        f.daemon.replyRaw("forget_rule_preview", preview + '\n');
        f.daemon.replyRaw("forget_rule", forgot + '\n');
        f.openToAdd(false);
        const QString typed = " https://Bank.example.com/login?next=/Home";
        f.alerts.answerTyping(0, typed);
        f.alerts.answer(0);
        f.alerts.answer(confirm);
        click(f.button("Add website…"));
        QCOMPARE(f.alerts.shown.first().field, "example.com");
        QCOMPARE(f.sent("block_website", 1).first().value("host").toString(), typed);
        const SentRequests looked = f.sent("forget_rule_preview", 1);
        QCOMPARE(looked.first().value("kind").toString(), "url_host");
        QCOMPARE(looked.first().value("value").toString(), typed);
        QTRY_COMPARE(f.alertTitles(), titles);
        f.sent("website_blocks", 2);
        f.barrier();
        QCOMPARE(f.alertTitles(), titles);
        QCOMPARE(f.daemon.count("forget_rule"), titles.size() == 4 ? 1 : 0);
        if (titles.size() < 3)
            return;
        QCOMPARE(f.alerts.shown[2].style, AlertSpec::Style::critical);
        QVERIFY(f.alerts.shown[2].text.startsWith("This irreversibly deletes "));
        if (confirm == 0)
            QCOMPARE(f.sent("forget_rule", 1).first().value("value").toString(), typed);
        if (titles.last().startsWith("Existing"))
            QCOMPARE(f.alerts.shown.last().text,
                     (forgot.contains("-7") ? "How many screenshot records were removed is unavailable."
                                            : "Removed 2 screenshot records.")
                         + QString(" The exclusion remains active."));
    }

    // Excluding an application: with no earlier captures the forget option is disabled; with some,
    // choosing it asks again and forgets them after the irreversible confirmation.
    void addApplication_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("again"); // the frames the second look finds
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("titles");
        const QString three = "Also forget existing data from this application (3 screenshots)";
        QTest::newRow("no earlier captures") << 0 << 0 << true << "No existing captures from this application" << false
                                             << QStringList{"Exclude Terminal from future capture?"};
        QTest::newRow("three screenshots, option left off")
            << 3 << 3 << false << three << true << QStringList{"Exclude Terminal from future capture?"};
        QTest::newRow("three screenshots, none left at the second look")
            << 3 << 0 << true << three << true
            << QStringList{"Exclude Terminal from future capture?", "No existing data from Terminal remains."};
        QTest::newRow("a count below zero") << -3 << 0 << true << "No existing captures from this application" << false
                                            << QStringList{"Exclude Terminal from future capture?"};
        QTest::newRow("three screenshots, forgotten")
            << 3 << 3 << true << three << true
            << QStringList{"Exclude Terminal from future capture?", "Permanently forget existing data from Terminal?",
                           "Existing data from Terminal was forgotten."};
    }
    void addApplication()
    {
        QFETCH(int, frames);
        QFETCH(int, again);
        QFETCH(bool, checked);
        QFETCH(QStringList, titles);
        PrivacyFixture f;
        const auto preview = [](int n) {
            return FakeDaemon::Script{R"({"kind":"app_forget_preview","frames":)" + QByteArray::number(n) + "}\n"};
        };
        f.daemon.sequence("forget_app_preview", {preview(frames), preview(again)});
        f.daemon.reply("forget_app", json(R"({"kind":"app_forgot","frames":3})"));
        f.openToAdd(true);
        f.alerts.answer(0, checked);
        f.alerts.answer(0);
        click(f.button("Add application…"));
        QCOMPARE(f.platform.workspace->chooserTitles, QStringList{"Choose an application Vesk must not capture"});
        QCOMPARE(f.platform.workspace->leftOut, QStringList({"com.1password.1password", "org.gnome.Terminal"}));
        QTRY_COMPARE(f.alertTitles(), titles);
        QTEST(*f.alerts.shown.first().accessory, "option");
        QTEST(f.alerts.shown.first().accessoryEnabled, "enabled");
        const QJsonObject blocked = f.sent("block_app", 1).first();
        QCOMPARE(blocked.value("bundle_id").toString(), "org.gnome.Terminal");
        QCOMPARE(blocked.value("app_name").toString(), "Terminal");
        f.sent("app_blocks", 2);
        f.barrier();
        const bool looksAgain = frames > 0 && checked;
        QCOMPARE(f.daemon.count("forget_app_preview"), looksAgain ? 2 : 1);
        const bool forgets = looksAgain && again;
        QCOMPARE(f.daemon.count("forget_app"), forgets ? 1 : 0);
        if (forgets)
            QVERIFY(f.alerts.shown[1].text.endsWith(
                ". Other applications and agent conversations are not included. This cannot be undone."));
    }

    // A forget with no reply may have run: a fresh preview says what it did. A refusal did nothing
    // and says so, in the daemon's words, without a second look.
    void unansweredForgetIsChecked_data()
    {
        QTest::addColumn<bool>("application");
        QTest::addColumn<QByteArray>("fresh"); // the preview after the forget; empty: no reply either
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("told");
        const QByteArray rule = R"({"kind":"rule_forget","frames":)", app = R"({"kind":"app_forget_preview","frames":)";
        QTest::newRow("website, all gone") << false << rule + "0}" << false << "Forgotten.";
        QTest::newRow("website, nothing deleted") << false << rule + "3}" << false << "Nothing was deleted.";
        QTest::newRow("application, one left") << true << app + "1}" << false << "Partly done, and still going.";
        QTest::newRow("website, no answer either")
            << false << QByteArray() << false << "Vesk could not check whether it was forgotten.";
        QTest::newRow("application, refused")
            << true << app + "3}" << true
            << "The application remains excluded, but its existing data could not be forgotten.";
    }
    void unansweredForgetIsChecked()
    {
        QFETCH(bool, application);
        QFETCH(QByteArray, fresh);
        QFETCH(bool, refused);
        QFETCH(QString, told);
        PrivacyFixture f;
        const QString preview = application ? "forget_app_preview" : "forget_rule_preview";
        const QByteArray first
            = application ? R"({"kind":"app_forget_preview","frames":3})" : R"({"kind":"rule_forget","frames":3})";
        FakeDaemon::Script again{fresh + '\n'};
        if (fresh.isEmpty())
            again.mode = FakeDaemon::Mode::Close;
        f.daemon.sequence(preview,
                          application ? QList<FakeDaemon::Script>{{first + '\n'}, {first + '\n'}, again}
                                      : QList<FakeDaemon::Script>{{first + '\n'}, again});
        const QString forget = application ? "forget_app" : "forget_rule";
        if (refused)
            f.daemon.reply(forget, json(R"({"kind":"error","message":"Busy."})"));
        else
            f.daemon.closeEarly(forget);
        const QString add = f.openToAdd(application);
        if (application) {
            f.alerts.answer(0, true);
        } else {
            f.alerts.answerTyping(0, "bank.example.com");
            f.alerts.answer(0);
        }
        f.alerts.answer(0);
        click(f.button(add));
        QTRY_COMPARE(f.alertTitles().value(f.alerts.shown.size() - 1), told);
        f.barrier();
        QCOMPARE(f.daemon.count(forget), 1);
        QCOMPARE(f.daemon.count(preview), (application ? 2 : 1) + (refused ? 0 : 1));
        if (refused)
            QCOMPARE(f.alerts.shown.last().text, "Busy.");
    }

    // While an addition runs, "Add…" cannot start a second one; it is back once the flow ends.
    void addWaitsForItsFlow_data()
    {
        QTest::addColumn<bool>("added"); // the rule is added, and the list loads again mid-flow
        QTest::newRow("refused") << false;
        QTest::newRow("added, then a slow look at earlier captures") << true;
    }
    void addWaitsForItsFlow()
    {
        QFETCH(bool, added);
        PrivacyFixture f;
        if (!added)
            f.daemon.reply("block_website", json(R"({"kind":"error","message":"Not a hostname."})"), 0.3);
        f.daemon.reply("forget_rule_preview", json(R"({"kind":"rule_forget","frames":0})"), 2.0);
        f.openToAdd(false);
        f.alerts.answerTyping(0, "bank");
        click(f.button("Add website…"));
        QVERIFY(!f.button("Add website…")->isEnabled());
        click(f.button("Add website…"));
        if (added) {
            f.sent("website_blocks", 2);
            QTRY_VERIFY(f.rowWith(isolated("bank.example.com"))); // the list has loaded again
            QVERIFY(!f.button("Add website…")->isEnabled());
        } else {
            QTRY_COMPARE(f.alerts.shown.value(1).text, "Not a hostname.");
        }
        QTRY_VERIFY(f.button("Add website…")->isEnabled());
        QCOMPARE(f.alerts.shown.first().title, "Exclude a website");
        QCOMPARE(f.daemon.count("block_website"), 1);
    }

    // On the real dialogs, Escape, Return and the close button never forget: not at the offer, not at
    // the website's irreversible question, not at the application's.
    void forgettingTakesItsButton_data()
    {
        QTest::addColumn<bool>("application");
        QTest::addColumn<bool>("reviewed"); // the offer answered "Review what would be deleted" first
        QTest::addColumn<QList<Gesture>>("gestures");
        QTest::addColumn<QList<OnScreen>>("seen");
        const OnScreen offerKept{"Review what would be deleted", {}, 1};
        const OnScreen kept{"Keep existing data", {"Forget existing data"}, 1};
        QTest::newRow("offer, Escape") << false << false << QList{Gesture::escape} << QList{offerKept};
        QTest::newRow("offer, closed") << false << false << QList{Gesture::close} << QList{offerKept};
        QTest::newRow("offer and question, Return twice")
            << false << false << QList{Gesture::enter, Gesture::enter}
            << QList{OnScreen{"Review what would be deleted", {}, 0}, kept};
        for (const bool application : {false, true})
            for (const Gesture g : ScriptedAlerts::gestures)
                QTest::addRow("%s question, gesture %d", application ? "application" : "website", int(g))
                    << application << !application << QList{g} << QList{kept};
    }
    void forgettingTakesItsButton()
    {
        QFETCH(bool, application);
        QFETCH(bool, reviewed);
        QFETCH(QList<Gesture>, gestures);
        QFETCH(QList<OnScreen>, seen);
        PrivacyFixture f;
        f.daemon.reply("forget_app_preview", json(R"({"kind":"app_forget_preview","frames":3})"));
        f.daemon.reply("forget_rule_preview", json(R"({"kind":"rule_forget","frames":2})"));
        const QString add = f.openToAdd(application);
        if (application)
            f.alerts.answer(0, true);
        else
            f.alerts.answerTyping(0, "bank.example.com");
        if (reviewed)
            f.alerts.answer(0);
        for (const Gesture g : gestures)
            f.alerts.answerOnScreen(g);
        click(f.button(add));
        QTRY_COMPARE(f.alerts.onScreen, seen);
        f.barrier();
        QCOMPARE(f.daemon.count("forget_rule") + f.daemon.count("forget_app"), 0);
    }
};

QTEST_MAIN(PrivacyWindowTest)
#include "tst_PrivacyWindow.moc"
