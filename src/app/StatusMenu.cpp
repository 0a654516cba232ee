#include "StatusMenu.h"

#include "Clock.h"
#include "Json.h"
#include "PresentationMode.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <algorithm>
#include <utility>

namespace vesk {

const QStringList StatusMenu::tierOrder{QStringLiteral("answers"), QStringLiteral("embeddings"),
                                        QStringLiteral("relations"), QStringLiteral("profile")};

StatusMenu::StatusMenu(Services services, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , presentation(services.presentation)
    , alerts(services.alerts)
    , clock(services.clock)
{
    build();
    connect(&presentation, &PresentationMode::changed, this, &StatusMenu::renderPresentationMode);
}

StatusMenu::~StatusMenu() = default;

QAction* StatusMenu::item(Line line) const
{
    return lines.at(line);
}

QAction* StatusMenu::tierItem(const QString& tier) const
{
    const auto found = tierItems.find(tier);
    return found == tierItems.end() ? nullptr : found->second;
}

void StatusMenu::build()
{
    root = std::make_unique<QMenu>();
    connect(root.get(), &QMenu::aboutToShow, this, &StatusMenu::menuWillOpen);
    root->installEventFilter(this);

    auto add = [this](Line line, const QString& title, bool enabled = true) {
        QAction* a = root->addAction(title);
        a->setEnabled(enabled);
        lines[line] = a;
        return a;
    };
    auto act = [this](Line line, auto slot) { connect(lines.at(line), &QAction::triggered, this, slot); };

    add(Line::state, QStringLiteral("…"), false);
    // While presenting, the windows and the ask shortcut do nothing: the menu says why.
    add(Line::presenting, MenuText::presentingLine(), false)->setVisible(false);
    // Windows not yet part of this build keep their line, disabled, so the menu promises nothing
    // it cannot do.
    add(Line::setup, QStringLiteral("Set up Vesk…"))->setVisible(false);
    act(Line::setup, &StatusMenu::setupRequested);
    root->addSeparator();
    add(Line::disk, QStringLiteral("Pixels …"), false);
    add(Line::database, QStringLiteral("Database …"), false);
    root->addSeparator();
    add(Line::capture, QStringLiteral("Pause recording"))->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_P));
    act(Line::capture, [this] {
        toggleSwitch(&StatusMenu::capturePaused, Line::capture, &DaemonClient::setCapture, MenuText::captureSwitchLine);
    });
    add(Line::injection, QStringLiteral("Injection …"))->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_I));
    act(Line::injection, [this] {
        toggleSwitch(&StatusMenu::injectionOn, Line::injection, &DaemonClient::setInjection,
                     MenuText::injectionSwitchLine);
    });
    add(Line::presentation, QStringLiteral("Presentation Mode"))->setCheckable(true);
    act(Line::presentation, &StatusMenu::togglePresentationMode);
    renderPresentationMode();

    auto* tiers = new QMenu(root.get());
    tiers->installEventFilter(this);
    add(Line::egress, QStringLiteral("What leaves this machine"))->setMenu(tiers);
    for (const QString& tier : tierOrder) {
        QAction* a = tiers->addAction(MenuText::tierTitle(tier));
        a->setData(tier);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] { toggleTier(a); });
        tierItems[tier] = a;
    }
    renderTiers();
    root->addSeparator();
    add(Line::ask, QStringLiteral("Ask something"));
    setAskKeys(KeyChord::standard());
    act(Line::ask, &StatusMenu::askRequested);
    root->addSeparator();
    add(Line::inbox, QStringLiteral("What it knows about you"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    act(Line::inbox, &StatusMenu::inboxRequested);
    add(Line::digest, QStringLiteral("Weekly review"), false);
    act(Line::digest, &StatusMenu::digestRequested);
    add(Line::interjectionSettings, QStringLiteral("Interjection settings…"));
    act(Line::interjectionSettings, &StatusMenu::interjectionSettingsRequested);
    root->addSeparator();
    add(Line::data, QStringLiteral("Your data…"));
    act(Line::data, &StatusMenu::dataRequested);
    add(Line::privacy, QStringLiteral("Privacy exclusions…"));
    act(Line::privacy, &StatusMenu::privacyRequested);
    add(Line::reviewSetup, QStringLiteral("Review setup && permissions…")); // "&&" shows one "&"
    act(Line::reviewSetup, &StatusMenu::reviewSetupRequested);
    add(Line::diagnostics, QStringLiteral("Run diagnostics"));
    act(Line::diagnostics, &StatusMenu::diagnosticsRequested);
    // No software-update feed on this platform, so no "Check for Updates…" line.
    add(Line::quit, QStringLiteral("Quit Vesk"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(lines.at(Line::quit), &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void StatusMenu::setStatusItem(const QSystemTrayIcon* icon)
{
    statusItem = icon;
}

void StatusMenu::setStateLine(const QString& title)
{
    lines.at(Line::state)->setText(title);
}

void StatusMenu::setAskKeys(const KeyChord& keys)
{
    lines.at(Line::ask)->setShortcut(QKeySequence(QKeyCombination(keys.qtModifiers(), Qt::Key(keys.qtKey()))));
}

void StatusMenu::setSetupNeeded(bool needed)
{
    lines.at(Line::setup)->setVisible(needed);
}

void StatusMenu::updateDigestItem(qint64 count)
{
    QAction* digest = lines.at(Line::digest);
    digest->setText(MenuText::digestLine(count));
    digest->setEnabled(count >= 1);
}

void StatusMenu::menuWillOpen()
{
    emit opening();
    requestProposals();
    client.status(this, statusWords.whenNewest([this](Reply reply) { applyStatus(reply); }));
}

void StatusMenu::requestProposals()
{
    if (proposalsInFlight) {
        proposalsWaiting = true;
        return;
    }
    proposalsInFlight = true;
    client.proposals(200, this, [this](Reply reply) {
        proposalsInFlight = false;
        refreshProposalCount(reply);
        if (std::exchange(proposalsWaiting, false))
            requestProposals();
    });
}

void StatusMenu::refreshProposalCount(const Reply& reply)
{
    const auto proposals = reply ? Json::objects(*reply, u"proposals") : std::nullopt;
    if (!proposals || proposals->size() == proposalCount)
        return;
    proposalCount = proposals->size();
    lines.at(Line::inbox)->setText(MenuText::inboxLine(proposalCount));
    emit proposalsChanged();
}

void StatusMenu::applyStatus(const Reply& reply)
{
    if (!reply) {
        lines.at(Line::disk)->setText(QStringLiteral("Pixels      unavailable"));
        lines.at(Line::database)->setText(QStringLiteral("Database    unavailable"));
        lines.at(Line::injection)->setText(QStringLiteral("Injection   unavailable"));
        injectionOn.reset();
        capturePaused.reset();
        lines.at(Line::capture)->setText(QStringLiteral("Recording control unavailable"));
        tierState.clear();
        renderTiers();
        return;
    }
    const QJsonObject& r = *reply;
    if (const auto onboarded = Json::boolean(r, u"onboarded"))
        setSetupNeeded(!*onboarded);
    lines.at(Line::disk)->setText(MenuText::pixelsLine(Json::integer(r, u"pixel_bytes")));
    lines.at(Line::database)->setText(MenuText::databaseLine(Json::integer(r, u"db_bytes")));

    const auto paused = Json::boolean(r, u"capture_paused");
    if (!paused) {
        capturePaused.reset();
        lines.at(Line::capture)->setText(QStringLiteral("Recording control unknown"));
        return;
    }
    // Pause ends are milliseconds, read as integers.
    renderCapture(*paused, Json::numberAsInteger(r, u"capture_paused_until_ms"));

    const std::optional<qint64> today = Json::count(r, u"injections_today");
    const auto enabled = Json::boolean(r, u"injection_enabled");
    if (!enabled) {
        injectionOn.reset();
        lines.at(Line::injection)->setText(QStringLiteral("Injection   unknown"));
        return;
    }
    // Element by element: a malformed tier costs only its own line.
    tierState.clear();
    for (const QJsonObject& tier : Json::objects(r, u"tiers").value_or(QList<QJsonObject>{})) {
        const auto name = Json::string(tier, u"name");
        const auto on = Json::boolean(tier, u"enabled");
        const auto ready = Json::boolean(tier, u"ready");
        if (name && on && ready)
            tierState[*name] = MenuText::TierState{*on, *ready};
    }
    renderTiers();
    renderInjection(*enabled, today, Json::numberAsInteger(r, u"injection_paused_until_ms"));
}

void StatusMenu::renderCapture(bool paused, std::optional<qint64> pausedUntilMs)
{
    capturePaused = paused;
    lines.at(Line::capture)->setText(MenuText::captureLine(paused, pausedUntilMs, clock.now()));
}

void StatusMenu::renderInjection(bool enabled, std::optional<qint64> count, std::optional<qint64> pausedUntilMs)
{
    injectionOn = enabled;
    lines.at(Line::injection)->setText(MenuText::injectionLine(enabled, count, pausedUntilMs, clock.now()));
}

void StatusMenu::renderTiers()
{
    for (const auto& [tier, a] : tierItems) {
        const auto state = tierState.find(tier);
        const std::optional<MenuText::TierState> known
            = state == tierState.end() ? std::nullopt : std::optional<MenuText::TierState>(state->second);
        a->setText(MenuText::tierLine(tier, known));
        a->setEnabled(known.has_value());
        a->setChecked(known && known->enabled);
    }
}

void StatusMenu::toggleSwitch(std::optional<bool> StatusMenu::*value, Line line, SwitchRequest send,
                              QString (*lineAfter)(bool now))
{
    if (!(this->*value))
        return;
    (client.*send)(!*(this->*value), std::nullopt, this, [this, value, line, lineAfter](Reply reply) {
        std::optional<bool>& current = this->*value;
        if (!Json::isKind(reply, u"ok") || !current)
            return;
        statusWords.supersede();
        current = !*current;
        lines.at(line)->setText(lineAfter(*current));
    });
}

void StatusMenu::toggleTier(QAction* sender)
{
    const QString tier = sender->data().toString();
    const auto found = tierState.find(tier);
    // The check mark follows the daemon's answer, never the click that Qt already flipped.
    renderTiers();
    if (found == tierState.end())
        return;
    const bool turningOn = !found->second.enabled;
    if (turningOn) {
        if (alerts.run(MenuText::tierConfirmation(tier)) != 0)
            return;
    }
    client.setTier(tier, turningOn, this, [this, tier, turningOn](Reply reply) {
        if (!Json::isKind(reply, u"ok"))
            return;
        statusWords.supersede();
        const auto current = tierState.find(tier);
        const bool ready = current != tierState.end() && current->second.ready;
        tierState[tier] = MenuText::TierState{turningOn, ready};
        renderTiers();
    });
}

void StatusMenu::renderPresentationMode()
{
    const bool on = presentation.isEnabled();
    QAction* a = lines.at(Line::presentation);
    a->setChecked(on);
    a->setText(MenuText::presentationLine(on));
    lines.at(Line::presenting)->setVisible(on);
}

void StatusMenu::togglePresentationMode()
{
    // The menu line and every window that hides for the mode follow the mode's change signal.
    presentation.setEnabled(!presentation.isEnabled());
}

bool StatusMenu::eventFilter(QObject* watched, QEvent* event)
{
    auto* open = qobject_cast<QMenu*>(watched);
    if (!open)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A menu closes when Alt goes down, which would leave nothing for Alt+Shift+P to act on.
        return key->key() == Qt::Key_Alt || actOnKeyEquivalent(open, key->keyCombination());
    }
    case QEvent::Show:
    case QEvent::Resize:
        // Lines filled in after the menu opened make it wider (or taller): it must not grow off
        // the screen.
        keepOnScreen(open);
        return false;
    default:
        return false;
    }
}

bool StatusMenu::actOnKeyEquivalent(QMenu* open, const QKeyCombination& key)
{
    // A tray menu is no part of any window, so Qt never matches its actions' shortcuts: while the
    // menu has the keyboard, its key equivalents are matched here.
    const QKeySequence pressed(key);
    QList<QAction*> candidates = root->actions();
    if (open != root.get())
        candidates = open->actions() + candidates;
    for (QAction* a : candidates) {
        if (a->shortcut().isEmpty() || a->shortcut() != pressed || !a->isEnabled() || !a->isVisible())
            continue;
        // Close the whole chain of open menus first, as a click would.
        for (int depth = 0; depth < 4; ++depth)
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        a->trigger();
        return true;
    }
    return false;
}

void StatusMenu::keepOnScreen(QMenu* open)
{
    if (!open->isVisible())
        return;
    // Invalid when the tray does not say where the item sits.
    const QRect icon = statusItem ? statusItem->geometry() : QRect();
    QScreen* screen = icon.isValid() ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen)
        screen = open->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect g = open->geometry();
    const QPoint inside(std::clamp(g.x(), area.left(), std::max(area.left(), area.right() + 1 - g.width())),
                        std::clamp(g.y(), area.top(), std::max(area.top(), area.bottom() + 1 - g.height())));
    if (inside != g.topLeft())
        open->move(inside);
}

} // namespace vesk
