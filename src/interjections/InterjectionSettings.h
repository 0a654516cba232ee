#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "Decision.h"
#include "DeliveryPolicy.h"
#include "Signals.h"

#include <QDateTime>
#include <QObject>
#include <optional>

namespace vesk {

class Defaults;

// The reminders' state as the settings window shows and changes it: the local copy of the
// delivery policy with the cooldowns and the last decision, the daemon's counters, the quota
// allowed on top of today's cap, and the feedback line that says whether the policy on screen was
// confirmed. A policy is saved only over values the daemon confirmed, one save at a time. The
// controller and its decision passes read and account through it. Main thread only.
class InterjectionSettings : public QObject {
    Q_OBJECT
public:
    // The policy line under the settings controls.
    struct Feedback {
        QString text;
        bool failure = false;
        bool operator==(const Feedback&) const = default;
    };

    InterjectionSettings(DaemonClient& client, Defaults& defaults, QObject* parent = nullptr);

    DeliveryPolicy& policy() { return deliveryPolicy; }
    const DeliveryPolicy& policy() const { return deliveryPolicy; }
    const Signals& learned() const { return daemonSignals; }
    bool policyLoaded() const { return settingsPolicyLoaded; }
    bool savePending() const { return settingsPending; }
    const Feedback& feedback() const { return settingsFeedback; }

    // Today's cards reached the daily cap and every quota allowed on top of it.
    bool capReached() const;
    // "Allow another daily quota today": the daily cap once more, until the process ends.
    void allowAnotherQuota();

    // Asks the daemon for its counters; a failed refresh keeps the previous ones.
    void refreshSignals();
    // Loads the policy copy from the daemon's status reply.
    void refreshDeliveryPolicy();
    // Each absent value keeps the stored one. Nothing is sent unless the stored policy was
    // confirmed by the daemon and no save is in flight; the copy changes only on confirmation.
    void saveDeliveryPolicy(std::optional<bool> enabled, std::optional<qint64> daily, std::optional<qint64> retry,
                            std::optional<bool> quiet, std::optional<bool> reopened);

    void noteDecision(const QString& text);
    // Reports a reminder's outcome to the daemon, then refreshes the signals.
    void record(const QString& outcome, const Candidate& candidate);
    // A card went on screen: a counting card stamps its cooldown and counts towards today's cap,
    // and a search card also towards the adoption rate.
    void cardShown(const Candidate& candidate, Decision::Accounting accounting, const QDateTime& now);

signals:
    // The policy, the signals, the feedback or the last decision changed.
    void changed();
    // The number of held-back items, after every successful signals refresh.
    void heldBackCounted(qint64 count);

private:
    void setFeedback(const QString& text, bool failure);

    DaemonClient& client;
    DeliveryPolicy deliveryPolicy;
    Signals daemonSignals;
    qint64 extraToday = 0;
    bool settingsPolicyLoaded = false;
    bool settingsPending = false;
    Feedback settingsFeedback;
};

} // namespace vesk
