#include "EntityFixture.h"

#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

QJsonObject pair(qint64 id, qint64 a, qint64 b, const QString& method = {})
{
    QJsonObject p{{"id", id},       {"a_id", a}, {"a_label", QStringLiteral("name %1").arg(a)},
                  {"a_sources", 2}, {"b_id", b}, {"b_label", QStringLiteral("name %1").arg(b)},
                  {"b_sources", 1}};
    if (!method.isEmpty())
        p.insert("method", method);
    return p;
}

QJsonObject proposals(const QJsonArray& list)
{
    return QJsonObject{{"kind", "proposals"}, {"proposals", list}};
}

} // namespace

class InboxTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void waitingOnYou_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("cards");
        QTest::addColumn<QString>("footer");
        QTest::newRow("none") << 0
                              << "Nothing is waiting. This screen does not need you often — it only fills up when "
                                 "Vesk is unsure about something it read."
                              << 0 << "";
        QTest::newRow("one") << 1
                             << "1 guess the engine cannot settle on its own. None of them affects an answer until "
                                "you choose."
                             << 1 << "Clear these 1 and you can close this.";
        QTest::newRow("twenty-five") << 25
                                     << "25 guesses the engine cannot settle on its own. None of them affects an "
                                        "answer until you choose."
                                     << 25 << "Clear these 25 and you can close this.";
        QTest::newRow("thirty") << 30
                                << "30 guesses the engine cannot settle on its own. None of them affects an answer "
                                   "until you choose.  Showing the first 25."
                                << 25
                                << "5 more are waiting. The queue is growing faster than it can be cleared — Vesk "
                                   "writes a new entity when it reads the same path at a different scroll position.";
    }
    void waitingOnYou()
    {
        QFETCH(int, count);
        QFETCH(QString, status);
        QFETCH(int, cards);
        QFETCH(QString, footer);
        EntityFixture f;
        QJsonArray list;
        for (int i = 0; i < count; ++i)
            list.append(pair(i + 1, 100 + 2 * i, 101 + 2 * i, i == 0 ? "embedding" : "alias"));
        f.daemon.reply("proposals", proposals(list));
        f.daemon.reply("top", json(R"({"kind":"top","nodes":[]})"));
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(f.hint(), "esc to close");
        QTRY_VERIFY(f.texts().contains(status));
        QCOMPARE(f.sent("proposals", 1).last().value("limit").toInteger(), 500);
        QCOMPARE(f.sent("top", 1).last().value("limit").toInteger(), 200);
        QTRY_COMPARE(f.buttons("Keep them separate").size(), cards);
        QCOMPARE(f.buttons("Use this name").size(), 2 * cards);
        if (!footer.isEmpty()) {
            QVERIFY(f.texts().contains(footer));
            QVERIFY(f.texts().contains("a model thought these two names look alike"));
        }
        QVERIFY(!f.button("Retry inbox"));
        QTRY_VERIFY(f.texts().contains("Nothing yet. Vesk writes an entity down when it has seen the same name on "
                                       "your screen more than once."));
    }

    void sectionsFailOnTheirOwn()
    {
        EntityFixture f;
        f.daemon.reply("proposals", json(R"({"kind":"error"})"));
        f.daemon.reply("top", json(R"({"kind":"error"})"));
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QTRY_VERIFY(f.texts().contains("Could not load uncertain items. Vesk could not look; this is not an empty "
                                       "queue."));
        QTRY_VERIFY(f.texts().contains("Could not load recognised items. Vesk could not look; this is not an empty "
                                       "list."));
        QVERIFY(f.button("Retry recognised items"));
        f.daemon.reply("proposals", proposals({pair(1, 2, 3)}));
        QTest::mouseClick(f.button("Retry inbox"), Qt::LeftButton);
        QTRY_VERIFY(f.texts().contains("Clear these 1 and you can close this."));
        QVERIFY(!f.button("Retry inbox"));
        QTRY_VERIFY(f.button("Retry recognised items"));
        f.daemon.reply("top", json(R"({"kind":"top","nodes":[]})"));
        QTest::mouseClick(f.button("Retry recognised items"), Qt::LeftButton);
        f.sent("top", 3);
        f.barrier();
        QVERIFY(!f.button("Retry recognised items"));
    }

    void doubleClickSendsOneJudgment()
    {
        EntityFixture f;
        f.daemon.reply("proposals", proposals({pair(7, 41, 42)}));
        f.daemon.reply("judge_merge", json(R"({"kind":"ok","state":"merged:42"})"));
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QTRY_VERIFY(f.button("Use this name"));
        InkButton* use = f.buttons("Use this name").first();
        QTest::mouseDClick(use, Qt::LeftButton);
        QTest::mouseClick(use, Qt::LeftButton);
        QVERIFY(f.texts().contains("Saving your decision…"));
        QCOMPARE(QApplication::focusWidget(), f.field());
        QTRY_VERIFY(f.texts().contains("merged"));
        QCOMPARE(f.daemon.count("judge_merge"), 1);
        QCOMPARE(f.sent("judge_merge").first(), json(R"({"op":"judge_merge","proposal_id":7,"keep":41})"));
    }

    // A proposal whose ids are not whole is no card and is never judged under a truncated id; a
    // source count that is not a count reads as unavailable, not as 0 or below.
    void numbersFromTheDaemonAreChecked()
    {
        EntityFixture f;
        QJsonObject fractional = pair(7, 4, 5), fractionalEntity = pair(9, 6, 3), odd = pair(8, 41, 42);
        fractional["id"] = 7.9;
        fractionalEntity["a_id"] = 4.5;
        odd["a_sources"] = std::numeric_limits<qint64>::min();
        odd["b_sources"] = 1e308;
        f.daemon.reply("proposals", proposals({fractional, fractionalEntity, odd}));
        f.daemon.reply("judge_merge", json(R"({"kind":"ok","state":"kept_apart"})"));
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QTRY_VERIFY(f.button("Use this name"));
        QCOMPARE(f.buttons("Keep them separate").size(), 1);
        QCOMPARE(f.texts().count("observations unavailable"), 2);
        for (InkButton* separate : f.buttons("Keep them separate"))
            QTest::mouseClick(separate, Qt::LeftButton);
        QTRY_VERIFY(f.texts().contains("kept apart"));
        QCOMPARE(f.daemon.requests("judge_merge"),
                 QList<QByteArray>{R"({"op":"judge_merge","proposal_id":8,"keep":null})"});
    }

    // A merge retires the other cards naming the entity that is gone; a refusal gives the card back.
    // The heading and the footer count only what still waits.
    void judgments_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("separateButtons");
        QTest::addColumn<QString>("keep");
        const QString gone = "no longer applies — one of these was just merged";
        const QString settle = " the engine cannot settle on its own. None of them affects an answer until you choose.";
        QTest::newRow("merged") << "Use this name" << QByteArray(R"({"kind":"ok","state":"merged:42"})")
                                << QStringList{"merged", gone, "1 guess" + settle,
                                               "Clear these 1 and you can close this."}
                                << 1 << "41";
        QTest::newRow("kept apart") << "Keep them separate" << QByteArray(R"({"kind":"ok","state":"kept_apart"})")
                                    << QStringList{"kept apart", "2 guesses" + settle,
                                                   "Clear these 2 and you can close this."}
                                    << 2 << "null";
        QTest::newRow("refused")
            << "Use this name" << QByteArray(R"({"kind":"error","message":"no"})")
            << QStringList{"Could not confirm this decision. Try again.\nVesk said: \u2068no\u2069",
                           "3 guesses" + settle}
            << 3 << "41";
        QTest::newRow("another kind") << "Use this name" << QByteArray(R"({"kind":"judged"})")
                                      << QStringList{"Could not confirm this decision. Try again."} << 3 << "41";
    }
    void judgments()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, shown);
        QFETCH(int, separateButtons);
        QFETCH(QString, keep);
        EntityFixture f;
        f.daemon.reply("proposals", proposals({pair(1, 41, 42), pair(2, 42, 43), pair(3, 44, 45)}));
        f.daemon.reply("judge_merge", json(reply.constData()));
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QTRY_COMPARE(f.buttons("Keep them separate").size(), 3);
        QTest::mouseClick(f.buttons(button).first(), Qt::LeftButton);
        for (const QString& text : shown)
            QTRY_VERIFY(f.texts().contains(text));
        QTRY_COMPARE(f.buttons("Keep them separate").size(), separateButtons);
        for (InkButton* b : f.buttons("Keep them separate"))
            QVERIFY(b->isEnabled());
        QCOMPARE(QString(f.daemon.requests("judge_merge").value(0)),
                 QStringLiteral(R"({"op":"judge_merge","proposal_id":1,"keep":%1})").arg(keep));
        // The untouched pair is still there to judge.
        QVERIFY(f.texts().contains("name 44"));
        QVERIFY(f.texts().contains("name 45"));
        if (separateButtons == 3) { // a refused judgment can be made again
            QTest::mouseClick(f.buttons(button).first(), Qt::LeftButton);
            QCOMPARE(f.sent("judge_merge", 2)[1].value("proposal_id").toInteger(), 1);
        }
    }

    void recognisedItems_data()
    {
        QTest::addColumn<QByteArray>("nodes");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("files and urls only") << QByteArray(
            R"([{"label":"a.rs","node_id":1,"node_type":"file"},{"label":"x.test","node_id":2,"node_type":"url"}])")
                                             << QStringList{"Nothing yet of the kind worth knowing — no people, no "
                                                            "projects, no open work. Vesk "
                                                            "recognises a path because a path has a shape; a person or "
                                                            "a task on your screen has none, "
                                                            "and nothing here reads for meaning yet."};
        QTest::newRow("grouped in kind order")
            << QByteArray(R"([{"label":"Fix it","node_id":1,"node_type":"task","sources":2,"score":2},
                              {"label":"Priya","node_id":2,"node_type":"person","aliases":2,"sources":9,"score":8,
                               "last_seen_ms":1772366700000},
                              {"label":"Why?","node_id":3,"node_type":"open_question"},
                              {"label":"a.rs","node_id":4,"node_type":"file"},
                              {"label":"Lena","node_id":5,"node_type":"person","sources":1,"sources_truncated":true,
                               "last_seen_ms":4.2e12},
                              {"label":"Ship","node_id":6,"node_type":"task"},
                              {"label":"Acme","node_id":7,"node_type":"org"}])")
            << QStringList{"PEOPLE  ·  2",
                           "Priya",
                           "+2 other spellings  ·  9 sources  ·  yesterday",
                           "Lena",
                           "at least 1 source",
                           "ORG  ·  1",
                           "Acme",
                           "0 sources",
                           "OPEN TASKS  ·  2",
                           "Fix it",
                           "2 sources",
                           "Ship",
                           "0 sources",
                           "STILL OPEN  ·  1",
                           "Why?",
                           "0 sources"};
    }
    void recognisedItems()
    {
        QFETCH(QByteArray, nodes);
        QFETCH(QStringList, shown);
        EntityFixture f;
        // The test clock stands at March 2, 14:05; Priya was last seen 26 hours before.
        f.daemon.reply("proposals", proposals({}));
        f.daemon.reply("top", QJsonObject{{"kind", "top"}, {"nodes", QJsonDocument::fromJson(nodes).array()}});
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        QTRY_VERIFY(!f.texts().contains("Loading recognised people and work…"));
        const QStringList texts = f.texts();
        const qsizetype from = texts.indexOf("WHAT IT RECOGNISES") + 1;
        QCOMPARE(texts.mid(from), shown);

        if (Row* priya = f.rowWith("Priya")) {
            click(priya);
            QTRY_VERIFY(f.rowWith("‹  back to the inbox"));
            QVERIFY(f.texts().contains("Person  ·  9 sources"));
            QTRY_COMPARE(f.daemon.count("relations"), 1);
            QCOMPARE(f.sent("relations").first().value("node_id").toInteger(), 2);
        }
    }

    // Replies already on their way when the user leaves the inbox are dropped, although the inbox
    // still exists while they arrive.
    void repliesQueuedBeforeLeavingAreDropped()
    {
        EntityFixture f;
        f.daemon.reply("proposals", proposals({pair(1, 2, 3)}));
        f.daemon.reply("top", json(R"({"kind":"top","nodes":[]})"));
        f.daemon.reply("relations", json(R"({"kind":"relations","state":"off"})"));
        QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        f.leaveWithRepliesQueued("Loading uncertain items…", [&] { f.window.showEntity(5, "Lena", "person", 1); });
        QVERIFY(f.buttons("Use this name").isEmpty());
        QTRY_VERIFY(f.rowWith("‹  search for “Lena”"));
    }
};

QTEST_MAIN(InboxTest)
#include "tst_Inbox.moc"
