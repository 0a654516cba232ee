#include "DeliveryPolicy.h"

#include "Defaults.h"
#include "Json.h"

#include <QJsonValue>

namespace vesk {

namespace {
double secondsSince1970(const QDateTime& t)
{
    return static_cast<double>(t.toMSecsSinceEpoch()) / 1000.0;
}
} // namespace

DeliveryPolicy::DeliveryPolicy(Defaults& defaults)
    : policyEnabledKey(QStringLiteral("vesk.delivery.human.enabled"))
    , policyDailyKey(QStringLiteral("vesk.delivery.human.daily_limit"))
    , policyRetryKey(QStringLiteral("vesk.delivery.hold.retry_minutes"))
    , policyReopenedKey(QStringLiteral("vesk.delivery.human.reopened"))
    , policyQuietKey(QStringLiteral("vesk.delivery.human.quiet_enabled"))
    , policyQuietStartKey(QStringLiteral("vesk.delivery.human.quiet_start_hour"))
    , policyQuietEndKey(QStringLiteral("vesk.delivery.human.quiet_end_hour"))
    , recentKey(QStringLiteral("vesk.interjections.recent"))
    , lastDecisionKey(QStringLiteral("vesk.interjections.last_decision"))
    , defaults(defaults)
{
}

bool DeliveryPolicy::humanEnabled(const QString& key) const
{
    return defaults.boolean(key).value_or(true);
}

// A stored value outside what it can be (a count below zero, hour 99) reads as its default.
qint64 DeliveryPolicy::stored(const QString& key, qint64 lowest, qint64 highest, qint64 fallback) const
{
    const auto v = defaults.integer(key);
    return v && *v >= lowest && *v <= highest ? *v : fallback;
}

qint64 DeliveryPolicy::dailyCap() const
{
    return stored(policyDailyKey, 0, countCeiling, 2);
}

qint64 DeliveryPolicy::retryMinutes() const
{
    return stored(policyRetryKey, 0, countCeiling, 60);
}

qint64 DeliveryPolicy::quietStartHour() const
{
    return stored(policyQuietStartKey, 0, 23, 22);
}

qint64 DeliveryPolicy::quietEndHour() const
{
    return stored(policyQuietEndKey, 0, 23, 8);
}

bool DeliveryPolicy::quietEnabled() const
{
    return defaults.boolean(policyQuietKey).value_or(false);
}

DeliveryPolicy::Values DeliveryPolicy::values() const
{
    return Values{humanEnabled(policyEnabledKey),
                  dailyCap(),
                  retryMinutes(),
                  humanEnabled(policyReopenedKey),
                  quietEnabled(),
                  quietStartHour(),
                  quietEndHour()};
}

bool DeliveryPolicy::hourIsQuiet(qint64 h, qint64 s, qint64 e)
{
    if (s < e)
        return s <= h && h < e;
    if (e < s)
        return h >= s || h < e;
    return false;
}

bool DeliveryPolicy::inQuietHours(const QDateTime& when) const
{
    return quietEnabled() && hourIsQuiet(when.toLocalTime().time().hour(), quietStartHour(), quietEndHour());
}

QMap<QString, double> DeliveryPolicy::recent() const
{
    QMap<QString, double> out;
    const QJsonValue stored = defaults.value(recentKey);
    if (!stored.isObject())
        return out;
    const QJsonObject map = stored.toObject();
    for (auto it = map.begin(); it != map.end(); ++it) {
        // One value of another type makes the whole map unreadable.
        const auto t = Json::number(it.value());
        if (!t)
            return {};
        out.insert(it.key(), *t);
    }
    return out;
}

bool DeliveryPolicy::wasRecentlyShown(const Candidate& candidate, const QDateTime& now) const
{
    return secondsSince1970(now) - cooldownSeconds <= recent().value(candidate.cooldownKey(), 0.0);
}

int DeliveryPolicy::recentCount(const QDateTime& now) const
{
    const double since = secondsSince1970(now) - cooldownSeconds;
    int n = 0;
    for (double t : recent())
        n += since <= t;
    return n;
}

void DeliveryPolicy::stampShown(const Candidate& candidate, const QDateTime& now)
{
    const double t = secondsSince1970(now);
    QJsonObject kept;
    const QMap<QString, double> map = recent();
    for (auto it = map.begin(); it != map.end(); ++it)
        if (t - cooldownSeconds <= it.value())
            kept.insert(it.key(), it.value());
    kept.insert(candidate.cooldownKey(), t);
    defaults.setValue(recentKey, kept);
}

void DeliveryPolicy::clearRecent()
{
    defaults.remove(recentKey);
}

std::optional<QString> DeliveryPolicy::lastDecision() const
{
    return defaults.string(lastDecisionKey);
}

void DeliveryPolicy::setLastDecision(const QString& text)
{
    defaults.setString(lastDecisionKey, text);
}

void DeliveryPolicy::removeObsoleteKeys()
{
    QStringList keys;
    for (const char* suffix : {"shown_day", "shown_today", "shown_total", "opened_total", "muted_kinds", "held_back",
                               "held_back_items", "encouraged_kinds"}) {
        keys << QStringLiteral("vesk.interjections.") + QLatin1String(suffix)
             << QStringLiteral("qev.interjections.") + QLatin1String(suffix);
    }
    keys << QStringLiteral("qev.interjections.recent") << QStringLiteral("qev.interjections.last_decision");
    // Every removal rewrites the file: only touch the keys that are there.
    for (const QString& key : keys)
        if (defaults.contains(key))
            defaults.remove(key);
}

void DeliveryPolicy::storeFromStatus(const QJsonObject& status)
{
    defaults.setBoolean(policyEnabledKey, Json::boolean(status, u"interjections_enabled").value_or(true));
    // By the number rule: a limit below zero or an hour outside the day is no value.
    defaults.setInteger(policyDailyKey,
                        Json::integerIn(status, u"interjections_daily_limit", 0, countCeiling).value_or(2));
    defaults.setInteger(policyRetryKey,
                        Json::integerIn(status, u"interjections_retry_minutes", 0, countCeiling).value_or(60));
    defaults.setBoolean(policyReopenedKey, Json::boolean(status, u"interjections_reopened").value_or(true));
    const auto start = Json::integerIn(status, u"interjections_quiet_start_hour", 0, 23);
    const auto end = Json::integerIn(status, u"interjections_quiet_end_hour", 0, 23);
    defaults.setBoolean(policyQuietKey, start && end);
    if (start && end) {
        defaults.setInteger(policyQuietStartKey, *start);
        defaults.setInteger(policyQuietEndKey, *end);
    } else {
        defaults.remove(policyQuietStartKey);
        defaults.remove(policyQuietEndKey);
    }
}

void DeliveryPolicy::store(const Values& v)
{
    defaults.setBoolean(policyEnabledKey, v.enabled);
    defaults.setInteger(policyDailyKey, v.daily);
    defaults.setInteger(policyRetryKey, v.retry);
    defaults.setBoolean(policyReopenedKey, v.reopened);
    defaults.setBoolean(policyQuietKey, v.quiet);
    defaults.setInteger(policyQuietStartKey, v.quietStart);
    defaults.setInteger(policyQuietEndKey, v.quietEnd);
}

} // namespace vesk
