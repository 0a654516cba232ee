#include "DecisionPass.h"

#include "Clock.h"
#include "ForegroundContext.h"
#include "InterjectionSettings.h"
#include "InterjectionText.h"
#include "Json.h"
#include "PresentationMode.h"
#include "RouteFacts.h"

#include <algorithm>
#include <cmath>

namespace vesk {

DecisionPass::DecisionPass(Services services, QObject* parent)
    : QObject(parent)
    , s(std::move(services))
{
}

void DecisionPass::finish(const Outcome& outcome)
{
    emit finished(outcome);
}

void DecisionPass::run()
{
    const DeliveryPolicy& policy = s.settings.policy();
    if (s.cardVisible())
        return finish(Stopped{});
    if (!policy.humanEnabled(policy.policyEnabledKey))
        return finish(Quiet{InterjectionText::interruptionsOff, {}});
    if (policy.inQuietHours(s.clock.now()))
        return finish(Quiet{InterjectionText::quietHours(policy.quietStartHour(), policy.quietEndHour()), {}});
    if (!s.settings.signalsStale())
        return capAndContext();
    // A new day, or counters that could not be read: the cap is judged on today's count or not at all.
    s.settings.refreshSignals(this, [this](bool read) {
        if (!read)
            return finish(Quiet{InterjectionText::memoryUnavailable, {}});
        if (s.cardVisible())
            return finish(Stopped{});
        capAndContext();
    });
}

void DecisionPass::capAndContext()
{
    if (s.settings.capReached())
        return finish(Quiet{InterjectionText::capReached, {}});
    const ForegroundContext::Result read = s.foreground.read();
    if (const auto* quiet = std::get_if<ForegroundContext::Quiet>(&read))
        return finish(Quiet{quiet->note, {}});
    context = std::get<WindowContext>(read);
    muted = s.settings.learned().muted;
    s.client.nextSemanticInterjection(!s.presentation.isEnabled(), this, [this](Reply reply) { semanticReply(reply); });
}

void DecisionPass::semanticReply(const Reply& reply)
{
    using namespace Decision;
    if (s.cardVisible())
        return finish(Stopped{});
    if (s.presentation.isEnabled())
        return finish(Quiet{InterjectionText::presenting, {}});
    const SemanticReply offered = classifySemanticReply(reply, muted, context.display);
    if (const auto* m = std::get_if<Muted>(&offered)) {
        if (m->packageID)
            s.client.recordHumanOutcome(*m->packageID, QStringLiteral("muted"), this, [](Reply) {});
        finish(Quiet{InterjectionText::muted(m->kind), {}});
    } else if (std::holds_alternative<Unclassified>(offered)) {
        finish(Quiet{InterjectionText::unclassified, {}});
    } else if (const auto* card = std::get_if<Card>(&offered)) {
        finish(Speak{card->candidate, Accounting::semanticCard});
    } else if (std::holds_alternative<Unavailable>(offered)) {
        finish(Quiet{InterjectionText::deliveryUnavailable, {}});
    } else {
        searchContext();
    }
}

void DecisionPass::searchContext()
{
    s.client.search(context.query, CandidateSearch::limit, this, [this](Reply reply) {
        if (s.cardVisible())
            return finish(Stopped{});
        const auto hits = CandidateSearch::readSearch(reply, context, muted);
        if (!hits)
            return finish(Quiet{InterjectionText::memoryUnavailable, {}});
        direct = hits->direct;
        relatedCandidates(hits->anchors);
    });
}

void DecisionPass::relatedCandidates(const QList<qint64>& anchors)
{
    relationsWaiting = anchors.size();
    if (anchors.isEmpty())
        return chooseAndShow(direct);
    this->anchors = anchors;
    related = QList<QList<Candidate>>(anchors.size());
    asked = 0;
    while (asked < std::min(anchors.size(), relationsAtOnce))
        askRelations();
}

void DecisionPass::askRelations()
{
    const qsizetype i = asked++;
    // Read where it arrives: a reply can carry far more edges than the choice uses.
    const auto read = &CandidateSearch::readRelations;
    const auto copied = std::tuple(context, muted);
    s.client.relations(anchors[i], this, DaemonClient::Reading(read, copied, [this, i](const QList<Candidate>& found) {
                           related[i] = found;
                           if (asked < anchors.size())
                               askRelations();
                           if (--relationsWaiting > 0)
                               return;
                           // The last to answer hands the whole list on; the direct hits win ties, coming first.
                           QList<Candidate> all;
                           for (const QList<Candidate>& some : std::as_const(related))
                               all += some;
                           chooseAndShow(direct + CandidateSearch::mostConfidentPerNode(all));
                       }));
}

void DecisionPass::chooseAndShow(const QList<Candidate>& candidates)
{
    const auto chosen = Decision::best(candidates);
    if (!chosen)
        return finish(Quiet{InterjectionText::nothingRelevant, {}});
    if (s.cardVisible() || s.settings.capReached())
        return finish(Stopped{});
    const Candidate& best = candidates[*chosen];
    route(best, Decision::relevanceGate(s.settings.learned(), best.kind));
}

void DecisionPass::route(const Candidate& best, double gate)
{
    const DeliveryPolicy& policy = s.settings.policy();
    RouteFacts facts;
    facts.relevance = best.confidence;
    facts.minimum = gate;
    facts.policyAllows = policy.humanEnabled(policy.policyEnabledKey);
    // Still the same application in front as when the pass began.
    facts.fresh = !context.bundleID || s.foreground.frontApplicationId() == context.bundleID;
    facts.muted = s.settings.learned().muted.contains(best.kind);
    facts.coolingDown = policy.wasRecentlyShown(best, s.clock.now());
    facts.withinBudget = true;
    facts.agentCanAct = false;
    facts.requiresHuman = true;
    facts.interruptionSafe = !s.presentation.isEnabled();
    const auto payload = routeDeliveryPayload(facts);
    if (!payload)
        return finish(Quiet{InterjectionText::deliveryUnavailable, {}});
    s.client.routeDelivery(*payload, this, [this, best, gate](Reply reply) {
        const auto route = Decision::readRoute(reply);
        if (!route)
            return finish(Quiet{InterjectionText::deliveryUnavailable, {}});
        // Held or shown, the daemon keeps its own record of the decision before anything else.
        s.client.recordHumanDelivery(
            best.id, std::llround(best.confidence * 1000.0), route->route, route->reason, this,
            [this, best, gate, route = *route](Reply delivery) { deliver(best, gate, route, delivery); });
    });
}

void DecisionPass::deliver(const Candidate& candidate, double gate, const Decision::Route& route, const Reply& delivery)
{
    if (route.route == u"human") {
        Candidate shown = candidate;
        shown.packageID = delivery ? Json::string(*delivery, u"package_id") : std::nullopt;
        finish(Speak{shown, Decision::Accounting::searchCard});
    } else if (route.reason == u"held_low_relevance") {
        finish(Quiet{InterjectionText::belowGate(candidate.confidence, gate), candidate});
    } else if (route.reason == u"held_cooldown") {
        finish(Quiet{InterjectionText::coolingDown, {}});
    } else {
        finish(Quiet{InterjectionText::heldFor(route.reason), {}});
    }
}

} // namespace vesk
