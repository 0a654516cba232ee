// An entity page whose where-it-came-from reply holds 100,000 source records: reading and grouping
// them and drawing the first 40 groups with the page's own rows, against only parsing the same
// reply, both measured in this run.
#include "EntityText.h"
#include "Json.h"
#include "MemoryRows.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace vesk;

namespace {

constexpr int records = 100000;

// A week of sightings, one every 6 seconds, newest first as the daemon sends them: the user stays
// in one app for a while and in one document for a few minutes, as a capture of real work reads.
// About 2,500 groups.
QByteArray whyReply()
{
    const QStringList apps{"Code", "Firefox", "Terminal", "Slack", "Zed"};
    const qint64 start = 1772366700000;
    QJsonArray sources;
    for (int i = 0; i < records; ++i) {
        const int document = (i / 40) % 24;
        QJsonObject r{{"app_name", apps[(i / 250) % apps.size()]},
                      {"observed_at_ms", double(start - qint64(i) * 6000)},
                      {"frame_id", records - i}};
        if (document % 6 != 0)
            r.insert("document_url", QStringLiteral("src/module%1/file%2.rs").arg(document % 13).arg(document));
        else
            r.insert("context", QStringLiteral("conversation %1").arg(document));
        sources.append(r);
    }
    return QJsonDocument(QJsonObject{{"kind", "why"},
                                     {"sources", sources},
                                     {"source_count", records},
                                     {"first_seen_ms", start - qint64(records) * 6000}})
        .toJson(QJsonDocument::Compact);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScrollColumn column(7);
    column.resize(720, 560);

    // An argument sets the number of runs (1 under a profiler).
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const QByteArray bytes = whyReply();
    std::vector<double> parse, page, reading, drawing;
    long checksum = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QJsonObject parsed = QJsonDocument::fromJson(bytes).object();
        parse.push_back(timer.nsecsElapsed() / 1e6);
        checksum += parsed.size();

        column.reset();
        QCoreApplication::processEvents(); // lets the replaced column go, outside the timing
        QImage canvas(column.size(), QImage::Format_ARGB32_Premultiplied);
        timer.restart();
        const QJsonObject reply = QJsonDocument::fromJson(bytes).object();
        const qint64 readFrom = timer.nsecsElapsed();
        // What the page runs on the worker that received the reply.
        const QList<EntityText::SourceGroup> groups = EntityText::sources(reply).groups;
        const qint64 grouped = timer.nsecsElapsed();
        reading.push_back((grouped - readFrom) / 1e6);
        for (QWidget* row : MemoryRows::sources(groups, {}))
            column.add(row);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QPainter painter(&canvas);
        column.render(&painter);
        painter.end();
        page.push_back(timer.nsecsElapsed() / 1e6);
        drawing.push_back((timer.nsecsElapsed() - grouped) / 1e6);
        checksum += column.content()->children().size();
    }
    const double ratio = median(page) / median(parse);
    std::printf("entity page, %d source records: group and draw 40 groups %.1f ms, parse alone %.1f ms, ratio %.2f "
                "(target <= 1.5); of which reading and grouping %.1f ms, rows and drawing %.1f ms\n",
                records, median(page), median(parse), ratio, median(reading), median(drawing));
    return checksum > 0 ? 0 : 1;
}
