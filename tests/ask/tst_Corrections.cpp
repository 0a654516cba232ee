#include "AskFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

const char* twoClaims = R"({"kind":"answer","answer":"You were fixing the socket timeout.",
  "claims":[{"text":"The timeout was 30 s","frame_ids":[3,0,7,3]},{"text":"Tests pass"}]})";

QJsonObject withReadings(const char* alternatives)
{
    QJsonObject claim{{"text", "The deploy ran at noon"}, {"frame_ids", QJsonArray{4}}};
    claim.insert("alternatives", QJsonDocument::fromJson(alternatives).array());
    return QJsonObject{{"kind", "answer"}, {"answer", "It ran."}, {"claims", QJsonArray{claim}}};
}

// Clicks the first button of the result column reading `title` once it is there.
void press(AskFixture& f, const QString& title)
{
    QTRY_VERIFY(f.button(title));
    click(f.button(title));
}

// Chooses `judgement` under the first claim: "Where is this wrong?", then the choice.
void choose(AskFixture& f, const QString& judgement = "The fact is wrong")
{
    press(f, "Where is this wrong?");
    press(f, judgement);
}

} // namespace

class CorrectionsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Each judgement is sent with the claim's own text and frames; a second choice while the first
    // is saving sends nothing; the receipt replaces the choices. Escape folds the choices first.
    void choiceSendsItsJudgement_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("judgement");
        QTest::newRow("fact") << "The fact is wrong"
                              << "fact_wrong";
        QTest::newRow("source") << "The source does not support it"
                                << "source_unsupported";
        QTest::newRow("outdated") << "This is outdated"
                                  << "stale";
    }
    void choiceSendsItsJudgement()
    {
        QFETCH(QString, choice);
        QFETCH(QString, judgement);
        AskFixture f;
        f.daemon.reply("correct_claim", json(R"({"kind":"claim_corrected","sources":2,"memories":1})"), 0.3);
        f.window.show();
        f.unfoldedAnswer(json(twoClaims));
        QVERIFY(f.texts().contains("3 sources") && f.texts().contains("0 sources"));
        press(f, "Where is this wrong?");
        QTest::keyClick(f.field(), Qt::Key_Escape); // folds the choices before it closes anything
        QTRY_VERIFY(!f.button(choice));
        QVERIFY(f.panel()->isVisible());
        press(f, "Where is this wrong?");
        InkButton* button = f.button(choice);
        QTest::keyClick(button, Qt::Key_Return);
        QTest::keyClick(button, Qt::Key_Return); // the same choice again, before the view has moved on
        QTRY_VERIFY(f.texts().contains("Saving correction…"));
        QTRY_VERIFY(f.texts().contains("Corrected · 2 sources · 1 related memory"));
        f.barrier();
        const SentRequests sent = f.sent("correct_claim");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().value("claim_text").toString(), "The timeout was 30 s");
        QCOMPARE(sent.first().value("judgement").toString(), judgement);
        QCOMPARE(sent.first().value("frame_ids").toArray(), (QJsonArray{3, 7, 3}));
    }

    // What a receipt says, and its links once unfolded: only distinct positive ids, ascending.
    void receipts_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("links");  // after "Inspect correction evidence"
        QTest::addColumn<QStringList>("absent"); // links that are not there
        const QStringList third{"Open source 3", "Inspect entity 2", "Inspect relationship 3"};

        QTest::newRow("duplicate, ids mixed")
            << R"({"kind":"claim_corrected","sources":1,"memories":3,"duplicate":true,"source_frame_ids":[7,0,-2,3,7],
                  "related_node_ids":[5,5,0],"related_relation_ids":[9,-1,2],"details_truncated":true})"
            << QStringList{"Already corrected · 1 source · 3 related memories"}
            << QStringList{"Open source 1",          "Open source 2",
                           "Inspect entity 1",       "Inspect relationship 1",
                           "Inspect relationship 2", "This receipt includes a limited set of evidence links."}
            << third;
        QString many = R"({"kind":"claim_corrected","sources":-3,"memories":"2","source_frame_ids":[7,3)";
        for (int id = 142; id >= 100; --id)
            many += "," + QString::number(id);
        many += "]}";
        QTest::newRow("45 sources, counts that are none")
            << many << QStringList{"Corrected · sources unavailable · related memories unavailable"}
            << QStringList{"Open source 40", "… and 5 more sources"} << QStringList{"Open source 41"};
        QTest::newRow("links that cannot be read")
            << R"({"kind":"claim_corrected","sources":1,"source_frame_ids":["3",null]})"
            << QStringList{"Corrected · 1 source · 0 related memories",
                           "Vesk could not read the evidence links of this correction; this is not an empty list."}
            << QStringList{} << QStringList{};
        QTest::newRow("older daemon") << R"({"kind":"claim_corrected","sources":2,"memories":1})"
                                      << QStringList{"Corrected · 2 sources · 1 related memory",
                                                     "Evidence links are unavailable from this version of the "
                                                     "service."}
                                      << QStringList{} << QStringList{};
        QTest::newRow("no links") << R"({"kind":"claim_corrected","source_frame_ids":[],"related_node_ids":[0,-3]})"
                                  << QStringList{"Corrected · 0 sources · 0 related memories",
                                                 "No source evidence is linked to this correction."}
                                  << QStringList{} << QStringList{};
        // Not confirmed: the choices open again, to choose anew.
        QTest::newRow("another kind") << R"({"kind":"claim_refused"})"
                                      << QStringList{"Vesk could not confirm the correction. Choose again to retry.",
                                                     "The source does not support it"}
                                      << QStringList{} << QStringList{};
        QTest::newRow("refused") << R"({"kind":"error","message":"read-only"})"
                                 << QStringList{"Vesk could not confirm the correction. Choose again to retry.\nVesk "
                                                "said: \u2068read-only\u2069"}
                                 << QStringList{} << QStringList{};
    }
    void receipts()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, links);
        QFETCH(QStringList, absent);
        AskFixture f;
        f.daemon.reply("correct_claim", json(reply.toUtf8().constData()));
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        f.window.show();
        f.unfoldedAnswer(json(twoClaims));
        choose(f);
        QTRY_VERIFY(f.texts().contains(lines.first()));
        for (const QString& line : lines)
            QVERIFY2(f.texts().contains(line) || f.button(line), qPrintable(line));
        if (links.isEmpty()) {
            QVERIFY(!f.button("Inspect correction evidence"));
            return;
        }
        QVERIFY(!f.button("Open source 1")); // folded until asked for
        press(f, "Inspect correction evidence");
        QTRY_VERIFY(f.button("Hide correction evidence"));
        for (const QString& link : links)
            QVERIFY2(f.button(link) || f.texts().contains(link), qPrintable(link));
        for (const QString& extra : absent)
            QVERIFY2(!f.button(extra), qPrintable(extra));
        press(f, "Open source 2");
        QCOMPARE(f.sent("frame", 1).first().value("frame_id").toInteger(), 7);
    }

    // From the keyboard, every redraw of the view leaves the keys on the control pressed, under its
    // new title, or on the first control once the pressed one is gone (not the first after a refusal).
    void keyboardStaysOnThePressedControl()
    {
        AskFixture f;
        f.daemon.sequence(
            "correct_claim",
            {{"{\"kind\":\"error\"}\n"},
             {"{\"kind\":\"claim_corrected\",\"source_frame_ids\":[3]}\n", FakeDaemon::Mode::Reply, 0.2}});
        f.window.show();
        f.unfoldedAnswer(json(twoClaims));
        const auto focused = [] {
            const auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
            return button ? titleOf(button) : QString();
        };
        const auto pressOn = [&](const QString& title, const QString& then) {
            QTRY_COMPARE(focused(), title);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(focused(), then);
        };
        f.button("Where is this wrong?")->setFocus(Qt::TabFocusReason);
        pressOn("Where is this wrong?", "Cancel correction");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // Nothing of the last drawing stays on screen, not even until the event loop turns.
        QCOMPARE(f.buttons("Where is this wrong?").size() + f.buttons("Cancel correction").size(), 2);
        pressOn("Where is this wrong?", "Cancel correction");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        pressOn("The fact is wrong", "The fact is wrong");           // refused: the choice is offered again
        pressOn("The fact is wrong", "Inspect correction evidence"); // gone with the receipt
        pressOn("Inspect correction evidence", "Hide correction evidence");
    }

    // Two readings of one claim are offered only when both are whole and differ; marking one wrong
    // sends that reading with its frame, and the receipt quotes it.
    void readings_data()
    {
        QTest::addColumn<QString>("alternatives");
        QTest::addColumn<bool>("offered");
        const QString a = R"({"text":"It ran at noon","quote":"deploy 12:00","frame_id":4})";
        const QString b = R"({"text":"It was scheduled for noon","quote":"cron 12:00","frame_id":9})";
        QTest::newRow("two") << "[" + a + "," + b + "]" << true;
        QTest::newRow("three") << "[" + a + "," + b + R"(,{"text":"x"}])" << false;
        QTest::newRow("same text") << "[" + a + "," + a + "]" << false;
        QTest::newRow("one without a frame") << "[" + a + R"(,{"text":"y","quote":"z","frame_id":0}])" << false;
    }
    void readings()
    {
        QFETCH(QString, alternatives);
        QFETCH(bool, offered);
        AskFixture f;
        f.daemon.reply("correct_claim", json(R"({"kind":"claim_corrected","sources":1,"source_frame_ids":[9]})"));
        f.window.show();
        f.unfoldedAnswer(withReadings(alternatives.toUtf8().constData()));
        const QString question = "I may have misread this. Which interpretation is wrong?";
        QCOMPARE(f.texts().contains(question), offered);
        if (!offered) {
            QVERIFY(!f.button("Mark interpretation 1 wrong"));
            return;
        }
        for (const char* text : {"1. It ran at noon", "“deploy 12:00”", "2. It was scheduled for noon", "“cron 12:00”"})
            QVERIFY2(f.texts().contains(text), text);
        press(f, "Mark interpretation 2 wrong");
        QTRY_VERIFY(f.texts().contains("Marked wrong: “It was scheduled for noon”\nCorrected · 1 source · 0 related "
                                       "memories"));
        QVERIFY(f.texts().contains("Rejecting one interpretation does not confirm the other."));
        const QJsonObject sent = f.sent("correct_claim", 1).first();
        QCOMPARE(sent.value("claim_text").toString(), "It was scheduled for noon");
        QCOMPARE(sent.value("judgement").toString(), "fact_wrong");
        QCOMPARE(sent.value("frame_ids").toArray(), QJsonArray{9});
    }

    // A receipt survives folding the details and opening them again, and its claim is left out of
    // the copy for an agent; a receipt for the previous answer does not land on the next one.
    void receiptsBelongToTheirAnswer()
    {
        AskFixture f;
        f.daemon.sequence("correct_claim",
                          {{R"({"kind":"claim_corrected","sources":1})"
                            "\n"},
                           {R"({"kind":"claim_corrected","sources":1})"
                            "\n",
                            FakeDaemon::Mode::Reply, 1.5}});
        f.window.show();
        f.unfoldedAnswer(json(twoClaims));
        choose(f);
        const QString receipt = "Corrected · 1 source · 0 related memories";
        QTRY_VERIFY(f.texts().contains(receipt));
        press(f, "Hide details");
        QTRY_VERIFY(f.button("Details & corrections"));
        press(f, "Details & corrections");
        QTRY_VERIFY(f.texts().contains(receipt));
        QTest::keyClick(f.field(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(QGuiApplication::clipboard()->text().contains("- Tests pass"));
        QVERIFY(!QGuiApplication::clipboard()->text().contains("The timeout was 30 s"));

        // The second claim's correction is still on its way when a new question is asked. Escape
        // does not fold a correction being saved: it closes the panel.
        choose(f);
        QTRY_VERIFY(f.texts().contains("Saving correction…"));
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QTRY_VERIFY(!f.panel()->isVisible());
        f.window.show();
        f.unfoldedAnswer(json(twoClaims), "and then?");
        f.barrier(); // the late receipt has come and gone
        QCOMPARE(f.daemon.count("correct_claim"), 2);
        QVERIFY(!f.texts().contains(receipt));
        QCOMPARE(f.buttons("Where is this wrong?").size(), 2);
    }

    // A related memory opens in the inspector: the right request for its kind, its sources as
    // buttons, and what was left out; one that cannot be shown offers to try again.
    void relatedMemory_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("lines"); // empty: unavailable
        QTest::addColumn<int>("sources");

        const QString shares = "Shares evidence with the correction. This does not establish that the memory is wrong.";
        QTest::newRow("entity, 5 of 12")
            << "Inspect entity 1"
            << R"({"kind":"why","label":"Priya","source_count":12,"sources":[{"frame_id":1},{"frame_id":2},{"app_name":"x"},{"frame_id":3},{"frame_id":4},{"frame_id":5}]})"
            << QStringList{"Priya", "Related entity · 12 sources", shares, "Showing 5 of 12 sources."} << 5;
        QTest::newRow("relationship, all of them")
            << "Inspect relationship 1"
            << R"({"kind":"relation_evidence","label":"works with","source_frame_ids":[4]})"
            << QStringList{"works with", "Related relationship · 1 source", shares} << 1;
        QTest::newRow("unavailable") << "Inspect entity 1"
                                     << R"({"kind":"why","label":""})" << QStringList{} << 0;
    }
    void relatedMemory()
    {
        QFETCH(QString, link);
        QFETCH(QString, reply);
        QFETCH(QStringList, lines);
        QFETCH(int, sources);
        AskFixture f;
        f.daemon.reply(
            "correct_claim",
            json(
                R"({"kind":"claim_corrected","source_frame_ids":[3],"related_node_ids":[5],"related_relation_ids":[6]})"));
        const QString kind = link.section(' ', 1, 1);
        const QString op = kind == "entity" ? "why" : "relation_evidence";
        f.daemon.reply(op, json(reply.toUtf8().constData()));
        f.window.show();
        f.unfoldedAnswer(json(twoClaims));
        choose(f);
        QTRY_VERIFY(f.button("Inspect correction evidence"));
        press(f, "Inspect correction evidence");
        press(f, link);
        QCOMPARE(f.sent(op, 1).first().value(kind == "entity" ? "node_id" : "edge_id").toInteger(),
                 kind == "entity" ? 5 : 6);
        if (lines.isEmpty()) {
            QTRY_VERIFY(f.inspectorTexts().contains("This " + kind
                                                    + " is unavailable. Its evidence may have been removed or "
                                                      "excluded."));
            QTest::mouseClick(f.buttons("Try again", f.inspector()).value(0), Qt::LeftButton);
            f.sent(op, 2);
            return;
        }
        QTRY_COMPARE(f.inspectorTexts(), lines);
        const QList<InkButton*> all = f.inspector()->findChildren<InkButton*>();
        QCOMPARE(std::count_if(all.begin(), all.end(), [&f](InkButton* b) { return b->isVisibleTo(f.inspector()); }),
                 sources);
        // The last source button opens that source, and the frame leads back to the memory.
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        QTest::mouseClick(f.buttons(QStringLiteral("Open source %1").arg(sources), f.inspector()).value(0),
                          Qt::LeftButton);
        QCOMPARE(f.sent("frame", 1).last().value("frame_id").toInteger(), kind == "entity" ? 5 : 4);
        QTRY_COMPARE(f.hint(), "esc back to " + lines.first());
    }
};

QTEST_MAIN(CorrectionsTest)
#include "tst_Corrections.moc"
