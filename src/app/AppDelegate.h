#pragma once

#include "Alerts.h"
#include "AskShortcut.h"
#include "DaemonClient.h"
#include "InstallLayout.h"
#include "LaunchSwitches.h"
#include "PlatformServices.h"
#include "SingleInstance.h"
#include "StatusItem.h"
#include "StatusMenu.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

namespace vesk {

class AskWindow;
struct Candidate;
class Clock;
class DataWindow;
class Defaults;
class DigestWindow;
class InterjectionController;
class InterjectionSettings;
class InterjectionSettingsWindow;
class OnboardingWindow;
class PresentationMode;
class PrivacyExclusionsWindow;
class SettingsNotice;
class StaleBuild;

// What the process knows of itself, handed to the delegate by main.
struct ProcessFacts {
    // The build identity: a new one registers the background service again.
    QString build;
    // The running executable's modification time, seconds since 1970; nothing when unreadable.
    std::function<std::optional<double>()> executableTime;
    // Started by a relaunch after an update.
    bool relaunched = false;
    // Where the daemon program is looked for.
    InstallLayout layout;
};

// The application's owner object and its one composition root: it builds the status item and its
// menu, registers the global shortcut, runs the start-up sequence, and creates every window and
// controller by its accessor on first use (one of each, ever, kept for the life of the process).
// Windows reach one another only through the signals wired here. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        PlatformServices& platform;
        PresentationMode& presentation;
        Alerts& alerts;
        Clock& clock;
        Defaults& defaults;
        // Whether a tray host shows the status item (asked at launch).
        std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    };

    AppDelegate(Services services, LaunchSwitches switches, ProcessFacts process = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence: shortcut, status item, menu and watch at once; hello, the background
    // service, the setup offer, the reminders and the windows a launch opens once the event loop
    // has turned (afterFirstTurn).
    void applicationDidFinishLaunching();
    // The action of `vesk --ask`: show the ask panel.
    static inline const QString askAction = QStringLiteral("ask");
    // The action of `vesk --shortcut KEYS`, which stored the keys: register them at once.
    static inline const QString shortcutAction = QStringLiteral("shortcut");
    // A second start, or the desktop, activated this instance.
    void activate(const vesk::Activation& activation);
    // "Run diagnostics": the daemon's doctor in a terminal.
    void runDoctor();

    // The ask panel, created on first use and kept for the life of the process.
    AskWindow& askWindow();
    // The reminders, likewise; they start once the daemon says setup is complete.
    InterjectionController& reminders();
    // The "Your data" and privacy exclusions windows, likewise.
    DataWindow& dataWindow();
    PrivacyExclusionsWindow& privacyWindow();
    OnboardingWindow& onboardingWindow();
    const StaleBuild& staleBuild() const { return *stale; }
    // The reminders' state, shared by the reminders, the weekly review and the settings window;
    // the review and the settings window of held-back reminders, likewise.
    InterjectionSettings& interjectionSettings();
    DigestWindow& digestWindow();
    InterjectionSettingsWindow& interjectionSettingsWindow();

    // The ask shortcut: its keys, and `apply` for a change of keys.
    AskShortcut& askShortcut() { return shortcut; }
    const StatusMenu& statusMenu() const { return menu; }
    StatusMenu& statusMenu() { return menu; }
    StatusItem& statusItem() { return status; }

signals:
    // Every hello reply (the stale-build check hangs here).
    void helloAnswered(const vesk::Reply& reply);
    // The shortcut was pressed; the ask panel toggles on it.
    void shortcutPressed();
    // The daemon says setup is needed and presentation mode is off.
    void setupNeeded();
    // The daemon says setup is complete: the reminders may start.
    void onboarded();
    // The background service is prepared; the start-up chains follow.
    void servicePrepared(bool firstRegistration);

private:
    // The part of the start-up sequence that waits for the event loop.
    void finishLaunching();
    void sendHello();
    void openInbox();
    void openSources(const vesk::Candidate& item);
    // Starts a start-up chain that asks until the daemon says whether setup is complete.
    void checkOnboarding(void (AppDelegate::*then)(bool onboarded));
    void offerSetup(bool onboarded);
    void startReminders(bool onboarded);
    void prepareService();

    DaemonClient& client;
    PlatformServices& platform;
    PresentationMode& presentation;
    Alerts& alerts;
    Clock& clock;
    Defaults& defaults;
    std::function<bool()> trayAvailable;
    LaunchSwitches switches;
    ProcessFacts process;

    StatusMenu menu;
    AskShortcut shortcut;
    StatusItem status;
    std::unique_ptr<SettingsNotice> unsavedNotice;
    std::unique_ptr<AskWindow> ask;
    // Before everything that shows or changes it: it goes last.
    std::unique_ptr<InterjectionSettings> reminderSettings;
    std::unique_ptr<InterjectionController> interjections;
    std::unique_ptr<DigestWindow> digest;
    std::unique_ptr<InterjectionSettingsWindow> settingsWindow;
    std::unique_ptr<DataWindow> data;
    std::unique_ptr<PrivacyExclusionsWindow> privacy;
    std::unique_ptr<OnboardingWindow> onboarding;
    std::unique_ptr<StaleBuild> stale;
    bool trayHost = true;
};

} // namespace vesk
