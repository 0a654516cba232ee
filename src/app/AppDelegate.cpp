#include "AppDelegate.h"

#include "AskWindow.h"
#include "Clock.h"
#include "Ink.h"
#include "InterjectionController.h"
#include "MenuText.h"
#include "OnboardingCheck.h"
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

AppDelegate::AppDelegate(Services services, LaunchSwitches switches, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , platform(services.platform)
    , presentation(services.presentation)
    , clock(services.clock)
    , defaults(services.defaults)
    , switches(std::move(switches))
    , menu({services.client, services.presentation, services.alerts, services.clock})
{
    connect(this, &AppDelegate::shortcutPressed, this, [this] { askWindow().toggle(); });
    connect(&menu, &StatusMenu::opening, this, &AppDelegate::sendHello);
    connect(&menu, &StatusMenu::askRequested, this, [this] { askWindow().show(); });
    connect(&menu, &StatusMenu::inboxRequested, this, &AppDelegate::openInbox);
    connect(&menu, &StatusMenu::proposalsChanged, this, [this] { render(last); });
    connect(this, &AppDelegate::onboarded, this, [this] { reminders().start(); });
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

InterjectionController& AppDelegate::reminders()
{
    if (!interjections) {
        interjections = std::make_unique<InterjectionController>(
            InterjectionController::Services{client, defaults, clock, presentation, *platform.foregroundWindow},
            switches.interjections);
        // A card's "Open sources" lands on the item's entity page in the ask panel.
        connect(interjections.get(), &InterjectionController::openRequested, this,
                [this](const Candidate& c) { askWindow().showEntity(c.id, c.label, c.kind, c.sources); });
        connect(interjections.get(), &InterjectionController::digestCountChanged, &menu, &StatusMenu::updateDigestItem);
    }
    return *interjections;
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
    checkOnboarding(&AppDelegate::offerSetup);
    checkOnboarding(&AppDelegate::startReminders);

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
    menu.setStatusItem(item.get());
    // A left click opens the same menu as a right click: the item has no other action.
    connect(item.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && item->geometry().isValid())
            menu.menu()->popup(QCursor::pos());
    });
}

void AppDelegate::sendHello()
{
    client.hello(this, [this](Reply reply) { emit helloAnswered(reply); });
}

void AppDelegate::openInbox()
{
    askWindow().showInbox();
    menu.requestProposals();
}

void AppDelegate::checkOnboarding(void (AppDelegate::*then)(bool onboarded))
{
    auto* check = new OnboardingCheck(client, clock, this);
    connect(check, &OnboardingCheck::settled, this, [this, check, then](std::optional<bool> onboarded) {
        check->deleteLater();
        // A chain that gave up stays silent.
        if (onboarded)
            (this->*then)(*onboarded);
    });
    check->start();
}

void AppDelegate::offerSetup(bool onboarded)
{
    menu.setSetupNeeded(!onboarded);
    if (!onboarded && !presentation.isEnabled())
        emit setupNeeded();
}

void AppDelegate::startReminders(bool onboarded)
{
    // Not onboarded: the reminders wait for the onboarding window to report that setup finished.
    if (onboarded)
        emit this->onboarded();
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
