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
class PresentationMode;

// The application's owner object: the one daemon client, the status item and its menu, the
// global shortcut, the start-up sequence and (as they are built) every window. Windows reach one
// another only through callbacks wired here. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        PlatformServices& platform;
        PresentationMode& presentation;
        Alerts& alerts;
        Clock& clock;
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

    const StatusMenu& statusMenu() const { return menu; }
    StatusMenu& statusMenu() { return menu; }
    // Null until launch.
    QSystemTrayIcon* statusItem() const { return item.get(); }
    const DaemonClient::State& lastState() const { return last; }
    // The icon and tooltip as last rendered (readable without a tray host).
    const QIcon& icon() const { return drawnIcon; }
    const QString& toolTip() const { return tip; }

    // Requests of each start-up chain: attempts 0 to 24.
    static constexpr int lastAttempt = 24;
    static double retryDelay(int attempt);

    // Receives every hello reply (the stale-build check hangs here).
    std::function<void(const Reply&)> onHello;

signals:
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
    // Both start-up chains: `status` until its "onboarded" is a Boolean, retried on the clock.
    void untilOnboardingKnown(int attempt, std::function<void(bool onboarded)> known);
    void printDiagnostics();

    DaemonClient& client;
    PlatformServices& platform;
    PresentationMode& presentation;
    Clock& clock;
    LaunchSwitches switches;

    StatusMenu menu;
    std::unique_ptr<QSystemTrayIcon> item;
    std::unique_ptr<AskWindow> ask;
    DaemonClient::State last = DaemonClient::Unreachable{};
    IconInputs drawn;
    QIcon drawnIcon;
    QString tip;
};

} // namespace vesk
