#include "AskFixture.h"

#include "Row.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QJsonArray>

using namespace vesk;
using namespace vesk::test;

namespace {

const char* threeClaims = R"({"kind":"answer","answer":"You were fixing the socket timeout.",
  "claims":[{"text":"A: the timeout was 30 s","frame_ids":[0,3,-1,7]},
            {"text":"B: it moved to the ask lane","frame_ids":[4]},
            {"text":"C: tests pass","frame_ids":[]}],
  "sources":[{"label":"vesk","node_id":4,"node_type":"project","sources":3}]})";

} // namespace

class AskAnswersTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void shortQuestionAsksNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("two letters") << "ab";
        QTest::newRow("two letters in spaces") << "   ab   ";
        QTest::newRow("blank") << "  ";
    }
    void shortQuestionAsksNothing()
    {
        QFETCH(QString, typed);
        AskFixture f;
        f.daemon.reply("ask", json(R"({"answer":"ok"})"));
        f.window.show();
        const QStringList before = f.texts();
        f.askByKeyboard(typed);
        QCOMPARE(f.texts(), before);
        QVERIFY(f.window.isCompact);
        // Had the short question been sent, the answer lane would have carried it first.
        f.answerBarrier();
        QCOMPARE(f.daemon.count("ask"), 1);
        QCOMPARE(f.sent("ask").first().value("question").toString(), "barrier");
    }

    void failures_data()
    {
        QTest::addColumn<QString>("reply"); // "close": the daemon hangs up without a reply
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("resetLine");
        QTest::addColumn<bool>("retry");

        const QString quotaNote = "Searching your local memory still works and does not use answer quota.";
        QTest::newRow("no answer text") << R"({"failure_code":"upstream_busy"})" << "The model is busy"
                                        << "The answer could not be completed." << "" << false;
        QTest::newRow("quota with reset")
            << R"({"failure_code":"quota_exceeded","answer":"Daily limit reached.","retryable":false,"quota_reset_at":1772460300})"
            << "Answer limit reached" << "Daily limit reached." << "This device can ask again after Mar 2, 2026, 14:05."
            << false;
        QTest::newRow("quota without reset")
            << R"({"failure_code":"quota_exceeded","answer":"Daily limit reached.","quota_reset_at":"soon"})"
            << "Answer limit reached" << "Daily limit reached." << "" << false;
        QTest::newRow("reset line only for quota")
            << R"({"failure_code":"upstream_timeout","answer":"Too slow.","retryable":true,"quota_reset_at":1772460300})"
            << "The model took too long" << "Too slow." << "" << true;
        QTest::newRow("credential missing, not retryable")
            << R"({"failure_code":"credential_missing","answer":"No key.","retryable":false})"
            << "Vesk Answers is not available yet"
            << "Answers are provided by Vesk. You do not need a model-provider account or API key. Your local memory "
               "and search remain available."
            << "" << true;
        QTest::newRow("unknown code") << R"({"failure_code":"gremlins","answer":"Odd.","retryable":"yes"})"
                                      << "Could not answer" << "Odd." << "" << false;
        QTest::newRow("daemon gone") << "close" << "Could not reach the answer service"
                                     << "Vesk is not running or could not be reached." << "" << true;
        QTest::newRow("neither answer nor failure") << R"({"kind":"answer","answer":42})" << "Could not answer"
                                                    << "Vesk returned an answer response it could not display." << ""
                                                    << true;
        QTest::newRow("error kind is no reply") << R"({"kind":"error","answer":"x"})"
                                                << "Could not reach the answer service"
                                                << "Vesk is not running or could not be reached." << "" << true;
    }
    void failures()
    {
        QFETCH(QString, reply);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, resetLine);
        QFETCH(bool, retry);
        AskFixture f;
        if (reply == "close")
            f.daemon.closeEarly("ask");
        else
            f.daemon.replyRaw("ask", reply.toUtf8() + '\n');
        f.window.show();
        f.askByKeyboard("  what broke?  ");
        QTRY_VERIFY(f.texts().contains(title.toUpper()));
        const QStringList shown = f.texts();
        QVERIFY2(shown.contains(body), qPrintable(shown.join(" | ")));
        QVERIFY2(shown.contains(resetLine) == !resetLine.isEmpty(), qPrintable(shown.join(" | ")));
        QCOMPARE(shown.contains("Searching your local memory still works and does not use answer quota."), !retry);
        QCOMPARE(f.window.failedQuestion, std::optional<QString>("what broke?"));
        QCOMPARE(f.window.top.kind, Top::Kind::search);
        QCOMPARE(f.button("Retry") != nullptr, retry);
        if (!retry)
            return;
        QTest::mouseClick(f.button("Retry"), Qt::LeftButton);
        QTRY_COMPARE(f.daemon.count("ask"), 2);
        QCOMPARE(f.sent("ask").last().value("question").toString(), "what broke?");
    }

    void answerFoldsItsDetails()
    {
        AskFixture f;
        f.daemon.reply("ask", json(threeClaims));
        f.window.show();
        f.askByKeyboard("what was I doing?");
        QCOMPARE(f.texts(), (QStringList{"GENERATING AN ANSWER",
                                         "Searching local evidence first, then asking the enabled answer model."}));
        QTRY_VERIFY(f.texts().contains("You were fixing the socket timeout."));
        QVERIFY(!f.window.isCompact);
        QCOMPARE(f.window.top.kind, Top::Kind::answer);
        QCOMPARE(f.window.top.question, "what was I doing?");
        QVERIFY(!f.texts().contains("A: the timeout was 30 s")); // folded
        QCOMPARE(f.window.claimCorrectionByTag.value(1).frames, (QList<qint64>{3, 7}));
        QCOMPARE(f.window.claimCorrectionByTag.keys(), (QList<int>{1, 2, 3}));

        QTest::mouseClick(f.button("Details & corrections"), Qt::LeftButton);
        QTRY_VERIFY(f.button("Hide details"));
        const QStringList shown = f.texts();
        for (const char* expected : {"A: the timeout was 30 s", "B: it moved to the ask lane", "SOURCES USED FOR THIS ANSWER",
                                     "vesk", "project  ·  on 3 of the screens this answer used"})
            QVERIFY2(shown.contains(expected), expected);
        QVERIFY(f.button("Copy for agent"));
        QCOMPARE(f.window.claimCorrectionByTag.value(1).frames, (QList<qint64>{3, 7})); // same tags on redraw
        QCOMPARE(f.daemon.count("ask"), 1); // redrawn from the stored reply

        QTest::mouseClick(f.button("Hide details"), Qt::LeftButton);
        QTRY_VERIFY(f.button("Details & corrections"));
        QVERIFY(!f.texts().contains("A: the timeout was 30 s"));
    }

    void evidenceWinsOverSources_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("both") << R"({"answer":"x","evidence":[{"frame_id":3,"app_name":"Firefox","context":"Docs"},{"app_name":"no frame"}],
                                    "sources":[{"label":"vesk","node_id":4}]})"
                              << QStringList{"SOURCES USED FOR THIS ANSWER", "Firefox", "Docs"}
                              << QStringList{"vesk", "no frame"};
        QTest::newRow("empty evidence falls back") << R"({"answer":"x","evidence":[],"sources":[{"label":"vesk","node_id":4},{"label":"no id"}]})"
                                                   << QStringList{"SOURCES USED FOR THIS ANSWER", "vesk"}
                                                   << QStringList{"no id"};
        QTest::newRow("neither") << R"({"answer":"x","sources":[]})" << QStringList{"Copy for agent"}
                                 << QStringList{"SOURCES USED FOR THIS ANSWER"};
    }
    void evidenceWinsOverSources()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        AskFixture f;
        f.daemon.replyRaw("ask", reply.simplified().toUtf8() + '\n');
        f.window.show();
        f.askByKeyboard("which sources?");
        QTRY_VERIFY(f.button("Details & corrections"));
        QTest::mouseClick(f.button("Details & corrections"), Qt::LeftButton);
        QTRY_VERIFY(f.button("Hide details"));
        QStringList shown = f.texts();
        for (InkButton* b : f.window.stackView->findChildren<InkButton*>())
            shown << b->text().trimmed();
        for (const QString& text : present)
            QVERIFY2(shown.contains(text), qPrintable(text));
        for (const QString& text : absent)
            QVERIFY2(!shown.contains(text), qPrintable(text));
    }

    // The evidence meta line reads its age from the window's clock.
    void relativeTimesFollowTheClock_data()
    {
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<QString>("meta");
        QTest::newRow("59 s") << 59 << "just now  ·  screen evidence  ·  directly cited";
        QTest::newRow("61 s") << 61 << "1 min ago  ·  screen evidence  ·  directly cited";
        QTest::newRow("90 min") << 90 * 60 << "1 hr ago  ·  screen evidence  ·  directly cited";
        QTest::newRow("30 h") << 30 * 3600 << "yesterday  ·  screen evidence  ·  directly cited";
        QTest::newRow("3 days") << 3 * 86400 << "March 2  ·  screen evidence  ·  directly cited";
    }
    void relativeTimesFollowTheClock()
    {
        QFETCH(int, secondsAgo);
        QFETCH(QString, meta);
        AskFixture f;
        const qint64 seen = f.clock.now().toMSecsSinceEpoch();
        f.clock.advance(secondsAgo);
        f.daemon.reply("ask", QJsonObject{{"answer", "x"},
                                          {"evidence", QJsonArray{QJsonObject{{"frame_id", 5}, {"observed_at_ms", double(seen)}}}}});
        f.window.show();
        f.askByKeyboard("when was that?");
        QTRY_VERIFY(f.button("Details & corrections"));
        QTest::mouseClick(f.button("Details & corrections"), Qt::LeftButton);
        QTRY_VERIFY(f.texts().contains(meta));
    }

    void staleRepliesAreDropped_data()
    {
        QTest::addColumn<QString>("movedOn");
        QTest::newRow("closed and opened again") << "reopen";
        QTest::newRow("searched meanwhile") << "search";
        QTest::newRow("asked again") << "ask";
    }
    void staleRepliesAreDropped()
    {
        QFETCH(QString, movedOn);
        AskFixture f;
        f.daemon.sequence("ask", {{R"({"answer":"stale answer"})" "\n", FakeDaemon::Mode::Reply, 0.3},
                                  {R"({"answer":"fresh answer"})" "\n"}});
        f.daemon.reply("search", json(R"({"nodes":[{"label":"Ada","node_id":1,"node_type":"person"}]})"));
        f.window.show();
        f.askByKeyboard("first question");
        QString expected;
        if (movedOn == "reopen") {
            QTest::keyClick(f.window.field, Qt::Key_Escape);
            QVERIFY(!f.window.panel->isVisible());
            f.window.show();
            expected = "Search your local memory, or press return to ask a question.";
        } else if (movedOn == "search") {
            f.window.search("Ada");
            QTRY_VERIFY(f.texts().contains("Ada"));
            expected = "Ada";
        } else {
            f.askByKeyboard("second question");
            expected = "fresh answer";
        }
        f.answerBarrier();
        QTRY_VERIFY(f.texts().contains(expected));
        QVERIFY(!f.texts().contains("stale answer"));
        QCOMPARE(f.window.top.kind, movedOn == "ask" ? Top::Kind::answer : Top::Kind::search);
    }

    void search_data()
    {
        QTest::addColumn<QString>("reply"); // "close": no reply
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("retry");
        const QStringList nothing{"NOTHING RELEVANT FOUND",
                                  "Vesk looked successfully, but found no local memory for “socket lane”. Try broader "
                                  "words; it may also not have been captured or may be excluded."};
        QTest::newRow("empty nodes") << R"({"nodes":[]})" << nothing << false;
        QTest::newRow("no nodes") << R"({"kind":"search"})" << nothing << false;
        QTest::newRow("nodes of the wrong type") << R"({"nodes":{"label":"x"}})" << nothing << false;
        QTest::newRow("rows") << R"({"nodes":[{"label":"Ada","node_id":1,"node_type":"person","sources":2,"matched_label":true},{"node_id":2},{"label":"vesk","node_id":3,"node_type":"project","sources":9,"sources_truncated":true}]})"
                              << QStringList{"Ada", "person  ·  name  ·  2 sources", "vesk",
                                             "project  ·  seen alongside  ·  at least 9 sources"}
                              << false;
        QTest::newRow("too short for the index") << R"({"query_too_short":true})"
                                                 << QStringList{"Three characters or more — the index needs them."} << false;
        QTest::newRow("daemon gone") << "close"
                                     << QStringList{"COULD NOT SEARCH LOCAL MEMORY",
                                                    "Vesk could not complete the search — its daemon is unreachable or "
                                                    "could not open your memory. Nothing was looked at, and your query "
                                                    "is preserved."}
                                     << true;
    }
    void search()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, shown);
        QFETCH(bool, retry);
        AskFixture f;
        if (reply == "close")
            f.daemon.closeEarly("search");
        else
            f.daemon.replyRaw("search", reply.toUtf8() + '\n');
        f.window.show();
        f.window.search("  socket lane ");
        QVERIFY(!f.window.isCompact);
        QCOMPARE(f.texts(), (QStringList{"SEARCHING LOCAL MEMORY", "Looking for names and things seen alongside “socket lane”."}));
        QTRY_COMPARE(f.texts(), shown);
        QCOMPARE(f.sent("search").first(), json(R"({"op":"search","query":"socket lane","limit":25})"));
        QCOMPARE(f.button("Retry") != nullptr, retry);
        if (!retry)
            return;
        f.window.field->clear();
        QTest::mouseClick(f.button("Retry"), Qt::LeftButton);
        QCOMPARE(f.window.field->text(), "socket lane");
        QTRY_COMPARE(f.daemon.count("search"), 2);
    }

    void shortSearchIsAnsweredLocally_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "   " << "Search your local memory, or press return to ask a question.";
        QTest::newRow("two letters") << " ab " << "Three characters or more.";
    }
    void shortSearchIsAnsweredLocally()
    {
        QFETCH(QString, query);
        QFETCH(QString, message);
        AskFixture f;
        f.daemon.reply("search", json(R"({"nodes":[]})"));
        f.window.show();
        f.window.search("longer query");
        QTRY_VERIFY(f.texts().contains("NOTHING RELEVANT FOUND"));
        f.window.search(query);
        QCOMPARE(f.texts(), QStringList{message});
        QVERIFY(f.window.isCompact);
        f.barrier();
        QCOMPARE(f.daemon.count("search"), 1);
    }

    void copyForAgent_data()
    {
        QTest::addColumn<QList<int>>("saved");
        QTest::addColumn<QList<int>>("saving");
        QTest::addColumn<bool>("copied");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing corrected")
            << QList<int>{} << QList<int>{} << true << "Copied for agent · no hidden screen text included"
            << "Question\nwhat was I doing?\n\nAnswer\nYou were fixing the socket timeout.\n\nEvidence by claim\n"
               "- A: the timeout was 30 s — 2 sources\n- B: it moved to the ask lane — 1 source\n- C: tests pass — 0 sources"
               "\n\nWhat this answer rests on\n- vesk (project)";
        QTest::newRow("B saved")
            << QList<int>{2} << QList<int>{} << true
            << "Copied for agent · corrected claims omitted"
            << "Question\nwhat was I doing?\n\nAnswer\n1 corrected claim(s) omitted. Ask Vesk again for an updated "
               "answer.\n- A: the timeout was 30 s\n- C: tests pass\n\nEvidence by claim\n- A: the timeout was 30 s — 2 "
               "sources\n- C: tests pass — 0 sources\n\nWhat this answer rests on\n- vesk (project)";
        QTest::newRow("still saving") << QList<int>{1} << QList<int>{2}
                                      << false << "Wait for the correction to finish before copying." << "";
    }
    void copyForAgent()
    {
        QFETCH(QList<int>, saved);
        QFETCH(QList<int>, saving);
        QFETCH(bool, copied);
        QFETCH(QString, hint);
        QFETCH(QString, text);
        AskFixture f;
        QGuiApplication::clipboard()->setText("before");
        f.daemon.reply("ask", json(threeClaims));
        f.window.show();
        f.askByKeyboard("what was I doing?");
        QTRY_VERIFY(f.button("Details & corrections"));
        const QString normalHint = f.window.hint->text();
        QCOMPARE(normalHint, "Ctrl+Shift+C copy for agent · return to ask · esc to close");
        f.window.correctionStates[3] = CorrectionState::failed; // a failed correction leaves its claim in
        for (int tag : saved)
            f.window.correctionStates[tag] = CorrectionState::saved;
        for (int tag : saving)
            f.window.correctionStates[tag] = CorrectionState::saving;

        QTest::keyClick(f.window.field, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied ? text : QString("before"));
        QCOMPARE(f.window.hint->text(), hint);
        if (!copied)
            return;
        f.clock.advance(1.4);
        QCOMPARE(f.window.hint->text(), hint);
        f.clock.advance(0.2);
        QCOMPARE(f.window.hint->text(), normalHint);
    }

    void copyNeedsAnAnswerOnScreen()
    {
        AskFixture f;
        QGuiApplication::clipboard()->setText("before");
        f.daemon.reply("search", json(R"({"nodes":[{"label":"Ada","node_id":1}]})"));
        f.daemon.reply("ask", json(R"({"failure_code":"upstream_busy"})"));
        f.window.show();
        QVERIFY(!f.window.copyForAgent());
        f.window.search("Ada Lovelace");
        QTRY_VERIFY(f.texts().contains("Ada"));
        QVERIFY(!f.window.copyForAgent());
        f.askByKeyboard("a failing question");
        QTRY_VERIFY(f.texts().contains("THE MODEL IS BUSY"));
        QTest::keyClick(f.window.field, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), "before");
        QCOMPARE(f.window.hint->text(), "return to ask · esc to close");
    }

    void escapeFromAnEntityPageRedrawsTheAnswer()
    {
        AskFixture f;
        f.daemon.reply("ask", json(threeClaims));
        f.window.show();
        f.askByKeyboard("what was I doing?");
        QTRY_VERIFY(f.texts().contains("You were fixing the socket timeout."));
        f.window.screen = Screen{Screen::Kind::entity, Origin{4, "vesk", "project", 3}};
        f.window.clear();
        f.type("something else");
        QTest::keyClick(f.window.field, Qt::Key_Escape);
        QVERIFY(f.texts().contains("You were fixing the socket timeout."));
        QCOMPARE(f.window.field->text(), "what was I doing?");
        QCOMPARE(f.window.screen.kind, Screen::Kind::results);
        QVERIFY(f.window.panel->isVisible());
        QCOMPARE(f.daemon.count("ask"), 1);
    }
};

QTEST_MAIN(AskAnswersTest)
#include "tst_AskAnswers.moc"
