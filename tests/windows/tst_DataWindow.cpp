// The "Your data" window against a fake daemon: its sections, handoffs, storage and deletion.
#include "AccessibleTree.h"
#include "DataWindow.h"
#include "InkLabel.h"
#include "SafeText.h"
#include "ScrollColumn.h"
#include "WindowsFixture.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QScrollBar>

using namespace vesk;
using namespace vesk::test;

namespace {

QJsonArray handoffRows(int count)
{
    QJsonArray rows;
    for (int i = 1; i <= count; ++i)
        rows.append(QJsonArray{QStringLiteral("pkg-%1").arg(i), "agent", qint64(1772460300000 - i * 60000), "v1",
                               100 * i, i, 0});
    return rows;
}

struct DataFixture : WindowsFixture {
    DataWindow window{client, alerts, presentation};

    DataFixture()
    {
        daemon.reply("recent_deliveries", QJsonObject{{"deliveries", handoffRows(2)}});
        daemon.reply(
            "connections",
            json(
                R"({"kind":"connections","clis":[{"name":"Codex","detected":true,"command":"codex mcp add vesk\n"}]})"));
        daemon.reply("status", json(R"({"kind":"status","pixel_bytes":5242880,"db_bytes":1048576,"frames":22,"nodes":40,
                                        "retention_days":5,"expired_pixel_frames":2,"expired_pixel_bytes":2097152})"));
        daemon.reply("profile", json(R"({"body":"You work on Harbor.","cited":3})"));
    }
    QWidget* column() const { return window.column()->content(); }
    QStringList shown() const { return texts(column()); }
    InkButton* button(const QString& title) const { return WindowsFixture::button(column(), title); }
    // Shows the window and waits until all four sections have their replies.
    void open()
    {
        QVERIFY(window.open());
        // The four run side by side: wait for every reply, not for the one that used to come last.
        barrier();
        QVERIFY(shown().contains("You work on Harbor."));
    }
};

} // namespace

class DataWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The sections in order, each filled by its own request; every control
    // a screen reader reaches has a name.
    void sectionsInOrder()
    {
        DataFixture f;
        f.open();
        QStringList ops;
        for (const QByteArray& line : f.daemon.requests())
            ops << QJsonDocument::fromJson(line).object().value("op").toString();
        ops.sort(); // sent side by side: which arrives first is not fixed
        QCOMPARE(ops, QStringList({"connections", "profile", "recent_deliveries", "status"}));
        QCOMPARE(f.sent("recent_deliveries").first().value("limit").toInteger(), 8);

        const QStringList shown = f.shown();
        QStringList headings;
        for (const QString& text : shown)
            if (text == text.toUpper() && text.size() > 3)
                headings << text;
        QCOMPARE(headings,
                 QStringList({"RECENT HANDOFFS", "WHAT CAN READ THIS", "ON THIS MACHINE", "WHAT VESK SAYS ABOUT YOU",
                              "WHAT YOU CAN CHANGE"}));
        QVERIFY(shown.contains("Screenshots  5 MB of 5120 MB\nDatabase     1 MB, uncapped\n22 frames, 40 entities"));
        QVERIFY(shown.contains("Screenshot pixels are retained for 5 days. 2 screenshot payloads are expired now."));
        QVERIFY(shown.contains("Codex   ·   installed, not connected"));
        // What is selected and copied from the field cannot run a line of its own on paste.
        QCOMPARE(f.window.findChild<QLineEdit*>()->text(), "codex mcp add vesk");
        QVERIFY(f.button("Delete expired pixels now")->isEnabled());
        QVERIFY(!f.button("Retry"));
        const QStringList faults = accessibilityFaults(&f.window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n  ")));
    }

    // The three newest handoffs are always in view; a fourth folds behind a button.
    void handoffsFold_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("folded");
        QTest::newRow("exactly three") << 3 << false;
        QTest::newRow("four") << 4 << true;
    }
    void handoffsFold()
    {
        QFETCH(int, count);
        QFETCH(bool, folded);
        DataFixture f;
        f.daemon.reply("recent_deliveries", QJsonObject{{"deliveries", handoffRows(count)}});
        f.open();
        const auto summaries = [&f] {
            int visible = 0;
            for (Row* row : WindowsFixture::rows(f.column()))
                visible += WindowsFixture::texts(row).value(0).contains("evidence reference");
            return visible;
        };
        QCOMPARE(summaries(), 3);
        QCOMPARE(f.button("Show earlier handoffs") != nullptr, folded);
        if (!folded)
            return;
        click(f.button("Show earlier handoffs"));
        QVERIFY(f.button("Hide earlier handoffs"));
        QCOMPARE(summaries(), 4);
    }

    // Details closed before their reply stay closed when it comes; opened again they show the new
    // reply; a failed one says so and relabels the button.
    void handoffDetails()
    {
        DataFixture f;
        f.daemon.sequence("inspect_context_package",
                          {{R"({"kind":"error"})"
                            "\n",
                            FakeDaemon::Mode::Reply, 0.3},
                           {R"({"package_id":"second","frame_ids":[1,2],"message_ids":[3]})"
                            "\n"},
                           {R"({"kind":"error"})"
                            "\n"}});
        f.open();
        InkButton* inspect = f.button("Inspect handoff");
        click(inspect);
        QCOMPARE(inspect->text(), "Hide details");
        QVERIFY(f.shown().contains("Loading handoff details…"));
        click(inspect);
        f.sent("inspect_context_package", 1);
        f.barrier();
        QCOMPARE(inspect->text(), "Inspect handoff");
        QVERIFY(!f.shown().join("\n").contains("Could not open this handoff"));

        click(inspect);
        f.sent("inspect_context_package", 2);
        f.barrier();
        QVERIFY(f.shown().contains(
            "Referenced  2 screens, 1 message\nCost     0 tokens\nPolicy   unknown\nID       second"));
        QCOMPARE(f.sent("inspect_context_package").first().value("package_id").toString(), "pkg-1");

        click(inspect);
        click(inspect);
        QTRY_VERIFY(f.shown().contains("Could not open this handoff. Vesk could not look; this is unavailable, not "
                                       "empty. Close the details and inspect again to retry."));
        QCOMPARE(inspect->text(), "Close details");
    }

    // Each section says it could not look, in its own words; any "Retry" fills every section again.
    void failedSectionsRetry()
    {
        DataFixture f;
        for (const char* op : {"recent_deliveries", "connections", "status", "profile"})
            f.daemon.closeEarly(op);
        QVERIFY(f.window.open());
        f.barrier();
        const QStringList shown = f.shown();
        QVERIFY(shown.contains("This is a failed read, not an empty profile."));
        for (const char* text : {"Could not load handoffs. Vesk could not look; this is unavailable, not none.",
                                 "Could not load agent connections. Vesk could not look; no connection state is shown.",
                                 "Vesk is not reachable, so it cannot report its size.",
                                 "Could not load retention. Vesk could not look; these are unavailable, not zero.",
                                 "Vesk is not reachable, so it cannot show this."})
            QVERIFY2(shown.contains(text), text);
        QVERIFY(!f.button("Delete expired pixels now")->isEnabled());
        // Each section's own Retry, handoffs, connections, storage and profile in turn, reads the
        // window again.
        for (int section = 0; section < 4; ++section) {
            QTRY_COMPARE(visibleButtons(f.column(), "Retry").size(), 4);
            click(visibleButtons(f.column(), "Retry").at(section));
            for (const char* op : {"recent_deliveries", "connections", "status", "profile"})
                f.sent(op, section + 2);
            f.barrier();
        }
        // Answered at last, the sections fill and their Retry buttons go.
        f.daemon.reply("connections", json(R"({"kind":"connections","clis":[{"name":"Codex","detected":true}]})"));
        click(visibleButtons(f.column(), "Retry").at(1));
        f.barrier();
        QCOMPARE(visibleButtons(f.column(), "Retry").size(), 3);
        QVERIFY(f.shown().contains("Codex   ·   installed — Vesk does not speak to it yet"));
    }

    // A read that failed is never shown as an empty one, and a refusal says the daemon's reason.
    void failedReads_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("failure");
        QTest::newRow("handoffs of the wrong type")
            << "recent_deliveries" << QByteArray(R"({"deliveries":[1,"p2"]})")
            << "Could not load handoffs. Vesk could not look; this is unavailable, not none.";
        QTest::newRow("tools of the wrong type")
            << "connections" << QByteArray(R"({"kind":"connections","clis":[7]})")
            << "Could not load agent connections. Vesk could not look; no connection state is shown.";
        QTest::newRow("storage refused in the daemon's words")
            << "status" << QByteArray(R"({"kind":"error","message":"Store locked."})")
            << "Vesk is not reachable, so it cannot report its size.\nThe daemon said: "
                + SafeText::isolated("Store locked.");
    }
    void failedReads()
    {
        QFETCH(QString, op);
        QFETCH(QByteArray, answer);
        QFETCH(QString, failure);
        DataFixture f;
        f.daemon.replyRaw(op, answer + '\n');
        f.open();
        QVERIFY2(f.shown().contains(failure), qPrintable(f.shown().join("\n")));
        QVERIFY(!f.shown().contains("Nothing sent yet. Agent and desktop handoffs will appear here."));
        QCOMPARE(visibleButtons(f.column(), "Retry").size(), 1);
    }

    // A list of any length is cut to what a person reads there, with a line counting the rest.
    void longListsAreCut()
    {
        DataFixture f;
        QJsonArray tools;
        for (int i = 0; i < 60; ++i)
            tools.append(QJsonObject{{"name", QStringLiteral("tool-%1").arg(i)}});
        f.daemon.reply("connections", QJsonObject{{"kind", "connections"}, {"clis", tools}});
        f.daemon.reply("recent_deliveries", QJsonObject{{"deliveries", handoffRows(25)}});
        f.open();
        click(f.button("Show earlier handoffs"));
        int named = 0, summaries = 0;
        for (const QString& text : f.shown()) {
            named += text.startsWith("tool-");
            summaries += text.contains("evidence reference");
        }
        QCOMPARE(named, 50);
        QCOMPARE(summaries, 20);
        QVERIFY(f.shown().contains("10 more agent tools are not shown."));
        QVERIFY(f.shown().contains("5 more handoffs are not shown."));
    }

    // A daemon text cut for the window is whole under "Copy Full Text", and its tool tip is cut as an
    // alert is; a recipient of a megabyte of lines leaves the counts on the line after it.
    void wholeTextsWithinReach_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QJsonObject>("answer");
        QTest::addColumn<QString>("whole");
        QTest::addColumn<bool>("inspect");
        const QString name(300, QLatin1Char('n')), lines = QStringLiteral("r\n").repeated(512 * 1024),
                                                   command = QStringLiteral("codex ") + QString(3000, QLatin1Char('c'));
        QTest::newRow("a tool's name") << "connections"
                                       << QJsonObject{{"kind", "connections"},
                                                      {"clis", QJsonArray{QJsonObject{{"name", name}}}}}
                                       << name << false;
        QTest::newRow("a recipient of 1 MB of lines")
            << "recent_deliveries"
            << QJsonObject{{"deliveries", QJsonArray{QJsonArray{"p", lines, 1772460300000.0, "v", 5, 2, 1}}}} << lines
            << false;
        QTest::newRow("a command past its field")
            << "connections"
            << QJsonObject{{"kind", "connections"},
                           {"clis",
                            QJsonArray{QJsonObject{{"name", "Codex"}, {"detected", true}, {"command", command}}}}}
            << command << false;
        QTest::newRow("a profile past what a label keeps")
            << "profile" << QJsonObject{{"body", QStringLiteral("You work on Harbor. ").repeated(1500)}}
            << QStringLiteral("You work on Harbor. ").repeated(1500) << false;
        QTest::newRow("a package's id") << "inspect_context_package" << QJsonObject{{"package_id", name}}
                                        << "Referenced  nothing\nCost     0 tokens\nPolicy   unknown\nID       " + name
                                        << true;
    }
    void wholeTextsWithinReach()
    {
        QFETCH(QString, op);
        QFETCH(QJsonObject, answer);
        QFETCH(QString, whole);
        QFETCH(bool, inspect);
        DataFixture f;
        f.daemon.reply(op, answer);
        QVERIFY(f.window.open());
        f.barrier();
        if (inspect) {
            click(f.button("Inspect handoff"));
            f.sent("inspect_context_package", 1);
            f.barrier();
        }
        QVERIFY(WindowsFixture::copiedWhole(f.column()).contains(whole));
        for (const QString& text : f.shown()) {
            QVERIFY(text.size() <= InkLabel::wrapCap + 1);
            if (text.contains("evidence reference")) // the counts on the line after the recipient
                QCOMPARE(text.count('\n'), 1);
        }
        for (QWidget* view : f.column()->findChildren<QWidget*>())
            QVERIFY(view->toolTip().size() < 2000);
    }

    // The deletion asks with the last status's counts, reports what the daemon removed and fills the
    // window again; a refusal gives the button back.
    void deleteExpiredPixels_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("statusRequests");
        QTest::newRow("nothing remained")
            << QByteArray(R"({"kind":"expired_pixels_deleted","frames":0})") << "No expired pixels remained."
            << "0 screenshot payloads removed; 0.0 MB freed. Extracted text and memory were kept." << 2;
        QTest::newRow("refused") << QByteArray(R"({"kind":"error","message":"Read-only store."})")
                                 << "Could not delete expired pixels."
                                 << "Read-only store." << 1;
        QTest::newRow("counts below zero")
            << QByteArray(R"({"kind":"expired_pixels_deleted","frames":-7})") << "Expired pixels deleted."
            << "How many screenshot payloads were removed is unavailable; 0.0 MB freed. Extracted text and memory "
               "were kept."
            << 2;
    }
    void deleteExpiredPixels()
    {
        QFETCH(QByteArray, answer);
        DataFixture f;
        f.daemon.replyRaw("delete_expired_pixels", answer + '\n', 0.2);
        f.open();
        InkButton* remove = f.button("Delete expired pixels now");
        // On the real dialog Escape, Return and the close button keep the pixels.
        for (const auto gesture : ScriptedAlerts::gestures) {
            f.alerts.answerOnScreen(gesture);
            click(remove);
        }
        QCOMPARE(f.alerts.onScreen, QList<ScriptedAlerts::OnScreen>(3, {"Cancel", {"Delete expired pixels"}, 1}));
        f.barrier();
        QCOMPARE(f.daemon.count("delete_expired_pixels"), 0);
        // The deletion is asked from further down; the window filled again keeps that place.
        f.window.resize(560, 300);
        QScrollBar* bar = f.window.column()->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        const int place = bar->value();
        f.alerts.answer(0);
        click(remove);
        QCOMPARE(f.alerts.shown.last().text,
                 "2 expired screenshot payloads (about 2.0 MB) will be removed.\n\nFrame records, extracted text, "
                 "provenance, entities, and memory will remain.");
        f.sent("delete_expired_pixels", 1);
        QVERIFY(!remove->isEnabled());
        QTRY_COMPARE(f.alerts.shown.size(), 5);
        QTEST(f.alerts.shown.last().title, "title");
        QTEST(f.alerts.shown.last().text, "text");
        f.barrier();
        QTEST(f.daemon.count("status"), "statusRequests");
        if (f.daemon.count("status") == 1)
            QVERIFY(remove->isEnabled());
        else
            QTRY_VERIFY(bar->value() > 0 && bar->value() <= place); // not back at the top
    }

    // With nothing expired, or no count of it, there is nothing to delete: the button stays off.
    // A next expiry out of any sane range is unknown.
    void nothingExpired_data()
    {
        QTest::addColumn<QJsonValue>("expired");
        QTest::addColumn<QJsonValue>("next");
        QTest::addColumn<QString>("sentence");
        const QString unavailable = "How many screenshot payloads are expired is unavailable.";
        QTest::newRow("none") << QJsonValue(0) << QJsonValue()
                              << "There are no stored screenshot pixels waiting to "
                                 "expire.";
        QTest::newRow("below zero") << QJsonValue(-5) << QJsonValue() << unavailable;
        QTest::newRow("1e308") << QJsonValue(1e308) << QJsonValue() << unavailable;
        QTest::newRow("NaN as a string, expiring at 9e18 ms")
            << QJsonValue("NaN") << QJsonValue(9e18) << "When the next screenshot pixels expire is unknown.";
    }
    void nothingExpired()
    {
        QFETCH(QJsonValue, expired);
        QFETCH(QJsonValue, next);
        QFETCH(QString, sentence);
        DataFixture f;
        f.daemon.reply("status",
                       QJsonObject{{"kind", "status"},
                                   {"retention_days", 5},
                                   {"expired_pixel_frames", expired},
                                   {"next_pixel_expiry_ms", next}});
        f.open();
        QVERIFY(f.shown().contains("Screenshot pixels are retained for 5 days. " + sentence));
        f.alerts.answer(0);
        click(f.button("Delete expired pixels now"));
        f.window.deleteExpiredPixels();
        QVERIFY(f.alerts.shown.isEmpty());
    }
};

QTEST_MAIN(DataWindowTest)
#include "tst_DataWindow.moc"
