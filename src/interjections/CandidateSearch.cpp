#include "CandidateSearch.h"

#include "Json.h"

#include <QCborArray>
#include <QCborMap>
#include <QHash>
#include <QStringMatcher>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace vesk::CandidateSearch {

namespace {

// Where a candidate's fields sit in a record: a search hit names its own node, a relation edge
// the node at its other end. Records are read as CBOR, where a key is found at half the cost.
struct Keys {
    QCborValue id;
    QCborValue label;
    QCborValue kind;
    QCborValue sources;
    QCborValue weight; // a hit's score, an edge's sightings
};

const Keys& hitKeys()
{
    static const Keys keys{QStringLiteral("node_id"), QStringLiteral("label"), QStringLiteral("node_type"),
                           QStringLiteral("sources"), QStringLiteral("score")};
    return keys;
}

const Keys& edgeKeys()
{
    static const Keys keys{QStringLiteral("other_id"), QStringLiteral("other_label"), QStringLiteral("other_kind"),
                           QStringLiteral("other_sources"), QStringLiteral("sightings")};
    return keys;
}

// The elements of a reply's list that are records, in order, each read where it lies.
template <class Each> void eachRecord(const QJsonValue& list, Each each)
{
    const QCborArray records = QCborArray::fromJsonArray(list.toArray());
    for (const QCborValueConstRef record : records)
        if (record.isMap())
            each(record.toMap());
}

// The kinds that remind, each as a record spells it and as a candidate keeps it: a record's kind
// is compared where it lies, and no string is made for the kinds that never remind.
struct Kind {
    explicit Kind(const QString& name)
        : spelled(name)
        , name(name)
    {
    }
    QCborValue spelled;
    QString name;
};
const std::array<Kind, 3>& remindableKinds()
{
    static const std::array<Kind, 3> kinds{Kind(QStringLiteral("open_question")), Kind(QStringLiteral("task")),
                                           Kind(QStringLiteral("decision"))};
    return kinds;
}

// The record's kind when it is one that reminds and is not muted.
std::optional<QString> remindable(const QCborMap& record, const QCborValue& key, const QSet<QString>& muted)
{
    const auto at = record.constFind(key);
    if (at == record.constEnd())
        return std::nullopt;
    const QCborValue kind = at.value();
    for (const Kind& k : remindableKinds())
        if (kind == k.spelled)
            return muted.contains(k.name) ? std::nullopt : std::optional(k.name);
    return std::nullopt;
}

// The label and the window's query contain one another (case-insensitive): such an item only
// names the window, it reminds of nothing. The query is prepared once per reply rather than
// searched for anew in every label.
class WindowName {
public:
    explicit WindowName(const QString& query)
        : query(query)
        , inLabel(query, Qt::CaseInsensitive)
        // Both searches fold case alike, except that QString's own compares some surrogate halves
        // alone (a one-character query, for one): a query holding a half keeps QString's search.
        , prepared(std::none_of(query.cbegin(), query.cend(), [](QChar c) { return c.isSurrogate(); }))
    {
    }
    bool namedBy(const QString& label) const
    {
        if (query.contains(label, Qt::CaseInsensitive))
            return true;
        return prepared ? inLabel.indexIn(label) >= 0 : label.contains(query, Qt::CaseInsensitive);
    }

private:
    const QString& query;
    QStringMatcher inLabel;
    bool prepared;
};

// What a record's numbers make of it: how many sources stand behind it and how relevant it is.
struct Score {
    qint64 sources = 0;
    double confidence = 0;
};

// The one reader of a candidate record: nothing when its kind is not remindable or is muted, its
// id is missing, `score` finds it not worth an interruption, its label is missing, or it only names
// the window. The label comes last: a record dropped before it costs no string.
template <class Scoring>
std::optional<Candidate> readRecord(const QCborMap& record, const Keys& keys, const WindowName& window,
                                    const WindowContext& context, const QSet<QString>& muted, Scoring score)
{
    // The kind first: a record of a kind that never reminds is not read further.
    auto kind = remindable(record, keys.kind, muted);
    if (!kind)
        return std::nullopt;
    const auto id = Json::id(record, keys.id);
    if (!id)
        return std::nullopt;
    const std::optional<Score> scored = score(record);
    if (!scored)
        return std::nullopt;
    auto label = Json::string(record, keys.label);
    if (!label || window.namedBy(*label))
        return std::nullopt;
    return Candidate{
        *id, std::move(*label), std::move(*kind), scored->sources, scored->confidence, context.display, std::nullopt};
}

// Lists up to this long are searched for a node in place; a hash pays off only past it.
constexpr qsizetype searchedInPlace = 64;

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
    const QJsonValue nodes = reply ? reply->value(u"nodes") : QJsonValue();
    if (!nodes.isArray())
        return std::nullopt;
    const Keys& keys = hitKeys();
    const WindowName window(context.query);
    Hits hits;
    eachRecord(nodes, [&](const QCborMap& node) {
        if (hits.anchors.size() < anchorLimit)
            if (const auto id = Json::id(node, keys.id))
                hits.anchors.append(*id);
        auto candidate = readRecord(node, keys, window, context, muted, [&](const QCborMap& record) {
            const auto score = Json::number(record, keys.weight);
            const auto sources = Json::integer(record, keys.sources);
            // A hit seen in one source only is not yet worth an interruption.
            if (!score || !sources || *sources <= 1)
                return std::optional<Score>();
            return std::optional(Score{*sources, searchConfidence(*score, *sources)});
        });
        if (candidate)
            hits.direct.append(std::move(*candidate));
    });
    return hits;
}

QList<Candidate> readRelations(const Reply& reply, const WindowContext& context, const QSet<QString>& muted)
{
    QList<Candidate> out;
    if (!reply)
        return out;
    const Keys& keys = edgeKeys();
    const WindowName window(context.query);
    eachRecord(reply->value(u"edges"), [&](const QCborMap& edge) {
        auto candidate = readRecord(edge, keys, window, context, muted, [&](const QCborMap& record) {
            const qint64 sources = Json::integer(record, keys.sources).value_or(0);
            if (sources < 1)
                return std::optional<Score>();
            return std::optional(
                Score{sources, relationConfidence(Json::integer(record, keys.weight).value_or(0), sources)});
        });
        if (candidate)
            out.append(std::move(*candidate));
    });
    out = mostConfidentPerNode(std::move(out));
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
        kept.append(std::move(out[i]));
    return kept;
}

QList<Candidate> mostConfidentPerNode(QList<Candidate> candidates)
{
    QList<Candidate> out;
    QHash<qint64, qsizetype> at;
    const bool hashed = candidates.size() > searchedInPlace;
    for (Candidate& c : candidates) {
        qsizetype held = -1;
        if (hashed)
            held = at.value(c.id, -1);
        else
            for (qsizetype k = 0; k < out.size() && held < 0; ++k)
                if (out[k].id == c.id)
                    held = k;
        if (held < 0) {
            if (c.confidence > 0) {
                if (hashed)
                    at.insert(c.id, out.size());
                out.append(std::move(c));
            }
        } else if (c.confidence > out[held].confidence) {
            out[held] = std::move(c);
        }
    }
    return out;
}

} // namespace vesk::CandidateSearch
