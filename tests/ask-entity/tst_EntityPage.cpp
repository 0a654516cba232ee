#include "EntityFixture.h"

#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {
const char* harbor = R"({"label":"Harbor","node_id":1,"node_type":"project","sources":3})";
const QString noneFound = "Vesk has read the screen text behind this and found nothing it was confident enough to "
                          "state. Most batches of screen text contain no clear relation, so this is the ordinary "
                          "answer.";
} // namespace

class EntityPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The page remembers where it was opened from, says so, and goes back there; going back to
    // an answer also closes a frame left open in the inspector. A reminder's card opens it with
    // its headline: the daemon's name replaces it, and back searches for that name. However it
    // was reached, the panel is tall enough for the page.
    void backRow_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("wording");
        QTest::addColumn<QString>("backOp"); // what going back asks the daemon again, if anything
        QTest::newRow("search") << "search"
                                << "‹  back to results"
                                << "search";
        QTest::newRow("inbox") << "inbox"
                               << "‹  back to the inbox"
                               << "proposals";
        QTest::newRow("answer") << "answer"
                                << "‹  back to the answer"
                                << "";
        QTest::newRow("card") << "card"
                              << "‹  search for “Harbor”"
                              << "search";
    }
    void backRow()
    {
        QFETCH(QString, from);
        QFETCH(QString, wording);
        QFETCH(QString, backOp);
        EntityFixture f;
        f.daemon.reply("relations", json(R"({"kind":"relations","state":"none_found"})"));
        f.daemon.reply("why", json(R"({"kind":"why","label":"Harbor",
                                       "sources":[{"app_name":"Code","document_url":"src/harbor.rs","frame_id":5}]})"));
        f.daemon.reply("proposals", json(R"({"kind":"proposals"})"));
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        f.daemon.reply("search", QJsonObject{{"kind", "search"}, {"nodes", QJsonArray{json(harbor)}}});
        f.daemon.reply("top", QJsonObject{{"kind", "top"}, {"nodes", QJsonArray{json(harbor)}}});
        if (from == "search")
            f.searchByKeyboard("harbor");
        else if (from == "inbox")
            QTest::keyClick(f.field(), Qt::Key_K, Qt::ControlModifier);
        else if (from == "answer")
            f.unfoldedAnswer(QJsonObject{{"answer", "You were on Harbor."}, {"sources", QJsonArray{json(harbor)}}});
        if (from == "card") {
            f.window.show();
            f.window.showEntity(1, "Reopened: Harbor launch", "project", 3);
        } else {
            QTRY_VERIFY(f.rowWith("Harbor"));
            click(f.rowWith("Harbor"));
        }
        QTRY_VERIFY(f.rowWith(wording));
        QTRY_VERIFY(f.texts().contains("Project  ·  1 source")); // no source_count: the records are counted
        QCOMPARE(f.hint(), "esc to go back");
        QVERIFY(f.texts().contains("Harbor"));
        QVERIFY(!f.texts().contains("Reopened: Harbor launch"));
        QVERIFY(f.panel()->height() > 400);
        QTRY_VERIFY(f.texts().contains(noneFound));
        QCOMPARE(f.sent("relations", 1).last().value("node_id").toInteger(), 1);

        QTRY_VERIFY(f.rowWith("src/harbor.rs"));
        click(f.rowWith("src/harbor.rs"));
        QCOMPARE(f.hint(), "esc back to Harbor");
        const int before = backOp.isEmpty() ? 0 : f.daemon.count(backOp);
        click(f.rowWith(wording));
        QTRY_VERIFY(!f.rowWith(wording));
        QVERIFY(!f.window.inspectorColumn()->isVisibleTo(f.panel()));
        if (backOp.isEmpty()) {
            QVERIFY(f.texts().contains("You were on Harbor."));
            QCOMPARE(f.hint(), "Ctrl+Shift+C copy for agent · return to ask · esc to close");
        } else {
            QTRY_COMPARE(f.daemon.count(backOp), before + 1);
        }
        if (backOp == "search")
            QCOMPARE(f.sent("search", 1).last().value("query").toString().toLower(), "harbor");
    }

    // The graph draws at most five neighbours and the caption says what was left out and why.
    void graphAndCaption_data()
    {
        QTest::addColumn<int>("usable");
        QTest::addColumn<int>("total"); // 0: the reply has none
        QTest::addColumn<int>("drawn");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("caption");
        QTest::newRow("seven") << 7 << 0 << 5 << 230 << "one hop · strongest 5 of 7 · 2 more below";
        QTest::newRow("seven of nine") << 7 << 9 << 5 << 230
                                       << "one hop · strongest 5 of 9 · 2 more below · 2 beyond the 7-relation limit "
                                          "are not shown";
        QTest::newRow("five") << 5 << 5 << 5 << 230 << "one hop · 5 neighbours · click one to open it";
        QTest::newRow("two") << 2 << 0 << 2 << 150 << "one hop · 2 neighbours · click one to open it";
        QTest::newRow("one") << 1 << 1 << 1 << 150 << "one hop · 1 neighbour · click one to open it";
        QTest::newRow("two of three") << 2 << 3 << 2 << 150
                                      << "one hop · 3 neighbours · click one to open it · 1 beyond the 2-relation "
                                         "limit are not shown";
    }
    void graphAndCaption()
    {
        QFETCH(int, usable);
        QFETCH(int, total);
        QFETCH(int, drawn);
        QFETCH(int, height);
        QFETCH(QString, caption);
        EntityFixture f;
        QJsonArray edges;
        for (int i = 0; i < usable; ++i)
            edges.append(edge(100 + i, QStringLiteral("N%1").arg(i), "works with", true, i));
        f.page("Harbor", relationsReply(edges, total ? std::optional<qint64>(total) : std::nullopt));
        QTRY_VERIFY(f.texts().contains(caption));
        NeighbourhoodView* graph = f.graph();
        QVERIFY(graph);
        const QList<InkButton*> chips = f.chips();
        QCOMPARE(chips.size(), drawn);
        QCOMPARE(graph->height(), height);
        QTRY_COMPARE(graph->width(), f.window.resultColumn()->viewport()->width() - 14);
        QVERIFY(!f.texts().contains("reading…"));
        // Every edge with a label and a phrase is listed, drawn or not.
        for (int i = 0; i < usable; ++i)
            QVERIFY(f.rowWith(QStringLiteral("works with N%1").arg(i)));
        // One sits straight above the centre; two to its left and right, level with it; more
        // from the top, clockwise.
        const QPoint centre = graph->rect().center();
        const QPoint first = chips[0]->geometry().center();
        if (drawn == 2) {
            QVERIFY(std::abs(first.y() - centre.y()) <= 1);
            QVERIFY(std::abs(chips[1]->geometry().center().y() - centre.y()) <= 1);
            QVERIFY(std::abs(first.x() - chips[1]->geometry().center().x()) > 2 * NeighbourhoodView::nodeW);
        } else {
            QVERIFY(std::abs(first.x() - centre.x()) <= 1);
            QVERIFY(first.y() < centre.y());
        }
        if (drawn > 2)
            QVERIFY(chips[1]->geometry().center().x() > centre.x());
    }

    // A chip is reached from the keyboard and opens its neighbour; a name longer than a chip is
    // shown whole where the width around the chip allows, else cut with its whole name in a
    // tooltip. No chip reaches into another.
    void chipsFromTheKeyboard()
    {
        EntityFixture f;
        const QString longName = "The billing reconciliation working group of the platform team";
        f.page("Harbor",
               relationsReply({edge(9, "Northwind Freight Co", "ships for"), edge(7, "Priya", "reviewed by"),
                               edge(8, longName, "meets with"), edge(10, longName + " B", "meets with"),
                               edge(11, "Tomás", "reviews")}));
        QTRY_COMPARE(f.chips().size(), 5);
        QTRY_COMPARE(f.chips()[0]->text().trimmed(), "Northwind Freight Co");
        QCOMPARE(f.chips()[0]->toolTip(), QString());
        QCOMPARE(f.chips()[1]->toolTip(), QString());
        QCOMPARE(f.chips()[2]->toolTip(), longName);
        for (InkButton* a : f.chips())
            for (InkButton* b : f.chips())
                QVERIFY(a == b || !a->geometry().intersects(b->geometry()));
        f.chips()[2]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.chips()[2], Qt::Key_Return);
        QTRY_VERIFY(f.texts().contains(longName));
        QTRY_COMPARE(f.daemon.count("relations"), 2);
        QCOMPARE(f.sent("relations").last().value("node_id").toInteger(), 8);
    }

    void edgeWithoutIdIsListedButNotDrawn()
    {
        EntityFixture f;
        QJsonObject incoming = edge(9, "Tomás", "reviews", false, 4);
        incoming.insert("outgoing", false);
        f.page("Harbor", relationsReply({edge(7, "Priya", "reviewed by"), incoming}));
        QTRY_VERIFY(f.rowWith("Tomás reviews this"));
        QVERIFY(f.rowWith("reviewed by Priya"));
        QCOMPARE(f.chips().size(), 1);
        QCOMPARE(f.chips()[0]->text().trimmed(), "Priya");
        // Without a total the usable neighbours are the whole count.
        QVERIFY(f.texts().contains("one hop · 1 neighbour · click one to open it"));
    }

    // Without edges the placeholder says whether nobody looked, nothing was found, or nobody could look.
    void withoutEdges_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("none found") << QByteArray(R"({"kind":"relations","state":"none_found","edges":[]})")
                                    << noneFound;
        QTest::newRow("off") << QByteArray(R"({"kind":"relations","state":"off"})")
                             << "Nobody has looked. Reading relations means sending lines of screen text to a model, "
                                "and you turned that one off during setup. `veskd relations --on` turns it back on and "
                                "says what it costs first.";
        QTest::newRow("unknown state") << QByteArray(R"({"kind":"relations","state":"later"})")
                                       << "Vesk is not reachable, so it cannot say.";
        QTest::newRow("refused") << QByteArray(R"({"kind":"error"})") << "Vesk is not reachable, so it cannot say.";
    }
    void withoutEdges()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        EntityFixture f;
        f.page("Harbor", json(reply.constData()));
        QTRY_VERIFY(f.texts().contains(text));
        QVERIFY(!f.graph());
        // Sources that cannot be read say so rather than showing an empty list.
        QTRY_VERIFY(f.texts().contains("no visible sources — a blocklist rule may cover them"));
        QVERIFY(f.texts().contains("Project  ·  0 sources"));
    }

    // Only proposals naming this exact label become cards on its page.
    void proposalsOnThePage_data()
    {
        QTest::addColumn<QByteArray>("proposals");
        QTest::addColumn<int>("cards");
        QTest::newRow("exact and other case")
            << QByteArray(R"([{"id":4,"a_id":1,"a_label":"Harbor","b_id":2,"b_label":"harbor api","a_sources":3},
                              {"id":5,"a_id":2,"a_label":"harbor","b_id":3,"b_label":"HARBOR"}])")
            << 1;
        QTest::newRow("named first or second")
            << QByteArray(R"([{"id":4,"a_id":1,"a_label":"Harbor","b_id":2,"b_label":"harbor api","a_sources":3},
                              {"id":6,"a_id":7,"a_label":"Harbour","b_id":1,"b_label":"Harbor"}])")
            << 2;
        QTest::newRow("other case only") << QByteArray(
            R"([{"id":5,"a_id":2,"a_label":"harbor","b_id":3,"b_label":"HARBOR"}])")
                                         << 0;
    }
    void proposalsOnThePage()
    {
        QFETCH(QByteArray, proposals);
        QFETCH(int, cards);
        EntityFixture f;
        const QJsonObject reply{{"kind", "proposals"}, {"proposals", QJsonDocument::fromJson(proposals).array()}};
        f.page("Harbor", json(R"({"kind":"relations","state":"none_found"})"), {}, reply);
        f.barrier();
        QTRY_VERIFY(f.texts().contains("no visible sources — a blocklist rule may cover them"));
        QCOMPARE(f.buttons("Keep them separate").size(), cards);
        QCOMPARE(f.texts().contains("POSSIBLY THE SAME THING"), cards > 0);
        QCOMPARE(f.sent("proposals", 1).last().value("limit").toInteger(), 20);
        if (cards) {
            QVERIFY(f.texts().contains("3 observations"));
            QVERIFY(f.texts().contains("observations unavailable")); // no count given
            QCOMPARE(f.buttons("Use this name")[1]->toolTip(), "Merge both items and keep the name: harbor api");
        }
    }

    // A name of any length leaves every tool tip on the page short enough to lay out on hover.
    void longNamesKeepShortTips()
    {
        EntityFixture f;
        const QString huge(100000, u'n');
        const QJsonObject proposal{{"id", 4}, {"a_id", 1}, {"a_label", "Harbor"}, {"b_id", 2}, {"b_label", huge}};
        f.page("Harbor", relationsReply({edge(9, huge, "ships for"), edge(7, "Priya", "reviewed by")}), {},
               QJsonObject{{"kind", "proposals"}, {"proposals", QJsonArray{proposal}}});
        QTRY_COMPARE(f.buttons("Use this name").size(), 2);
        QTRY_COMPARE(f.chips().size(), 2);
        int tips = 0;
        for (QWidget* w : f.panel()->findChildren<QWidget*>())
            if (!w->toolTip().isEmpty()) {
                ++tips;
                QVERIFY2(w->toolTip().size() < 2000, qPrintable(w->metaObject()->className()));
            }
        QVERIFY(tips >= 3); // the chip, the card's name and its button
    }

    void sourcesRewriteTheSubtitle()
    {
        EntityFixture f;
        const qint64 seen = QDateTime(QDate(2026, 2, 14), QTime(9, 30), Qt::UTC).toMSecsSinceEpoch();
        QJsonArray sources;
        for (int i = 0; i < 3; ++i)
            sources.append(QJsonObject{{"app_name", "Code"},
                                       {"document_url", "src/billing/invoice.rs"},
                                       {"observed_at_ms", seen + i * 60000},
                                       {"frame_id", 30 + i}});
        // A place of pages shows its first few lines.
        sources.append(QJsonObject{{"app_name", "Code"}, {"document_url", QString(1000, u'd')}, {"frame_id", 40}});
        f.page("Harbor", json(R"({"kind":"relations","state":"none_found"})"),
               QJsonObject{{"kind", "why"}, {"sources", sources}, {"source_count", 12}, {"first_seen_ms", seen}});
        QTRY_VERIFY(f.texts().contains("Project  ·  12 sources  ·  first seen Feb 14, 2026, 9:30\u202FAM"));
        QVERIFY(!f.texts().contains("reading its sources…"));
        QVERIFY(f.texts().contains(QString(EntityText::rowTextCap, u'd') + u'\u2026'));
        Row* group = f.rowWith("src/billing/invoice.rs");
        QVERIFY(group);

        // A source group opens its newest frame in the inspector and stays marked while it is shown.
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        click(group);
        QVERIFY(group->cited());
        QCOMPARE(f.hint(), "esc back to Harbor");
        QTRY_VERIFY(f.inspectorTexts().contains("Code"));
        QCOMPARE(f.sent("frame", 1).last().value("frame_id").toInteger(), 32);
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QVERIFY(!group->cited());
        QCOMPARE(f.hint(), "esc to go back");
        QVERIFY(f.texts().contains("Harbor"));
    }

    // A count below zero and times past 2100 read as unavailable and unknown, never as they came.
    void numbersOutOfRange()
    {
        EntityFixture f;
        f.page("Harbor", json(R"({"kind":"relations","state":"none_found"})"),
               json(R"({"kind":"why","source_count":-3,"first_seen_ms":4.2e12,
                        "sources":[{"app_name":"Code","observed_at_ms":4.2e12,"frame_id":2}]})"));
        QTRY_VERIFY(f.texts().contains("Project  ·  sources unavailable  ·  first seen unknown"));
        QVERIFY(f.texts().contains("time unknown    Code"));
    }

    // Each column drops only its own late replies: a frame opened in the inspector leaves the
    // page's merge judgment to land, whether the frame came before the click or after it.
    void judgmentSettlesWhateverTheInspectorShows_data()
    {
        QTest::addColumn<bool>("frameFirst");
        QTest::newRow("frame, then judgment") << true;
        QTest::newRow("judgment, then frame") << false;
    }
    void judgmentSettlesWhateverTheInspectorShows()
    {
        QFETCH(bool, frameFirst);
        EntityFixture f;
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        f.daemon.reply("judge_merge", json(R"({"kind":"ok","state":"kept_apart"})"), 0.2);
        f.page("Harbor", json(R"({"kind":"relations","state":"none_found"})"),
               json(R"({"kind":"why","sources":[{"app_name":"Code","document_url":"src/harbor.rs","frame_id":5}]})"),
               json(R"({"proposals":[{"id":4,"a_id":1,"a_label":"Harbor","b_id":2,"b_label":"harbor api"}]})"));
        // The three sections arrive in any order: wait for the two this test acts on.
        QTRY_VERIFY(f.rowWith("src/harbor.rs") && f.button("Keep them separate"));
        if (frameFirst) {
            click(f.rowWith("src/harbor.rs"));
            QTRY_VERIFY(f.inspectorTexts().contains("Code"));
        }
        QTest::mouseClick(f.button("Keep them separate"), Qt::LeftButton);
        if (!frameFirst)
            click(f.rowWith("src/harbor.rs"));
        QTRY_VERIFY(f.texts().contains("kept apart"));
        QVERIFY(!f.texts().contains("Saving your decision…"));
        QTRY_VERIFY(f.inspectorTexts().contains("Code"));
    }

    // A page opened under a reminder's headline names its graph's centre after the entity too, once
    // the daemon gives the name after the graph is drawn.
    void retitleReachesTheGraph()
    {
        EntityFixture f;
        f.daemon.reply("relations", relationsReply({edge(7, "Priya", "reviewed by")}));
        f.daemon.reply("why", json(R"({"kind":"why","label":"Harbor","source_count":2})"), 0.3);
        f.daemon.reply("proposals", json(R"({"kind":"proposals"})"));
        f.window.showEntity(1, "Reopened: Harbor launch", "project", 3);
        QTRY_VERIFY(f.graph());
        QCOMPARE(f.graph()->accessibleName(), "Reopened: Harbor launch");
        QTRY_VERIFY(f.texts().contains("Project  ·  2 sources"));
        QCOMPARE(f.graph()->accessibleName(), "Harbor");
    }

    // Replies already on their way when the user opens another page are dropped, although the
    // page they were meant for still exists while they arrive.
    void repliesQueuedBeforeLeavingAreDropped()
    {
        EntityFixture f;
        const auto line = [](const QJsonObject& o) {
            return FakeDaemon::Script{QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n'};
        };
        f.daemon.sequence("relations",
                          {line(relationsReply({edge(7, "Priya", "reviewed by")})),
                           line(json(R"({"kind":"relations","state":"off"})"))});
        f.daemon.reply("why", json(R"({"kind":"why","source_count":4})"));
        f.daemon.reply("proposals", json(R"({"kind":"proposals"})"));
        f.window.showEntity(1, "Harbor", "project", 3);
        f.leaveWithRepliesQueued("Project  ·  3 sources", [&] { f.window.showEntity(2, "Lena", "open_question", 1); });
        QVERIFY(!f.graph());
        QTRY_VERIFY(f.texts().contains("Nobody has looked. Reading relations means sending lines of screen text to a "
                                       "model, and you turned that one off during setup. `veskd relations --on` turns "
                                       "it back on and says what it costs first."));
        QTRY_VERIFY(f.texts().contains("Open question  ·  4 sources"));
        QVERIFY(!f.rowWith("reviewed by Priya"));
    }
};

QTEST_MAIN(EntityPageTest)
#include "tst_EntityPage.moc"
