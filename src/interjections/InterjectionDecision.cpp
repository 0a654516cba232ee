// The decision pass: the local gates, the daemon's own reminder, and the search path's choice,
// routed by the daemon.
#include "CandidateSearch.h"
#include "Clock.h"
#include "InterjectionController.h"
#include "InterjectionText.h"
#include "Json.h"
#include "PresentationMode.h"
#include "RouteFacts.h"

#include <cmath>

namespace vesk {

void InterjectionController::consider()
{
    if (cardVisible())
        return;
    if (!deliveryPolicy.humanEnabled(deliveryPolicy.policyEnabledKey)) {
        noteDecision(InterjectionText::interruptionsOff);
        return;
    }
    if (deliveryPolicy.inQuietHours(clock.now())) {
        noteDecision(InterjectionText::quietHours(deliveryPolicy.quietStartHour(), deliveryPolicy.quietEndHour()));
        return;
    }
    if (Decision::capReached(daemonSignals, deliveryPolicy.dailyCap(), extraToday)) {
        noteDecision(InterjectionText::capReached);
        return;
    }
    const ForegroundContext::Result read = foreground.read();
    if (const auto* quiet = std::get_if<ForegroundContext::Quiet>(&read)) {
        noteDecision(quiet->note);
        return;
    }
    const WindowContext context = std::get<WindowContext>(read);
    // The mutes as they are now decide this pass, whatever a refresh brings meanwhile.
    const QSet<QString> muted = daemonSignals.muted;
    const QPointer<InterjectionController> self(this);
    client.nextSemanticInterjection(!presentation.isEnabled(), this, [self, muted, context](Reply reply) {
        if (self)
            self->handleSemantic(reply, muted, context);
    });
}

void InterjectionController::handleSemantic(const Reply& reply, const QSet<QString>& muted,
                                            const WindowContext& context)
{
    using namespace Decision;
    if (cardVisible())
        return;
    if (presentation.isEnabled()) {
        noteDecision(InterjectionText::presenting);
        return;
    }
    const SemanticReply offered = classifySemanticReply(reply, muted, context.display);
    if (const auto* m = std::get_if<Muted>(&offered)) {
        noteDecision(InterjectionText::muted(m->kind));
        if (m->packageID)
            client.recordHumanOutcome(*m->packageID, QStringLiteral("muted"), this, [](Reply) {});
    } else if (std::holds_alternative<Unclassified>(offered)) {
        noteDecision(InterjectionText::unclassified);
    } else if (const auto* card = std::get_if<Card>(&offered)) {
        show(card->candidate, Accounting::semanticCard);
    } else if (std::holds_alternative<Unavailable>(offered)) {
        noteDecision(InterjectionText::deliveryUnavailable);
    } else {
        const QPointer<InterjectionController> self(this);
        search->searchContext(context, muted,
                              {[self] { return self && self->cardVisible(); },
                               [self](const QString& note) {
                                   if (self)
                                       self->noteDecision(note);
                               },
                               [self, context](QList<Candidate> candidates) {
                                   if (self)
                                       self->chooseAndShow(candidates, context);
                               }});
    }
}

void InterjectionController::chooseAndShow(const QList<Candidate>& candidates, const WindowContext& context)
{
    const auto chosen = Decision::best(candidates);
    if (!chosen) {
        noteDecision(InterjectionText::nothingRelevant);
        return;
    }
    if (cardVisible() || Decision::capReached(daemonSignals, deliveryPolicy.dailyCap(), extraToday))
        return;
    const Candidate& best = candidates[*chosen];
    routeBest(best, Decision::relevanceGate(daemonSignals, best.kind), context);
}

void InterjectionController::routeBest(const Candidate& best, double gate, const WindowContext& context)
{
    RouteFacts facts;
    facts.relevance = best.confidence;
    facts.minimum = gate;
    facts.policyAllows = deliveryPolicy.humanEnabled(deliveryPolicy.policyEnabledKey);
    // Still the same application in front as when the pass began.
    facts.fresh = !context.bundleID || foreground.frontApplicationId() == context.bundleID;
    facts.muted = daemonSignals.muted.contains(best.kind);
    facts.coolingDown = deliveryPolicy.wasRecentlyShown(best, clock.now());
    facts.withinBudget = true;
    facts.agentCanAct = false;
    facts.requiresHuman = true;
    facts.interruptionSafe = !presentation.isEnabled();
    const auto payload = routeDeliveryPayload(facts);
    if (!payload) {
        noteDecision(InterjectionText::deliveryUnavailable);
        return;
    }
    const QPointer<InterjectionController> self(this);
    client.routeDelivery(*payload, this, [self, best, gate](Reply reply) {
        if (!self)
            return;
        const auto route = Decision::readRoute(reply);
        if (!route) {
            self->noteDecision(InterjectionText::deliveryUnavailable);
            return;
        }
        // Held or shown, the daemon keeps its own record of the decision before anything else.
        self->client.recordHumanDelivery(best.id, std::llround(best.confidence * 1000.0), route->route, route->reason,
                                         self, [self, best, gate, route = *route](Reply delivery) {
                                             if (self)
                                                 self->deliver(best, gate, route, delivery);
                                         });
    });
}

void InterjectionController::deliver(const Candidate& candidate, double gate, const Decision::Route& route,
                                     const Reply& delivery)
{
    if (route.route == u"human") {
        Candidate shown = candidate;
        shown.packageID = delivery ? Json::string(*delivery, u"package_id") : std::nullopt;
        show(shown, Decision::Accounting::searchCard);
    } else if (route.reason == u"held_low_relevance") {
        record(QStringLiteral("held_back"), candidate);
        noteDecision(InterjectionText::belowGate(candidate.confidence, gate));
    } else if (route.reason == u"held_cooldown") {
        noteDecision(InterjectionText::coolingDown);
    } else {
        noteDecision(InterjectionText::heldFor(route.reason));
    }
}

} // namespace vesk
