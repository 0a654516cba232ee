#include "CandidateSearch.h"

#include "InterjectionText.h"
#include "Json.h"

#include <QHash>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <memory>

namespace vesk {

CandidateSearch::CandidateSearch(DaemonClient& client, QObject* parent)
    : QObject(parent)
    , client(client)
{
}

bool CandidateSearch::remindable(const QString& kind, const QSet<QString>& muted)
{
    return (kind == u"open_question" || kind == u"task" || kind == u"decision") && !muted.contains(kind);
}

bool CandidateSearch::namesTheWindow(const QString& label, const QString& query)
{
    return query.contains(label, Qt::CaseInsensitive) || label.contains(query, Qt::CaseInsensitive);
}

double CandidateSearch::searchConfidence(double score, qint64 sources)
{
    return std::min(score / (score + 2.0) + std::min(std::log2(double(sources) + 1.0) / 60.0, 0.1), 0.99);
}

double CandidateSearch::relationConfidence(qint64 sightings, qint64 sources)
{
    const double seen = std::min(0.64 + 0.055 * std::log2(double(sightings) + 1.0), 0.78);
    return std::min(seen + std::min(0.035 * std::log2(double(sources) + 1.0), 0.1), 0.96);
}

QList<Candidate> CandidateSearch::directCandidates(const QList<QJsonObject>& nodes, const WindowContext& context,
                                                   const QSet<QString>& muted)
{
    QList<Candidate> out;
    for (const QJsonObject& node : nodes) {
        const auto kind = Json::string(node, u"node_type");
        const auto id = Json::integer(node, u"node_id");
        const auto label = Json::string(node, u"label");
        const auto score = Json::number(node, u"score");
        const auto sources = Json::integer(node, u"sources");
        if (!kind || !remindable(*kind, muted) || !id || !label || !score || !sources || *sources <= 1
            || namesTheWindow(*label, context.query))
            continue;
        out.append(
            Candidate{*id, *label, *kind, *sources, searchConfidence(*score, *sources), context.display, std::nullopt});
    }
    return out;
}

QList<Candidate> CandidateSearch::edgeCandidates(const QList<QJsonObject>& edges, const WindowContext& context,
                                                 const QSet<QString>& muted)
{
    QList<Candidate> out;
    for (const QJsonObject& edge : edges) {
        const auto kind = Json::string(edge, u"other_kind");
        const auto id = Json::integer(edge, u"other_id");
        const auto label = Json::string(edge, u"other_label");
        const qint64 sources = Json::integer(edge, u"other_sources").value_or(0);
        const qint64 sightings = Json::integer(edge, u"sightings").value_or(0);
        if (!kind || !remindable(*kind, muted) || !id || !label || sources < 1 || namesTheWindow(*label, context.query))
            continue;
        out.append(Candidate{*id, *label, *kind, sources, relationConfidence(sightings, sources), context.display,
                             std::nullopt});
    }
    return out;
}

QList<Candidate> CandidateSearch::mostConfidentPerNode(const QList<Candidate>& candidates)
{
    QList<Candidate> out;
    QHash<qint64, qsizetype> at;
    for (const Candidate& c : candidates) {
        const auto held = at.constFind(c.id);
        if (held == at.cend()) {
            if (c.confidence > 0) {
                at.insert(c.id, out.size());
                out.append(c);
            }
        } else if (c.confidence > out[*held].confidence) {
            out[*held] = c;
        }
    }
    return out;
}

void CandidateSearch::searchContext(const WindowContext& context, const QSet<QString>& muted, Events events)
{
    client.search(context.query, limit, this, [this, context, muted, events = std::move(events)](Reply reply) {
        if (events.cardVisible && events.cardVisible())
            return;
        const auto nodes = reply ? Json::objects(*reply, u"nodes") : std::nullopt;
        if (!nodes) {
            events.note(InterjectionText::memoryUnavailable);
            return;
        }
        if (nodes->isEmpty())
            events.note(InterjectionText::nothingMatched);
        const QList<Candidate> direct = directCandidates(*nodes, context, muted);
        relatedCandidates(nodes->mid(0, anchorLimit), context, muted,
                          [direct, done = events.done](QList<Candidate> related) { done(direct + related); });
    });
}

void CandidateSearch::relatedCandidates(const QList<QJsonObject>& anchors, const WindowContext& context,
                                        const QSet<QString>& muted, std::function<void(QList<Candidate>)> done)
{
    QList<qint64> ids;
    for (const QJsonObject& anchor : anchors)
        if (const auto id = Json::integer(anchor, u"node_id"))
            ids.append(*id);
    if (ids.isEmpty()) {
        done({});
        return;
    }
    // Completions arrive on the main thread, so the shared list needs no lock: the last reply to
    // arrive delivers the whole list once.
    struct Group {
        qsizetype waiting = 0;
        QList<Candidate> found;
        std::function<void(QList<Candidate>)> done;
    };
    auto group = std::make_shared<Group>(Group{ids.size(), {}, std::move(done)});
    for (qint64 id : ids) {
        client.relations(id, this, [group, context, muted](Reply reply) {
            if (reply)
                group->found
                    += edgeCandidates(Json::objects(*reply, u"edges").value_or(QList<QJsonObject>{}), context, muted);
            if (--group->waiting == 0)
                group->done(mostConfidentPerNode(group->found));
        });
    }
}

} // namespace vesk
