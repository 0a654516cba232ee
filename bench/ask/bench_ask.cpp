// The ask panel's drawing costs against floors measured in the same run:
//  - an answer of 40 claims and 60 evidence rows, details open, against the same number of plain
//    labels with the same texts in a vertical layout;
//  - a search of 25 entity rows, against the same kind of floor;
//  - the panel's show latency from the shortcut callback to its first paint, against a plain
//    window of the same size.
// Each figure is the median of several runs, printed as milliseconds and as a ratio to its floor.
// The rows are built by the same page and row classes the panel uses, from the same replies.
// Offscreen unless QT_QPA_PLATFORM says otherwise; under tests/e2e/with-x11 the show latency
// includes the round trips to a real X server and window manager.
#include "Alerts.h"
#include "AnswerPage.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "Defaults.h"
#include "MemoryRows.h"
#include "PresentationMode.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace vesk;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs `work` and lets the deferred deletions it caused happen, so each run pays for its own cleanup.
double timed(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

QJsonObject answerReply()
{
    QJsonArray claims, evidence;
    for (int i = 0; i < 40; ++i)
        claims.append(QJsonObject{{"text",
                                   QStringLiteral("Claim %1: the build moved the socket timeout to thirty seconds "
                                                  "and the answer lane kept its own queue.")
                                       .arg(i)},
                                  {"frame_ids", QJsonArray{i + 1, i + 2}}});
    for (int i = 0; i < 60; ++i)
        evidence.append(QJsonObject{{"frame_id", i % 7 == 0 ? 0 : i + 1},
                                    {"app_name", i % 2 ? "Firefox" : "Visual Studio Code"},
                                    {"document_url", QStringLiteral("https://git.example/harbor/pull/%1").arg(300 + i)},
                                    {"observed_at_ms", 1.7e12 + i * 60000.0}});
    return QJsonObject{{"answer", "You were fixing invoice rounding in harbor-api and reviewing pull request 318."},
                       {"claims", claims},
                       {"evidence", evidence}};
}

QJsonObject searchReply()
{
    QJsonArray nodes;
    for (int i = 0; i < 25; ++i)
        nodes.append(QJsonObject{{"label", QStringLiteral("harbor-api component %1").arg(i)},
                                 {"node_id", i + 1},
                                 {"node_type", "project"},
                                 {"sources", 3 + i},
                                 {"matched_label", i % 3 == 0}});
    return QJsonObject{{"nodes", nodes}};
}

// Lays the column out at its width and paints it, as the screen would.
void drawn(ScrollColumn& column)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    column.grab();
}

QStringList visibleTexts(QWidget* root)
{
    QStringList out;
    for (QLabel* l : root->findChildren<QLabel*>())
        out << l->text();
    return out;
}

// The floor: plain labels with these texts in a vertical layout inside a scroll area of the same width.
double floorRun(QScrollArea& area, const QStringList& texts)
{
    return timed([&] {
        delete area.takeWidget();
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        for (const QString& text : texts)
            layout->addWidget(new QLabel(text));
        area.setWidget(content);
        content->adjustSize();
        area.grab();
    });
}

struct FirstPaint : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double untilPainted(QWidget* w, const std::function<void()>& show)
{
    FirstPaint probe;
    w->installEventFilter(&probe);
    QElapsedTimer t;
    t.start();
    show();
    while (!probe.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    w->removeEventFilter(&probe);
    return ms;
}

void report(const char* what, double ms, double floorMs)
{
    std::printf("%-44s %8.2f ms   floor %8.2f ms   ratio %5.2f\n", what, ms, floorMs, ms / floorMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DaemonClient client(QStringLiteral("/nonexistent/veskd.sock"));
    // An optional run count, for profiling under a slow tool.
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 15);

    // Show latency: the first show builds the panel; later ones only bring it back.
    QTemporaryDir settings;
    Defaults defaults(settings.filePath(QStringLiteral("defaults.json")));
    PresentationMode presentation(defaults);
    MessageBoxAlerts alerts;
    QElapsedTimer t;
    t.start();
    AskWindow window({client, alerts, presentation, systemClock()});
    window.toggle();
    AskPanel* panel = window.panelWidget();
    FirstPaint coldProbe;
    panel->installEventFilter(&coldProbe);
    while (!coldProbe.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double firstShow = static_cast<double>(t.nsecsElapsed()) / 1e6;
    panel->removeEventFilter(&coldProbe);

    std::vector<double> shows, plainShows;
    QWidget plain(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    plain.resize(panel->size());
    for (int i = 0; i < runs; ++i) {
        window.close();
        shows.push_back(untilPainted(panel, [&] { window.toggle(); }));
        plain.hide();
        plainShows.push_back(untilPainted(&plain, [&] { plain.show(); }));
    }

    // The answer, drawn from its reply with the details open, in a column as wide as the panel's.
    const QJsonObject reply = answerReply();
    const QString question = QStringLiteral("What was I working on?");
    ScrollColumn column(7);
    column.resize(window.resultColumn()->width(), 560);
    QScrollArea floorArea;
    floorArea.setWidgetResizable(true);
    floorArea.resize(column.size());
    std::vector<double> answers, answerFloors;
    QStringList answerTexts;
    for (int i = 0; i < runs; ++i) {
        answers.push_back(timed([&] {
            auto* page = new AnswerPage(column, client, systemClock(), question, {});
            page->showDetails(true);
            page->answer(reply); // draws into a fresh column, as when the reply arrives
            drawn(column);
        }));
        if (answerTexts.isEmpty())
            answerTexts = visibleTexts(column.content());
        answerFloors.push_back(floorRun(floorArea, answerTexts));
    }

    // A search of 25 rows.
    const QJsonObject found = searchReply();
    std::vector<double> searches, searchFloors;
    QStringList searchTexts;
    for (int i = 0; i < runs; ++i) {
        searches.push_back(timed([&] {
            column.reset();
            for (const AskText::EntityLines& row : AskText::searchRows(found))
                column.add(MemoryRows::entity(row, {}));
            drawn(column);
        }));
        if (searchTexts.isEmpty())
            searchTexts = visibleTexts(column.content());
        searchFloors.push_back(floorRun(floorArea, searchTexts));
    }

    std::printf("ask panel (%s, median of %d)\n", qPrintable(QGuiApplication::platformName()), runs);
    report("answer: 40 claims + 60 evidence rows", median(answers), median(answerFloors));
    std::printf("%-44s target <= 1.25\n", "");
    std::printf("%-44s %d labels in the floor\n", "", int(answerTexts.size()));
    report("search: 25 entity rows", median(searches), median(searchFloors));
    std::printf("%-44s %d labels in the floor\n", "", int(searchTexts.size()));
    report("show: shortcut callback to first paint", median(shows), median(plainShows));
    std::printf("%-44s %8.2f ms (builds the panel)\n", "first show ever", firstShow);
    return 0;
}
