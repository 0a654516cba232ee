// The status item and the lines of its menu: rendered from the watch state and the status reply,
// and the switches that change the daemon.
#include "AppDelegate.h"

#include "AskWindow.h"
#include "Clock.h"
#include "Ink.h"
#include "Json.h"
#include "PresentationMode.h"
#include "StatusIcon.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace vesk {

namespace {
std::optional<qint64> pauseEnd(const QJsonObject& reply, QStringView key)
{
    // A number of milliseconds, read as an integer.
    return Json::numberAsInteger(reply, key);
}
} // namespace

void AppDelegate::render(const DaemonClient::State& state)
{
    lastState = state;
    const MenuText::StateLines lines = MenuText::forState(state, pendingProposals);
    const bool dark = Ink::isDark(nullptr);
    const QColor colour = (lines.recording ? Ink::dot() : Ink::text2()).resolve(dark);
    icon = dot(lines.glyph, colour, lines.recording, pendingProposals, dark);
    if (item) {
        item->setIcon(QIcon(QPixmap::fromImage(icon)));
        item->setToolTip(lines.tooltip);
    }
    toolTip = lines.tooltip;
    stateItem->setText(lines.title);
    if (ask)
        ask->updateCaptureStatus(lines.title);
}

void AppDelegate::menuWillOpen()
{
    sendHello();
    requestProposals();
    const QPointer<AppDelegate> self(this);
    client.status([self](Reply reply) {
        if (self)
            self->applyStatus(reply);
    });
}

void AppDelegate::applyStatus(const Reply& reply)
{
    if (!reply) {
        disk->setText(QStringLiteral("Pixels      unavailable"));
        database->setText(QStringLiteral("Database    unavailable"));
        injection->setText(QStringLiteral("Injection   unavailable"));
        injectionOn.reset();
        capturePaused.reset();
        capture->setText(QStringLiteral("Recording control unavailable"));
        tierState.clear();
        renderTiers();
        return;
    }
    const QJsonObject& r = *reply;
    if (const auto onboarded = Json::boolean(r, u"onboarded"))
        setup->setVisible(!*onboarded);
    disk->setText(MenuText::pixelsLine(Json::integer(r, u"pixel_bytes")));
    database->setText(MenuText::databaseLine(Json::integer(r, u"db_bytes")));

    const auto paused = Json::boolean(r, u"capture_paused");
    if (!paused) {
        capturePaused.reset();
        capture->setText(QStringLiteral("Recording control unknown"));
        return;
    }
    renderCapture(*paused, pauseEnd(r, u"capture_paused_until_ms"));

    const qint64 today = Json::integer(r, u"injections_today").value_or(0);
    const auto enabled = Json::boolean(r, u"injection_enabled");
    if (!enabled) {
        injectionOn.reset();
        injection->setText(QStringLiteral("Injection   unknown"));
        return;
    }
    tierState.clear();
    for (const QJsonObject& tier : Json::objects(r, u"tiers").value_or(QList<QJsonObject>{})) {
        const auto name = Json::string(tier, u"name");
        const auto on = Json::boolean(tier, u"enabled");
        const auto ready = Json::boolean(tier, u"ready");
        if (name && on && ready)
            tierState[*name] = MenuText::TierState{*on, *ready};
    }
    renderTiers();
    renderInjection(*enabled, today, pauseEnd(r, u"injection_paused_until_ms"));
}

void AppDelegate::renderCapture(bool paused, std::optional<qint64> pausedUntilMs)
{
    capturePaused = paused;
    capture->setText(MenuText::captureLine(paused, pausedUntilMs, clock.now()));
}

void AppDelegate::renderInjection(bool enabled, qint64 count, std::optional<qint64> pausedUntilMs)
{
    injectionOn = enabled;
    injection->setText(MenuText::injectionLine(enabled, count, pausedUntilMs, clock.now()));
}

void AppDelegate::renderTiers()
{
    for (const QString& tier : tierOrder) {
        const auto found = tierItems.find(tier);
        if (found == tierItems.end())
            continue;
        QAction* a = found->second;
        const auto state = tierState.find(tier);
        const std::optional<MenuText::TierState> known =
            state == tierState.end() ? std::nullopt : std::optional<MenuText::TierState>(state->second);
        a->setText(MenuText::tierLine(tier, known));
        a->setEnabled(known.has_value());
        a->setChecked(known && known->enabled);
    }
}

void AppDelegate::refreshProposalCount(const Reply& reply)
{
    const auto proposals = reply ? Json::objects(*reply, u"proposals") : std::nullopt;
    if (!proposals)
        return;
    const qint64 n = proposals->size();
    if (n == pendingProposals)
        return;
    pendingProposals = n;
    inboxItem->setText(MenuText::inboxLine(n));
    render(lastState);
}

void AppDelegate::toggleCapture()
{
    if (!capturePaused)
        return;
    const bool paused = !*capturePaused;
    const QPointer<AppDelegate> self(this);
    client.setCapture(paused, std::nullopt, [self](Reply reply) {
        if (!self || !Json::isKind(reply, u"ok") || !self->capturePaused)
            return;
        self->capturePaused = !*self->capturePaused;
        self->capture->setText(*self->capturePaused ? QStringLiteral("Resume recording")
                                                    : QStringLiteral("Pause recording"));
    });
}

void AppDelegate::toggleInjection()
{
    if (!injectionOn)
        return;
    const bool enabled = !*injectionOn;
    const QPointer<AppDelegate> self(this);
    client.setInjection(enabled, std::nullopt, [self](Reply reply) {
        if (!self || !Json::isKind(reply, u"ok") || !self->injectionOn)
            return;
        self->injectionOn = !*self->injectionOn;
        self->injection->setText(*self->injectionOn ? QStringLiteral("Turn injection off  ·  on")
                                                    : QStringLiteral("Turn injection on  ·  off"));
    });
}

void AppDelegate::toggleTier(QAction* sender)
{
    const QString tier = sender->data().toString();
    const auto found = tierState.find(tier);
    if (found == tierState.end()) {
        renderTiers(); // undo the check mark Qt flipped on the click
        return;
    }
    const bool turningOn = !found->second.enabled;
    if (turningOn) {
        const MenuText::TierAlert words = MenuText::tierAlert(tier);
        AlertSpec spec;
        spec.style = AlertSpec::Style::warning;
        spec.title = words.title;
        spec.text = words.text;
        spec.buttons = {QStringLiteral("Turn it on"), QStringLiteral("Cancel")};
        const int answer = alerts.run(spec);
        if (answer != 0) {
            renderTiers();
            return;
        }
    }
    renderTiers(); // the check mark follows the daemon's answer, not the click
    const QPointer<AppDelegate> self(this);
    client.setTier(tier, turningOn, [self, tier, turningOn](Reply reply) {
        if (!self || !Json::isKind(reply, u"ok"))
            return;
        const auto current = self->tierState.find(tier);
        const bool ready = current != self->tierState.end() && current->second.ready;
        self->tierState[tier] = MenuText::TierState{turningOn, ready};
        self->renderTiers();
    });
}

void AppDelegate::renderPresentationMode()
{
    const bool on = presentation.isEnabled();
    presentationModeItem->setChecked(on);
    presentationModeItem->setText(MenuText::presentationLine(on));
}

void AppDelegate::togglePresentationMode()
{
    presentation.setEnabled(!presentation.isEnabled());
    renderPresentationMode();
    if (!presentation.isEnabled())
        return;
    // Each owner hides its own surfaces (setEnabled has already hidden every window); the
    // onboarding, data and privacy windows and the reminders join this list as they are built.
    askWindow().suppressForPresentation();
}

} // namespace vesk
