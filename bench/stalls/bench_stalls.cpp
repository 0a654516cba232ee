// The longest the main thread stands still while the real pages and the reminder pass read very
// large replies from a stand-in daemon, seen as the biggest gap of a 1 ms heartbeat timer; the
// floor is the same heartbeat's biggest gap while a small status reply comes back, in the same run.
// 1. the inbox: 25 merge proposals, each with two labels of 300 KB (what fits its reply cap);
// 2. an entity page whose relations and where-it-came-from replies carry labels of 1 MB;
// 3. a reminder pass whose six relations replies carry 100,000 edges each.
#include "AskWindow.h"
#include "DaemonRig.h"
#include "FakePlatform.h"
#include "InterjectionController.h"
#include "ScriptedAlerts.h"
#include "Stall.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace vesk;
using namespace vesk::test;

namespace {

QByteArray line(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QString big(qsizetype chars, QChar c)
{
    // Words, so a label that is laid out wraps as real text would.
    QString s(chars, c);
    for (qsizetype i = 7; i < chars; i += 8)
        s[i] = QLatin1Char(' ');
    return s;
}

QByteArray proposalsReply()
{
    QJsonArray proposals;
    for (int i = 0; i < 25; ++i)
        proposals.append(QJsonObject{{"id", i + 1},
                                     {"a_id", 100 + i},
                                     {"a_label", big(300 * 1024, QLatin1Char('a'))},
                                     {"a_sources", 3},
                                     {"b_id", 200 + i},
                                     {"b_label", big(300 * 1024, QLatin1Char('b'))},
                                     {"b_sources", 2},
                                     {"method", "embedding"}});
    return line(QJsonObject{{"kind", "proposals"}, {"proposals", proposals}});
}

QByteArray entityRelations()
{
    QJsonArray edges;
    for (int i = 0; i < 12; ++i)
        edges.append(QJsonObject{{"edge_id", i + 1},
                                 {"other_id", 50 + i},
                                 {"other_label", big(1024 * 1024, QLatin1Char('r'))},
                                 {"other_kind", "person"},
                                 {"other_sources", 3},
                                 {"phrase", "works with"},
                                 {"sightings", 4},
                                 {"extractor", "relation-model"}});
    return line(QJsonObject{{"kind", "relations"}, {"edges", edges}, {"state", "found"}});
}

QByteArray entityWhy()
{
    QJsonArray sources;
    for (int i = 0; i < 12; ++i)
        sources.append(QJsonObject{{"app_name", "Code"},
                                   {"observed_at_ms", 1772366700000.0 - i * 4000000.0},
                                   {"frame_id", i + 1},
                                   {"document_url", big(1024 * 1024, QLatin1Char('w'))}});
    return line(QJsonObject{
        {"kind", "why"}, {"label", big(1024 * 1024, QLatin1Char('n'))}, {"sources", sources}, {"source_count", 12}});
}

QByteArray passRelations(int anchor)
{
    const QStringList kinds{"task", "open_question", "decision", "repo"};
    QJsonArray edges;
    for (int i = 0; i < 100000; ++i)
        edges.append(QJsonObject{{"edge_id", anchor * 1000000 + i},
                                 {"other_id", 1000 + (anchor * 7919 + i) % 150000},
                                 {"other_label", QStringLiteral("Neighbour %1 of the billing work").arg(i)},
                                 {"other_kind", kinds[i % kinds.size()]},
                                 {"other_sources", 1 + i % 9},
                                 {"phrase", "is about"},
                                 {"sightings", i % 13}});
    return line(QJsonObject{{"kind", "relations"}, {"edges", edges}});
}

struct Rig : DaemonRig {
    Rig()
        : window({client, alerts, presentation, clock})
        , settings(client, defaults, clock)
        , controller({client, settings, clock, presentation, *platform.foregroundWindow, *platform.windowManager},
                     InterjectionSwitches{})
    {
        daemon.replyRaw("status",
                        R"({"kind":"status","onboarded":true,"capture_paused":false})"
                        "\n");
        daemon.replyRaw("proposals", proposalsReply());
        daemon.replyRaw("top",
                        R"({"kind":"top","nodes":[]})"
                        "\n");
        daemon.reply("interjection_signals", json(R"({"counts":[],"shown_today":0,"stances":[],"held_back":[]})"));
        daemon.reply("next_semantic_interjection", json(R"({"kind":"semantic_interjection"})"));
        QJsonArray nodes;
        for (int i = 0; i < 6; ++i)
            nodes.append(QJsonObject{{"node_id", i + 1},
                                     {"label", QStringLiteral("Billing item %1").arg(i)},
                                     {"node_type", "task"},
                                     {"score", 1.0},
                                     {"sources", 1}});
        daemon.reply("search", QJsonObject{{"kind", "search"}, {"nodes", nodes}});
        daemon.reply("route_delivery", json(R"({"route":"held","reason":"held_for_bench"})"));
        daemon.reply("record_human_delivery", json(R"({"kind":"ok"})"));
        platform.foregroundWindow->front
            = ForegroundApp{"com.visualstudio.code", "Code", "invoice.rs — harbor-api", false, 4242};
        controller.settings().refreshSignals();
        barrier();
    }
    bool settled() const { return client.settledThrough(client.requestsMade()); }

    ScriptedAlerts alerts;
    AskWindow window;
    FakePlatform platform;
    InterjectionSettings settings;
    InterjectionController controller;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Fewer rounds for a profiler's run.
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Rig rig;
    rig.window.show();

    std::vector<QByteArray> passReplies;
    for (int i = 0; i < 6; ++i)
        passReplies.push_back(passRelations(i));
    // What the benchmark itself holds (the replies it serves) and built, before Vesk reads anything.
    const long before = memoryKb("VmHWM");
    const long held = memoryKb("VmRSS");
    long inboxPeak = 0, entityPeak = 0, passPeak = 0;
    const auto peakOf = [](long& peak) { peak = std::max(peak, memoryKb("VmHWM")); };

    std::vector<double> floor, inbox, entity, pass;
    // The main thread's own work in each scenario's longest gap (on a loaded machine a gap can be
    // the scheduler's).
    std::vector<double> inboxBusy, entityBusy, passBusy;
    double busy = 0;
    for (int run = 0; run < runs; ++run) {
        floor.push_back(
            longestStall([&] { rig.client.status(&rig.window, [](Reply) {}); }, [&] { return rig.settled(); }));

        restartPeak();
        inbox.push_back(longestStall([&] { rig.window.showInbox(); }, [&] { return rig.settled(); }, 0, &busy));
        inboxBusy.push_back(busy);
        peakOf(inboxPeak);

        rig.daemon.replyRaw("relations", entityRelations());
        rig.daemon.replyRaw("why", entityWhy());
        rig.daemon.replyRaw("proposals",
                            R"({"kind":"proposals","proposals":[]})"
                            "\n");
        restartPeak();
        entity.push_back(longestStall([&] { rig.window.showEntity(1, "Harbor", "project", 3); },
                                      [&] { return rig.settled(); }, 0, &busy));
        entityBusy.push_back(busy);
        peakOf(entityPeak);
        rig.daemon.replyRaw("proposals", proposalsReply());

        QList<FakeDaemon::Script> scripts;
        for (const QByteArray& r : passReplies)
            scripts.append({r});
        rig.daemon.sequence("relations", scripts);
        const int routed = rig.daemon.count("route_delivery");
        restartPeak();
        pass.push_back(longestStall([&] { rig.controller.consider(); },
                                    // Settled first: counting reads every request the stand-in has seen, on
                                    // this thread, and would be a stall of the benchmark's own.
                                    [&] { return rig.settled() && rig.daemon.count("route_delivery") > routed; }, 0,
                                    &busy));
        passBusy.push_back(busy);
        peakOf(passPeak);
    }
    const double f = median(floor);
    std::printf("longest main-thread stall, floor (a small status reply) %.1f ms\n", f);
    std::printf("inbox, 25 proposals with 300 KB labels: %.1f ms, ratio %.1f; main thread's own work %.1f ms\n",
                median(inbox), median(inbox) / f, median(inboxBusy));
    std::printf("entity page, relations and sources with 1 MB labels: %.1f ms, ratio %.1f; main thread's own work "
                "%.1f ms\n",
                median(entity), median(entity) / f, median(entityBusy));
    std::printf("reminder pass, 6 relations replies of 100,000 edges: %.1f ms, ratio %.1f; main thread's own work "
                "%.1f ms\n",
                median(pass), median(pass) / f, median(passBusy));
    std::printf("peak memory of the process (VmHWM): %.0f MB before the first scenario (building and holding the "
                "test replies; %.0f MB held), each scenario's own peak: inbox %.0f MB, entity page %.0f MB, reminder "
                "pass %.0f MB\n",
                before / 1024.0, held / 1024.0, inboxPeak / 1024.0, entityPeak / 1024.0, passPeak / 1024.0);
    std::printf("(target: each ratio near 1; a stall the user feels starts at about 50 ms)\n");
    return 0;
}
