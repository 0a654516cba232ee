#include "AppDelegate.h"

#include "AskWindow.h"
#include "Clock.h"
#include "Ink.h"
#include "MenuText.h"
#include "PresentationMode.h"
#include "StatusIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <algorithm>
#include <cstdio>

namespace vesk {

double AppDelegate::retryDelay(int attempt)
{
    return std::min(0.5 * (attempt + 1), 5.0);
}

AppDelegate::AppDelegate(Services services, LaunchSwitches switches, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , platform(services.platform)
    , presentation(services.presentation)
    , clock(services.clock)
    , switches(switches)
    , menu({services.client, services.presentation, services.alerts, services.clock})
{
    connect(this, &AppDelegate::shortcutPressed, this, [this] { askWindow().toggle(); });
    connect(&menu, &StatusMenu::opening, this, &AppDelegate::sendHello);
    connect(&menu, &StatusMenu::askRequested, this, [this] { askWindow().show(); });
    connect(&menu, &StatusMenu::inboxRequested, this, &AppDelegate::openInbox);
    connect(&menu, &StatusMenu::proposalsChanged, this, [this] { render(last); });
}

AppDelegate::~AppDelegate() = default;

AskWindow& AppDelegate::askWindow()
{
    if (!ask) {
        ask = std::make_unique<AskWindow>(client, clock, &presentation);
        ask->updateCaptureStatus(menu.item(StatusMenu::Line::state)->text());
    }
    return *ask;
}

void AppDelegate::applicationDidFinishLaunching()
{
    const auto registration = platform.hotkey->registerShortcut(this, [this] { emit shortcutPressed(); });
    const QString failure = MenuText::shortcutFailureLine(registration);
    if (!failure.isEmpty())
        std::fputs(failure.toUtf8().constData(), stderr);

    createStatusItem();
    render(DaemonClient::Unreachable{});
    item->setVisible(true); // after the first icon: an item without one is not shown
    if (switches.debug)
        clock.after(1.0, this, [this] { printDiagnostics(); });
    item->setContextMenu(menu.menu());

    if (!switches.onboardingPreview && !switches.firstRunPreview)
        sendHello();

    client.watch(this, [this](const DaemonClient::State& state) {
        render(state);
        menu.requestProposals();
    });

    // Background-service registration comes first once it exists; until then the chains start
    // directly.
    untilOnboardingKnown(0, [this](bool onboarded) {
        menu.setSetupNeeded(!onboarded);
        if (!onboarded && !presentation.isEnabled())
            emit setupNeeded();
    });
    untilOnboardingKnown(0, [this](bool onboarded) {
        if (onboarded)
            emit this->onboarded();
    });

    // The ask panel exists from launch; its first-run buttons stay unset until the onboarding and
    // privacy windows join the build.
    askWindow();
    if (switches.firstRunPreview)
        askWindow().showFirstRun();
    // The data and privacy surfaces open here too once their windows exist.
    if (switches.surface == LaunchSwitches::Surface::inbox)
        askWindow().showInbox();
}

void AppDelegate::render(const DaemonClient::State& state)
{
    last = state;
    const qint64 waiting = menu.pendingProposals();
    const MenuText::StateLines lines = MenuText::forState(state, waiting);
    const bool dark = Ink::isDark(nullptr);
    const IconInputs inputs{lines.glyph, (lines.recording ? Ink::dot() : Ink::text2()).resolve(dark), waiting, dark};
    // A flood of identical states must not repaint the icon each time.
    if (inputs != drawn) {
        drawn = inputs;
        drawnIcon = dotIcon(inputs.glyph, inputs.colour, lines.recording, waiting, dark);
        if (item)
            item->setIcon(drawnIcon);
    }
    if (lines.tooltip != tip) {
        tip = lines.tooltip;
        if (item)
            item->setToolTip(tip);
    }
    menu.setStateLine(lines.title);
    if (ask)
        ask->updateCaptureStatus(lines.title);
}

void AppDelegate::createStatusItem()
{
    item = std::make_unique<QSystemTrayIcon>();
    item->setIcon(drawnIcon);
    item->setToolTip(tip);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fputs("[vesk-app] no system tray available; Vesk keeps running without its status item.\n", stderr);
    menu.iconGeometry = [this] { return item ? item->geometry() : QRect(); };
    // A left click opens the same menu as a right click: the item has no other action.
    connect(item.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && item->geometry().isValid())
            menu.menu()->popup(QCursor::pos());
    });
}

void AppDelegate::sendHello()
{
    const QPointer<AppDelegate> self(this);
    client.hello(this, [self](Reply reply) {
        if (self && self->onHello)
            self->onHello(reply);
    });
}

void AppDelegate::openInbox()
{
    askWindow().showInbox();
    menu.requestProposals();
}

void AppDelegate::untilOnboardingKnown(int attempt, std::function<void(bool onboarded)> known)
{
    const QPointer<AppDelegate> self(this);
    client.needsOnboarding(this, [self, attempt, known](std::optional<bool> needed) {
        if (!self)
            return;
        if (needed)
            return known(!*needed);
        if (attempt < lastAttempt)
            self->clock.after(retryDelay(attempt), self, [self, attempt, known] {
                if (self)
                    self->untilOnboardingKnown(attempt + 1, known);
            });
    });
}

void AppDelegate::printDiagnostics()
{
    const QRect geometry = item ? item->geometry() : QRect();
    const QScreen* screen = QGuiApplication::primaryScreen();
    // Linux screens have no notch: its edges are reported as missing.
    const QString line
        = MenuText::diagnosticLine(item && item->isVisible() && QSystemTrayIcon::isSystemTrayAvailable(), geometry.x(),
                                   geometry.width(), screen ? screen->geometry().width() : 0.0, -1.0, -1.0);
    std::fputs(line.toUtf8().constData(), stderr);
}

} // namespace vesk
