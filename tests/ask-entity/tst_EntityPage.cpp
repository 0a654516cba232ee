#include "EntityFixture.h"

#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {
const char* harbor = R"({"label":"Harbor","node_id":1,"node_type":"project","sources":3})";
}

class EntityPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The page remembers where it was opened from, says so, and goes back there.
    void backRow_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("wording");
        QTest::addColumn<QString>("backOp"); // what going back asks the daemon again, if anything
        QTest::newRow("search") << "search" << "‹  back to results" << "search";
        QTest::newRow("inbox") << "inbox" << "‹  back to the inbox" << "proposals";
        QTest::newRow("answer") << "answer" << "‹  back to the answer" << "";
    }
    void backRow()
    {
        QFETCH(QString, from);
        QFETCH(QString, wording);
        QFETCH(QString, backOp);
        EntityFixture f;
        f.daemon.reply("relations", json(R"({"kind":"relations","state":"none_found"})"));
        f.daemon.reply("why", json(R"({"kind":"why"})"));
        f.daemon.reply("proposals", json(R"({"kind":"proposals"})"));
        f.daemon.reply("search", QJsonObject{{"kind", "search"}, {"nodes", QJsonArray{json(harbor)}}});
        f.daemon.reply("top", QJsonObject{{"kind", "top"}, {"nodes", QJsonArray{json(harbor)}}});
        f.daemon.reply("ask", QJsonObject{{"answer", "You were on Harbor."}, {"sources", QJsonArray{json(harbor)}}});
        if (from == "search") {
            f.type("harbor");
            f.window.search("harbor");
        } else if (from == "inbox") {
            QTest::keyClick(f.window.field, Qt::Key_K, Qt::ControlModifier);
        } else {
            f.askByKeyboard("what was I on?");
            QTRY_VERIFY(f.button("Details & corrections"));
            QTest::mouseClick(f.button("Details & corrections"), Qt::LeftButton);
        }
        QTRY_VERIFY(f.rowWith("Harbor"));
        QTest::mouseClick(f.rowWith("Harbor"), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_VERIFY(f.rowWith(wording));
        QCOMPARE(f.window.screen.kind, Screen::Kind::entity);
        QCOMPARE(f.window.screen.origin, (Origin{1, "Harbor", "project", 3}));
        QCOMPARE(f.window.hint->text(), "esc to go back");
        QTRY_VERIFY(f.texts().contains("Vesk has read the screen text behind this and found nothing it was confident "
                                       "enough to state. Most batches of screen text contain no clear relation, so "
                                       "this is the ordinary answer."));
        QCOMPARE(f.sent("relations").last().value("node_id").toInteger(), 1);

        const int before = backOp.isEmpty() ? 0 : f.daemon.count(backOp);
        QTest::mouseClick(f.rowWith(wording), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(f.window.screen.kind != Screen::Kind::entity);
        if (backOp.isEmpty())
            QVERIFY(f.texts().contains("You were on Harbor."));
        else
            QTRY_COMPARE(f.daemon.count(backOp), before + 1);
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
        QTest::newRow("three") << 3 << 3 << 3 << 230 << "one hop · 3 neighbours · click one to open it";
        QTest::newRow("two") << 2 << 0 << 2 << 150 << "one hop · 2 neighbours · click one to open it";
        QTest::newRow("one") << 1 << 1 << 1 << 150 << "one hop · 1 neighbour · click one to open it";
        QTest::newRow("two of four") << 2 << 4 << 2 << 150
                                     << "one hop · 4 neighbours · click one to open it · 2 beyond the 2-relation "
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
        QCOMPARE(graph->shown.size(), drawn);
        QCOMPARE(graph->chips.size(), drawn);
        QCOMPARE(graph->height(), height);
        QCOMPARE(graph->width(), f.window.width());
        QVERIFY(!f.texts().contains("reading…"));
        // Every edge with a label and a phrase is listed, drawn or not.
        for (int i = 0; i < usable; ++i)
            QVERIFY(f.rowWith(QStringLiteral("works with N%1").arg(i)));
        // The first neighbour sits straight above the centre; with three or more the second is to its right.
        QVERIFY(std::abs(graph->chips[0]->geometry().center().x() - graph->width() / 2) <= 1);
        QVERIFY(graph->chips[0]->geometry().center().y() < graph->height() / 2);
        if (drawn > 2)
            QVERIFY(graph->chips[1]->geometry().center().x() > graph->width() / 2);
    }

    void edgeWithoutIdIsListedButNotDrawn()
    {
        EntityFixture f;
        QJsonObject incoming = edge(9, "Tomás", "reviews", false, 4);
        incoming.insert("outgoing", false);
        f.page("Harbor", relationsReply({edge(7, "Priya", "reviewed by"), incoming}));
        QTRY_VERIFY(f.rowWith("Tomás reviews this"));
        QCOMPARE(f.graph()->shown.size(), 1);
        QCOMPARE(f.graph()->shown[0].label, "Priya");
        QCOMPARE(f.rowWith("Tomás reviews this")->property("edgeId").toLongLong(), 0);
        QCOMPARE(f.rowWith("reviewed by Priya")->property("edgeId").toLongLong(), 70);
        // Without a total the usable neighbours are the whole count.
        QVERIFY(f.texts().contains("one hop · 1 neighbour · click one to open it"));
    }

    // Without edges the placeholder says whether nobody looked, nothing was found, or nobody could look.
    void withoutEdges_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("none found") << QByteArray(R"({"kind":"relations","state":"none_found","edges":[]})")
                                    << "Vesk has read the screen text behind this and found nothing it was confident "
                                       "enough to state. Most batches of screen text contain no clear relation, so "
                                       "this is the ordinary answer.";
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
        QVERIFY(f.texts().contains("project  ·  0 sources"));
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
        QTest::newRow("other case only")
            << QByteArray(R"([{"id":5,"a_id":2,"a_label":"harbor","b_id":3,"b_label":"HARBOR"}])") << 0;
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
        QCOMPARE(f.sent("proposals").last().value("limit").toInteger(), 20);
        if (cards) {
            QVERIFY(f.texts().contains("3 observations"));
            QVERIFY(f.texts().contains("0 observations"));
            QCOMPARE(f.buttons("Use this name")[1]->toolTip(), "Merge both items and keep the name: harbor api");
        }
    }

    void sourcesRewriteTheSubtitle()
    {
        EntityFixture f;
        const qint64 seen = QDateTime(QDate(2026, 2, 14), QTime(9, 30), Qt::UTC).toMSecsSinceEpoch();
        QJsonArray sources;
        for (int i = 0; i < 3; ++i)
            sources.append(QJsonObject{{"app_name", "Code"}, {"document_url", "src/billing/invoice.rs"},
                                       {"observed_at_ms", seen + i * 60000}, {"frame_id", 30 + i}});
        f.page("Harbor", json(R"({"kind":"relations","state":"none_found"})"),
               QJsonObject{{"kind", "why"}, {"sources", sources}, {"source_count", 12}, {"first_seen_ms", seen}});
        QTRY_VERIFY(f.texts().contains("project  ·  12 sources  ·  first seen Feb 14, 2026, 09:30"));
        QVERIFY(!f.texts().contains("reading its sources…"));
        Row* group = f.rowWith("src/billing/invoice.rs");
        QVERIFY(group);

        // A source group opens its newest frame in the inspector and stays marked while it is shown.
        f.daemon.reply("frame", json(R"({"kind":"frame","app_name":"Code"})"));
        QTest::mouseClick(group, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(group->cited());
        QCOMPARE(f.window.inspecting->id, 32);
        QCOMPARE(f.window.inspecting->origin.label, "Harbor");
        QCOMPARE(f.window.hint->text(), "esc back to Harbor");
        QTRY_VERIFY(f.inspectorTexts().contains("Code"));
        QTest::keyClick(f.window.field, Qt::Key_Escape);
        QVERIFY(!group->cited());
        QCOMPARE(f.window.screen.kind, Screen::Kind::entity);
        QCOMPARE(f.window.hint->text(), "esc to go back");
    }

    void staleRepliesAreDropped()
    {
        EntityFixture f;
        // Both pages are opened before any reply can reach the main thread.
        const auto line = [](const QJsonObject& o) {
            return FakeDaemon::Script{QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n'};
        };
        f.daemon.sequence("relations", {line(relationsReply({edge(7, "Priya", "reviewed by")})),
                                        line(json(R"({"kind":"relations","state":"off"})"))});
        f.daemon.reply("why", json(R"({"kind":"error"})"));
        f.daemon.reply("proposals", json(R"({"kind":"proposals"})"));
        f.window.openEntity(Origin{1, "Harbor", "project", 3});
        f.window.openEntity(Origin{2, "Lena", "person", 1});
        QTRY_VERIFY(f.texts().contains("Nobody has looked. Reading relations means sending lines of screen text to a "
                                       "model, and you turned that one off during setup. `veskd relations --on` turns "
                                       "it back on and says what it costs first."));
        QTRY_VERIFY(f.texts().contains("no visible sources — a blocklist rule may cover them"));
        f.barrier();
        QVERIFY(!f.graph());
        QVERIFY(!f.rowWith("reviewed by Priya"));
    }

    // A click on the graph's background picks the nearest relation line, within reach only.
    void backgroundClickPicksTheNearestLine()
    {
        QList<EntityText::Neighbour> neighbours;
        for (int i = 0; i < 4; ++i)
            neighbours.append({i + 1, QStringLiteral("N%1").arg(i), "person", 0, "knows", true, i + 10});
        QList<qint64> picked;
        NeighbourhoodView view("Centre", neighbours, 500, {},
                               [&picked](const EntityText::Neighbour& n, NeighbourhoodView*) { picked << n.edgeId; });
        view.show();
        const QPointF centre(250, 115);
        const QPointF right = (centre + view.points[1]) / 2; // midpoint of the line to the second neighbour
        QTest::mouseClick(&view, Qt::LeftButton, {}, (right + QPointF(0, 20)).toPoint());
        QTest::mouseClick(&view, Qt::LeftButton, {}, (right + QPointF(0, 40)).toPoint());
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(picked, QList<qint64>{11});
    }
};

QTEST_MAIN(EntityPageTest)
#include "tst_EntityPage.moc"
