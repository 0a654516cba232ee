#include "AppDelegate.h"

#include "AskWindow.h"
#include "BundledService.h"
#include "Clock.h"
#include "DataWindow.h"
#include "Defaults.h"
#include "Diagnostics.h"
#include "DigestWindow.h"
#include "Ink.h"
#include "InterjectionController.h"
#include "InterjectionSettingsWindow.h"
#include "MenuText.h"
#include "OnboardingCheck.h"
#include "OnboardingWindow.h"
#include "PresentationMode.h"
#include "PrivacyExclusionsWindow.h"
#include "StaleBuild.h"
#include "StatusIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace vesk {

AppDelegate::AppDelegate(Services services, LaunchSwitches switches, ProcessFacts process, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , platform(services.platform)
    , presentation(services.presentation)
    , alerts(services.alerts)
    , clock(services.clock)
    , defaults(services.defaults)
    , trayAvailable(std::move(services.trayAvailable))
    , switches(std::move(switches))
    , process(std::move(process))
    , menu({services.client, services.presentation, services.alerts, services.clock})
    , shortcut({services.platform, services.defaults, services.alerts, services.presentation})
    , stale(std::make_unique<StaleBuild>(StaleBuild::Services{services.defaults, services.alerts, *platform.launcher},
                                         this->process.executableTime, this->process.relaunched))
{
    // The shortcut on the guide's last page opens the ask panel from the guide.
    connect(this, &AppDelegate::shortcutPressed, this, [this] {
        if (!onboardingWindow().openAskFromGuide())
            askWindow().toggle();
    });
    connect(&shortcut, &AskShortcut::pressed, this, &AppDelegate::shortcutPressed);
    connect(&shortcut, &AskShortcut::notice, this, [this](const QString& line) { askWindow().tell(line); });
    connect(&shortcut, &AskShortcut::keysChanged, this, [this](const KeyChord& keys) {
        menu.setAskKeys(keys);
        askWindow().setShortcutKeys(keys);
    });
    connect(this, &AppDelegate::helloAnswered, stale.get(), &StaleBuild::quitIfStale);
    connect(stale.get(), &StaleBuild::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(&menu, &StatusMenu::opening, this, &AppDelegate::sendHello);
    connect(&menu, &StatusMenu::askRequested, this, [this] { askWindow().show(); });
    connect(&menu, &StatusMenu::inboxRequested, this, &AppDelegate::openInbox);
    connect(&menu, &StatusMenu::dataRequested, this, [this] { dataWindow().show(); });
    connect(&menu, &StatusMenu::privacyRequested, this, [this] { privacyWindow().show(); });
    connect(&menu, &StatusMenu::digestRequested, this, [this] { digestWindow().showWeeklyDigest(); });
    connect(&menu, &StatusMenu::interjectionSettingsRequested, this,
            [this] { interjectionSettingsWindow().showSettings(); });
    connect(&menu, &StatusMenu::proposalsChanged, this, [this] { render(last); });
    connect(&menu, &StatusMenu::setupRequested, this, [this] { onboardingWindow().show(false); });
    connect(&menu, &StatusMenu::reviewSetupRequested, this, [this] { onboardingWindow().show(true); });
    connect(&menu, &StatusMenu::diagnosticsRequested, this, &AppDelegate::runDoctor);
    connect(this, &AppDelegate::setupNeeded, this, [this] { onboardingWindow().show(false); });
    connect(this, &AppDelegate::servicePrepared, this, [this](bool firstRegistration) {
        if (firstRegistration)
            onboardingWindow().show(false);
        checkOnboarding(&AppDelegate::offerSetup);
        checkOnboarding(&AppDelegate::startReminders);
    });
    connect(this, &AppDelegate::onboarded, this, [this] { reminders().start(); });
    connect(&defaults, &Defaults::saveFailed, this, [this](const QString& reason) {
        if (unsavedTold || unsavedReason)
            return;
        unsavedReason = reason;
        // Later: the save may be part of a click still being handled.
        QTimer::singleShot(0, this, &AppDelegate::tellSettingsUnsaved);
    });
    connect(&presentation, &PresentationMode::changed, this, &AppDelegate::tellSettingsUnsaved, Qt::QueuedConnection);
}

void AppDelegate::tellSettingsUnsaved()
{
    if (!unsavedReason || unsavedTold || presentation.isEnabled())
        return;
    unsavedTold = true;
    AlertSpec notice;
    notice.style = AlertSpec::Style::warning;
    notice.title = QStringLiteral("Vesk could not save your settings");
    notice.text = QStringLiteral("Your settings could not be saved: ") + *unsavedReason
        + QStringLiteral(". Vesk keeps working with your choices until it quits, but they will be lost then.");
    notice.buttons = {QStringLiteral("OK")};
    alerts.run(notice);
}

AppDelegate::~AppDelegate() = default;

AskWindow& AppDelegate::askWindow()
{
    if (!ask) {
        ask = std::make_unique<AskWindow>(client, clock, &presentation);
        ask->updateCaptureStatus(menu.item(StatusMenu::Line::state)->text());
        connect(ask.get(), &AskWindow::privacyExclusionsRequested, this, [this] { privacyWindow().show(); });
    }
    return *ask;
}

OnboardingWindow& AppDelegate::onboardingWindow()
{
    if (!onboarding) {
        onboarding = std::make_unique<OnboardingWindow>(
            OnboardingWindow::Services{client, defaults, *platform.permissions, &presentation});
        connect(onboarding.get(), &OnboardingWindow::askRequested, this, [this] { askWindow().show(); });
        // Setup is complete on the daemon's word: the setup line goes and the reminders start.
        connect(onboarding.get(), &OnboardingWindow::finished, this, [this] {
            menu.setSetupNeeded(false);
            emit onboarded();
        });
    }
    return *onboarding;
}

InterjectionController& AppDelegate::reminders()
{
    if (!interjections) {
        interjections = std::make_unique<InterjectionController>(
            InterjectionController::Services{client, defaults, clock, presentation, *platform.foregroundWindow,
                                             *platform.windowManager},
            switches.interjections);
        connect(interjections.get(), &InterjectionController::openRequested, this, &AppDelegate::openSources);
        connect(interjections.get(), &InterjectionController::digestCountChanged, &menu, &StatusMenu::updateDigestItem);
    }
    return *interjections;
}

DataWindow& AppDelegate::dataWindow()
{
    if (!data)
        data = std::make_unique<DataWindow>(client, alerts, &presentation);
    return *data;
}

PrivacyExclusionsWindow& AppDelegate::privacyWindow()
{
    if (!privacy)
        privacy = std::make_unique<PrivacyExclusionsWindow>(client, *platform.workspace, alerts, &presentation);
    return *privacy;
}

DigestWindow& AppDelegate::digestWindow()
{
    if (!digest) {
        digest = std::make_unique<DigestWindow>(DigestWindow::Services{client, reminders().settings(), presentation},
                                                switches.digestPreview);
        connect(digest.get(), &DigestWindow::openRequested, this, &AppDelegate::openSources);
    }
    return *digest;
}

InterjectionSettingsWindow& AppDelegate::interjectionSettingsWindow()
{
    if (!interjectionSettings)
        interjectionSettings = std::make_unique<InterjectionSettingsWindow>(reminders().settings(), presentation);
    return *interjectionSettings;
}

void AppDelegate::openSources(const Candidate& c)
{
    // A reminder's "Open sources" lands on the item's entity page in the ask panel.
    askWindow().showEntity(c.id, c.label, c.kind, c.sources);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // Asked first: what the shortcut's failure line advises depends on it.
    trayHost = trayAvailable();
    shortcut.start(trayHost);

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

    // The background service first: its first registration opens setup, then the chains ask.
    prepareService();
    if (switches.onboardingPreview)
        onboardingWindow().show(true);

    // The ask panel exists from launch.
    connect(&askWindow(), &AskWindow::agentConnectionsRequested, this,
            [this] { onboardingWindow().showConnections(); });
    // Without a tray host nothing else would show that Vesk runs: the panel is its way in.
    const bool panelAtStart = !trayHost;
    if (panelAtStart)
        askWindow().show();
    if (switches.firstRunPreview)
        askWindow().showFirstRun();
    switch (switches.surface) {
    case LaunchSwitches::Surface::data:
        dataWindow().show();
        break;
    case LaunchSwitches::Surface::inbox:
        askWindow().showInbox();
        break;
    case LaunchSwitches::Surface::privacy:
        privacyWindow().show();
        break;
    case LaunchSwitches::Surface::none:
        break;
    }
    if (switches.digestPreview)
        digestWindow().showWeeklyDigest();
    if (switches.settingsPreview)
        interjectionSettingsWindow().showSettings();
}

void AppDelegate::activate(const Activation& activation)
{
    // Named actions join here as the command line learns them; a plain activation, like `vesk --ask`,
    // shows the panel.
    if (activation.action.isEmpty() || activation.action == askAction)
        askWindow().show();
    // `vesk --shortcut` wrote the keys into the settings file beside us.
    if (activation.action == shortcutAction) {
        defaults.reload();
        shortcut.start(trayHost);
    }
}

void AppDelegate::runDoctor()
{
    if (const auto failure = Diagnostics::run(*platform.launcher, process.layout.find(QStringLiteral("veskd"))))
        alerts.run(*failure);
}

void AppDelegate::prepareService()
{
    auto* service = new BundledService({*platform.serviceManager, defaults, alerts}, process.build, this);
    connect(service, &BundledService::prepared, this, [this, service](bool firstRegistration) {
        service->deleteLater();
        emit servicePrepared(firstRegistration);
    });
    service->prepare();
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
    if (!trayHost) {
        std::fputs("[vesk-app] no system tray available; the ask panel opens instead, and starting Vesk again "
                   "(or vesk --ask) shows it.\n",
                   stderr);
        // Started from the launcher, nobody reads standard error.
        askWindow().tell(MenuText::noTrayNotice());
    }
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
