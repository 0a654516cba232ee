#include "InterjectionController.h"

#include "CandidateSearch.h"
#include "Clock.h"
#include "Environment.h"
#include "InkButton.h"
#include "InterjectionCard.h"
#include "InterjectionText.h"
#include "Json.h"
#include "PresentationMode.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cmath>

namespace vesk {

namespace {

const QString testContextSwitch = QStringLiteral("VESK_INTERJECTION_TEST_CONTEXT");
const QString previewSwitch = QStringLiteral("VESK_INTERJECTION_PREVIEW");

QString ownApplicationId()
{
    const QString desktop = QGuiApplication::desktopFileName();
    return desktop.isEmpty() ? QCoreApplication::applicationName().toLower() : desktop;
}

// The delay before the first pass: 45 seconds, 1 with a test context, or less when the
// end-to-end tests ask for it (VESK_INTERJECTION_FIRST_PASS_SECONDS only ever shortens it).
double firstPassDelay()
{
    const auto test = veskEnvironment(testContextSwitch);
    double delay
        = test && !test->isEmpty() ? InterjectionController::testContextFirstPass : InterjectionController::firstPass;
    if (const auto asked = veskEnvironment(QStringLiteral("VESK_INTERJECTION_FIRST_PASS_SECONDS"))) {
        bool ok = false;
        const double seconds = asked->toDouble(&ok);
        if (ok && seconds >= 0 && seconds < delay)
            delay = seconds;
    }
    return delay;
}

} // namespace

InterjectionController::InterjectionController(Services services, std::function<void(const Candidate&)> openSources,
                                               QObject* parent)
    : QObject(parent)
    , client(services.client)
    , clock(services.clock)
    , presentation(services.presentation)
    , deliveryPolicy(services.defaults)
    , foreground(services.foreground, ownApplicationId(), QCoreApplication::applicationPid())
    , search(new CandidateSearch(services.client, this))
    , openSources(std::move(openSources))
{
    connect(&presentation, &PresentationMode::changed, this, [this] {
        if (presentation.isEnabled())
            suppressForPresentation();
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
    if (onDigestCountChanged)
        onDigestCountChanged(daemonSignals.heldBack.size());
    refreshDeliveryPolicy();
    refreshSignals();
    deliveryPolicy.removeObsoleteKeys();
    clock.after(firstPassDelay(), this, [this] { consider(); });
    if (environmentSwitch(previewSwitch))
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

void InterjectionController::noteDecision(const QString& text)
{
    deliveryPolicy.setLastDecision(text);
    emit settingsChanged();
}

void InterjectionController::setFeedback(const QString& text, bool failure)
{
    settingsFeedback = Feedback{text, failure};
    emit settingsChanged();
}

void InterjectionController::record(const QString& outcome, const Candidate& candidate)
{
    const QPointer<InterjectionController> self(this);
    client.recordInterjectionOutcome(candidate.id, candidate.kind, outcome, candidate.confidence, candidate.sources,
                                     this, [self](Reply) {
                                         if (self)
                                             self->refreshSignals();
                                     });
}

void InterjectionController::packageOutcome(const Candidate& candidate, const QString& word)
{
    if (candidate.packageID)
        client.recordHumanOutcome(*candidate.packageID, word, this, [](Reply) {});
}

void InterjectionController::refreshSignals(std::function<void(bool)> done)
{
    const QPointer<InterjectionController> self(this);
    client.interjectionSignals(this, [self, done = std::move(done)](Reply reply) {
        if (!self)
            return;
        const auto fresh = Signals::read(reply);
        if (fresh) {
            self->daemonSignals = *fresh;
            if (self->onDigestCountChanged)
                self->onDigestCountChanged(fresh->heldBack.size());
            emit self->settingsChanged();
        }
        if (done)
            done(fresh.has_value());
    });
}

void InterjectionController::refreshDeliveryPolicy(std::function<void()> done)
{
    const QPointer<InterjectionController> self(this);
    client.status(this, [self, done = std::move(done)](Reply reply) {
        if (!self)
            return;
        if (!reply) {
            self->settingsPolicyLoaded = false;
            self->setFeedback(QStringLiteral("Could not load policy. Showing last known values; refresh to retry."),
                              true);
        } else {
            self->settingsPolicyLoaded = true;
            self->deliveryPolicy.storeFromStatus(*reply);
            if (!self->settingsPending)
                self->setFeedback(QStringLiteral("Policy loaded."), false);
        }
        if (done)
            done();
    });
}

void InterjectionController::saveDeliveryPolicy(std::optional<bool> enabled, std::optional<qint64> daily,
                                                std::optional<qint64> retry, std::optional<bool> quiet,
                                                std::optional<bool> reopened)
{
    if (!settingsPolicyLoaded || settingsPending) {
        emit settingsChanged();
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
    const QPointer<InterjectionController> self(this);
    client.setDeliveryPolicy(v.enabled, v.daily, v.retry, v.reopened, hour(v.quietStart), hour(v.quietEnd), this,
                             [self, v](Reply reply) {
                                 if (!self)
                                     return;
                                 self->settingsPending = false;
                                 if (Json::isKind(reply, u"ok")) {
                                     self->deliveryPolicy.store(v);
                                     self->setFeedback(QStringLiteral("Policy saved."), false);
                                     return;
                                 }
                                 // Only a fresh load may be saved on again.
                                 self->settingsPolicyLoaded = false;
                                 self->setFeedback(QStringLiteral("Save was not confirmed. Showing last confirmed "
                                                                  "values; refresh before retrying."),
                                                   true);
                             });
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
    if (Decision::countsAgainstCap(accounting))
        deliveryPolicy.stampShown(candidate, clock.now());
    if (Decision::countShown(daemonSignals, accounting))
        record(QStringLiteral("shown"), candidate);
    current = candidate;
    mutePending = false;
    currentAccounting = accounting;
    if (accounting == Accounting::semanticCard)
        noteDecision(InterjectionText::spokeReopened(candidate.kind));
    else if (accounting == Accounting::searchCard)
        noteDecision(InterjectionText::spokeSearch(candidate.confidence,
                                                   Decision::relevanceGate(daemonSignals, candidate.kind)));

    const bool semantic = accounting == Accounting::semanticCard;
    const InterjectionCard::Content content{
        InterjectionText::kicker(candidate.kind), candidate.label, InterjectionText::relatedTo(candidate.context),
        InterjectionText::evidence(candidate, semantic),
        InterjectionText::cardMetrics(semantic ? std::nullopt : std::optional<double>(candidate.confidence),
                                      environmentSwitch(previewSwitch) ? 1 : daemonSignals.shownToday,
                                      deliveryPolicy.dailyCap(), daemonSignals.shownTotal, daemonSignals.openedTotal)};
    if (panel) {
        // A card replaced by another leaves without an outcome of its own.
        InterjectionCard* previous = panel;
        panel = nullptr;
        previous->hide();
        previous->deleteLater();
    }
    auto* card = new InterjectionCard(content);
    card->setAttribute(Qt::WA_DeleteOnClose, false);
    panel = card;
    const QPointer<InterjectionCard> mine(card);
    // The window manager may close the card, or presentation mode hide it: either ends the card.
    InterjectionCard::Actions actions{[this] { openClicked(); }, [this] { laterClicked(); }, [this] { muteClicked(); },
                                      [this, mine] {
                                          if (mine && panel == mine)
                                              close();
                                      }};
    card->setActions(std::move(actions));
    card->place();
    card->show();
    card->raise();

    packageOutcome(candidate, QStringLiteral("shown"));
    autoClose = std::make_unique<QObject>();
    clock.after(autoCloseSeconds, autoClose.get(), [this, candidate] {
        packageOutcome(candidate, QStringLiteral("auto_closed"));
        close();
    });
}

void InterjectionController::openClicked()
{
    if (!current)
        return;
    const Candidate candidate = *current;
    if (currentAccounting == Decision::Accounting::searchCard)
        record(QStringLiteral("opened"), candidate);
    packageOutcome(candidate, QStringLiteral("opened"));
    close();
    if (openSources)
        openSources(candidate);
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
    if (panel)
        panel->muteButton->setEnabled(false);
    showCardFeedback(QStringLiteral("Saving preference…"), false);
    const Candidate clicked = *current;
    const QPointer<InterjectionCard> clickedPanel = panel;
    const QPointer<InterjectionController> self(this);
    client.setInterjectionKindStance(
        clicked.kind, QStringLiteral("muted"), this, [self, clicked, clickedPanel](Reply reply) {
            if (!self)
                return;
            const bool saved = Json::isKind(reply, u"ok");
            if (saved) {
                self->refreshSignals();
                self->packageOutcome(clicked, QStringLiteral("muted"));
            }
            // A card that changed or went meanwhile keeps what it shows.
            if (!clickedPanel || self->panel != clickedPanel || self->current != clicked)
                return;
            self->mutePending = false;
            self->panel->muteButton->setEnabled(true);
            if (saved)
                self->close();
            else
                self->showCardFeedback(
                    QStringLiteral("Could not save this preference. Try again; this kind is not muted yet."), true);
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

void InterjectionController::suppressForPresentation()
{
    close();
}

} // namespace vesk
