#include "EntityFixture.h"

#include <QGraphicsOpacityEffect>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;
using Gesture = ScriptedAlerts::Gesture;

namespace {

using Style = AlertSpec::Style;

const QString forgetButton = "Forget everything about this";

FakeDaemon::Script line(const QString& text)
{
    return text == "close" ? FakeDaemon::Script{{}, FakeDaemon::Mode::Close} : FakeDaemon::Script{text.toUtf8() + '\n'};
}

// What a dialog said: its title, its text, then its buttons.
QStringList said(const AlertSpec& alert)
{
    return QStringList{alert.title, alert.text} + alert.buttons;
}

// Harbor's page, opened from a search for "harb": two relations, listed and drawn, one from Harbor
// to Priya and one from Lena to Harbor, and one source that opens a frame in the inspector.
void harborPage(EntityFixture& f)
{
    QJsonObject lena = edge(8, "Lena", "works on");
    lena.insert("outgoing", false);
    f.daemon.reply("relations", relationsReply({edge(7, "Priya", "reviewed by"), lena}));
    f.daemon.reply("why", json(R"({"kind":"why","sources":[{"app_name":"Code","document_url":"x.rs","frame_id":5}]})"));
    f.daemon.reply("proposals", json(R"({"kind":"proposals"})"));
    f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
    f.daemon.reply("search",
                   json(R"({"kind":"search","nodes":[{"label":"Harbor","node_id":1,"node_type":"project"}]})"));
    f.searchByKeyboard("harb");
    QTRY_VERIFY(f.rowWith("Harbor"));
    click(f.rowWith("Harbor"));
    QTRY_VERIFY(f.rowWith("reviewed by Priya") && f.rowWith("x.rs"));
}

// A frame in the inspector, which a page opened anew closes.
void inspectFrame(EntityFixture& f)
{
    click(f.rowWith("x.rs"));
    QTRY_VERIFY(f.inspectorTexts().contains("Code"));
}

// The page was opened again as any page opens: the inspector closed, the caret in the field.
void reopened(EntityFixture& f)
{
    QTRY_COMPARE(f.daemon.count("relations"), 2);
    QVERIFY(!f.window.inspectorColumn()->isVisibleTo(f.panel()));
    QVERIFY(f.field()->hasFocus());
}

} // namespace

class MemoryEditsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The question before forgetting quotes the daemon's preview; Cancel forgets nothing, and the
    // button works again.
    void forgetAsksWithThePreviewsCounts_data()
    {
        QTest::addColumn<QString>("preview");    // "close": no reply
        QTest::addColumn<QStringList>("dialog"); // title, text, buttons
        const QStringList forget{"Forget it", "Cancel"};
        const QString title = "Forget everything about Harbor?";

        QTest::newRow("frames and lines")
            << R"({"kind":"forget_entity_preview","frames":1,"text_lines":40,"sightings":3,"nodes_deleted":1,"bytes_freed":2345678})"
            << QStringList{title,
                           "1 frame of pixels\n40 line(s) of text and their index\n3 source record(s)\n1 "
                           "entit(ies) that nothing else saw\n2.3 MB freed\n\nThis cannot be undone."}
                + forget;
        QTest::newRow("messages only")
            << R"({"kind":"forget_entity_preview","messages":5,"text_lines":9})"
            << QStringList{title,
                           "5 lines of your agent conversations, and they stay forgotten when the history is "
                           "read again\n0 source record(s)\n0 entit(ies) that nothing else saw\n0.0 MB freed\n\n"
                           "This cannot be undone."}
                + forget;
        QTest::newRow("one message, kept entities lose records")
            << R"({"kind":"forget_entity_preview","frames":2,"messages":1,"nodes_kept":2,"kept_sightings_lost":4})"
            << QStringList{title,
                           "2 frames of pixels\n0 line(s) of text and their index\n1 line of your agent "
                           "conversations, and they stay forgotten when the history is read again\n0 source "
                           "record(s)\n0 entit(ies) that nothing else saw\n0.0 MB freed\n\n2 entit(ies) stay — "
                           "something else saw them too.\nThey lose 4 source record(s) between them.\n\nThis "
                           "cannot be undone."}
                + forget;
        QTest::newRow("source records alone, kept entities lose none")
            << R"({"kind":"forget_entity_preview","sightings":3,"nodes_kept":1,"bytes_freed":50000})"
            << QStringList{title,
                           "3 source record(s)\n0 entit(ies) that nothing else saw\n0.1 MB freed\n\n1 entit(ies) "
                           "stay — something else saw them too.\n\nThis cannot be undone."}
                + forget;
        QTest::newRow("nothing") << R"({"kind":"forget_entity_preview","text_lines":9,"nodes_kept":3})"
                                 << QStringList{"There is nothing to forget about Harbor.",
                                                "Vesk holds no frames, no conversation lines and no source records "
                                                "for it. If you expected something here, it may already be gone.",
                                                "OK"};
        QTest::newRow("refused") << R"({"kind":"error","message":"the store is locked"})"
                                 << QStringList{"Could not work out what that would remove.", "the store is locked",
                                                "OK"};
    }
    void forgetAsksWithThePreviewsCounts()
    {
        QFETCH(QString, preview);
        QFETCH(QStringList, dialog);
        EntityFixture f;
        f.daemon.sequence("forget_entity_preview", {line(preview)});
        harborPage(f);
        f.alerts.answer(1); // Cancel, where there is one
        QTest::mouseClick(f.button(forgetButton), Qt::LeftButton);
        QTRY_COMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(said(f.alerts.shown.first()), dialog);
        QCOMPARE(f.alerts.shown.first().style == Style::critical, dialog.contains("Forget it"));
        QTRY_VERIFY(f.button(forgetButton) && f.button(forgetButton)->isEnabled());
        f.barrier();
        QCOMPARE(f.daemon.count("forget_entity"), 0);
    }

    // A confirmed forget leaves the page; one the daemon did not confirm is checked against a
    // fresh preview and described from the frames it still has.
    void forgetOutcome_data()
    {
        QTest::addColumn<QString>("forget");      // the forget's reply; "close": none
        QTest::addColumn<QString>("fresh");       // the second preview; "close": none
        QTest::addColumn<QStringList>("verdict"); // title and text; empty: no dialog after the forget
        QTest::addColumn<bool>("warning");

        QTest::newRow("confirmed") << R"({"kind":"ok"})"
                                   << "" << QStringList{} << false;
        QTest::newRow("lost, all gone")
            << "close"
            << R"({"kind":"forget_entity_preview","frames":0})"
            << QStringList{"Forgotten.",
                           "Vesk took longer than the socket waits, so it could not confirm at the time "
                           "— but Harbor and its 12 frame(s) are gone. Checked just now."}
            << false;
        QTest::newRow("lost, none gone")
            << "close"
            << R"({"kind":"forget_entity_preview","frames":12})"
            << QStringList{"Nothing was deleted.",
                           "Vesk did not get to the request and nothing changed — Harbor still has all 12 frame(s)."}
            << false;
        QTest::newRow("refused, half gone")
            << R"({"kind":"error","message":"busy"})"
            << R"({"kind":"forget_entity_preview","frames":5})"
            << QStringList{"Partly done, and still going.",
                           "7 of 12 frame(s) are already gone and 5 remain. Deleting is one transaction per frame, so "
                           "this is a real half-way state rather than a failed attempt. Re-open this entity in a "
                           "moment to see where it got to."}
            << true;
        QTest::newRow("lost, and so is the check")
            << "close"
            << "close"
            << QStringList{"Vesk did not answer.",
                           "The delete may or may not have run, and this could not find out. "
                           "Re-open Harbor to see what is left before trying anything else."}
            << true;
    }
    void forgetOutcome()
    {
        QFETCH(QString, forget);
        QFETCH(QString, fresh);
        QFETCH(QStringList, verdict);
        QFETCH(bool, warning);
        EntityFixture f;
        f.daemon.sequence(
            "forget_entity_preview",
            {line(R"({"kind":"forget_entity_preview","frames":12,"text_lines":40,"sightings":3})"), line(fresh)});
        f.daemon.sequence("forget_entity", {line(forget)});
        harborPage(f);
        f.alerts.answer(0); // "Forget it"
        f.alerts.answer(0);
        QTest::mouseClick(f.button(forgetButton), Qt::LeftButton);
        QCOMPARE(f.sent("forget_entity", 1).first().value("node_id").toInteger(), 1);
        QTRY_VERIFY(!f.button(forgetButton)); // the page is left, whatever happened
        QCOMPARE(f.alerts.shown.size(), verdict.isEmpty() ? 1 : 2);
        if (!verdict.isEmpty()) {
            QCOMPARE(said(f.alerts.shown.last()), verdict + QStringList{"OK"});
            QCOMPARE(f.alerts.shown.last().style == Style::warning, warning);
        }
    }

    // The renamed page comes back under the name as typed, with a note at its very top.
    void rename_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reply"); // empty: the dialog is cancelled
        QTest::addColumn<QString>("shown"); // the note, or the failure dialog's text

        QTest::newRow("one memory") << "New name"
                                    << R"({"kind":"renamed","sources":1,"relations":0})"
                                    << "1 memory now read “New name”. The old spelling still finds it.";
        QTest::newRow("at least thirty, two relations")
            << "New name"
            << R"({"kind":"renamed","sources":30,"sources_truncated":true,"relations":2})"
            << "at least 30 memories and 2 relations now read “New name”. The old spelling still finds it.";
        QTest::newRow("none, one relation, spaces kept")
            << " Harbour "
            << R"({"kind":"renamed","sources":0,"relations":1})"
            << "0 memories and 1 relation now read “ Harbour ”. The old spelling still finds it.";
        QTest::newRow("refused") << "New name"
                                 << R"({"kind":"error","message":"that name is taken"})"
                                 << "that name is taken";
        QTest::newRow("refused without a reason") << "New name"
                                                  << R"({"kind":"error"})"
                                                  << "The daemon refused without giving a reason.";
        QTest::newRow("cancelled") << "New name"
                                   << ""
                                   << "";
    }
    void rename()
    {
        QFETCH(QString, typed);
        QFETCH(QString, reply);
        QFETCH(QString, shown);
        EntityFixture f;
        f.daemon.sequence("rename", {line(reply)});
        harborPage(f);
        inspectFrame(f);
        if (reply.isEmpty())
            f.alerts.answerOnScreen(Gesture::escape);
        else
            f.alerts.answerTyping(0, typed);
        QTest::mouseClick(f.button("Rename"), Qt::LeftButton);
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(said(f.alerts.shown.first()),
                 (QStringList{"What is this actually called?",
                              "The old spelling is kept, so anything that mentions it still finds this entity.",
                              "Rename", "Cancel"}));
        QCOMPARE(f.alerts.shown.first().fieldText, "Harbor");
        if (reply.isEmpty()) {
            QCOMPARE(f.alerts.onScreen, (QList{ScriptedAlerts::OnScreen{"Rename", {}, 1}}));
            f.barrier();
            QCOMPARE(f.daemon.count("rename"), 0);
            return;
        }
        const QJsonObject sent = f.sent("rename", 1).first();
        QCOMPARE(sent.value("node_id").toInteger(), 1);
        QCOMPARE(sent.value("label").toString(), typed);
        if (reply.contains("error")) {
            QTRY_COMPARE(f.alerts.shown.size(), 2);
            QCOMPARE(said(f.alerts.shown.last()), (QStringList{"Could not rename that.", shown, "OK"}));
            return;
        }
        QTRY_COMPARE(f.texts().value(0), shown);
        QVERIFY(f.texts().contains(typed));
        reopened(f);
        // The field holds the new name, so back searches the new spelling.
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QCOMPARE(f.sent("search", 2).last().value("query").toString(), typed.trimmed());
    }

    // On the real dialog, Escape, Return and the close button neither forget the entity nor remove the
    // graph's relation: Cancel is the default, and the button that cannot be undone is drawn as such.
    void irreversibleQuestionsKeep_data()
    {
        QTest::addColumn<bool>("graph");
        QTest::addColumn<Gesture>("gesture");
        for (const bool graph : {false, true})
            for (const Gesture g : ScriptedAlerts::gestures)
                QTest::addRow("%s, gesture %d", graph ? "graph" : "forget", int(g)) << graph << g;
    }
    void irreversibleQuestionsKeep()
    {
        QFETCH(bool, graph);
        QFETCH(Gesture, gesture);
        EntityFixture f;
        f.daemon.reply("forget_entity_preview", json(R"({"kind":"forget_entity_preview","frames":2})"));
        harborPage(f);
        QTRY_VERIFY(!f.chips().isEmpty());
        f.alerts.answerOnScreen(gesture);
        if (graph) {
            const QPointF centre = QRectF(f.graph()->rect()).center();
            QTest::mouseClick(f.graph(), Qt::LeftButton, {},
                              ((centre + QRectF(f.chips()[0]->geometry()).center()) / 2).toPoint());
        } else {
            QTest::mouseClick(f.button(forgetButton), Qt::LeftButton);
        }
        QTRY_COMPARE(f.alerts.onScreen,
                     (QList{ScriptedAlerts::OnScreen{"Cancel", {graph ? "This is wrong" : "Forget it"}, 1}}));
        f.barrier();
        QCOMPARE(f.daemon.count("forget_entity") + f.daemon.count("reject_relation"), 0);
    }

    // A relation removed from its row goes at once: the row fades once the daemon confirms it, and
    // the relation leaves the graph and the caption's count. One picked on the graph (a click near
    // its line; one far from any line picks nothing) goes after a question that quotes it in its own
    // order, source first, and the page opens again without it. A refusal says why and keeps all.
    void removeRelation_data()
    {
        QTest::addColumn<int>("chip"); // -1: the row's button; 0: Priya's line, from Harbor; 1: Lena's, to it
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("failure"); // empty: removed
        QTest::newRow("row, removed") << -1 << R"({"kind":"ok"})"
                                      << "";
        QTest::newRow("row, refused") << -1 << R"({"kind":"error","message":"no such relation"})"
                                      << "no such relation";
        QTest::newRow("outgoing line, removed") << 0 << R"({"kind":"ok"})"
                                                << "";
        QTest::newRow("incoming line, refused") << 1 << R"({"kind":"error","message":"busy"})"
                                                << "busy";
    }
    void removeRelation()
    {
        QFETCH(int, chip);
        QFETCH(QString, reply);
        QFETCH(QString, failure);
        EntityFixture f;
        f.daemon.sequence("reject_relation", {line(reply)});
        harborPage(f);
        inspectFrame(f);
        Row* row = f.rowWith("reviewed by Priya");
        InkButton* wrong = f.buttons("This is wrong", row).value(0);
        if (chip < 0) {
            QTest::mouseClick(wrong, Qt::LeftButton);
        } else {
            f.alerts.answer(0);
            const QPointF centre = QRectF(f.graph()->rect()).center();
            QTest::mouseClick(f.graph(), Qt::LeftButton, {}, QPoint(3, 3));
            QTest::mouseClick(f.graph(), Qt::LeftButton, {},
                              ((centre + QRectF(f.chips()[chip]->geometry()).center()) / 2).toPoint());
            QCOMPARE(f.alerts.shown.value(0).text,
                     (chip ? "\"Lena works on Harbor" : "\"Harbor reviewed by Priya")
                         + QString("\" goes. The frames stay, both entities stay, and the correction is remembered "
                                   "so extraction does not propose it again within the hour."));
        }
        QCOMPARE(f.sent("reject_relation", 1).first().value("edge_id").toInteger(), chip == 1 ? 80 : 70);
        if (!failure.isEmpty()) {
            QTRY_COMPARE(f.alerts.shown.size(), chip < 0 ? 1 : 2);
            QCOMPARE(said(f.alerts.shown.last()), (QStringList{"Could not remove that relation.", failure, "OK"}));
            QVERIFY(wrong->isEnabled());
            QVERIFY(!row->graphicsEffect());
            return;
        }
        if (chip >= 0)
            return reopened(f);
        QTRY_COMPARE(wrong->text(), "removed");
        QVERIFY(f.alerts.shown.isEmpty()); // no question first, no failure after
        QVERIFY(!wrong->isEnabled());
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(row->graphicsEffect());
        QCOMPARE(effect ? effect->opacity() : 1.0, 0.4);
        QCOMPARE(visibleUnder<InkButton>(f.graph()).size(), 1);
        QCOMPARE(visibleUnder<InkButton>(f.graph()).value(0)->accessibleName(), "Lena");
        QVERIFY(f.texts().contains("one hop · 1 neighbour · click one to open it"));
        QVERIFY(f.inspectorTexts().contains("Code"));
    }

    // A frame of a known application offers to stop capturing it, by the name the frame gives it;
    // the button says so once the daemon has the rule.
    void stopCapturing_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("name");  // empty: no button
        QTest::addColumn<QString>("after"); // the button's title, or the failure dialog's text

        QTest::newRow("named")
            << R"({"kind":"frame","app_name":"Code","app_bundle_id":"com.example.code","window_title":"Readme.txt — app"})"
            << R"({"kind":"ok"})"
            << "Code"
            << "Not capturing this app";
        QTest::newRow("unnamed, refused")
            << R"({"kind":"frame","app_bundle_id":"com.example.code","window_title":"Readme.txt — app"})"
            << R"({"kind":"error","message":"the rule exists"})"
            << "com.example.code"
            << "the rule exists";
        QTest::newRow("no application") << R"({"kind":"frame","app_name":"Code","app_bundle_id":""})"
                                        << R"({"kind":"ok"})"
                                        << ""
                                        << "";
    }
    void stopCapturing()
    {
        QFETCH(QString, frame);
        QFETCH(QString, reply);
        QFETCH(QString, name);
        QFETCH(QString, after);
        EntityFixture f;
        f.daemon.reply("frame", json(frame.toUtf8().constData()));
        f.daemon.reply("block_app", json(reply.toUtf8().constData()));
        f.unfoldedAnswer(
            QJsonObject{{"answer", "From the readme."},
                        {"evidence",
                         QJsonArray{QJsonObject{
                             {"frame_id", 12}, {"app_name", "Code"}, {"document_url", "file:///src/Readme.txt"}}}}});
        click(f.rowWith("/src/Readme.txt"));
        f.sent("frame", 1);
        f.barrier(); // the frame is drawn
        InkButton* stop = f.buttons("Stop capturing " + (name.isEmpty() ? "Code" : name), f.inspector()).value(0);
        QCOMPARE(stop == nullptr, name.isEmpty());
        if (!stop)
            return;
        f.alerts.answer(0);
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(!f.alerts.shown.value(0).destructive); // a rule can be removed again
        QCOMPARE(said(f.alerts.shown.value(0)),
                 (QStringList{"Stop capturing this app?",
                              "New frames from com.example.code will not be captured, and its text will not reach the "
                              "graph.\n\nWhat is already stored is kept. You can remove it one entity at a time, from "
                              "that entity's page.",
                              "Stop capturing it", "Cancel"}));
        const QJsonObject sent = f.sent("block_app", 1).first();
        QCOMPARE(sent.value("bundle_id").toString(), "com.example.code");
        QCOMPARE(sent.value("app_name").toString(), name);
        if (after.startsWith("Not capturing")) {
            QTRY_COMPARE(stop->text(), after);
            QVERIFY(!stop->isEnabled());
            return;
        }
        QTRY_COMPARE(f.alerts.shown.size(), 2);
        QCOMPARE(said(f.alerts.shown.last()), (QStringList{"Could not add the rule.", after, "OK"}));
    }
};

QTEST_MAIN(MemoryEditsTest)
#include "tst_MemoryEdits.moc"
