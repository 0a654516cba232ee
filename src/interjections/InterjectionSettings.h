#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "Decision.h"
#include "DeliveryPolicy.h"
#include "Latest.h"
#include "Signals.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

namespace vesk {

class Clock;
class Defaults;

// The reminders' state as the settings window shows and changes it: the local copy of the
// delivery policy with the cooldowns and the last decision, the daemon's counters, the quota
// allowed on top of today's cap, and the feedback line that says whether the policy on screen was
// confirmed. A policy is saved only over values the daemon confirmed, and the window's
// daemon-backed actions run one at a time. The controller, its decision passes and the weekly
// review read and account through it. Main thread only.
class InterjectionSettings : public QObject {
    Q_OBJECT
public:
    // The policy line under the settings controls.
    struct Feedback {
        QString text;
        bool failure = false;
        bool operator==(const Feedback&) const = default;
    };

    InterjectionSettings(DaemonClient& client, Defaults& defaults, Clock& clock, QObject* parent = nullptr);

    DeliveryPolicy& policy() { return deliveryPolicy; }
    const DeliveryPolicy& policy() const { return deliveryPolicy; }
    const Signals& learned() const { return daemonSignals; }
    bool policyLoaded() const { return settingsPolicyLoaded; }
    bool savePending() const { return settingsPending; }
    const Feedback& feedback() const { return settingsFeedback; }

    // Today's cards reached the daily cap and every quota allowed on top of it.
    bool capReached() const;
    // The cards allowed today: the daily cap and every quota allowed on top of it.
    qint64 todayCap() const;
    // The counters were never read, or read on an earlier local day: today's count is unknown.
    bool signalsStale() const;
    // Cooldowns of the last seven days.
    int cooldownCount() const;

    // Asks the daemon for its counters; a failed refresh keeps the previous ones.
    void refreshSignals();
    // The same with `done` told whether they were read. The reply goes to `receiver`, which must
    // not outlive this model.
    void refreshSignals(const QObject* receiver, std::function<void(bool read)> done);
    // Loads the policy copy from the daemon's status reply.
    void refreshDeliveryPolicy();
    // Each absent value keeps the stored one. Nothing is sent unless the stored policy was
    // confirmed by the daemon and no save is in flight; the copy changes only on confirmation.
    void saveDeliveryPolicy(std::optional<bool> enabled, std::optional<qint64> daily, std::optional<qint64> retry,
                            std::optional<bool> quiet, std::optional<bool> reopened);

    // The policy copy is unconfirmed until the daemon's status and counters are read again
    // (nothing while a change is in flight).
    void reloadPolicy();
    // The policy copy is unconfirmed until the daemon's status is read again: what opening the
    // settings window asks. A save in flight keeps its own line, and its answer settles it.
    void loadPolicy();

    // The settings window's actions on what the reminders learned. "Allow another daily quota
    // today" adds the daily cap once more until the process ends, and "Clear cooldowns" forgets
    // the cooldowns; neither asks the daemon. Unmuting every muted kind and resetting the learned
    // gates are daemon changes, one at a time, said done only when confirmed.
    void allowAnotherQuota();
    void clearCooldowns();
    void unmuteAll();
    void resetLearning();

    void noteDecision(const QString& text);
    // Reports a reminder's outcome to the daemon, then refreshes the signals; `done`, when given,
    // then has the reply (it goes to `receiver`, which must not outlive this model).
    void record(const QString& outcome, const Candidate& candidate, const QObject* receiver = nullptr,
                Completion done = {});
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
    void takeSignals(const Signals& fresh, const QDate& askedOn);

    DaemonClient& client;
    Clock& clock;
    DeliveryPolicy deliveryPolicy;
    Signals daemonSignals;
    // The local day on which the signals in hand were asked for.
    std::optional<QDate> signalsDay;
    // Refreshes run side by side and may answer out of order: only a reading newer than the one in
    // hand replaces it.
    Latest signalReadings;
    // The policy as a status read reports it, or as a save the daemon confirmed: a read sent
    // before a confirmed save must not put the old policy back.
    Latest policyWords;
    qint64 extraToday = 0;
    bool settingsPolicyLoaded = false;
    bool settingsPending = false;
    Feedback settingsFeedback;
};

} // namespace vesk
