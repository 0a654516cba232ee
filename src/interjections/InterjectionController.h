#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "Decision.h"
#include "DeliveryPolicy.h"
#include "ForegroundContext.h"
#include "InterjectionCard.h"
#include "Signals.h"
#include "WindowContext.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

namespace vesk {

class CandidateSearch;
class Clock;
class Defaults;
class PresentationMode;

// Proactive reminders: every five minutes a decision pass looks at the window in front and, under
// the delivery policy the daemon routes, may put a card about a relevant open item in the corner
// of the screen. Every pass that stays quiet leaves its reason in the last-decision record, and
// every card is accounted so that the daily cap and the adoption rate stay honest. Main thread
// only; daemon replies that arrive after the controller is gone are dropped.
class InterjectionController : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        Defaults& defaults;
        Clock& clock;
        PresentationMode& presentation;
        ForegroundWindow& foreground;
    };

    static constexpr double passInterval = 300;
    static constexpr double firstPass = 45;
    static constexpr double testContextFirstPass = 1;
    static constexpr double autoCloseSeconds = 20;

    // `openSources` shows the candidate's entity page in the ask panel.
    InterjectionController(Services services, std::function<void(const Candidate&)> openSources,
                           QObject* parent = nullptr);
    ~InterjectionController() override;

    // The card VESK_INTERJECTION_PREVIEW shows at start.
    static Candidate previewCandidate();

    // Begins the timed passes; later calls do nothing.
    void start();
    // One decision pass.
    void consider();
    // The search path's decision on its candidates.
    void chooseAndShow(const QList<Candidate>& candidates, const WindowContext& context);
    void show(const Candidate& candidate, Decision::Accounting accounting);

    // Reports a reminder's outcome to the daemon, then refreshes the signals.
    void record(const QString& outcome, const Candidate& candidate);
    void refreshSignals(std::function<void(bool)> done = {});
    void refreshDeliveryPolicy(std::function<void()> done = {});
    // Each absent value keeps the stored one; nothing is sent unless the stored policy was
    // confirmed by the daemon and no save is in flight.
    void saveDeliveryPolicy(std::optional<bool> enabled, std::optional<qint64> daily, std::optional<qint64> retry,
                            std::optional<bool> quiet, std::optional<bool> reopened);
    void noteDecision(const QString& text);

    // The card's actions.
    void openClicked();
    void laterClicked();
    void muteClicked();
    void showCardFeedback(const QString& text, bool isFailure);
    void close();
    // Closes the card (presentation mode was turned on).
    void suppressForPresentation();

    // Receives the number of held-back items after every successful signals refresh.
    std::function<void(qint64)> onDigestCountChanged;

    // The policy line the settings window shows under its controls.
    struct Feedback {
        QString text;
        bool failure = false;
        bool operator==(const Feedback&) const = default;
    };

    DeliveryPolicy& policy() { return deliveryPolicy; }
    const DeliveryPolicy& policy() const { return deliveryPolicy; }
    const Signals& currentSignals() const { return daemonSignals; }
    const std::optional<Candidate>& currentCandidate() const { return current; }
    Decision::Accounting accounting() const { return currentAccounting; }
    InterjectionCard* card() const { return panel; }
    bool policyLoaded() const { return settingsPolicyLoaded; }
    const Feedback& feedback() const { return settingsFeedback; }
    // "Allow another daily quota today": the daily cap once more, until the process ends.
    void allowAnotherQuota() { extraToday += deliveryPolicy.dailyCap(); }

signals:
    // The policy, the signals, the feedback or the last decision changed.
    void settingsChanged();

private:
    void schedulePass();
    void handleSemantic(const Reply& reply, const QSet<QString>& muted, const WindowContext& context);
    void routeBest(const Candidate& best, double gate, const WindowContext& context);
    void deliver(const Candidate& candidate, double gate, const Decision::Route& route, const Reply& delivery);
    bool cardVisible() const;
    // Tells the daemon what became of the card's delivery package, when it has one.
    void packageOutcome(const Candidate& candidate, const QString& word);
    void setFeedback(const QString& text, bool failure);

    DaemonClient& client;
    Clock& clock;
    PresentationMode& presentation;
    DeliveryPolicy deliveryPolicy;
    ForegroundContext foreground;
    CandidateSearch* search;
    std::function<void(const Candidate&)> openSources;

    bool started = false;
    Signals daemonSignals;
    qint64 extraToday = 0;
    bool settingsPolicyLoaded = false;
    bool settingsPending = false;
    Feedback settingsFeedback;

    QPointer<InterjectionCard> panel;
    std::optional<Candidate> current;
    Decision::Accounting currentAccounting = Decision::Accounting::none;
    bool mutePending = false;
    // The pending auto-close; destroying it cancels the close.
    std::unique_ptr<QObject> autoClose;
};

} // namespace vesk
