// A claim's correction whose receipt lists 100,000 source frames (a reply of about 2 MB): the
// longest the main thread stands still from the choice until the receipt is drawn, and again while
// its evidence links unfold, seen as the biggest gap of a 1 ms heartbeat timer against a frame of
// 16 ms; the floor is the same heartbeat's biggest gap while a small status reply comes back, in the
// same run. Then the process's peak memory, and what it still holds once the answer is gone.
#include "AskWindow.h"
#include "DaemonRig.h"
#include "ScriptedAlerts.h"
#include "ScrollColumn.h"
#include "Seen.h"
#include "Stall.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int runs = 5;
constexpr int ids = 100000;

QByteArray receipt()
{
    // Ids of 19 digits, as a store numbering frames from a high base might send them.
    QJsonArray frames;
    for (qint64 i = 0; i < ids; ++i)
        frames.append(1000000000000000000LL + i * 1000);
    return QJsonDocument(QJsonObject{{"kind", "claim_corrected"},
                                     {"sources", ids},
                                     {"memories", 2},
                                     {"source_frame_ids", frames},
                                     {"related_node_ids", QJsonArray{4, 9}}})
               .toJson(QJsonDocument::Compact)
        + '\n';
}

struct Rig : DaemonRig {
    Rig()
        : window({client, alerts, presentation, clock})
    {
        daemon.replyRaw("status",
                        R"({"kind":"status","onboarded":true})"
                        "\n");
        daemon.reply("ask",
                     QJsonObject{{"answer", "You were fixing the invoice rounding."},
                                 {"claims",
                                  QJsonArray{QJsonObject{{"text", "The rounding fix shipped."},
                                                         {"frame_ids", QJsonArray{3, 7}}}}}});
        daemon.replyRaw("correct_claim", receipt());
    }
    QWidget* column() const { return window.resultColumn()->content(); }
    bool shows(const QString& title) const { return visibleButton(column(), title) != nullptr; }
    void press(const QString& title) const { click(visibleButton(column(), title)); }

    ScriptedAlerts alerts;
    AskWindow window;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    long before = 0;
    std::vector<double> floor, saved, unfolded;
    long kept = 0;
    for (int run = 0; run < runs; ++run) {
        auto rig = std::make_unique<Rig>();
        rig->window.show();
        floor.push_back(longestStall([&] { rig->client.status(&rig->window, [](Reply) {}); },
                                     [&] { return rig->client.settledThrough(rig->client.requestsMade()); }));
        if (run == 0)
            before = memoryKb("VmHWM");
        QTest::keyClicks(rig->window.fieldWidget(), QStringLiteral("what was I fixing?"));
        QTest::keyClick(rig->window.fieldWidget(), Qt::Key_Return);
        while (!rig->shows(QStringLiteral("Details & corrections")))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        rig->press(QStringLiteral("Details & corrections"));
        rig->press(QStringLiteral("Where is this wrong?"));
        saved.push_back(longestStall([&] { rig->press(QStringLiteral("The fact is wrong")); },
                                     [&] { return rig->shows(QStringLiteral("Inspect correction evidence")); }));
        unfolded.push_back(longestStall([&] { rig->press(QStringLiteral("Inspect correction evidence")); },
                                        [&] { return rig->shows(QStringLiteral("Hide correction evidence")); }));
        rig.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kept = memoryKb("VmRSS");
    }
    const double f = median(floor);
    std::printf("longest main-thread stall, floor (a small status reply) %.1f ms\n", f);
    std::printf("correction receipt with %d source ids, until drawn: %.1f ms, ratio %.1f, %.2f of a 16 ms frame\n", ids,
                median(saved), median(saved) / f, median(saved) / 16.0);
    std::printf("its evidence links unfolded: %.1f ms, ratio %.1f, %.2f of a 16 ms frame\n", median(unfolded),
                median(unfolded) / f, median(unfolded) / 16.0);
    std::printf("peak memory %.1f MB (%.1f MB before the first receipt), %.1f MB held after the last run\n",
                memoryKb("VmHWM") / 1024.0, before / 1024.0, kept / 1024.0);
    return 0;
}
