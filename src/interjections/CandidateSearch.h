#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "WindowContext.h"

#include <QList>
#include <QSet>
#include <optional>

// How the daemon's search hits for the window in front, and the graph neighbours of the first
// hits, become scored reminder candidates. Every hit and edge is read here, once, by one record
// reader; items that merely name the window are left out. The decision pass does the asking.
namespace vesk::CandidateSearch {

inline constexpr qint64 limit = 40;
inline constexpr int anchorLimit = 6;

// A "search" reply, read once.
struct Hits {
    QList<Candidate> direct; // in reply order
    QList<qint64> anchors;   // the node ids of the first six hits, candidates or not
};
// Nothing when memory could not be searched: no reply, or no "nodes" list of objects.
std::optional<Hits> readSearch(const Reply& reply, const WindowContext& context, const QSet<QString>& muted);
// The candidates among the edges of one "relations" reply, one per node as mostConfidentPerNode
// keeps them, and of those only the relatedPerAnchor most confident, in reply order: only they
// can win the choice. None without a reply.
QList<Candidate> readRelations(const Reply& reply, const WindowContext& context, const QSet<QString>& muted);
inline constexpr qsizetype relatedPerAnchor = 100;

// One candidate per node: the first with a positive confidence, replaced only by a strictly more
// confident one.
QList<Candidate> mostConfidentPerNode(QList<Candidate> candidates);

double searchConfidence(double score, qint64 sources);
double relationConfidence(qint64 sightings, qint64 sources);

} // namespace vesk::CandidateSearch
