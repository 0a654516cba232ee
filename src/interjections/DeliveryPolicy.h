#pragma once

#include "Candidate.h"

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <optional>

namespace vesk {

class Defaults;

// The local copy of the daemon's delivery policy and the controller's own two records (the
// seven-day cooldown map and the last decision), all in the settings store. The copy lets the
// cheap gates run without asking the daemon. Main thread only.
class DeliveryPolicy {
public:
    static constexpr double cooldownSeconds = 604800; // seven days

    // The values a policy save sends and, once confirmed, stores.
    struct Values {
        bool enabled = true;
        qint64 daily = 2;
        qint64 retry = 60;
        bool reopened = true;
        bool quiet = false;
        qint64 quietStart = 22;
        qint64 quietEnd = 8;
        bool operator==(const Values&) const = default;
    };

    explicit DeliveryPolicy(Defaults& defaults);

    // Each key is spelled here and nowhere else.
    const QString policyEnabledKey;
    const QString policyDailyKey;
    const QString policyRetryKey;
    const QString policyReopenedKey;
    const QString policyQuietKey;
    const QString policyQuietStartKey;
    const QString policyQuietEndKey;
    const QString recentKey;
    const QString lastDecisionKey;

    // The most a daily limit or a retry delay can be: past it a value is a mistake, not a choice.
    static constexpr qint64 countCeiling = 1'000'000;

    // A stored Boolean, true when absent or not a Boolean (the enabled and reopened keys).
    bool humanEnabled(const QString& key) const;
    qint64 dailyCap() const;
    qint64 retryMinutes() const;
    qint64 quietStartHour() const;
    qint64 quietEndHour() const;
    bool quietEnabled() const;
    // Every value as stored now, with the defaults filled in.
    Values values() const;

    // Whether hour h lies in the quiet period from start s to end e: the end hour is not quiet, a
    // period whose start is after its end wraps midnight, and equal hours mean no quiet period.
    static bool hourIsQuiet(qint64 h, qint64 s, qint64 e);
    bool inQuietHours(const QDateTime& when) const;

    // The cooldown map: key to the time the card was shown, in seconds since 1970. A map holding
    // anything but numbers reads as empty.
    QMap<QString, double> recent() const;
    bool wasRecentlyShown(const Candidate& candidate, const QDateTime& now) const;
    int recentCount(const QDateTime& now) const;
    // Drops entries older than seven days and stamps the candidate with now.
    void stampShown(const Candidate& candidate, const QDateTime& now);
    void clearRecent();

    std::optional<QString> lastDecision() const;
    void setLastDecision(const QString& text);

    // The counters of older builds, kept by the daemon now, and the legacy records.
    void removeObsoleteKeys();
    // Stores the policy the daemon reports in its status reply.
    void storeFromStatus(const QJsonObject& status);
    // Stores a policy the daemon confirmed (the hours are written even when quiet is off).
    void store(const Values& v);

private:
    qint64 stored(const QString& key, qint64 lowest, qint64 highest, qint64 fallback) const;

    Defaults& defaults;
};

} // namespace vesk
