#include "ClampedLabel.h"
#include "DaemonRig.h"
#include "FakePlatform.h"
#include "InkButton.h"
#include "InterjectionCard.h"
#include "InterjectionController.h"
#include "Seen.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QJsonArray>
#include <QPaintEngine>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QWindow>
#include <algorithm>

using namespace vesk;
using namespace vesk::test;
using Decision::Accounting;

namespace {

const ForegroundApp code{"com.visualstudio.code", "Code", "invoice.rs — harbor-api", false, 4242};

// A controller on a fake daemon, a test clock and a settable window in front.
struct Fixture : DaemonRig {
    explicit Fixture(InterjectionSwitches switches = {})
        : settings(client, defaults, clock)
        , controller({client, settings, clock, presentation, *platform.foregroundWindow, *platform.windowManager},
                     switches)
    {
        platform.foregroundWindow->front = code;
        daemon.reply("interjection_signals", json(R"({"counts":[["shown",10],["opened",3]],"shown_today":0,
                                                      "stances":[],"held_back":[]})"));
        daemon.reply("record_interjection_outcome", json(R"({"kind":"ok"})"));
        daemon.reply("record_human_outcome", json(R"({"kind":"ok"})"));
        daemon.reply("next_semantic_interjection", json(R"({"kind":"semantic_interjection"})"));
        loadSignals();
    }
    void loadSignals()
    {
        controller.settings().refreshSignals();
        barrier();
    }
    QString note() const { return controller.settings().policy().lastDecision().value_or(QString()); }
    QStringList outcomes(const QString& op)
    {
        barrier();
        QStringList out;
        for (const QJsonObject& o : sent(op))
            out << o.value("outcome").toString();
        return out;
    }
    QStringList cardTexts() const { return visibleTexts(controller.card(), Empty::keep); }
    InkButton* button(const QString& title) const { return visibleButton(controller.card(), title); }

    FakePlatform platform;
    InterjectionSettings settings;
    InterjectionController controller;
};

// The text runs a widget paints: what the user reads where a label elides its last line.
struct PaintedText : QImage {
    explicit PaintedText(QWidget& widget)
        : QImage(widget.size(), QImage::Format_ARGB32_Premultiplied)
    {
        widget.render(this);
    }
    QPaintEngine* paintEngine() const override { return &engine; }
    struct Recorder : QPaintEngine {
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override { }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
        void drawTextItem(const QPointF&, const QTextItem& item) override { runs << item.text(); }
        Type type() const override { return User; }
        QStringList runs;
    };
    mutable Recorder engine;
};

const char* twoEqualHits = R"({"kind":"search","nodes":[
    {"node_id":8,"label":"Ship the invoice rounding fix","node_type":"task","score":2.8,"sources":2},
    {"node_id":9,"label":"Rotate the signing keys","node_type":"task","score":2.8,"sources":2}]})";

const QByteArray capped(R"({"shown_today":2,"held_back":[]})");
const QByteArray fresh(R"({"shown_today":0,"held_back":[]})");

Candidate searchCandidate(double confidence, std::optional<QString> package = std::nullopt)
{
    return Candidate{8,          "Ship the invoice rounding fix",  "task", 4,
                     confidence, "Code · invoice.rs — harbor-api", package};
}

} // namespace

class InterjectionControllerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void foreground_data()
    {
        QTest::addColumn<std::optional<ForegroundApp>>("front");
        QTest::addColumn<QString>("expected"); // a note, or the query and the display text
        const auto with = [](QString id, QString name, QString title, bool full = false, qint64 pid = 1) {
            return std::optional<ForegroundApp>(ForegroundApp{id, name, title, full, pid});
        };
        QTest::newRow("nothing readable")
            << std::optional<ForegroundApp>() << "Stayed quiet · the foreground window title was unavailable";
        QTest::newRow("our own window") << with("vesk", "vesk", "Ask Vesk")
                                        << "Stayed quiet · Vesk itself was in front";
        QTest::newRow("our own process") << with("other", "x", "Ask Vesk", false, 77)
                                         << "Stayed quiet · Vesk itself was in front";
        for (const char* id : {"us.zoom.xos", "Com.Microsoft.Teams2", "zoom", "libreoffice-impress"})
            QTest::newRow(id) << with(id, "Meet", "Weekly sync")
                              << "Stayed quiet · meeting or presentation app detected";
        QTest::newRow("two characters") << with("code", "Code", "ab")
                                        << "Stayed quiet · the foreground window had no usable title";
        QTest::newRow("one character between spaces")
            << with("code", "Code", " \tx ") << "Stayed quiet · the foreground window had no usable title";
        QTest::newRow("full screen") << with("code", "Code", "DESIGN.md — project", true)
                                     << "Stayed quiet · full-screen focus detected";
        QTest::newRow("em dash") << with("code", "Code", "DESIGN.md — project")
                                 << "DESIGN.md|Code · DESIGN.md — project";
        QTest::newRow("short piece before the em dash")
            << with("code", "", "ab — notes – plan") << "ab — notes|this window · ab — notes – plan";
        QTest::newRow("hyphen title kept whole")
            << with("code", "Mail", "Inbox - Mail") << "Inbox - Mail|Mail · Inbox - Mail";
    }
    void foreground()
    {
        QFETCH(std::optional<ForegroundApp>, front);
        QFETCH(QString, expected);
        const ForegroundContext::Result r = ForegroundContext::decide(front, "vesk", 77);
        if (const auto* quiet = std::get_if<ForegroundContext::Quiet>(&r))
            QCOMPARE(quiet->note, expected);
        else
            QCOMPARE(std::get<WindowContext>(r).query + '|' + std::get<WindowContext>(r).display, expected);
    }

    void startLoadsAndSchedules()
    {
        InterjectionSwitches switches;
        switches.testContext = "STATE.md — vesk";
        switches.preview = true;
        switches.firstPassSeconds = 60; // never later than the test context's one second
        Fixture f(switches);
        f.defaults.setInteger("qev.interjections.shown_total", 3);
        f.daemon.reply("status", json(R"({"kind":"status","interjections_daily_limit":4})"));
        QSignalSpy counts(&f.controller, &InterjectionController::digestCountChanged);
        f.controller.start();
        f.controller.start();
        QCOMPARE(f.clock.delays(), (std::vector<double>{300, 1, 20})); // the pass, the first pass, the preview's close
        QVERIFY(!f.defaults.contains("qev.interjections.shown_total"));
        f.barrier();
        QCOMPARE(f.controller.settings().policy().dailyCap(), 4);
        QCOMPARE(counts.size(), 2);
        // The preview card counts itself in its metrics only; it goes for the first pass to run.
        QVERIFY(f.cardTexts().contains("1 of 2 today · 86% relevance · 30% opened"));
        clickButton(f.controller.card(), "Not now");
        // The test context stands in for the window in front.
        f.platform.foregroundWindow->front.reset();
        f.daemon.reply("search", json(R"({"kind":"search","nodes":[]})"));
        f.clock.advance(1);
        QTRY_COMPARE(f.note(), "Stayed quiet · no relevant open item was found");
        QCOMPARE(f.sent("search", 1).first().value("query").toString(), "STATE.md");
        QCOMPARE(f.sent("search", 1).first().value("limit").toInt(), 40);
    }

    void gates_data()
    {
        QTest::addColumn<QJsonObject>("stored");
        QTest::addColumn<qint64>("shownToday");
        QTest::addColumn<int>("quotas");
        QTest::addColumn<QString>("note");
        const QJsonObject quiet{{"vesk.delivery.human.quiet_enabled", true},
                                {"vesk.delivery.human.quiet_start_hour", 9},
                                {"vesk.delivery.human.quiet_end_hour", 17}};
        QJsonObject quietAndOff = quiet;
        quietAndOff.insert("vesk.delivery.human.enabled", false);
        QTest::newRow("interruptions off first")
            << quietAndOff << qint64(0) << 0 << "Stayed quiet · interruptions are off";
        QTest::newRow("quiet hours before the cap")
            << quiet << qint64(2) << 0 << "Stayed quiet · quiet hours 09:00–17:00";
        QTest::newRow("cap reached") << QJsonObject{} << qint64(2) << 0 << "Stayed quiet · daily cap reached";
        QTest::newRow("another quota today") << QJsonObject{} << qint64(5) << 2 << QString();
    }
    void gates()
    {
        QFETCH(QJsonObject, stored);
        QFETCH(qint64, shownToday);
        QFETCH(int, quotas);
        QFETCH(QString, note);
        Fixture f;
        for (auto it = stored.begin(); it != stored.end(); ++it)
            f.defaults.setValue(it.key(), it.value());
        f.daemon.reply("interjection_signals", QJsonObject{{"shown_today", shownToday}, {"held_back", QJsonArray()}});
        f.loadSignals();
        for (int i = 0; i < quotas; ++i)
            f.controller.settings().allowAnotherQuota();
        f.controller.consider();
        f.barrier();
        QCOMPARE(f.daemon.count("next_semantic_interjection"), note.isEmpty() ? 1 : 0);
        if (!note.isEmpty())
            QCOMPARE(f.note(), note);
    }

    void semanticCardCountsAgainstTheCapOnly()
    {
        Fixture f;
        f.daemon.reply(
            "next_semantic_interjection",
            json(R"({"node_id":11,"label":"Use half-even rounding","state_class":"decision","package_id":"pkg-9"})"));
        f.controller.consider();
        QTRY_VERIFY(f.controller.card() && f.controller.card()->isVisible());
        QCOMPARE(f.sent("next_semantic_interjection", 1).first().value("interruption_safe"), true);
        QCOMPARE(f.controller.accounting(), Accounting::semanticCard);
        QCOMPARE(f.controller.settings().learned().shownToday, 1);
        QCOMPARE(f.note(), "Spoke · a reopened decision came back");
        QVERIFY(f.controller.settings().policy().wasRecentlyShown(*f.controller.currentCandidate(), f.clock.now()));
        QCOMPARE(f.cardTexts(),
                 (QStringList{"VESK · DECISION", "Reopened: Use half-even rounding",
                              "Related to Code · invoice.rs — harbor-api",
                              "Review the evidence behind this reopened item.", "1 of 2 today"}));
        // A screen reader announces a notification named by its headline, and its buttons by their titles.
        QAccessibleInterface* card = QAccessible::queryAccessibleInterface(f.controller.card());
        QCOMPARE(card->role(), QAccessible::Notification);
        QCOMPARE(card->text(QAccessible::Name), "Vesk reminder: Reopened: Use half-even rounding");
        QCOMPARE(QAccessible::queryAccessibleInterface(f.button("Not now"))->text(QAccessible::Name), "Not now");
        QCOMPARE(f.outcomes("record_interjection_outcome"), QStringList());
        QCOMPARE(f.outcomes("record_human_outcome"), QStringList{"shown"});

        // A visible card ends the next pass at once.
        f.controller.consider();
        f.barrier();
        QCOMPARE(f.daemon.count("next_semantic_interjection"), 1);

        // The same item once its kind is muted (the mutes as the pass began): a note, and the
        // daemon hears what became of its package.
        f.controller.card()->hide();
        f.daemon.reply("interjection_signals", json(R"({"stances":[["decision","muted"]],"held_back":[]})"));
        f.loadSignals();
        f.controller.consider();
        QTRY_COMPARE(f.note(), "Stayed quiet · decision is muted");
        QCOMPARE(f.sent("record_human_outcome", 2)[1], json(R"({"op":"record_human_outcome","outcome":"muted",
                                                                 "package_id":"pkg-9"})"));
    }

    // However a card goes, the daemon hears it once the shown outcome was answered. A reopened
    // item is the daemon's own reminder: it is not a search card the user adopted.
    void cardEnds_data()
    {
        QTest::addColumn<bool>("semantic");
        QTest::addColumn<QString>("action"); // a button's title, or how else the card goes
        QTest::addColumn<QStringList>("outcomes");
        QTest::newRow("Not now") << false << "Not now" << QStringList{"shown", "dismissed"};
        QTest::newRow("left alone for 20 seconds") << false << "" << QStringList{"shown", "auto_closed"};
        QTest::newRow("closed by the window manager") << false << "hidden" << QStringList{"shown"};
        QTest::newRow("reopened: Open sources") << true << "Open sources" << QStringList{"shown", "opened"};
        QTest::newRow("reopened: Not now") << true << "Not now" << QStringList{"shown", "dismissed"};
        QTest::newRow("reopened: mute") << true << "Don't remind me about this kind" << QStringList{"shown", "muted"};
    }
    void cardEnds()
    {
        QFETCH(bool, semantic);
        QFETCH(QString, action);
        Fixture f;
        f.daemon.reply("set_interjection_kind_stance", json(R"({"kind":"ok"})"));
        if (semantic)
            f.controller.show(Candidate{11, "Use half-even rounding", "decision", 2, 0.8, "Code · invoice.rs", "pkg-9"},
                              Accounting::semanticCard);
        else
            f.controller.show(searchCandidate(0.9, "pkg-5"), Accounting::searchCard);
        if (action == "hidden")
            f.controller.card()->hide();
        else if (!action.isEmpty())
            clickButton(f.controller.card(), action);
        f.clock.advance(19.9);
        QTRY_COMPARE(f.controller.currentCandidate().has_value(), action.isEmpty()); // a mute waits for its answer
        f.clock.advance(60);
        // One at a time: each outcome goes once the one before it was answered.
        QFETCH(QStringList, outcomes);
        QTRY_COMPARE(f.outcomes("record_human_outcome"), outcomes);
        if (semantic)
            QCOMPARE(f.outcomes("record_interjection_outcome"), QStringList());
    }

    void searchPathShowsAndOpensTheBest()
    {
        Fixture f;
        f.daemon.reply("search", json(R"({"kind":"search","nodes":[
            {"node_id":8,"label":"Ship the invoice rounding fix","node_type":"task","score":4.5,"sources":3},
            {"node_id":15,"label":"src/billing/invoice.rs","node_type":"file","score":2.7,"sources":9}]})"));
        f.daemon.reply("relations", json(R"({"kind":"relations","edges":[
            {"other_id":13,"other_label":"Does the tax ID column need an index?","other_kind":"open_question",
             "other_sources":4,"sightings":5}]})"));
        f.daemon.reply("route_delivery", json(R"({"kind":"route","route":"human","reason":"cleared_gate"})"));
        f.daemon.reply("record_human_delivery", json(R"({"kind":"ok","package_id":"pkg-3"})"));
        f.controller.consider();
        QTRY_VERIFY(f.controller.card());
        const Candidate shown = *f.controller.currentCandidate();
        QCOMPARE(shown.id, 13);
        QCOMPARE(shown.packageID, QString("pkg-3"));
        const QJsonObject route = f.sent("route_delivery", 1).first();
        // Seen 5 times from 4 sources: 0.78 + 0.035 × log2(5).
        QCOMPARE(route.value("relevance_millis").toInt(), 861);
        QCOMPARE(route.value("minimum_relevance_millis").toInt(), 740);
        QCOMPARE(route.value("fresh"), true);
        QCOMPARE(f.sent("record_human_delivery", 1).first(),
                 json(R"({"op":"record_human_delivery","node_id":13,"relevance_millis":861,"route":"human",
                          "reason":"cleared_gate"})"));
        QCOMPARE(f.note(), "Spoke · 86 relevance cleared the 74 gate");
        QVERIFY(f.cardTexts().contains("4 sources behind this unresolved question."));
        // Adoption learns the item, its relevance and its sources.
        QJsonObject adopted = f.sent("record_interjection_outcome", 1).first();
        QVERIFY(qAbs(adopted.take("confidence").toDouble() - 0.8613) < 1e-4);
        QCOMPARE(adopted, json(R"({"op":"record_interjection_outcome","node_id":13,"item_kind":"open_question",
                                   "outcome":"shown","sources":4})"));

        QSignalSpy opened(&f.controller, &InterjectionController::openRequested);
        clickButton(f.controller.card(), "Open sources");
        QCOMPARE(opened.first().first().value<Candidate>(), shown);
        f.clock.advance(30);
        QCOMPARE(f.outcomes("record_interjection_outcome"), (QStringList{"shown", "opened"}));
        QCOMPARE(f.outcomes("record_human_outcome"), (QStringList{"shown", "opened"}));
        f.sent("interjection_signals", 3); // the counters again after each outcome
    }

    // The anchors' neighbours are asked for two at a time, each anchor once: a reply can be large
    // while it is read.
    void relationsTwoAtATime()
    {
        Fixture f;
        QJsonArray nodes;
        for (int id = 20; id < 26; ++id)
            nodes.append(QJsonObject{{"node_id", id}, {"label", "a file"}, {"node_type", "file"}});
        f.daemon.reply("search", QJsonObject{{"nodes", nodes}});
        f.daemon.reply("relations", json(R"({"kind":"relations","edges":[]})"), 1.0);
        f.controller.consider();
        f.sent("relations", 2);
        QTest::qWait(250);
        QCOMPARE(f.daemon.count("relations"), 2);
        QList<qint64> asked;
        for (const QJsonObject& request : f.sent("relations", 6))
            asked << request.value("node_id").toInteger();
        std::sort(asked.begin(), asked.end());
        QCOMPARE(asked, (QList<qint64>{20, 21, 22, 23, 24, 25}));
    }

    void routeFacts_data()
    {
        QTest::addColumn<QByteArray>("meanwhile"); // the signals that arrive while the pass searches
        QTest::addColumn<bool>("shownLately");
        QTest::addColumn<QString>("facts"); // muted and cooling_down as routed, or empty: not routed
        QTest::newRow("muted meanwhile") << QByteArray(R"({"stances":[["task","muted"]],"held_back":[]})") << false
                                         << "true false";
        QTest::newRow("cooling down") << fresh << true << "false true";
        QTest::newRow("cap filled meanwhile") << capped << true << "";
    }
    void routeFacts()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(bool, shownLately);
        QFETCH(QString, facts);
        Fixture f;
        // Eight hits, of which only the first six are asked about their neighbours.
        QJsonArray nodes{json(R"({"node_id":8,"label":"Ship it","node_type":"task","score":4.5,"sources":3})")};
        for (int id = 20; id < 27; ++id)
            nodes.append(QJsonObject{{"node_id", id}, {"label", "a file"}, {"node_type", "file"}});
        f.daemon.reply("search", QJsonObject{{"nodes", nodes}});
        if (shownLately)
            f.controller.settings().policy().stampShown(searchCandidate(0.9), f.clock.now().addSecs(-60));
        f.controller.consider();
        f.daemon.replyRaw("interjection_signals", meanwhile + '\n');
        f.controller.settings().refreshSignals();
        f.sent("relations", 6);
        f.barrier();
        f.barrier();
        QCOMPARE(f.daemon.count("relations"), 6);
        QCOMPARE(f.daemon.count("route_delivery"), facts.isEmpty() ? 0 : 1);
        if (!facts.isEmpty()) {
            const QJsonObject route = f.sent("route_delivery", 1).first();
            QCOMPARE(QString("%1 %2").arg(route.value("muted").toVariant().toString(),
                                          route.value("cooling_down").toVariant().toString()),
                     facts);
            QCOMPARE(route.value("within_budget"), true);
        }
    }

    void routeOutcomes_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<int>("deliveries");
        QTest::newRow("low relevance") << QByteArray(R"({"route":"hold","reason":"held_low_relevance"})")
                                       << "Stayed quiet · 61 relevance was below the 74 gate"
                                       << QStringList{"held_back"} << 1;
        QTest::newRow("cooldown") << QByteArray(R"({"route":"hold","reason":"held_cooldown"})")
                                  << "Stayed quiet · this item is in its 7-day cooldown" << QStringList{} << 1;
        QTest::newRow("another reason") << QByteArray(R"({"route":"agent","reason":"agent_can_act"})")
                                        << "Stayed quiet · agent can act" << QStringList{} << 1;
        QTest::newRow("no reason") << QByteArray(R"({"route":"human"})")
                                   << "Delivery unavailable · vesk could not apply its policy" << QStringList{} << 0;
    }
    void routeOutcomes()
    {
        QFETCH(QByteArray, route);
        QFETCH(QString, note);
        QFETCH(QStringList, outcomes);
        QFETCH(int, deliveries);
        Fixture f;
        f.daemon.replyRaw("route_delivery", route + '\n');
        f.daemon.reply("record_human_delivery", json(R"({"kind":"ok"})"));
        // The first of two equals is chosen.
        f.daemon.reply("search", json(twoEqualHits));
        f.controller.consider();
        QTRY_COMPARE(f.note(), note);
        QCOMPARE(f.sent("route_delivery", 1).first().value("relevance_millis").toInt(), 610);
        QCOMPARE(f.daemon.count("record_human_delivery"), deliveries);
        if (deliveries)
            QCOMPARE(f.sent("record_human_delivery", 1).first().value("relevance_millis").toInt(), 610);
        QCOMPARE(f.outcomes("record_interjection_outcome"), outcomes);
        if (!outcomes.isEmpty())
            QCOMPARE(f.sent("record_interjection_outcome", 1).first().value("node_id").toInt(), 8);
        QVERIFY(!f.controller.card());
    }

    void presentationModeKeepsCardsAway()
    {
        Fixture f;
        f.daemon.reply("route_delivery", json(R"({"kind":"route","route":"human","reason":"cleared_gate"})"), 0.2);
        f.daemon.reply("record_human_delivery", json(R"({"kind":"ok","package_id":"pkg-4"})"));
        f.daemon.reply("search", json(twoEqualHits));
        f.controller.consider();
        f.platform.foregroundWindow->front->applicationId = "org.gnome.Terminal"; // no longer fresh
        f.sent("route_delivery", 1);
        f.presentation.setEnabled(true);
        QTRY_COMPARE(f.daemon.count("record_human_delivery"), 1);
        f.barrier();
        QCOMPARE(f.sent("route_delivery", 1).first().value("fresh"), false);
        QVERIFY(!f.controller.card());
        QCOMPARE(f.controller.settings().learned().shownToday, 0);
        QCOMPARE(f.outcomes("record_interjection_outcome"), QStringList());

        // The daemon's own reminder is still asked for, as not interruption-safe, and then held.
        f.controller.consider();
        QTRY_COMPARE(f.note(), "Stayed quiet · Presentation Mode");
        QCOMPARE(f.sent("next_semantic_interjection", 2).last().value("interruption_safe"), false);

        // Turning the mode on closes a card that is up. A card never asks for the keyboard.
        QTest::failOnWarning(QRegularExpression("WindowDoesNotAcceptFocus"));
        f.presentation.setEnabled(false);
        f.controller.show(searchCandidate(0.9), Accounting::searchCard);
        QVERIFY(f.controller.card()->isVisible());
        f.presentation.setEnabled(true);
        QVERIFY(!f.controller.currentCandidate());
    }

    void mute()
    {
        Fixture f;
        // A preview card counts nothing, notes nothing and changes no preference.
        const QString mute = "Don't remind me about this kind";
        f.controller.show(searchCandidate(0.86), Accounting::none);
        QCOMPARE(f.controller.settings().learned().shownToday, 0);
        QCOMPARE(f.note(), QString());
        QVERIFY(!f.controller.settings().policy().wasRecentlyShown(searchCandidate(0.86), f.clock.now()));
        clickButton(f.controller.card(), mute);
        QCOMPARE(f.cardTexts().last(), "Preview only. No preference was changed.");

        f.daemon.sequence("set_interjection_kind_stance", {{"{\"kind\":\"error\"}\n"}, {"{\"kind\":\"ok\"}\n"}});
        f.controller.show(searchCandidate(0.9, "pkg-5"), Accounting::searchCard);
        clickButton(f.controller.card(), mute);
        QCOMPARE(f.cardTexts().last(), "Saving preference…");
        QVERIFY(!f.button(mute)->isEnabled());
        QTRY_VERIFY(f.button(mute)->isEnabled());
        QCOMPARE(f.cardTexts().last(), "Could not save this preference. Try again; this kind is not muted yet.");
        QCOMPARE(f.controller.card()->findChildren<ClampedLabel*>().last()->colour(), Ink::flag());
        f.clock.advance(60); // no auto-close while the user decides
        clickButton(f.controller.card(), mute);
        QTRY_VERIFY(!f.controller.card());
        QCOMPARE(f.sent("set_interjection_kind_stance", 2)[1].value("stance").toString(), "muted");
        QTRY_COMPARE(f.outcomes("record_human_outcome"), (QStringList{"shown", "muted"}));

        // The answer for a card that was replaced meanwhile leaves the new card as it is.
        f.daemon.reply("set_interjection_kind_stance", json(R"({"kind":"error"})"), 0.3);
        f.controller.show(searchCandidate(0.9), Accounting::searchCard);
        clickButton(f.controller.card(), mute);
        f.controller.show(searchCandidate(0.8), Accounting::searchCard);
        f.barrier();
        QCOMPARE(f.daemon.count("set_interjection_kind_stance"), 3);
        QVERIFY(f.cardTexts().last().endsWith("opened")); // the metrics, no feedback under them
    }

    void timedPasses()
    {
        Fixture f;
        f.controller.start();
        f.clock.advance(299.9);
        f.barrier();
        f.barrier();
        const int first = f.daemon.count("next_semantic_interjection");
        f.clock.advance(0.1);
        QTRY_COMPARE(f.daemon.count("next_semantic_interjection"), first + 1);
        f.clock.advance(299.9);
        f.barrier();
        QCOMPARE(f.daemon.count("next_semantic_interjection"), first + 1);
        f.clock.advance(0.1);
        QTRY_COMPARE(f.daemon.count("next_semantic_interjection"), first + 2);
    }

    void capJudgedOnTodaysCount_data()
    {
        QTest::addColumn<QByteArray>("before"); // the counters read before the first pass
        QTest::addColumn<double>("hours");      // then the clock moves on (it starts at 14:05)
        QTest::addColumn<QByteArray>("after");  // and the daemon answers this
        QTest::addColumn<QString>("note");      // the pass's note, empty when it asked on
        QTest::addColumn<int>("asked");         // reminders asked for after one more pass
        QTest::newRow("past midnight") << capped << 10.0 << fresh << QString() << 2;
        QTest::newRow("the same evening") << capped << 9.9 << fresh << "Stayed quiet · daily cap reached" << 0;
        QTest::newRow("counters unreadable on the new day")
            << fresh << 10.0 << QByteArray(R"({"kind":"error"})") << "Stayed quiet · local memory was unavailable" << 1;
    }
    void capJudgedOnTodaysCount()
    {
        QFETCH(QByteArray, before);
        QFETCH(double, hours);
        QFETCH(QByteArray, after);
        QFETCH(QString, note);
        QFETCH(int, asked);
        Fixture f;
        f.daemon.replyRaw("interjection_signals", before + '\n');
        f.loadSignals();
        f.clock.advance(hours * 3600);
        f.daemon.replyRaw("interjection_signals", after + '\n');
        const int reads = f.daemon.count("interjection_signals");
        f.controller.consider();
        QTRY_VERIFY(!f.note().isEmpty());
        QCOMPARE(f.daemon.count("next_semantic_interjection"), note.isEmpty() ? 1 : 0);
        QCOMPARE(f.daemon.count("interjection_signals"), reads + (hours < 10 ? 0 : 1));
        if (!note.isEmpty())
            QCOMPARE(f.note(), note);
        // A failed read is tried again at the next pass.
        f.daemon.replyRaw("interjection_signals", fresh + '\n');
        f.controller.consider();
        f.barrier();
        f.barrier();
        QCOMPARE(f.daemon.count("next_semantic_interjection"), asked);
    }

    void autoCloseWaitsForThePointer()
    {
        Fixture f;
        f.controller.show(searchCandidate(0.9, "pkg-5"), Accounting::searchCard);
        // On every desktop, so that switching desktops does not leave it behind.
        QCOMPARE(f.platform.windowManager->onEveryDesktop, QList<QWindow*>{f.controller.card()->windowHandle()});
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(f.controller.card(), &enter);
        f.clock.advance(60);
        QVERIFY(f.controller.currentCandidate());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(f.controller.card(), &leave);
        f.clock.advance(InterjectionController::afterPointerLeaves - 0.1);
        QVERIFY(f.controller.currentCandidate());
        f.clock.advance(0.1);
        QVERIFY(!f.controller.currentCandidate());
        QTRY_COMPARE(f.outcomes("record_human_outcome"), (QStringList{"shown", "auto_closed"}));
    }

    // Refreshes run side by side: an older reading that answers last does not replace a newer one.
    void newerSignalsWin()
    {
        DaemonRig rig;
        InterjectionSettings settings(rig.client, rig.defaults, rig.clock);
        rig.daemon.sequence("interjection_signals",
                            {{R"({"shown_today":1,"held_back":[]})"
                              "\n",
                              FakeDaemon::Mode::Reply, 0.4},
                             {R"({"shown_today":2,"held_back":[]})"
                              "\n"}});
        settings.refreshSignals();
        rig.sent("interjection_signals", 1);
        // A change in between: the next reading is sent anew instead of sharing the first.
        rig.client.setInjection(true, std::nullopt, app(), [](Reply) {});
        settings.refreshSignals();
        rig.sent("interjection_signals", 2);
        rig.barrier();
        QCOMPARE(settings.learned().shownToday, 2);
    }

    // A headline longer than its four lines paints four, the last cut with an ellipsis.
    void longHeadlineCutAtFourLines()
    {
        Fixture f;
        Candidate item = searchCandidate(0.9);
        item.label = QStringLiteral("Confirm the invoice rounding rule with finance ").repeated(6);
        f.controller.show(item, Accounting::searchCard);
        const QStringList lines = PaintedText(*f.controller.card()->findChildren<ClampedLabel*>().at(1)).engine.runs;
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.last().endsWith(QChar(0x2026)) && item.label.startsWith(lines.first()));
    }

    // A save before the policy was ever read sends nothing: there is no confirmed copy to change.
    // What the controls save, and after a refusal, the settings window's tests take.
    void policySaveNeedsAConfirmedLoad()
    {
        DaemonRig rig;
        InterjectionSettings settings(rig.client, rig.defaults, rig.clock);
        settings.saveDeliveryPolicy(false, {}, {}, {}, {});
        rig.barrier();
        QCOMPARE(rig.daemon.count("set_delivery_policy"), 0);
    }
};

QTEST_MAIN(InterjectionControllerTest)
#include "tst_InterjectionController.moc"
