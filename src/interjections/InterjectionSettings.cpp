#include "InterjectionSettings.h"

#include "Clock.h"
#include "Json.h"

#include <QStringList>
#include <memory>

namespace vesk {

InterjectionSettings::InterjectionSettings(DaemonClient& client, Defaults& defaults, Clock& clock, QObject* parent)
    : QObject(parent)
    , client(client)
    , clock(clock)
    , deliveryPolicy(defaults)
{
}

bool InterjectionSettings::capReached() const
{
    return Decision::capReached(daemonSignals, deliveryPolicy.dailyCap(), extraToday);
}

qint64 InterjectionSettings::todayCap() const
{
    return deliveryPolicy.dailyCap() + extraToday;
}

bool InterjectionSettings::signalsStale() const
{
    return signalsDay != clock.now().toLocalTime().date();
}

int InterjectionSettings::cooldownCount() const
{
    return deliveryPolicy.recentCount(clock.now());
}

void InterjectionSettings::allowAnotherQuota()
{
    const qint64 cap = deliveryPolicy.dailyCap();
    extraToday += cap;
    noteDecision(QStringLiteral("Settings changed · today's cap was raised by ") + QString::number(cap));
    // Said here too: the line under the controls must not keep an earlier action's words.
    setFeedback(QStringLiteral("Today's cap was raised by ") + QString::number(cap) + QLatin1Char('.'), false);
}

void InterjectionSettings::clearCooldowns()
{
    deliveryPolicy.clearRecent();
    noteDecision(QStringLiteral("Settings changed · all 7-day cooldowns were cleared"));
    setFeedback(QStringLiteral("All 7-day cooldowns were cleared."), false);
}

void InterjectionSettings::unmuteAll()
{
    if (settingsPending)
        return;
    // Before the first reading arrives, an empty list means "not known yet", not "none muted".
    if (!signalsDay)
        return setFeedback(QStringLiteral("Muted kinds are not loaded yet. Refresh and retry Unmute all."), true);
    if (daemonSignals.muted.isEmpty())
        return setFeedback(QStringLiteral("No reminder kinds are muted."), false);
    settingsPending = true;
    setFeedback(QStringLiteral("Restoring muted kinds…"), false);
    // Every kind at once; the last answer settles the whole batch.
    struct Batch {
        qsizetype waiting;
        bool confirmed = true;
    };
    QStringList kinds(daemonSignals.muted.begin(), daemonSignals.muted.end());
    kinds.sort();
    const auto batch = std::make_shared<Batch>(Batch{kinds.size()});
    for (const QString& kind : kinds) {
        client.setInterjectionKindStance(kind, std::nullopt, this, [this, batch](Reply reply) {
            batch->confirmed = batch->confirmed && Json::isKind(reply, u"ok");
            if (--batch->waiting > 0)
                return;
            settingsPending = false;
            if (batch->confirmed) {
                noteDecision(QStringLiteral("Settings changed · all muted kinds were restored"));
                setFeedback(QStringLiteral("Muted kinds restored."), false);
            } else {
                setFeedback(QStringLiteral("Some changes were not confirmed. Refresh and retry Unmute all."), true);
            }
            refreshSignals();
        });
    }
}

void InterjectionSettings::resetLearning()
{
    if (settingsPending)
        return;
    settingsPending = true;
    setFeedback(QStringLiteral("Resetting learned gates…"), false);
    client.resetInterjectionLearning(this, [this](Reply reply) {
        settingsPending = false;
        if (Json::isKind(reply, u"ok")) {
            noteDecision(QStringLiteral("Settings changed · learned gates and adoption history were reset"));
            setFeedback(QStringLiteral("Learned gates and adoption history reset."), false);
        } else {
            setFeedback(QStringLiteral("Reset was not confirmed. Try again."), true);
        }
        refreshSignals();
    });
}

void InterjectionSettings::reloadPolicy()
{
    if (settingsPending)
        return;
    settingsPolicyLoaded = false;
    setFeedback(QStringLiteral("Loading policy…"), false);
    refreshSignals();
    refreshDeliveryPolicy();
}

void InterjectionSettings::loadPolicy()
{
    settingsPolicyLoaded = false;
    if (settingsPending)
        emit changed();
    else
        setFeedback(QStringLiteral("Loading policy…"), false);
    refreshDeliveryPolicy();
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

void InterjectionSettings::record(const QString& outcome, const Candidate& candidate, const QObject* receiver,
                                  Completion done)
{
    // A value the daemon gave that could not be read is not sent back as if it were one.
    const auto known = [](auto v) { return v < 0 ? std::nullopt : std::make_optional(v); };
    client.recordInterjectionOutcome(candidate.id, candidate.kind, outcome, known(candidate.confidence),
                                     known(candidate.sources), receiver ? receiver : this, [this, done](Reply reply) {
                                         refreshSignals();
                                         if (done)
                                             done(reply);
                                     });
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
    refreshSignals(this, {});
}

void InterjectionSettings::refreshSignals(const QObject* receiver, std::function<void(bool read)> done)
{
    // The day of the asking: a reply that crosses midnight may still hold yesterday's count.
    const QDate asked = clock.now().toLocalTime().date();
    auto take = signalReadings.whenNewest([this, asked](const Signals& fresh) { takeSignals(fresh, asked); });
    client.interjectionSignals(receiver, [done, take = std::move(take)](Reply reply) mutable {
        // A reading older than the one in hand still counts as read.
        const auto fresh = Signals::read(reply);
        if (fresh)
            take(*fresh);
        if (done)
            done(fresh.has_value());
    });
}

void InterjectionSettings::takeSignals(const Signals& fresh, const QDate& askedOn)
{
    daemonSignals = fresh;
    signalsDay = askedOn;
    emit heldBackCounted(fresh.heldBack.size());
    emit changed();
}

void InterjectionSettings::refreshDeliveryPolicy()
{
    auto take = policyWords.whenNewest([this](const Reply& reply) {
        if (reply)
            return deliveryPolicy.storeFromStatus(*reply);
        settingsPolicyLoaded = false;
        setFeedback(QStringLiteral("Could not load policy. Showing last known values; refresh to retry."), true);
    });
    client.status(this, [this, take = std::move(take)](Reply reply) mutable {
        take(reply);
        if (!reply)
            return;
        // An answer older than a confirmed save, or than a newer answer, stores nothing, but the
        // copy in hand was confirmed by that newer word: the window may save on it.
        settingsPolicyLoaded = true;
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
                                     policyWords.supersede();
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
