#include "InterjectionSettings.h"

#include "Json.h"

namespace vesk {

InterjectionSettings::InterjectionSettings(DaemonClient& client, Defaults& defaults, QObject* parent)
    : QObject(parent)
    , client(client)
    , deliveryPolicy(defaults)
{
}

bool InterjectionSettings::capReached() const
{
    return Decision::capReached(daemonSignals, deliveryPolicy.dailyCap(), extraToday);
}

void InterjectionSettings::allowAnotherQuota()
{
    extraToday += deliveryPolicy.dailyCap();
    emit changed();
}

void InterjectionSettings::noteDecision(const QString& text)
{
    deliveryPolicy.setLastDecision(text);
    emit changed();
}

void InterjectionSettings::setFeedback(const QString& text, bool failure)
{
    settingsFeedback = Feedback{text, failure};
    emit changed();
}

void InterjectionSettings::record(const QString& outcome, const Candidate& candidate)
{
    client.recordInterjectionOutcome(candidate.id, candidate.kind, outcome, candidate.confidence, candidate.sources,
                                     this, [this](Reply) { refreshSignals(); });
}

void InterjectionSettings::cardShown(const Candidate& candidate, Decision::Accounting accounting, const QDateTime& now)
{
    if (Decision::countsAgainstCap(accounting))
        deliveryPolicy.stampShown(candidate, now);
    if (Decision::countShown(daemonSignals, accounting))
        record(QStringLiteral("shown"), candidate);
}

void InterjectionSettings::refreshSignals()
{
    client.interjectionSignals(this, [this](Reply reply) {
        const auto fresh = Signals::read(reply);
        if (!fresh)
            return;
        daemonSignals = *fresh;
        emit heldBackCounted(fresh->heldBack.size());
        emit changed();
    });
}

void InterjectionSettings::refreshDeliveryPolicy()
{
    client.status(this, [this](Reply reply) {
        if (!reply) {
            settingsPolicyLoaded = false;
            setFeedback(QStringLiteral("Could not load policy. Showing last known values; refresh to retry."), true);
            return;
        }
        settingsPolicyLoaded = true;
        deliveryPolicy.storeFromStatus(*reply);
        if (!settingsPending)
            setFeedback(QStringLiteral("Policy loaded."), false);
        else
            emit changed();
    });
}

void InterjectionSettings::saveDeliveryPolicy(std::optional<bool> enabled, std::optional<qint64> daily,
                                              std::optional<qint64> retry, std::optional<bool> quiet,
                                              std::optional<bool> reopened)
{
    if (!settingsPolicyLoaded || settingsPending) {
        emit changed();
        return;
    }
    DeliveryPolicy::Values v = deliveryPolicy.values();
    v.enabled = enabled.value_or(v.enabled);
    v.daily = daily.value_or(v.daily);
    v.retry = retry.value_or(v.retry);
    v.quiet = quiet.value_or(v.quiet);
    v.reopened = reopened.value_or(v.reopened);
    settingsPending = true;
    setFeedback(QStringLiteral("Saving policy…"), false);
    const auto hour = [&v](qint64 h) { return v.quiet ? std::optional<qint64>(h) : std::nullopt; };
    client.setDeliveryPolicy(v.enabled, v.daily, v.retry, v.reopened, hour(v.quietStart), hour(v.quietEnd), this,
                             [this, v](Reply reply) {
                                 settingsPending = false;
                                 if (Json::isKind(reply, u"ok")) {
                                     deliveryPolicy.store(v);
                                     setFeedback(QStringLiteral("Policy saved."), false);
                                     return;
                                 }
                                 // Only a fresh load may be saved on again.
                                 settingsPolicyLoaded = false;
                                 setFeedback(QStringLiteral("Save was not confirmed. Showing last confirmed "
                                                            "values; refresh before retrying."),
                                             true);
                             });
}

} // namespace vesk
