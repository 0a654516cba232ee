// The longest the main thread stands still while "Your data" and the privacy window read very long
// lists from a stand-in daemon, seen as the biggest gap of a 1 ms heartbeat timer, against the 16 ms
// of a frame at 60 Hz and against a floor: the same heartbeat while a small status reply comes back.
// 1. "Your data" whose connections reply lists 10,000 agent tools;
// 2. "Your data" whose recent_deliveries reply holds 100,000 handoffs;
// 3. the privacy window listing 10,000 application rules;
// 4. the setup guide's agents page whose connections reply lists 10,000 agents it supports.
// The peak memory of the process (VmHWM) closes the report.
#include "AskShortcut.h"
#include "DaemonRig.h"
#include "DataWindow.h"
#include "FakePlatform.h"
#include "OnboardingWindow.h"
#include "PrivacyExclusionsWindow.h"
#include "ScriptedAlerts.h"
#include "Stall.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int runs = 5;
constexpr double frameMs = 16.0;

QByteArray line(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

// `supported`: every tool is one the setup guide lists (Codex or Claude Code).
QByteArray tools(int n, bool supported = false)
{
    QJsonArray clis;
    for (int i = 0; i < n; ++i)
        clis.append(QJsonObject{
            {"name",
             supported ? QString::fromLatin1(i % 2 ? "Codex" : "Claude Code") : QStringLiteral("agent-%1").arg(i)},
            {"detected", i % 2 == 0},
            {"registered", i % 3 == 0},
            {"command", QStringLiteral("agent-%1 mcp add vesk").arg(i)}});
    return line(QJsonObject{{"kind", "connections"}, {"clis", clis}});
}

QByteArray handoffs(int n)
{
    QJsonArray rows;
    for (int i = 0; i < n; ++i)
        rows.append(QJsonArray{QStringLiteral("pkg-%1").arg(i), "agent", 1772460300000.0 - i * 60000.0, "v1", 1200,
                               i % 9, i % 4});
    return line(QJsonObject{{"deliveries", rows}});
}

QByteArray rules(int n)
{
    QJsonArray list;
    for (int i = 0; i < n; ++i)
        list.append(QJsonObject{{"id", i + 1}, {"bundle_id", QStringLiteral("org.example.App%1").arg(i)}});
    return line(QJsonObject{{"rules", list}});
}

struct Rig : DaemonRig {
    Rig()
    {
        daemon.reply("status", json(R"({"kind":"status","pixel_bytes":5242880,"db_bytes":1048576,"frames":22,
                                        "nodes":40,"retention_days":5})"));
        daemon.reply("profile", json(R"({"body":"You work on Harbor.","cited":3})"));
        daemon.reply("recent_deliveries", json(R"({"deliveries":[]})"));
        daemon.reply("connections", json(R"({"kind":"connections","clis":[]})"));
    }
    bool settled() const { return client.settledThrough(client.requestsMade()); }

    ScriptedAlerts alerts;
    FakePlatform platform;
    DataWindow data{client, alerts, presentation};
    PrivacyExclusionsWindow privacy{client, *platform.workspace, *platform.permissions, alerts, presentation};
    FakePermissions permissions;
    AskShortcut shortcut{{platform.services, defaults, alerts, presentation}};
    OnboardingWindow guide{{client, defaults, permissions, presentation, shortcut}};
};

void report(const char* what, const std::vector<double>& stalls, const std::vector<double>& busy, double floor)
{
    const double m = median(stalls);
    std::printf("%s: %.1f ms (%s the %.0f ms frame), ratio to the floor %.1f; the main thread's own work in its "
                "longest gap %.1f ms\n",
                what, m, m < frameMs ? "under" : "OVER", frameMs, m / floor, median(busy));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Rig rig;
    const QByteArray manyTools = tools(10000), manyHandoffs = handoffs(100000), manyRules = rules(10000),
                     manyAgents = tools(10000, true);
    const QByteArray noTools = line(QJsonObject{{"kind", "connections"}, {"clis", QJsonArray()}});
    const QByteArray noHandoffs = line(QJsonObject{{"deliveries", QJsonArray()}});
    const double before = (memoryKb("VmHWM") / 1024.0);

    std::vector<double> floor, toolStalls, handoffStalls, ruleStalls, agentStalls;
    // The main thread's own work in each scenario's longest gap, by scenario.
    std::vector<double> toolBusy, handoffBusy, ruleBusy, agentBusy;
    double busy = 0;
    const auto measured = [&busy](std::vector<double>& own, double stall) {
        own.push_back(busy);
        return stall;
    };
    for (int run = 0; run < runs; ++run) {
        floor.push_back(
            longestStall([&] { rig.client.status(&rig.data, [](Reply) {}); }, [&] { return rig.settled(); }, 100));

        rig.daemon.replyRaw("connections", manyTools);
        toolStalls.push_back(
            measured(toolBusy, longestStall([&] { rig.data.open(); }, [&] { return rig.settled(); }, 100, &busy)));
        rig.daemon.replyRaw("connections", noTools);

        rig.daemon.replyRaw("recent_deliveries", manyHandoffs);
        handoffStalls.push_back(
            measured(handoffBusy, longestStall([&] { rig.data.open(); }, [&] { return rig.settled(); }, 100, &busy)));
        rig.daemon.replyRaw("recent_deliveries", noHandoffs);
        rig.data.close();

        rig.daemon.replyRaw("app_blocks", manyRules);
        ruleStalls.push_back(
            measured(ruleBusy, longestStall([&] { rig.privacy.open(); }, [&] { return rig.settled(); }, 100, &busy)));
        rig.privacy.close();

        rig.daemon.replyRaw("connections", manyAgents);
        agentStalls.push_back(measured(
            agentBusy, longestStall([&] { rig.guide.openConnections(); }, [&] { return rig.settled(); }, 100, &busy)));
        rig.daemon.replyRaw("connections", noTools);
        rig.guide.close();
    }
    const double f = median(floor);
    std::printf("longest main-thread stall, floor (a small status reply) %.1f ms\n", f);
    report("\"Your data\", 10,000 agent tools", toolStalls, toolBusy, f);
    report("\"Your data\", 100,000 handoffs", handoffStalls, handoffBusy, f);
    report("privacy list, 10,000 application rules", ruleStalls, ruleBusy, f);
    report("setup guide's agents page, 10,000 agents", agentStalls, agentBusy, f);
    std::printf("peak memory of the process (VmHWM): %.0f MB, of which %.0f MB before the first scenario (the "
                "test replies held in memory)\n",
                (memoryKb("VmHWM") / 1024.0), before);
    return 0;
}
