#include "Ops.h"

#include <QJsonArray>
#include <algorithm>

namespace vesk::demo {

namespace {

constexpr qint64 relationLimit = 7;
constexpr qint64 receiptLinkLimit = 12;

// How many of the terms a text holds.
int hits(const QString& text, const QStringList& terms)
{
    int n = 0;
    for (const QString& t : terms)
        n += text.contains(t, Qt::CaseInsensitive);
    return n;
}

struct FrameMatch {
    qint64 frame = 0;
    int score = 0;
    QString line; // the line that holds most of the terms
};

QJsonObject sourceRecord(const Frame& f)
{
    QJsonObject o{{"frame_id", f.id},
                  {"observed_at_ms", f.capturedMs},
                  {"app_name", f.app},
                  {"app_bundle_id", f.bundleId},
                  {"context", f.title}};
    if (!f.url.isEmpty())
        o.insert("document_url", f.url);
    return o;
}

QJsonObject sourceRecord(const Message& m)
{
    return QJsonObject{{"frame_id", 0},
                       {"observed_at_ms", m.atMs},
                       {"app_name", m.agent},
                       {"context", QStringLiteral("conversation with ") + m.agent}};
}

QJsonArray toArray(const QList<qint64>& ids)
{
    QJsonArray out;
    for (qint64 id : ids)
        out.append(id);
    return out;
}

} // namespace

QJsonObject Ops::ask(Args& a)
{
    const QString question = a.string("question").trimmed();
    if (!a.ok())
        return {};
    const auto failure = [](const QString& code, const QString& message, bool retryable) {
        return QJsonObject{{"kind", "answer"}, {"failure_code", code}, {"answer", message}, {"retryable", retryable}};
    };
    if (!answerFailure.isEmpty()) {
        QJsonObject f
            = failure(answerFailure, QStringLiteral("veskd-demo was started with --answers=") + answerFailure + ".",
                      answerFailure == "upstream_timeout" || answerFailure == "upstream_busy");
        if (answerFailure == "quota_exceeded")
            f.insert("quota_reset_at", now() / 1000 + 3600);
        return f;
    }
    if (!model.onboarded)
        return failure("setup_required",
                       QStringLiteral("Finish setup before asking: Vesk has not been told which models it may use."),
                       false);
    if (!model.tierEnabled("answers"))
        return failure("answer_disabled",
                       QStringLiteral("Answer generation is turned off. Searching your memory still works."), false);
    if (question.size() < 3)
        return errorReply(QStringLiteral("a question needs three characters or more"));

    // Rank frames by how many of the question's words they hold; a question without content words
    // ("what was I working on?") is about the most recent screens.
    const QStringList words = terms(question);
    QList<FrameMatch> matches;
    for (const auto& [id, f] : model.frames) {
        FrameMatch m{id, hits(f.title, words), {}};
        int best = -1;
        for (const Line& l : f.lines) {
            const int h = hits(l.text, words);
            m.score = std::max(m.score, h);
            if (h > best) {
                best = h;
                m.line = l.text;
            }
        }
        if (words.isEmpty() || m.score >= std::max<int>(1, (words.size() + 1) / 2))
            matches.append(m);
    }
    std::stable_sort(matches.begin(), matches.end(), [&](const FrameMatch& x, const FrameMatch& y) {
        if (x.score != y.score)
            return x.score > y.score;
        return model.frames.at(x.frame).capturedMs > model.frames.at(y.frame).capturedMs;
    });
    if (matches.size() > 3)
        matches.resize(3);
    QList<const Message*> said;
    for (const auto& [id, m] : model.messages)
        if (!words.isEmpty() && hits(m.text, words) >= std::max<int>(1, (words.size() + 1) / 2))
            said.append(&m);

    if (matches.isEmpty() && said.isEmpty())
        return QJsonObject{{"kind", "answer"},
                           {"answer",
                            QStringLiteral("Vesk looked through its local memory and found nothing about “%1”. "
                                           "It may not have been on screen, or it may be excluded.")
                                .arg(question)},
                           {"claims", QJsonArray()},
                           {"evidence", QJsonArray()},
                           {"sources", QJsonArray()}};

    QJsonArray claims, evidence, sources;
    QSet<qint64> cited;
    for (const FrameMatch& m : matches) {
        const Frame& f = model.frames.at(m.frame);
        claims.append(QJsonObject{{"text", QStringLiteral("%1 showed “%2” (%3).").arg(f.app, m.line, f.title)},
                                  {"frame_ids", QJsonArray{f.id}}});
        evidence.append(sourceRecord(f));
        for (qint64 n : model.nodesSeenIn(f.id))
            if (!cited.contains(n) && sources.size() < 8) {
                cited.insert(n);
                QJsonObject o = model.nodeObject(*model.node(n));
                o.insert("sources", qint64(std::count_if(matches.begin(), matches.end(), [&](const FrameMatch& x) {
                             return model.nodeSeenIn(*model.node(n), model.frames.at(x.frame));
                         })));
                sources.append(o);
            }
    }
    // Two screens that match equally well are two readings of the question; offer both on the
    // first claim so the reader can say which one is wrong.
    if (!words.isEmpty() && matches.size() >= 2 && matches[0].score == matches[1].score
        && matches[0].line != matches[1].line) {
        QJsonArray alternatives;
        for (int i = 0; i < 2; ++i) {
            const Frame& f = model.frames.at(matches[i].frame);
            alternatives.append(QJsonObject{{"text", QStringLiteral("It refers to “%1” in %2").arg(f.title, f.app)},
                                            {"quote", matches[i].line},
                                            {"frame_id", f.id}});
        }
        QJsonObject first = claims[0].toObject();
        first.insert("alternatives", alternatives);
        claims[0] = first;
    }
    for (const Message* m : said) {
        claims.append(QJsonObject{{"text", QStringLiteral("In a conversation with %1: “%2”").arg(m->agent, m->text)},
                                  {"frame_ids", QJsonArray()}});
        evidence.append(sourceRecord(*m));
    }

    QString answer;
    if (!matches.isEmpty()) {
        const Frame& best = model.frames.at(matches[0].frame);
        answer = words.isEmpty()
            ? QStringLiteral("Most recently you were in %1, on “%2”: “%3”.").arg(best.app, best.title, matches[0].line)
            : QStringLiteral("The closest match is in %1 (“%2”): “%3”.").arg(best.app, best.title, matches[0].line);
        QStringList others;
        for (qsizetype i = 1; i < matches.size(); ++i)
            others.append(model.frames.at(matches[i].frame).app);
        if (!others.isEmpty())
            answer += QStringLiteral(" It also shows up in %1.").arg(others.join(QStringLiteral(" and ")));
    } else {
        answer = QStringLiteral("It came up in a conversation with %1: “%2”").arg(said[0]->agent, said[0]->text);
    }
    if (!said.isEmpty() && !matches.isEmpty())
        answer += QStringLiteral(" An agent conversation mentions it too.");
    return QJsonObject{
        {"kind", "answer"}, {"answer", answer}, {"claims", claims}, {"evidence", evidence}, {"sources", sources}};
}

QJsonObject Ops::search(Args& a)
{
    const QString query = a.string("query").trimmed();
    const qint64 limit = a.integer("limit");
    if (!a.ok())
        return {};
    if (query.size() < 3)
        return QJsonObject{{"kind", "search"}, {"query_too_short", true}, {"nodes", QJsonArray()}};
    if (limit < 1)
        return errorReply(QStringLiteral("\"limit\" must be at least 1"));

    // A node matches by name when its label or a spelling holds the query (or all its words); it is
    // seen alongside when it was on the same screens as the query. Alongside scores count screens.
    const QStringList words = terms(query);
    const auto named = [&](const QString& name) {
        return name.contains(query, Qt::CaseInsensitive)
            || (name.size() >= 4 && query.contains(name, Qt::CaseInsensitive))
            || (!words.isEmpty() && hits(name, words) == words.size());
    };
    QList<qint64> screens;
    for (const auto& [id, f] : model.frames) {
        bool on = f.title.contains(query, Qt::CaseInsensitive);
        for (const Line& l : f.lines)
            on = on || l.text.contains(query, Qt::CaseInsensitive)
                || (!words.isEmpty() && hits(l.text, words) == words.size());
        if (on)
            screens.append(id);
    }
    struct Hit {
        const Node* node;
        bool byName;
        double score;
    };
    QList<Hit> found;
    for (const auto& [id, n] : model.nodes) {
        bool byName = named(n.label);
        for (const QString& alias : n.aliases)
            byName = byName || named(alias);
        const qint64 together = std::count_if(screens.begin(), screens.end(),
                                              [&](qint64 f) { return model.nodeSeenIn(n, model.frames.at(f)); });
        if (byName)
            found.append({&n, true, 1.0 + n.score + together});
        else if (together > 0)
            found.append({&n, false, 1.5 * double(together)});
    }
    std::stable_sort(found.begin(), found.end(), [](const Hit& x, const Hit& y) {
        if (x.byName != y.byName)
            return x.byName;
        return x.score > y.score;
    });
    QJsonArray nodes;
    for (const Hit& h : found) {
        if (nodes.size() >= limit)
            break;
        QJsonObject o = model.nodeObject(*h.node);
        o.insert("matched_label", h.byName);
        o.insert("score", h.score);
        nodes.append(o);
    }
    return QJsonObject{{"kind", "search"}, {"query_too_short", false}, {"nodes", nodes}};
}

QJsonObject Ops::why(Args& a)
{
    const qint64 id = a.integer("node_id");
    if (!a.ok())
        return {};
    const Node* n = model.node(id);
    if (!n)
        return errorReply(QStringLiteral("no entity %1: it may have been forgotten or merged").arg(id));
    QList<QJsonObject> records;
    for (qint64 f : model.framesOf(*n))
        records.append(sourceRecord(model.frames.at(f)));
    for (qint64 m : model.messagesOf(*n))
        records.append(sourceRecord(model.messages.at(m)));
    std::sort(records.begin(), records.end(), [](const QJsonObject& x, const QJsonObject& y) {
        return x.value("observed_at_ms").toInteger() > y.value("observed_at_ms").toInteger();
    });
    QJsonArray sources;
    qint64 first = 0;
    for (const QJsonObject& r : records) {
        sources.append(r);
        const qint64 t = r.value("observed_at_ms").toInteger();
        first = first == 0 ? t : std::min(first, t);
    }
    QJsonObject reply{{"kind", "why"},        {"node_id", id},      {"label", n->label},
                      {"node_type", n->type}, {"sources", sources}, {"source_count", qint64(records.size())}};
    if (first > 0)
        reply.insert("first_seen_ms", first);
    return reply;
}

QJsonObject Ops::relations(Args& a)
{
    const qint64 id = a.integer("node_id");
    if (!a.ok())
        return {};
    if (!model.node(id))
        return errorReply(QStringLiteral("no entity %1").arg(id));
    struct Row {
        const Edge* edge;
        qint64 sightings;
    };
    QList<Row> rows;
    for (const Edge* e : model.edgesOf(id))
        rows.append({e, qint64(model.edgeFrames(*e).size())});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x.sightings > y.sightings; });
    QJsonArray edges;
    for (const Row& r : rows) {
        if (edges.size() >= relationLimit)
            break;
        const bool outgoing = r.edge->from == id;
        const Node& other = model.nodes.at(outgoing ? r.edge->to : r.edge->from);
        edges.append(QJsonObject{{"edge_id", r.edge->id},
                                 {"other_id", other.id},
                                 {"other_label", other.label},
                                 {"other_kind", other.type},
                                 {"other_sources", model.sourceCount(other)},
                                 {"phrase", r.edge->phrase},
                                 {"outgoing", outgoing},
                                 {"sightings", r.sightings},
                                 {"extractor", r.edge->extractor}});
    }
    QString state = QStringLiteral("found");
    if (rows.isEmpty())
        state = model.tierEnabled("relations") ? QStringLiteral("none_found") : QStringLiteral("off");
    return QJsonObject{{"kind", "relations"}, {"edges", edges}, {"state", state}, {"total", qint64(rows.size())}};
}

QJsonObject Ops::relationEvidence(Args& a)
{
    const qint64 id = a.integer("edge_id");
    if (!a.ok())
        return {};
    const auto it = model.edges.find(id);
    if (it == model.edges.end())
        return errorReply(QStringLiteral("no relation %1: it may have been removed").arg(id));
    const Edge& e = it->second;
    const QList<qint64> frames = model.edgeFrames(e);
    return QJsonObject{{"kind", "relation_evidence"},
                       {"edge_id", id},
                       {"label", model.nodes.at(e.from).label + " " + e.phrase + " " + model.nodes.at(e.to).label},
                       {"source_frame_ids", toArray(frames)},
                       {"source_count", qint64(frames.size())}};
}

QJsonObject Ops::frame(Args& a)
{
    const qint64 id = a.integer("frame_id");
    if (!a.ok())
        return {};
    const Frame* f = model.frame(id);
    if (!f)
        return QJsonObject{
            {"kind", "frame"},
            {"frame_id", id},
            {"message", QStringLiteral("This frame is no longer stored. It was forgotten, or it never existed.")}};
    QJsonArray lines;
    for (const Line& l : f->lines)
        lines.append(QJsonObject{
            {"x", l.box.x()}, {"y", l.box.y()}, {"w", l.box.width()}, {"h", l.box.height()}, {"text", l.text}});
    QJsonObject reply{
        {"kind", "frame"},          {"frame_id", id},
        {"app_name", f->app},       {"app_bundle_id", f->bundleId},
        {"window_title", f->title}, {"captured_at_ms", f->capturedMs},
        {"lines", lines},           {"expires_at_ms", f->capturedMs + model.retentionDays * 24 * 3600 * 1000}};
    if (!f->url.isEmpty())
        reply.insert("document_url", f->url);
    if (!f->imagePath.isEmpty())
        reply.insert("image_path", f->imagePath);
    if (!f->redaction.isEmpty())
        reply.insert("redaction_reason", f->redaction);
    return reply;
}

QJsonObject Ops::top(Args& a)
{
    const qint64 limit = a.integer("limit");
    if (!a.ok())
        return {};
    QList<const Node*> ranked;
    for (const auto& [id, n] : model.nodes)
        ranked.append(&n);
    std::stable_sort(ranked.begin(), ranked.end(), [](const Node* x, const Node* y) { return x->score > y->score; });
    QJsonArray nodes;
    for (const Node* n : ranked) {
        if (nodes.size() >= limit)
            break;
        QJsonObject o = model.nodeObject(*n);
        o.insert("aliases", qint64(n->aliases.size()));
        o.insert("score", n->score);
        if (const qint64 last = model.lastSeenMs(*n); last > 0)
            o.insert("last_seen_ms", last);
        nodes.append(o);
    }
    return QJsonObject{{"kind", "top"}, {"nodes", nodes}};
}

QJsonObject Ops::proposals(Args& a)
{
    const qint64 limit = a.integer("limit");
    if (!a.ok())
        return {};
    QJsonArray list;
    for (const auto& [id, p] : model.proposals) {
        if (list.size() >= limit)
            break;
        const Node& x = model.nodes.at(p.a);
        const Node& y = model.nodes.at(p.b);
        list.append(QJsonObject{{"id", p.id},
                                {"a_id", x.id},
                                {"a_label", x.label},
                                {"a_sources", model.sourceCount(x)},
                                {"b_id", y.id},
                                {"b_label", y.label},
                                {"b_sources", model.sourceCount(y)},
                                {"method", p.method}});
    }
    return QJsonObject{{"kind", "proposals"}, {"proposals", list}, {"total", qint64(model.proposals.size())}};
}

QJsonObject Ops::judgeMerge(Args& a)
{
    const qint64 id = a.integer("proposal_id");
    const std::optional<qint64> keep = a.optionalInteger("keep");
    if (!a.ok())
        return {};
    const auto it = model.proposals.find(id);
    if (it == model.proposals.end())
        return errorReply(QStringLiteral("proposal %1 is no longer open").arg(id));
    const Proposal p = it->second;
    if (!keep) {
        model.proposals.erase(it);
        return okReply({{"state", QStringLiteral("kept_apart")}});
    }
    if (*keep != p.a && *keep != p.b)
        return errorReply(QStringLiteral("\"keep\" must be one of the two entities of proposal %1").arg(id));
    const qint64 gone = *keep == p.a ? p.b : p.a;
    model.merge(*keep, gone);
    return okReply({{"state", QStringLiteral("merged:%1").arg(gone)}, {"node_id", *keep}});
}

QJsonObject Ops::rename(Args& a)
{
    const qint64 id = a.integer("node_id");
    const QString label = a.string("label").trimmed();
    if (!a.ok())
        return {};
    const auto it = model.nodes.find(id);
    if (it == model.nodes.end())
        return errorReply(QStringLiteral("no entity %1").arg(id));
    if (label.isEmpty())
        return errorReply(QStringLiteral("A name cannot be empty."));
    Node& n = it->second;
    if (label != n.label) {
        // The old spelling stays a way to find it.
        if (!n.aliases.contains(n.label, Qt::CaseInsensitive))
            n.aliases.append(n.label);
        n.aliases.removeIf([&](const QString& s) { return s.compare(label, Qt::CaseInsensitive) == 0; });
        n.label = label;
    }
    return QJsonObject{{"kind", "renamed"},
                       {"node_id", id},
                       {"label", label},
                       {"sources", model.sourceCount(n)},
                       {"sources_truncated", false},
                       {"relations", qint64(model.edgesOf(id).size())}};
}

QJsonObject Ops::rejectRelation(Args& a)
{
    const qint64 id = a.integer("edge_id");
    if (!a.ok())
        return {};
    const auto it = model.edges.find(id);
    if (it == model.edges.end())
        return errorReply(QStringLiteral("relation %1 is already gone").arg(id));
    model.edges.erase(it);
    return okReply();
}

QJsonObject Ops::correctClaim(Args& a)
{
    const QString text = a.string("claim_text").trimmed();
    const QString judgement = a.string("judgement");
    const QList<qint64> frameIds = a.integers("frame_ids");
    if (!a.ok())
        return {};
    if (text.isEmpty())
        return errorReply(QStringLiteral("a correction needs the claim's text"));
    if (judgement != "fact_wrong" && judgement != "source_unsupported" && judgement != "stale")
        return errorReply(QStringLiteral("unknown judgement \"%1\"").arg(judgement));
    const QString key = judgement + "|" + text;
    const bool duplicate = model.corrections.contains(key);
    model.corrections.insert(key);

    // The receipt links what shares the claim's evidence; nothing else is rewritten.
    QList<qint64> frames, nodes, relations;
    for (qint64 f : frameIds)
        if (model.frame(f) && !frames.contains(f))
            frames.append(f);
    for (qint64 f : frames)
        for (qint64 n : model.nodesSeenIn(f))
            if (!nodes.contains(n))
                nodes.append(n);
    for (const auto& [id, e] : model.edges)
        for (qint64 f : model.edgeFrames(e))
            if (frames.contains(f) && !relations.contains(id)) {
                relations.append(id);
                break;
            }
    std::sort(nodes.begin(), nodes.end());
    const bool truncated = nodes.size() > receiptLinkLimit || relations.size() > receiptLinkLimit;
    const qint64 memories = nodes.size() + relations.size();
    if (nodes.size() > receiptLinkLimit)
        nodes.resize(receiptLinkLimit);
    if (relations.size() > receiptLinkLimit)
        relations.resize(receiptLinkLimit);
    return QJsonObject{{"kind", "claim_corrected"},
                       {"sources", qint64(frames.size())},
                       {"memories", memories},
                       {"duplicate", duplicate},
                       {"source_frame_ids", toArray(frames)},
                       {"related_node_ids", toArray(nodes)},
                       {"related_relation_ids", toArray(relations)},
                       {"details_truncated", truncated}};
}

QJsonObject Ops::forgetEntityPreview(Args& a)
{
    const qint64 id = a.integer("node_id");
    if (!a.ok())
        return {};
    const Node* n = model.node(id);
    if (!n) // Already gone: nothing is left to delete.
        return countsObject("forget_entity_preview", ForgetCounts{});
    const QList<qint64> f = model.framesOf(*n), m = model.messagesOf(*n);
    return countsObject("forget_entity_preview", model.countForget({f.begin(), f.end()}, {m.begin(), m.end()}, id));
}

QJsonObject Ops::forgetEntity(Args& a)
{
    const qint64 id = a.integer("node_id");
    if (!a.ok())
        return {};
    const Node* n = model.node(id);
    if (!n)
        return errorReply(QStringLiteral("no entity %1: it is already gone").arg(id));
    const QList<qint64> f = model.framesOf(*n), m = model.messagesOf(*n);
    const ForgetCounts counts = model.countForget({f.begin(), f.end()}, {m.begin(), m.end()}, id);
    model.applyForget(counts, id);
    QJsonObject reply = countsObject("ok", counts);
    return reply;
}

} // namespace vesk::demo
