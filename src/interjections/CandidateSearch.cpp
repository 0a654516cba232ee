#include "CandidateSearch.h"

#include "Json.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace vesk::CandidateSearch {

namespace {

// Where a candidate's fields sit in a record: a search hit names its own node, a relation edge
// the node at its other end.
struct Keys {
    QStringView id;
    QStringView label;
    QStringView kind;
    QStringView sources;
};
constexpr Keys hitKeys{u"node_id", u"label", u"node_type", u"sources"};
constexpr Keys edgeKeys{u"other_id", u"other_label", u"other_kind", u"other_sources"};

bool remindable(const QString& kind, const QSet<QString>& muted)
{
    return (kind == u"open_question" || kind == u"task" || kind == u"decision") && !muted.contains(kind);
}

// The label and the window's query contain one another (case-insensitive): such an item only
// names the window, it reminds of nothing.
bool namesTheWindow(const QString& label, const QString& query)
{
    return query.contains(label, Qt::CaseInsensitive) || label.contains(query, Qt::CaseInsensitive);
}

// The one reader of a candidate record, before it is scored: nothing when its kind is not
// remindable or is muted, its id or label is missing, or it only names the window.
std::optional<Candidate> readRecord(const QJsonObject& record, const Keys& keys, const WindowContext& context,
                                    const QSet<QString>& muted)
{
    // The kind first: a record of a kind that never reminds is not read further.
    const auto kind = Json::string(record, keys.kind);
    if (!kind || !remindable(*kind, muted))
        return std::nullopt;
    const auto id = Json::id(record, keys.id);
    const auto label = Json::string(record, keys.label);
    if (!id || !label || namesTheWindow(*label, context.query))
        return std::nullopt;
    return Candidate{*id, *label, *kind, 0, 0, context.display, std::nullopt};
}

} // namespace

double searchConfidence(double score, qint64 sources)
{
    return std::min(score / (score + 2.0) + std::min(std::log2(double(sources) + 1.0) / 60.0, 0.1), 0.99);
}

double relationConfidence(qint64 sightings, qint64 sources)
{
    const double seen = std::min(0.64 + 0.055 * std::log2(double(sightings) + 1.0), 0.78);
    return std::min(seen + std::min(0.035 * std::log2(double(sources) + 1.0), 0.1), 0.96);
}

std::optional<Hits> readSearch(const Reply& reply, const WindowContext& context, const QSet<QString>& muted)
{
    const auto nodes = reply ? Json::objects(*reply, u"nodes") : std::nullopt;
    if (!nodes)
        return std::nullopt;
    Hits hits;
    for (const QJsonObject& node : *nodes) {
        if (hits.anchors.size() < anchorLimit)
            if (const auto id = Json::id(node, hitKeys.id))
                hits.anchors.append(*id);
        auto candidate = readRecord(node, hitKeys, context, muted);
        if (!candidate)
            continue;
        const auto score = Json::number(node, u"score");
        const auto sources = Json::integer(node, hitKeys.sources);
        // A hit seen in one source only is not yet worth an interruption.
        if (!score || !sources || *sources <= 1)
            continue;
        candidate->sources = *sources;
        candidate->confidence = searchConfidence(*score, *sources);
        hits.direct.append(*candidate);
    }
    return hits;
}

QList<Candidate> readRelations(const Reply& reply, const WindowContext& context, const QSet<QString>& muted)
{
    QList<Candidate> out;
    if (!reply)
        return out;
    for (const QJsonObject& edge : Json::objects(*reply, u"edges").value_or(QList<QJsonObject>{})) {
        auto candidate = readRecord(edge, edgeKeys, context, muted);
        if (!candidate)
            continue;
        const qint64 sources = Json::integer(edge, edgeKeys.sources).value_or(0);
        if (sources < 1)
            continue;
        candidate->sources = sources;
        candidate->confidence = relationConfidence(Json::integer(edge, u"sightings").value_or(0), sources);
        out.append(*candidate);
    }
    out = mostConfidentPerNode(out);
    if (out.size() <= relatedPerAnchor)
        return out;
    QList<qsizetype> order(out.size());
    std::iota(order.begin(), order.end(), 0);
    // Ties keep the earlier candidate, as the choice does.
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return out[a].confidence > out[b].confidence; });
    order.resize(relatedPerAnchor);
    std::sort(order.begin(), order.end());
    QList<Candidate> kept;
    kept.reserve(relatedPerAnchor);
    for (qsizetype i : order)
        kept.append(out[i]);
    return kept;
}

QList<Candidate> mostConfidentPerNode(const QList<Candidate>& candidates)
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

} // namespace vesk::CandidateSearch
