#include "AskFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

const char* threeClaims = R"({"kind":"answer","answer":"You were fixing the socket timeout.",
  "claims":[{"text":"A: the timeout was 30 s","frame_ids":[0,3,-1,7]},
            {"text":"B: it moved to the ask lane","frame_ids":[4]},
            {"text":"C: tests pass","frame_ids":[]}],
  "sources":[{"label":"vesk","node_id":4,"node_type":"project","sources":3}]})";

const QString answerHint = "Ctrl+Shift+C copy for agent · return to ask · esc to close";
const QString searchHint = "return to ask · shift+return to search · esc to close";

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
        QCOMPARE(f.panel()->height(), AskPanel::compactHeight);
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

        QTest::newRow("no answer text") << R"({"failure_code":"upstream_busy"})"
                                        << "The model is busy"
                                        << "The answer could not be completed."
                                        << "" << false;
        QTest::newRow("quota with reset")
            << R"({"failure_code":"quota_exceeded","answer":"Daily limit reached.","retryable":false,"quota_reset_at":1772460300})"
            << "Answer limit reached"
            << "Daily limit reached."
            << "This device can ask again after Mar 2, 2026, 2:05\u202FPM." << false;
        QTest::newRow("quota without reset")
            << R"({"failure_code":"quota_exceeded","answer":"Daily limit reached.","quota_reset_at":9e15})"
            << "Answer limit reached"
            << "Daily limit reached."
            << "" << false;
        QTest::newRow("reset line only for quota")
            << R"({"failure_code":"upstream_timeout","answer":"Too slow.","retryable":true,"quota_reset_at":1772460300})"
            << "The model took too long"
            << "Too slow."
            << "" << true;
        const QString service = "Answers are provided by Vesk. You do not need a model-provider account or API key. "
                                "Your local memory and search remain available.";
        QTest::newRow("credential missing, not retryable")
            << R"({"failure_code":"credential_missing","answer":"No key.","retryable":false})"
            << "Vesk Answers is not available yet" << service << "" << true;
        QTest::newRow("access expired") << R"({"failure_code":"access_expired","answer":"Expired."})"
                                        << "Vesk answer access needs attention" << service << "" << true;
        QTest::newRow("unknown code") << R"({"failure_code":"gremlins","answer":"Odd.","retryable":"yes"})"
                                      << "Could not answer"
                                      << "Odd."
                                      << "" << false;
        QTest::newRow("daemon gone") << "close"
                                     << "Could not reach the answer service"
                                     << "Vesk is not running or could not be reached."
                                     << "" << true;
        QTest::newRow("neither answer nor failure") << R"({"kind":"answer","answer":42})"
                                                    << "Could not answer"
                                                    << "Vesk returned an answer response it could not display."
                                                    << "" << true;
        QTest::newRow("error kind is no reply") << R"({"kind":"error","answer":"x"})"
                                                << "Could not reach the answer service"
                                                << "Vesk is not running or could not be reached."
                                                << "" << true;
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
        QCOMPARE(f.hint(), searchHint); // a failed answer leaves nothing to copy or go back to
        QCOMPARE(f.button("Retry") != nullptr, retry);
        if (!retry)
            return;
        QTest::mouseClick(f.button("Retry"), Qt::LeftButton);
        QTRY_COMPARE(f.daemon.count("ask"), 2);
        QCOMPARE(f.sent("ask").last().value("question").toString(), "what broke?");
    }

    // The answer shows its text alone; its details unfold and fold without asking again, and the
    // caret stays in the field through every click.
    void answerFoldsItsDetails()
    {
        AskFixture f;
        f.daemon.reply("ask", json(threeClaims));
        f.window.show();
        f.askByKeyboard("what was I doing?");
        QCOMPARE(f.texts(),
                 (QStringList{"GENERATING AN ANSWER",
                              "Searching local evidence first, then asking the enabled answer model."}));
        QTRY_VERIFY(f.texts().contains("You were fixing the socket timeout."));
        QVERIFY(f.panel()->height() > AskPanel::compactHeight);
        QCOMPARE(f.hint(), answerHint);
        QVERIFY(!f.texts().contains("A: the timeout was 30 s")); // folded
        QTRY_COMPARE(QApplication::focusWidget(), f.field());

        QTest::mouseClick(f.button("Details & corrections"), Qt::LeftButton);
        QTRY_VERIFY(f.button("Hide details"));
        const QStringList shown = f.texts();
        for (const char* expected :
             {"A: the timeout was 30 s", "B: it moved to the ask lane", "SOURCES USED FOR THIS ANSWER", "vesk",
              "Project  ·  on 3 of the screens this answer used"})
            QVERIFY2(shown.contains(expected), expected);
        QVERIFY(f.button("Copy for agent"));
        QCOMPARE(f.daemon.count("ask"), 1); // redrawn from the stored reply
        QCOMPARE(QApplication::focusWidget(), f.field());

        QTest::mouseClick(f.button("Hide details"), Qt::LeftButton);
        QTRY_VERIFY(f.button("Details & corrections"));
        QVERIFY(!f.texts().contains("A: the timeout was 30 s"));
        QTest::keyClicks(f.field(), "next");
        QCOMPARE(f.field()->text(), "what was I doing?next");
    }

    // The evidence meta line reads its age from the window's clock.
    void evidenceAgeFollowsTheClock()
    {
        AskFixture f;
        const qint64 seen = f.clock.now().toMSecsSinceEpoch();
        f.clock.advance(61);
        f.window.show();
        f.unfoldedAnswer(QJsonObject{
            {"answer", "x"}, {"evidence", QJsonArray{QJsonObject{{"frame_id", 5}, {"observed_at_ms", double(seen)}}}}});
        QVERIFY(f.texts().contains("1 min ago  ·  screen evidence  ·  directly cited"));
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
        f.daemon.sequence("ask",
                          {{R"({"answer":"stale answer"})"
                            "\n",
                            FakeDaemon::Mode::Reply, 0.3},
                           {R"({"answer":"fresh answer"})"
                            "\n"}});
        f.daemon.reply("search", json(R"({"nodes":[{"label":"Ada","node_id":1,"node_type":"person"}]})"));
        f.window.show();
        f.askByKeyboard("first question");
        QString expected;
        if (movedOn == "reopen") {
            QTest::keyClick(f.field(), Qt::Key_Escape);
            QVERIFY(!f.panel()->isVisible());
            f.window.show();
            expected = "Search your local memory, or press return to ask a question.";
        } else if (movedOn == "search") {
            f.searchByKeyboard("Ada");
            QTRY_VERIFY(f.texts().contains("Ada"));
            expected = "Ada";
        } else {
            f.askByKeyboard("second question");
            expected = "fresh answer";
        }
        f.answerBarrier();
        QTRY_VERIFY(f.texts().contains(expected));
        QVERIFY(!f.texts().contains("stale answer"));
        QCOMPARE(f.hint(), movedOn == "ask" ? answerHint : searchHint);
    }

    // Shift+Return searches the field's text: one request, whatever it finds.
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
        QTest::newRow("no node makes a row") << R"({"nodes":[null,{"node_id":2},{"label":"x"}]})" << nothing << false;
        QTest::newRow("rows")
            << R"({"nodes":[{"label":"Ada","node_id":1,"node_type":"person","sources":2,"matched_label":true},null,{"node_id":2},{"label":"vesk","node_id":3,"node_type":"project","sources":9,"sources_truncated":true},{"label":"Why?","node_id":4,"node_type":"open_question","sources":-3}]})"
            << QStringList{"Ada",  "Person  ·  name  ·  2 sources",
                           "vesk", "Project  ·  seen alongside  ·  at least 9 sources",
                           "Why?", "Open question  ·  seen alongside  ·  sources unavailable"}
            << false;
        QTest::newRow("too short for the index")
            << R"({"query_too_short":true})" << QStringList{"Three characters or more — the index needs them."}
            << false;
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
        f.searchByKeyboard("  socket lane ");
        QVERIFY(f.panel()->height() > AskPanel::compactHeight);
        QCOMPARE(f.texts(),
                 (QStringList{"SEARCHING LOCAL MEMORY", "Looking for names and things seen alongside “socket lane”."}));
        QTRY_COMPARE(f.texts(), shown);
        f.barrier();
        QCOMPARE(f.sent("search"), QList<QJsonObject>{json(R"({"op":"search","query":"socket lane","limit":25})")});
        f.answerBarrier();
        QCOMPARE(f.daemon.count("ask"), 1); // the barrier's own: Shift+Return asked nothing
        QCOMPARE(f.button("Retry") != nullptr, retry);
        if (!retry)
            return;
        f.field()->clear();
        QTest::mouseClick(f.button("Retry"), Qt::LeftButton);
        QCOMPARE(f.field()->text(), "socket lane");
        QTRY_COMPARE(f.daemon.count("search"), 2);
    }

    void shortSearchIsAnsweredLocally_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "   "
                               << "Search your local memory, or press return to ask a question.";
        QTest::newRow("two letters") << " ab "
                                     << "Three characters or more.";
    }
    void shortSearchIsAnsweredLocally()
    {
        QFETCH(QString, query);
        QFETCH(QString, message);
        AskFixture f;
        f.daemon.reply("search", json(R"({"nodes":[]})"));
        f.window.show();
        f.searchByKeyboard("longer query");
        QTRY_VERIFY(f.texts().contains("NOTHING RELEVANT FOUND"));
        f.searchByKeyboard(query);
        QCOMPARE(f.texts(), QStringList{message});
        QCOMPARE(f.panel()->height(), AskPanel::compactHeight);
        f.barrier();
        QCOMPARE(f.daemon.count("search"), 1);
    }

    void copyForAgent()
    {
        AskFixture f;
        QGuiApplication::clipboard()->setText("before");
        f.daemon.reply("search", json(R"({"nodes":[{"label":"Ada","node_id":1}]})"));
        f.window.show();
        // Nothing to copy on a search result.
        f.searchByKeyboard("Ada Lovelace");
        QTRY_VERIFY(f.texts().contains("Ada"));
        QTest::keyClick(f.field(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), "before");
        QCOMPARE(f.hint(), searchHint);

        f.unfoldedAnswer(json(threeClaims));
        QTest::mouseClick(f.button("Copy for agent"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "Question\nwhat was I doing?\n\nAnswer\nYou were fixing the socket timeout.\n\nEvidence by claim\n"
                 "- A: the timeout was 30 s — 2 sources\n- B: it moved to the ask lane — 1 source\n- C: tests pass — 0 "
                 "sources\n\nWhat this answer rests on\n- vesk (project)");
        QCOMPARE(f.hint(), "Copied for agent · no hidden screen text included");
        QCOMPARE(QApplication::focusWidget(), f.field());
        f.clock.advance(1.4);
        QCOMPARE(f.hint(), "Copied for agent · no hidden screen text included");
        f.clock.advance(0.2);
        QCOMPARE(f.hint(), answerHint);
    }

    // Escape on an entity page opened from the answer draws the answer again, without asking.
    void escapeFromAnEntityPageRedrawsTheAnswer()
    {
        AskFixture f;
        f.daemon.reply("relations", json(R"({"kind":"relations","state":"none_found"})"));
        f.window.show();
        f.unfoldedAnswer(json(threeClaims));
        click(f.rowWith("vesk"));
        QTRY_VERIFY(f.rowWith("‹  back to the answer"));
        f.type("something else");
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QVERIFY(f.texts().contains("You were fixing the socket timeout."));
        QCOMPARE(f.field()->text(), "what was I doing?");
        QCOMPARE(f.hint(), answerHint);
        QVERIFY(f.panel()->isVisible());
        QCOMPARE(f.daemon.count("ask"), 1);
    }
};

QTEST_MAIN(AskAnswersTest)
#include "tst_AskAnswers.moc"
