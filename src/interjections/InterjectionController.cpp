#include "InterjectionController.h"

#include "Clock.h"
#include "InterjectionCard.h"
#include "InterjectionText.h"
#include "Json.h"
#include "PresentationMode.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

namespace vesk {

namespace {

QString ownApplicationId()
{
    const QString desktop = QGuiApplication::desktopFileName();
    return desktop.isEmpty() ? QCoreApplication::applicationName().toLower() : desktop;
}

} // namespace

InterjectionController::InterjectionController(Services services, InterjectionSwitches switches, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , clock(services.clock)
    , presentation(services.presentation)
    , windowManager(services.windowManager)
    , switches(std::move(switches))
    , reminderSettings(services.settings)
    , foreground(services.foreground, ownApplicationId(), QCoreApplication::applicationPid(),
                 this->switches.testContext)
{
    connect(&reminderSettings, &InterjectionSettings::heldBackCounted, this,
            &InterjectionController::digestCountChanged);
    connect(&presentation, &PresentationMode::changed, this, [this] {
        if (presentation.isEnabled())
            close();
    });
}

InterjectionController::~InterjectionController()
{
    autoClose.reset();
    InterjectionCard* card = panel;
    panel = nullptr; // so the card's hiding does not call back into a controller going away
    delete card;
}

void InterjectionController::start()
{
    if (started)
        return;
    started = true;
    schedulePass();
    emit digestCountChanged(reminderSettings.learned().heldBack.size());
    reminderSettings.refreshDeliveryPolicy();
    reminderSettings.refreshSignals();
    reminderSettings.policy().removeObsoleteKeys();
    clock.after(switches.firstPassDelay(), this, [this] { consider(); });
    if (switches.preview)
        show(previewCandidate(), Decision::Accounting::none);
}

Candidate InterjectionController::previewCandidate()
{
    return Candidate{0,
                     QStringLiteral("Confirm whether the production proxy keeps quota after restart"),
                     QStringLiteral("open_question"),
                     4,
                     0.86,
                     QStringLiteral("services/vesk-proxy"),
                     std::nullopt};
}

void InterjectionController::schedulePass()
{
    // One timer at a time: each tick schedules the next before it runs its pass.
    clock.after(passInterval, this, [this] {
        schedulePass();
        consider();
    });
}

void InterjectionController::consider()
{
    auto* pass = new DecisionPass(
        {client, clock, presentation, foreground, reminderSettings, [this] { return cardVisible(); }}, this);
    connect(pass, &DecisionPass::finished, this, [this, pass](const DecisionPass::Outcome& outcome) {
        pass->deleteLater();
        passFinished(outcome);
    });
    pass->run();
}

void InterjectionController::passFinished(const DecisionPass::Outcome& outcome)
{
    if (const auto* quiet = std::get_if<DecisionPass::Quiet>(&outcome)) {
        if (quiet->heldBack)
            reminderSettings.record(QStringLiteral("held_back"), *quiet->heldBack);
        reminderSettings.noteDecision(quiet->note);
    } else if (const auto* speak = std::get_if<DecisionPass::Speak>(&outcome)) {
        show(speak->candidate, speak->accounting);
    }
}

void InterjectionController::packageOutcome(const Candidate& candidate, const QString& word)
{
    if (!candidate.packageID)
        return;
    outcomes.append({*candidate.packageID, word});
    if (outcomes.size() == 1)
        sendNextOutcome();
}

void InterjectionController::sendNextOutcome()
{
    const auto [package, word] = outcomes.first();
    client.recordHumanOutcome(package, word, this, [this](Reply) {
        outcomes.removeFirst();
        if (!outcomes.isEmpty())
            sendNextOutcome();
    });
}

InterjectionCard* InterjectionController::card() const
{
    return panel;
}

bool InterjectionController::cardVisible() const
{
    return panel && panel->isVisible();
}

void InterjectionController::show(const Candidate& candidate, Decision::Accounting accounting)
{
    using Decision::Accounting;
    if (presentation.isEnabled())
        return;
    reminderSettings.cardShown(candidate, accounting, clock.now());
    current = candidate;
    mutePending = false;
    currentAccounting = accounting;
    const Signals& learned = reminderSettings.learned();
    if (accounting == Accounting::semanticCard)
        reminderSettings.noteDecision(InterjectionText::spokeReopened(candidate.kind));
    else if (accounting == Accounting::searchCard)
        reminderSettings.noteDecision(
            InterjectionText::spokeSearch(candidate.confidence, Decision::relevanceGate(learned, candidate.kind)));

    const bool semantic = accounting == Accounting::semanticCard;
    const InterjectionCard::Content content{
        InterjectionText::kicker(candidate.kind), candidate.label, InterjectionText::relatedTo(candidate.context),
        InterjectionText::evidence(candidate, semantic),
        InterjectionText::cardMetrics(semantic ? std::nullopt : std::optional<double>(candidate.confidence),
                                      switches.preview ? 1 : learned.shownToday, reminderSettings.policy().dailyCap(),
                                      learned.shownTotal, learned.openedTotal)};
    if (panel) {
        // A card replaced by another leaves without an outcome of its own.
        InterjectionCard* previous = panel;
        panel = nullptr;
        previous->hide();
        previous->deleteLater();
    }
    cards.next();
    closeWhenPointerLeaves = false;
    auto* card = new InterjectionCard(content, windowManager.compositing(), presentation);
    card->setAttribute(Qt::WA_DeleteOnClose, false);
    panel = card;
    connect(card, &InterjectionCard::opened, this, &InterjectionController::openClicked);
    connect(card, &InterjectionCard::later, this, &InterjectionController::laterClicked);
    connect(card, &InterjectionCard::muted, this, &InterjectionController::muteClicked);
    // The window manager may close the card, or presentation mode hide it: either ends the card.
    connect(card, &InterjectionCard::hidden, this, [this, card] {
        if (panel == card)
            close();
    });
    connect(card, &InterjectionCard::pointerLeft, this, [this, card, candidate] {
        if (panel != card || !closeWhenPointerLeaves || !autoClose)
            return;
        // Counted from the last time the pointer left.
        autoClose = std::make_unique<QObject>();
        clock.after(afterPointerLeaves, autoClose.get(), [this, candidate] { autoCloseDue(candidate); });
    });
    card->place();
    // On every virtual desktop, so a card is never left behind on the one the user moved away from.
    card->winId();
    if (QWindow* window = card->windowHandle())
        windowManager.showOnEveryDesktop(*window);
    card->bringForward();

    packageOutcome(candidate, QStringLiteral("shown"));
    autoClose = std::make_unique<QObject>();
    clock.after(autoCloseSeconds, autoClose.get(), [this, candidate] { autoCloseDue(candidate); });
}

void InterjectionController::autoCloseDue(const Candidate& candidate)
{
    if (panel && panel->pointerResting()) {
        closeWhenPointerLeaves = true;
        return;
    }
    packageOutcome(candidate, QStringLiteral("auto_closed"));
    close();
}

void InterjectionController::openClicked()
{
    if (!current)
        return;
    const Candidate candidate = *current;
    if (currentAccounting == Decision::Accounting::searchCard)
        reminderSettings.record(QStringLiteral("opened"), candidate);
    packageOutcome(candidate, QStringLiteral("opened"));
    close();
    emit openRequested(candidate);
}

void InterjectionController::laterClicked()
{
    if (current)
        packageOutcome(*current, QStringLiteral("dismissed"));
    close();
}

void InterjectionController::muteClicked()
{
    if (!current || mutePending)
        return;
    autoClose.reset(); // the card stays until the answer
    if (currentAccounting == Decision::Accounting::none) {
        showCardFeedback(QStringLiteral("Preview only. No preference was changed."), false);
        return;
    }
    mutePending = true;
    panel->setMuteBusy(true);
    showCardFeedback(QStringLiteral("Saving preference…"), false);
    const Candidate clicked = *current;
    // A card that changed or went meanwhile keeps what it shows.
    auto answered = whileCurrent(cards.ticket(), [this](bool saved) {
        mutePending = false;
        panel->setMuteBusy(false);
        if (saved)
            close();
        else
            showCardFeedback(QStringLiteral("Could not save this preference. Try again; this kind is not muted yet."),
                             true);
    });
    client.setInterjectionKindStance(clicked.kind, QStringLiteral("muted"), this,
                                     [this, clicked, answered](Reply reply) mutable {
                                         const bool saved = Json::isKind(reply, u"ok");
                                         if (saved) {
                                             reminderSettings.refreshSignals();
                                             packageOutcome(clicked, QStringLiteral("muted"));
                                         }
                                         answered(saved);
                                     });
}

void InterjectionController::showCardFeedback(const QString& text, bool isFailure)
{
    if (panel)
        panel->showFeedback(text, isFailure);
}

void InterjectionController::close()
{
    autoClose.reset();
    closeWhenPointerLeaves = false;
    cards.next();
    if (panel) {
        InterjectionCard* card = panel;
        panel = nullptr;
        card->hide();
        // Deleted later: close() may run inside one of the card's own button clicks.
        card->deleteLater();
    }
    current.reset();
    mutePending = false;
    currentAccounting = Decision::Accounting::none;
}

} // namespace vesk
