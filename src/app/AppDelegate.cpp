#include "AppDelegate.h"

#include "AskWindow.h"
#include "BundledService.h"
#include "Clock.h"
#include "DataWindow.h"
#include "Defaults.h"
#include "Diagnostics.h"
#include "DigestWindow.h"
#include "InterjectionController.h"
#include "InterjectionSettings.h"
#include "InterjectionSettingsWindow.h"
#include "MainThread.h"
#include "MenuText.h"
#include "OnboardingCheck.h"
#include "OnboardingWindow.h"
#include "PresentationMode.h"
#include "PrivacyExclusionsWindow.h"
#include "SettingsNotice.h"
#include "StaleBuild.h"

#include <QCoreApplication>
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
    , status(menu)
    , unsavedNotice(std::make_unique<SettingsNotice>(services.defaults, services.presentation, services.alerts))
    , stale(std::make_unique<StaleBuild>(StaleBuild::Services{services.defaults, services.alerts, *platform.launcher},
                                         this->process.executableTime, this->process.relaunched))
{
    // The shortcut on the guide's last page opens the ask panel from the guide; a guide never
    // opened has no last page.
    connect(this, &AppDelegate::shortcutPressed, this, [this] {
        if (!onboarding || !onboarding->openAskFromGuide())
            askWindow().toggle();
    });
    connect(&shortcut, &AskShortcut::pressed, this, &AppDelegate::shortcutPressed);
    connect(&shortcut, &AskShortcut::notice, this, [this](const QString& line) { askWindow().tell(line); });
    connect(&shortcut, &AskShortcut::keysChanged, this, [this](const KeyChord& keys) {
        menu.setAskKeys(keys);
        if (ask)
            ask->setShortcutKeys(keys);
    });
    connect(this, &AppDelegate::helloAnswered, stale.get(), &StaleBuild::quitIfStale);
    connect(stale.get(), &StaleBuild::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(&menu, &StatusMenu::opening, this, &AppDelegate::sendHello);
    connect(&menu, &StatusMenu::askRequested, this, [this] { askWindow().show(); });
    connect(&menu, &StatusMenu::inboxRequested, this, &AppDelegate::openInbox);
    connect(&menu, &StatusMenu::dataRequested, this, [this] { dataWindow().open(); });
    connect(&menu, &StatusMenu::privacyRequested, this, [this] { privacyWindow().open(); });
    connect(&menu, &StatusMenu::digestRequested, this, [this] { digestWindow().showWeeklyDigest(); });
    connect(&menu, &StatusMenu::interjectionSettingsRequested, this,
            [this] { interjectionSettingsWindow().showSettings(); });
    connect(&menu, &StatusMenu::setupRequested, this, [this] { onboardingWindow().open(false); });
    connect(&menu, &StatusMenu::reviewSetupRequested, this, [this] { onboardingWindow().open(true); });
    connect(&menu, &StatusMenu::diagnosticsRequested, this, &AppDelegate::runDoctor);
    connect(this, &AppDelegate::setupNeeded, this, [this] { onboardingWindow().open(false); });
    connect(this, &AppDelegate::servicePrepared, this, [this](bool firstRegistration) {
        if (firstRegistration)
            onboardingWindow().open(false);
        checkOnboarding(&AppDelegate::offerSetup);
        checkOnboarding(&AppDelegate::startReminders);
    });
    connect(this, &AppDelegate::onboarded, this, [this] { reminders().start(); });
}

AppDelegate::~AppDelegate() = default;

AskWindow& AppDelegate::askWindow()
{
    if (!ask) {
        ask = std::make_unique<AskWindow>(AskWindow::Services{client, alerts, presentation, clock});
        ask->setShortcutKeys(shortcut.keys());
        ask->updateCaptureStatus(menu.item(StatusMenu::Line::state)->text());
        connect(&status, &StatusItem::stateLineChanged, ask.get(), &AskWindow::updateCaptureStatus);
        connect(ask.get(), &AskWindow::agentConnectionsRequested, this,
                [this] { onboardingWindow().openConnections(); });
        connect(ask.get(), &AskWindow::privacyExclusionsRequested, this, [this] { privacyWindow().open(); });
    }
    return *ask;
}

OnboardingWindow& AppDelegate::onboardingWindow()
{
    if (!onboarding) {
        onboarding = std::make_unique<OnboardingWindow>(
            OnboardingWindow::Services{client, defaults, *platform.permissions, presentation, shortcut});
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
            InterjectionController::Services{client, interjectionSettings(), clock, presentation,
                                             *platform.foregroundWindow, *platform.windowManager},
            switches.interjections);
        connect(interjections.get(), &InterjectionController::openRequested, this, &AppDelegate::openSources);
    }
    return *interjections;
}

InterjectionSettings& AppDelegate::interjectionSettings()
{
    if (!reminderSettings) {
        reminderSettings = std::make_unique<InterjectionSettings>(client, defaults, clock);
        connect(reminderSettings.get(), &InterjectionSettings::heldBackCounted, &menu, &StatusMenu::updateDigestItem);
    }
    return *reminderSettings;
}

DataWindow& AppDelegate::dataWindow()
{
    if (!data)
        data = std::make_unique<DataWindow>(client, alerts, presentation);
    return *data;
}

PrivacyExclusionsWindow& AppDelegate::privacyWindow()
{
    if (!privacy)
        privacy = std::make_unique<PrivacyExclusionsWindow>(client, *platform.workspace, *platform.permissions, alerts,
                                                            presentation);
    return *privacy;
}

DigestWindow& AppDelegate::digestWindow()
{
    if (!digest) {
        digest = std::make_unique<DigestWindow>(DigestWindow::Services{client, interjectionSettings(), presentation},
                                                switches.digestPreview);
        connect(digest.get(), &DigestWindow::openRequested, this, &AppDelegate::openSources);
    }
    return *digest;
}

InterjectionSettingsWindow& AppDelegate::interjectionSettingsWindow()
{
    if (!settingsWindow)
        settingsWindow = std::make_unique<InterjectionSettingsWindow>(interjectionSettings(), presentation);
    return *settingsWindow;
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

    status.render(DaemonClient::Unreachable{});
    status.create();
    if (!trayHost)
        std::fputs("[vesk-app] no system tray available; the ask panel opens instead, and starting Vesk again "
                   "(or vesk --ask) shows it.\n",
                   stderr);
    if (switches.debug)
        clock.after(1.0, this, [this] { std::fputs(status.diagnosticLine().toUtf8().constData(), stderr); });

    client.watch(this, [this](const DaemonClient::State& state) {
        status.render(state);
        menu.requestProposals();
    });
    afterFirstTurn(this, [this] { finishLaunching(); });
}

void AppDelegate::finishLaunching()
{
    if (!trayHost)
        // Started from the launcher, nobody reads standard error.
        askWindow().tell(MenuText::noTrayNotice());
    if (!switches.onboardingPreview && !switches.firstRunPreview)
        sendHello();

    // The background service first: its first registration opens setup, then the chains ask.
    prepareService();
    if (switches.onboardingPreview)
        onboardingWindow().open(true);

    // Without a tray host nothing else would show that Vesk runs: the panel is its way in.
    const bool panelAtStart = !trayHost;
    if (panelAtStart)
        askWindow().show();
    if (switches.firstRunPreview)
        askWindow().showFirstRun();
    switch (switches.surface) {
    case LaunchSwitches::Surface::data:
        dataWindow().open();
        break;
    case LaunchSwitches::Surface::inbox:
        askWindow().showInbox();
        break;
    case LaunchSwitches::Surface::privacy:
        privacyWindow().open();
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

} // namespace vesk
