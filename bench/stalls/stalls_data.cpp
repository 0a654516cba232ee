// The longest the main thread stands still while "Your data" and the privacy window read very long
// lists from a stand-in daemon, seen as the biggest gap of a 1 ms heartbeat timer, against the 16 ms
// of a frame at 60 Hz and against a floor: the same heartbeat while a small status reply comes back.
// 1. "Your data" whose connections reply lists 10,000 agent tools;
// 2. "Your data" whose recent_deliveries reply holds 100,000 handoffs;
// 3. the privacy window listing 10,000 application rules.
// The peak memory of the process (VmHWM) closes the report.
#include "DaemonRig.h"
#include "DataWindow.h"
#include "FakePlatform.h"
#include "PrivacyExclusionsWindow.h"
#include "ScriptedAlerts.h"

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

QByteArray tools(int n)
{
    QJsonArray clis;
    for (int i = 0; i < n; ++i)
        clis.append(QJsonObject{{"name", QStringLiteral("agent-%1").arg(i)},
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

// The biggest gap between two beats of a 1 ms timer from `start()` until `done()` holds.
double longestStall(const std::function<void()>& start, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    // What the previous scenario left behind (deletions, freed memory) is not this one's stall.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    clock.start();
    beat.start();
    start();
    QElapsedTimer limit;
    limit.start();
    while (!done()) {
        if (limit.elapsed() > 120000) {
            std::fprintf(stderr, "a scenario did not finish within 120 s\n");
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    // Until the window has painted what it built: a stall at the very end counts too.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worst = std::max(worst, clock.nsecsElapsed() - last);
    return worst / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The peak resident memory of this process so far, in MB.
double peakMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& l : status.readAll().split('\n'))
        if (l.startsWith("VmHWM:"))
            return l.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
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
};

void report(const char* what, const std::vector<double>& stalls, double floor)
{
    const double m = median(stalls);
    std::printf("%s: %.1f ms (%s the %.0f ms frame), ratio to the floor %.1f\n", what, m,
                m < frameMs ? "under" : "OVER", frameMs, m / floor);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Rig rig;
    const QByteArray manyTools = tools(10000), manyHandoffs = handoffs(100000), manyRules = rules(10000);
    const QByteArray noTools = line(QJsonObject{{"kind", "connections"}, {"clis", QJsonArray()}});
    const QByteArray noHandoffs = line(QJsonObject{{"deliveries", QJsonArray()}});
    const double before = peakMb();

    std::vector<double> floor, toolStalls, handoffStalls, ruleStalls;
    for (int run = 0; run < runs; ++run) {
        floor.push_back(
            longestStall([&] { rig.client.status(&rig.data, [](Reply) {}); }, [&] { return rig.settled(); }));

        rig.daemon.replyRaw("connections", manyTools);
        toolStalls.push_back(longestStall([&] { rig.data.open(); }, [&] { return rig.settled(); }));
        rig.daemon.replyRaw("connections", noTools);

        rig.daemon.replyRaw("recent_deliveries", manyHandoffs);
        handoffStalls.push_back(longestStall([&] { rig.data.open(); }, [&] { return rig.settled(); }));
        rig.daemon.replyRaw("recent_deliveries", noHandoffs);
        rig.data.close();

        rig.daemon.replyRaw("app_blocks", manyRules);
        ruleStalls.push_back(longestStall([&] { rig.privacy.open(); }, [&] { return rig.settled(); }));
        rig.privacy.close();
    }
    const double f = median(floor);
    std::printf("longest main-thread stall, floor (a small status reply) %.1f ms\n", f);
    report("\"Your data\", 10,000 agent tools", toolStalls, f);
    report("\"Your data\", 100,000 handoffs", handoffStalls, f);
    report("privacy list, 10,000 application rules", ruleStalls, f);
    std::printf("peak memory of the process (VmHWM): %.0f MB, of which %.0f MB before the first scenario (the "
                "test replies held in memory)\n",
                peakMb(), before);
    return 0;
}
