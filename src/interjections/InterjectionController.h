#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "Decision.h"
#include "DecisionPass.h"
#include "ForegroundContext.h"
#include "Generation.h"
#include "InterjectionSettings.h"
#include "InterjectionSwitches.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

namespace vesk {

class Clock;
class InterjectionCard;
class PresentationMode;

// Proactive reminders: every five minutes a decision pass looks at the window in front and, under
// the delivery policy the daemon routes, may put a card about a relevant open item in the corner
// of the screen. Every pass that stays quiet leaves its reason in the last-decision record, and
// every card is accounted so that the daily cap and the adoption rate stay honest. A card closes
// itself after 20 seconds, but not while the pointer rests on it. What the user asks of a card
// leaves as signals. Main thread only.
class InterjectionController : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        // The reminders' state, shared with the weekly review and the settings window.
        InterjectionSettings& settings;
        Clock& clock;
        PresentationMode& presentation;
        ForegroundWindow& foreground;
        WindowManager& windowManager;
    };

    static constexpr double passInterval = 300;
    static constexpr double autoCloseSeconds = 20;
    // A card whose time is up while the pointer rests on it waits, and goes this long after the
    // pointer leaves it.
    static constexpr double afterPointerLeaves = 4;

    InterjectionController(Services services, InterjectionSwitches switches, QObject* parent = nullptr);
    ~InterjectionController() override;

    // The card VESK_INTERJECTION_PREVIEW shows at start.
    static Candidate previewCandidate();

    // Begins the timed passes; later calls do nothing.
    void start();
    // One decision pass, now.
    void consider();
    // Puts a card on screen (nothing while presenting) and accounts for it.
    void show(const Candidate& candidate, Decision::Accounting accounting);

    // The state the settings window shows and changes.
    InterjectionSettings& settings() { return reminderSettings; }
    const InterjectionSettings& settings() const { return reminderSettings; }

    InterjectionCard* card() const;
    const std::optional<Candidate>& currentCandidate() const { return current; }
    Decision::Accounting accounting() const { return currentAccounting; }

signals:
    // "Open sources" on a card: the ask panel shows the candidate's entity page.
    void openRequested(const vesk::Candidate& candidate);
    // The number of held-back items, for the weekly-review menu line.
    void digestCountChanged(qint64 count);

private:
    void schedulePass();
    void passFinished(const DecisionPass::Outcome& outcome);
    bool cardVisible() const;
    // Tells the daemon what became of the card's delivery package, when it has one. One at a
    // time, in order: the daemon keeps a package's last outcome, so "shown" must not land after
    // "dismissed".
    void packageOutcome(const Candidate& candidate, const QString& word);
    void sendNextOutcome();
    void openClicked();
    void laterClicked();
    void muteClicked();
    void showCardFeedback(const QString& text, bool isFailure);
    // The card's time is up: it goes, unless the pointer rests on it.
    void autoCloseDue(const Candidate& candidate);
    void close();

    DaemonClient& client;
    Clock& clock;
    PresentationMode& presentation;
    WindowManager& windowManager;
    InterjectionSwitches switches;
    InterjectionSettings& reminderSettings;
    ForegroundContext foreground;

    bool started = false;
    QPointer<InterjectionCard> panel;
    // Advanced whenever the card on screen changes or goes: a mute answer for an earlier card
    // leaves the present one alone.
    Generation cards;
    std::optional<Candidate> current;
    Decision::Accounting currentAccounting = Decision::Accounting::none;
    bool mutePending = false;
    // The pending auto-close; destroying it cancels the close.
    std::unique_ptr<QObject> autoClose;
    // The card's time is up and it waits for the pointer to leave.
    bool closeWhenPointerLeaves = false;
    // Package outcomes not yet answered, the first one in flight: (package id, outcome).
    QList<std::pair<QString, QString>> outcomes;
};

} // namespace vesk
