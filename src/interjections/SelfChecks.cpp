#include "SelfChecks.h"

#include "DaemonClient.h"
#include "Decision.h"
#include "DeliveryPolicy.h"
#include "Json.h"
#include "RouteFacts.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vesk {

void SelfCheckLog::check(const char* name, bool passed)
{
    std::fprintf(out, "  %s %s\n", passed ? "ok  " : "FAIL", name);
    failures += passed ? 0 : 1;
}

int SelfCheckLog::finish()
{
    if (failures == 0)
        std::fputs("all interjection checks passed\n", out);
    else
        std::fprintf(out, "%d interjection check(s) failed\n", failures);
    std::fflush(out);
    return failures == 0 ? 0 : 1;
}

namespace {

bool quietHoursRule()
{
    const auto quiet = DeliveryPolicy::hourIsQuiet;
    bool ok = quiet(9, 9, 17) && quiet(16, 9, 17) && !quiet(17, 9, 17) && !quiet(8, 9, 17);
    ok = ok && quiet(22, 22, 8) && quiet(23, 22, 8) && quiet(0, 22, 8) && quiet(7, 22, 8);
    ok = ok && !quiet(8, 22, 8) && !quiet(21, 22, 8);
    for (int h = 0; h < 24; ++h)
        ok = ok && !quiet(h, 5, 5);
    return ok;
}

bool isFalse(const QJsonObject& o, const char* key)
{
    return Json::boolean(o, QString::fromLatin1(key)) == false;
}

bool encodable(const QJsonObject& o)
{
    const QJsonDocument back = QJsonDocument::fromJson(QJsonDocument(o).toJson(QJsonDocument::Compact));
    return !o.isEmpty() && back.isObject() && back.object() == o;
}

QJsonObject reply(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

template <class T> const T* as(const Decision::SemanticReply& r)
{
    return std::get_if<T>(&r);
}

} // namespace

int runSelfChecks(std::FILE* out)
{
    using namespace Decision;
    SelfCheckLog log(out);
    log.check("quiet hours wrap midnight exactly as the daemon does", quietHoursRule());

    RouteFacts facts;
    facts.relevance = 0.8;
    facts.minimum = 0.74;
    facts.policyAllows = false;
    facts.fresh = false;
    facts.muted = true;
    facts.coolingDown = true;
    facts.withinBudget = false;
    facts.agentCanAct = false;
    facts.requiresHuman = true;
    facts.interruptionSafe = false;
    const QJsonObject route = routeDeliveryPayload(facts).value_or(QJsonObject{});
    log.check("route_delivery sends the caller's policy, freshness, budget and safety",
              isFalse(route, "policy_allows") && isFalse(route, "fresh") && isFalse(route, "within_budget")
                  && isFalse(route, "interruption_safe") && Json::boolean(route, u"policy_available") == true);
    log.check("route_delivery still scales relevance into thousandths",
              Json::integer(route, u"relevance_millis") == 800
                  && Json::integer(route, u"minimum_relevance_millis") == 740);

    log.check("an unapplied policy is not silence",
              as<Unavailable>(classifySemanticReply(reply(R"({"unavailable":true})"), {}, QStringLiteral("c"))));
    log.check("unavailable outranks anything else in the same reply",
              as<Unavailable>(classifySemanticReply(
                  reply(R"({"unavailable":true,"node_id":7,"label":"Ship the socket fix","state_class":"blocker"})"),
                  {}, QStringLiteral("c"))));
    log.check("an empty reply still leaves the search path its turn",
              as<Silent>(classifySemanticReply(QJsonObject{}, {}, QStringLiteral("c"))));

    const QJsonObject offered
        = reply(R"({"node_id":7,"label":"Ship the socket fix","state_class":"decision","package_id":"pkg-1"})");
    const QString context = QStringLiteral("Code · STATE.md");
    const auto card = classifySemanticReply(offered, {}, context);
    log.check("the card's kind is the daemon's state class, and carries its package",
              as<Card>(card) && as<Card>(card)->candidate.label == u"Reopened: Ship the socket fix"
                  && as<Card>(card)->candidate.kind == u"decision" && as<Card>(card)->candidate.context == context
                  && as<Card>(card)->candidate.packageID == QStringLiteral("pkg-1"));
    log.check("a muted kind is not shown, and its package can be told so",
              classifySemanticReply(offered, {QStringLiteral("decision")}, context)
                  == SemanticReply(Muted{QStringLiteral("pkg-1"), QStringLiteral("decision")}));
    QJsonObject question = offered;
    question.insert(QStringLiteral("state_class"), QStringLiteral("open_question"));
    const auto notSwallowed = classifySemanticReply(question, {QStringLiteral("task")}, context);
    log.check("muting \"task\" no longer swallows an open question",
              as<Card>(notSwallowed) && as<Card>(notSwallowed)->candidate.kind == u"open_question"
                  && as<Card>(notSwallowed)->candidate.label == u"Reopened: Ship the socket fix");
    log.check(
        "a card with no class is held rather than guessed at",
        as<Unclassified>(classifySemanticReply(reply(R"({"node_id":7,"label":"Ship the socket fix"})"), {}, context)));

    Signals counted;
    const bool reportsSemantic = countShown(counted, Accounting::semanticCard);
    Signals searched;
    const bool reportsSearch = countShown(searched, Accounting::searchCard);
    log.check("a semantic card counts against the cap but not against adoption",
              counted.shownToday == 1 && countsAgainstCap(Accounting::semanticCard) && !reportsSemantic
                  && reportsSearch);

    const QJsonObject delivery
        = humanDeliveryPayload(12, 860, QStringLiteral("hold"), QStringLiteral("held_low_relevance"));
    log.check("a search-path silence is recorded too, in the daemon's own words",
              Json::string(delivery, u"op") == QStringLiteral("record_human_delivery")
                  && Json::integer(delivery, u"node_id") == 12 && Json::integer(delivery, u"relevance_millis") == 860
                  && Json::string(delivery, u"route") == QStringLiteral("hold")
                  && Json::string(delivery, u"reason") == QStringLiteral("held_low_relevance"));
    const QJsonObject outcome = humanOutcomePayload(QStringLiteral("pkg-1"), QStringLiteral("auto_closed"));
    log.check("an outcome names the package it belongs to",
              Json::string(outcome, u"op") == QStringLiteral("record_human_outcome")
                  && Json::string(outcome, u"package_id") == QStringLiteral("pkg-1")
                  && Json::string(outcome, u"outcome") == QStringLiteral("auto_closed"));
    log.check("every new request is one encodable JSON object",
              encodable(route) && encodable(delivery) && encodable(outcome));
    return log.finish();
}

} // namespace vesk
