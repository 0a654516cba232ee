#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "LaunchSwitches.h"
#include "PlatformServices.h"
#include "StatusMenu.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace vesk {

class AskWindow;
class Clock;
class Defaults;
class InterjectionController;
class PresentationMode;

// The application's owner object and its one composition root: the daemon client, the status item
// and its menu, the global shortcut, the start-up sequence, and every window and controller, each
// created by its accessor on first use (one of each, ever) and kept for the life of the process.
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
    };

    AppDelegate(Services services, LaunchSwitches switches, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence: shortcut, status item, menu, hello, watch, setup offer, reminders.
    void applicationDidFinishLaunching();

    // Icon, tooltip and first line from a daemon state; again with the last state whenever the
    // proposal count changes.
    void render(const DaemonClient::State& state);

    // The ask panel, created on first use and kept for the life of the process.
    AskWindow& askWindow();
    // The reminders, likewise; they start once the daemon says setup is complete.
    InterjectionController& reminders();

    const StatusMenu& statusMenu() const { return menu; }
    StatusMenu& statusMenu() { return menu; }
    // Null until launch.
    QSystemTrayIcon* statusItem() const { return item.get(); }
    const DaemonClient::State& lastState() const { return last; }
    // The icon and tooltip as last rendered (readable without a tray host).
    const QIcon& icon() const { return drawnIcon; }
    const QString& toolTip() const { return tip; }

signals:
    // Every hello reply (the stale-build check hangs here).
    void helloAnswered(const vesk::Reply& reply);
    // The shortcut was pressed; the ask panel toggles on it.
    void shortcutPressed();
    // The daemon says setup is needed and presentation mode is off.
    void setupNeeded();
    // The daemon says setup is complete: the reminders may start.
    void onboarded();

private:
    // What the icon was last drawn from, so an unchanged state draws nothing.
    struct IconInputs {
        QString glyph;
        QColor colour;
        qint64 badge = -1;
        bool dark = false;
        bool operator==(const IconInputs&) const = default;
    };

    void createStatusItem();
    void sendHello();
    void openInbox();
    // Starts a start-up chain that asks until the daemon says whether setup is complete.
    void checkOnboarding(void (AppDelegate::*then)(bool onboarded));
    void offerSetup(bool onboarded);
    void startReminders(bool onboarded);
    void printDiagnostics();

    DaemonClient& client;
    PlatformServices& platform;
    PresentationMode& presentation;
    Clock& clock;
    Defaults& defaults;
    LaunchSwitches switches;

    StatusMenu menu;
    std::unique_ptr<QSystemTrayIcon> item;
    std::unique_ptr<AskWindow> ask;
    std::unique_ptr<InterjectionController> interjections;
    DaemonClient::State last = DaemonClient::Unreachable{};
    IconInputs drawn;
    QIcon drawnIcon;
    QString tip;
};

} // namespace vesk
