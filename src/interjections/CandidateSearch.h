#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "WindowContext.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <functional>

namespace vesk {

// Turns the window in front into scored reminder candidates: the daemon's search hits for the
// window's query, then the graph neighbours of the first hits. Items that merely name the window
// are left out. Replies that arrive after this object is gone are dropped. Main thread only.
class CandidateSearch : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 limit = 40;
    static constexpr int anchorLimit = 6;

    struct Events {
        // Checked when the search reply arrives: a card on screen ends the pass without a note.
        std::function<bool()> cardVisible;
        std::function<void(const QString&)> note;
        // Direct candidates in reply order, then the related ones; runs at most once per search,
        // and not at all when memory could not be searched.
        std::function<void(QList<Candidate>)> done;
    };

    explicit CandidateSearch(DaemonClient& client, QObject* parent = nullptr);

    void searchContext(const WindowContext& context, const QSet<QString>& muted, Events events);
    // The neighbours of up to six anchors, asked for all at once and delivered together.
    void relatedCandidates(const QList<QJsonObject>& anchors, const WindowContext& context, const QSet<QString>& muted,
                           std::function<void(QList<Candidate>)> done);

    // The pure steps, shared with the benchmark.
    static bool remindable(const QString& kind, const QSet<QString>& muted);
    // True when the label and the query contain one another (case-insensitive).
    static bool namesTheWindow(const QString& label, const QString& query);
    static double searchConfidence(double score, qint64 sources);
    static double relationConfidence(qint64 sightings, qint64 sources);
    static QList<Candidate> directCandidates(const QList<QJsonObject>& nodes, const WindowContext& context,
                                             const QSet<QString>& muted);
    static QList<Candidate> edgeCandidates(const QList<QJsonObject>& edges, const WindowContext& context,
                                           const QSet<QString>& muted);
    // One candidate per node: the first with a positive confidence, replaced only by a strictly
    // more confident one.
    static QList<Candidate> mostConfidentPerNode(const QList<Candidate>& candidates);

private:
    DaemonClient& client;
};

} // namespace vesk
