#include "Ops.h"

#include <QJsonArray>

namespace vesk::demo {

namespace {

QJsonArray toArray(const QList<qint64>& ids)
{
    QJsonArray out;
    for (qint64 id : ids)
        out.append(id);
    return out;
}

qint64 evidenceReferences(const Package& p)
{
    return p.nodes.size() + p.states.size() + p.frames.size() + p.messages.size() + p.contradictions.size();
}

qint64 leftOut(const Package& p)
{
    qint64 n = 0;
    for (const auto& [reason, count] : p.omissions)
        n += count;
    return n;
}

} // namespace

QJsonObject Ops::profile(Args&)
{
    // One paragraph, and only while everything it cites is still remembered: forgetting any cited
    // thing takes the whole paragraph with it.
    QStringList sentences;
    QSet<qint64> cited;
    bool intact = model.tierEnabled("profile");
    for (const auto& [text, cites] : model.profileSentences) {
        sentences.append(text);
        for (qint64 id : cites) {
            cited.insert(id);
            intact = intact && model.node(id);
        }
    }
    if (!intact || sentences.isEmpty())
        return QJsonObject{{"kind", "profile"}, {"body", ""}, {"cited", 0}, {"uncited_dropped", 0}};
    return QJsonObject{{"kind", "profile"},
                       {"body", sentences.join(' ')},
                       {"cited", qint64(cited.size())},
                       {"uncited_dropped", model.profileDropped}};
}

QJsonObject Ops::recentDeliveries(Args& a)
{
    const qint64 limit = a.integer("limit");
    if (!a.ok())
        return {};
    QJsonArray rows;
    for (auto it = model.packages.crbegin(); it != model.packages.crend() && rows.size() < limit; ++it)
        rows.append(QJsonArray{it->id, it->recipient, it->createdMs, it->policyVersion, it->tokenCost,
                               evidenceReferences(*it), leftOut(*it)});
    return QJsonObject{{"kind", "deliveries"}, {"deliveries", rows}};
}

QJsonObject Ops::inspectContextPackage(Args& a)
{
    const QString id = a.string("package_id");
    if (!a.ok())
        return {};
    for (const Package& p : model.packages) {
        if (p.id != id)
            continue;
        QJsonArray omissions, outcomes;
        for (const auto& [reason, count] : p.omissions)
            omissions.append(QJsonArray{reason, count});
        for (const QString& outcome : p.outcomes)
            outcomes.append(outcome);
        return QJsonObject{{"kind", "context_package"},
                           {"package_id", p.id},
                           {"created_at_ms", p.createdMs},
                           {"recipient", p.recipient},
                           {"node_ids", toArray(p.nodes)},
                           {"state_ids", toArray(p.states)},
                           {"frame_ids", toArray(p.frames)},
                           {"message_ids", toArray(p.messages)},
                           {"sighting_ids", QJsonArray()},
                           {"contradiction_ids", toArray(p.contradictions)},
                           {"transition_ids", toArray(p.transitions)},
                           {"token_cost", p.tokenCost},
                           {"omissions", omissions},
                           {"policy_version", p.policyVersion},
                           {"outcomes", outcomes}};
    }
    return errorReply(QStringLiteral("no context package \"%1\"").arg(id));
}

QJsonObject Ops::routeDelivery(Args& a)
{
    const qint64 relevance = a.integer("relevance_millis");
    const qint64 minimum = a.integer("minimum_relevance_millis");
    const bool available = a.boolean("policy_available");
    const bool allows = a.boolean("policy_allows");
    const bool fresh = a.boolean("fresh");
    const bool muted = a.boolean("muted");
    const bool coolingDown = a.boolean("cooling_down");
    const bool withinBudget = a.boolean("within_budget");
    const bool agentCanAct = a.boolean("agent_can_act");
    const bool requiresHuman = a.boolean("requires_human");
    const bool safe = a.boolean("interruption_safe");
    if (!a.ok())
        return {};
    // The first fact that stops a delivery names the reason; only a clean sheet reaches the user.
    const auto held = [](const char* reason) {
        return QJsonObject{{"kind", "route"}, {"route", "held"}, {"reason", reason}};
    };
    if (!available)
        return held("held_policy_unavailable");
    if (!allows || !model.policyEnabled)
        return held("held_policy_off");
    if (!safe)
        return held("held_presentation");
    if (muted)
        return held("held_muted");
    if (coolingDown)
        return held("held_cooldown");
    if (!withinBudget)
        return held("held_budget");
    if (!fresh)
        return held("held_stale_context");
    if (relevance < minimum)
        return held("held_low_relevance");
    if (agentCanAct && !requiresHuman)
        return QJsonObject{{"kind", "route"}, {"route", "agent"}, {"reason", "agent_can_act"}};
    return QJsonObject{{"kind", "route"}, {"route", "human"}, {"reason", "cleared_gate"}};
}

QJsonObject Ops::recordHumanDelivery(Args& a)
{
    const qint64 nodeId = a.integer("node_id");
    const qint64 relevance = a.integer("relevance_millis");
    const QString route = a.string("route");
    const QString reason = a.string("reason");
    if (!a.ok())
        return {};
    if (relevance < 0 || relevance > 1000)
        return errorReply(QStringLiteral("\"relevance_millis\" must lie between 0 and 1000"));
    const Node* n = model.node(nodeId);
    if (!n)
        return errorReply(QStringLiteral("no entity %1").arg(nodeId));
    if (route != "human")
        return okReply({{"route", route}, {"reason", reason}});
    // A card is a handoff to the user: it gets a package like any other, with what it rests on.
    Package& p = model.addPackage("human", now());
    p.nodes = {nodeId};
    p.states = {nodeId};
    p.frames = model.framesOf(*n).mid(0, 6);
    p.messages = model.messagesOf(*n);
    p.tokenCost = 0;
    for (qint64 f : p.frames)
        for (const Line& l : model.frames.at(f).lines)
            p.tokenCost += (l.text.size() + 3) / 4;
    if (model.framesOf(*n).size() > 6)
        p.omissions.append({QStringLiteral("budget"), model.framesOf(*n).size() - 6});
    return okReply({{"package_id", p.id}});
}

QJsonObject Ops::recordHumanOutcome(Args& a)
{
    const QString id = a.string("package_id");
    const QString outcome = a.string("outcome");
    if (!a.ok())
        return {};
    static const QSet<QString> outcomes{"shown", "opened", "dismissed", "auto_closed", "muted"};
    if (!outcomes.contains(outcome))
        return errorReply(QStringLiteral("unknown outcome \"%1\"").arg(outcome));
    for (Package& p : model.packages)
        if (p.id == id) {
            p.outcomes.append(outcome);
            return okReply();
        }
    return errorReply(QStringLiteral("no context package \"%1\"").arg(id));
}

QJsonObject Ops::nextSemanticInterjection(Args& a)
{
    const bool safe = a.boolean("interruption_safe");
    const qint64 hour = a.integer("local_hour");
    if (!a.ok())
        return {};
    const QJsonObject silent{{"kind", "semantic_interjection"}};
    // Offer a reopened item on the first ask and every third after it, each item once per run,
    // and never when the policy, the hour or the moment says no.
    const bool turn = model.semanticAsks++ % 3 == 0;
    if (!model.policyEnabled || !model.reopenedEnabled || !safe || model.hourIsQuiet(hour) || !turn)
        return silent;
    for (const auto& [id, n] : model.nodes) {
        if (n.reopenedAs.isEmpty() || model.offeredReopened.contains(id))
            continue;
        model.offeredReopened.insert(id);
        Package& p = model.addPackage("human", now());
        p.nodes = {id};
        p.states = {id};
        p.transitions = {id};
        p.frames = model.framesOf(n).mid(0, 6);
        p.tokenCost = n.label.size() / 4 + 1;
        return QJsonObject{{"kind", "semantic_interjection"},
                           {"node_id", id},
                           {"label", n.label},
                           {"state_class", n.reopenedAs},
                           {"package_id", p.id}};
    }
    return silent;
}

QJsonObject Ops::setDeliveryPolicy(Args& a)
{
    const bool enabled = a.boolean("human_enabled");
    const qint64 daily = a.integer("daily_limit");
    const qint64 retry = a.integer("retry_minutes");
    const bool reopened = a.boolean("reopened_enabled");
    const std::optional<qint64> start = a.optionalInteger("quiet_start_hour");
    const std::optional<qint64> end = a.optionalInteger("quiet_end_hour");
    if (!a.ok())
        return {};
    if (daily < 0 || daily > 100 || retry < 1 || retry > 7 * 24 * 60)
        return errorReply(QStringLiteral("daily limit or retry minutes out of range"));
    if (start.has_value() != end.has_value() || (start && (*start < 0 || *start > 23 || *end < 0 || *end > 23)))
        return errorReply(QStringLiteral("quiet hours need both a start and an end hour from 0 to 23"));
    model.policyEnabled = enabled;
    model.dailyLimit = daily;
    model.retryMinutes = retry;
    model.reopenedEnabled = reopened;
    model.quietStart = start;
    model.quietEnd = end;
    return okReply();
}

QJsonObject Ops::resetInterjectionLearning(Args&)
{
    // Adoption history is what the gates learn from; the user's own stances stay.
    model.shownTotal = model.openedTotal = model.heldBackTotal = 0;
    return okReply();
}

QJsonObject Ops::recordInterjectionOutcome(Args& a)
{
    const std::optional<qint64> nodeId = a.optionalInteger("node_id");
    const QString kind = a.string("item_kind");
    const QString outcome = a.string("outcome");
    const std::optional<double> confidence = a.optionalNumber("confidence");
    const std::optional<qint64> sources = a.optionalInteger("sources");
    if (!a.ok())
        return {};
    if (kind.isEmpty())
        return errorReply(QStringLiteral("\"item_kind\" cannot be empty"));
    if (outcome == "shown") {
        ++model.shownTotal;
        ++model.shownToday;
    } else if (outcome == "opened") {
        ++model.openedTotal;
    } else if (outcome == "held_back") {
        ++model.heldBackTotal;
        const Node* n = nodeId ? model.node(*nodeId) : nullptr;
        const bool listed = std::any_of(model.heldBack.begin(), model.heldBack.end(), [&](const HeldItem& h) {
            return nodeId && h.nodeId == *nodeId && h.kind == kind;
        });
        if (n && !listed)
            model.heldBack.append(
                HeldItem{n->id, kind, n->label, sources.value_or(model.sourceCount(*n)), confidence.value_or(0)});
    } else if (outcome == "dismissed") {
        model.heldBack.removeIf([&](const HeldItem& h) { return nodeId && h.nodeId == *nodeId && h.kind == kind; });
    } else {
        return errorReply(QStringLiteral("unknown outcome \"%1\"").arg(outcome));
    }
    return okReply();
}

QJsonObject Ops::setInterjectionKindStance(Args& a)
{
    const QString kind = a.string("item_kind");
    const std::optional<QString> stance = a.optionalString("stance");
    if (!a.ok())
        return {};
    if (kind.isEmpty())
        return errorReply(QStringLiteral("\"item_kind\" cannot be empty"));
    if (!stance)
        model.stances.erase(kind);
    else if (*stance == "muted" || *stance == "encouraged")
        model.stances[kind] = *stance;
    else
        return errorReply(QStringLiteral("unknown stance \"%1\"").arg(*stance));
    return okReply();
}

QJsonObject Ops::interjectionSignals(Args&)
{
    QJsonArray stances, held;
    for (const auto& [kind, stance] : model.stances)
        stances.append(QJsonArray{kind, stance});
    for (const HeldItem& h : model.heldBack)
        held.append(QJsonObject{{"node_id", h.nodeId},
                                {"item_kind", h.kind},
                                {"label", h.label},
                                {"sources", h.sources},
                                {"confidence", h.confidence}});
    return QJsonObject{{"kind", "interjection_signals"},
                       {"counts",
                        QJsonArray{QJsonArray{"shown", model.shownTotal}, QJsonArray{"opened", model.openedTotal},
                                   QJsonArray{"held_back", model.heldBackTotal}}},
                       {"shown_today", model.shownToday},
                       {"stances", stances},
                       {"held_back", held}};
}

} // namespace vesk::demo
