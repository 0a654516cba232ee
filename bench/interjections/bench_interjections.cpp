// Two costs of the reminders, each against a floor measured in the same run:
// 1. a decision pass over 40 search hits and six relations replies (candidates, the fold by node,
//    the choice, the gate and the route request) against only parsing the same replies;
// 2. the wake-ups of an idle controller (nothing in front to speak about) over a simulated day,
//    against the floor its five-minute pass sets, and the events it causes in two seconds of a
//    real event loop against the same loop without it.
#include "CandidateSearch.h"
#include "Decision.h"
#include "Defaults.h"
#include "InterjectionController.h"
#include "Json.h"
#include "NullPlatform.h"
#include "PresentationMode.h"
#include "RouteFacts.h"
#include "TestClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vesk;

namespace {

constexpr int runs = 7;
constexpr int passes = 400;

QByteArray searchReply()
{
    const QStringList kinds{"task", "open_question", "decision", "file", "person"};
    QJsonArray nodes;
    for (int i = 0; i < 40; ++i)
        nodes.append(QJsonObject{{"node_id", i + 1},
                                 {"label", QStringLiteral("Item %1 about billing").arg(i)},
                                 {"node_type", kinds[i % kinds.size()]},
                                 {"score", 0.5 + i * 0.1},
                                 {"sources", i % 7},
                                 {"matched_label", i % 2 == 0}});
    return QJsonDocument(QJsonObject{{"kind", "search"}, {"nodes", nodes}}).toJson(QJsonDocument::Compact);
}

QByteArray relationsReply(int anchor)
{
    const QStringList kinds{"task", "open_question", "decision", "repo"};
    QJsonArray edges;
    for (int i = 0; i < 12; ++i)
        edges.append(QJsonObject{{"edge_id", anchor * 100 + i},
                                 {"other_id", 100 + (anchor * 7 + i) % 30},
                                 {"other_label", QStringLiteral("Neighbour %1").arg(i)},
                                 {"other_kind", kinds[i % kinds.size()]},
                                 {"other_sources", i % 5},
                                 {"phrase", "is about"},
                                 {"sightings", i}});
    return QJsonDocument(QJsonObject{{"kind", "relations"}, {"edges", edges}}).toJson(QJsonDocument::Compact);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs every piece of delayed work through the test clock, counting the wake-ups.
class CountingClock final : public Clock {
public:
    QDateTime now() const override { return inner.now(); }
    void after(double seconds, QObject* context, std::function<void()> work) override
    {
        inner.after(seconds, context, [this, work = std::move(work)] {
            ++wakeups;
            work();
        });
    }
    test::TestClock inner;
    int wakeups = 0;
};

class EventCounter : public QObject {
public:
    int events = 0;
    bool eventFilter(QObject*, QEvent*) override
    {
        ++events;
        return false;
    }
};

int idleEvents(bool withController, DaemonClient& client, Defaults& defaults, PresentationMode& presentation)
{
    NullForegroundWindow nothing;
    NullWindowManager noManager;
    InterjectionSettings settings(client, defaults, systemClock());
    std::unique_ptr<InterjectionController> controller;
    if (withController) {
        controller = std::make_unique<InterjectionController>(
            InterjectionController::Services{client, settings, systemClock(), presentation, nothing, noManager},
            InterjectionSwitches{});
        controller->start();
    }
    // Let the start's own requests (which fail: nothing listens) come back before counting.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EventCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QCoreApplication::instance()->removeEventFilter(&counter);
    return counter.events;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    const QByteArray search = searchReply();
    std::vector<QByteArray> relations;
    for (int i = 0; i < CandidateSearch::anchorLimit; ++i)
        relations.push_back(relationsReply(i));
    const WindowContext context{QStringLiteral("invoice.rs"), QStringLiteral("Code · invoice.rs — harbor-api"), {}};
    Signals learned;
    learned.shownTotal = 10;
    learned.openedTotal = 3;
    learned.encouraged.insert(QStringLiteral("decision"));

    std::vector<double> parseTimes, passTimes;
    qint64 checksum = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int p = 0; p < passes; ++p) {
            checksum += QJsonDocument::fromJson(search).object().size();
            for (const QByteArray& r : relations)
                checksum += QJsonDocument::fromJson(r).object().size();
        }
        parseTimes.push_back(timer.nsecsElapsed() / 1e6 / passes);

        timer.restart();
        for (int p = 0; p < passes; ++p) {
            const auto hits = CandidateSearch::readSearch(QJsonDocument::fromJson(search).object(), context, {});
            if (!hits)
                return 1;
            QList<Candidate> found = hits->direct;
            QList<Candidate> related;
            for (const QByteArray& r : relations)
                related += CandidateSearch::readRelations(QJsonDocument::fromJson(r).object(), context, {});
            found += CandidateSearch::mostConfidentPerNode(related);
            const auto best = Decision::best(found);
            if (!best)
                return 1;
            RouteFacts facts;
            facts.relevance = found[*best].confidence;
            facts.minimum = Decision::relevanceGate(learned, found[*best].kind);
            checksum += found.size() + routeDeliveryPayload(facts).value_or(QJsonObject{}).size();
        }
        passTimes.push_back(timer.nsecsElapsed() / 1e6 / passes);
    }
    std::printf("decision pass, 40 hits + 6 x 12 relations: %.3f ms, parsing the replies alone %.3f ms, ratio %.2f "
                "(target <= 1.5)\n",
                median(passTimes), median(parseTimes), median(passTimes) / median(parseTimes));

    // Nothing listens on this socket: every request fails at once, as with the daemon away.
    DaemonClient client(dir.filePath(QStringLiteral("absent.sock")));
    Defaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    PresentationMode presentation(defaults);

    NullForegroundWindow nothing;
    NullWindowManager noManager;
    CountingClock clock;
    {
        InterjectionSettings settings(client, defaults, clock);
        InterjectionController controller({client, settings, clock, presentation, nothing, noManager},
                                          InterjectionSwitches{});
        controller.start();
        clock.inner.advance(24 * 3600);
    }
    const double perMinute = clock.wakeups / (24.0 * 60.0);
    const double floor = 60.0 / InterjectionController::passInterval;
    std::printf("idle controller over a simulated day: %d wake-ups, %.3f per minute, floor %.3f (one per pass), "
                "ratio %.2f (target <= 1.01)\n",
                clock.wakeups, perMinute, floor, perMinute / floor);

    const int bare = idleEvents(false, client, defaults, presentation);
    const int running = idleEvents(true, client, defaults, presentation);
    std::printf("two idle seconds of a real event loop: %d events with the controller running, %d without "
                "(target: no more)\n",
                running, bare);
    return checksum > 0 ? 0 : 1;
}
