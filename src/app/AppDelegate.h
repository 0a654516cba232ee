#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "LaunchSwitches.h"
#include "MenuText.h"
#include "PlatformServices.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QMenu;
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

    // Icon, tooltip and first line from a daemon state.
    void render(const DaemonClient::State& state);
    // Refreshes the menu lines from the daemon while the menu opens.
    void menuWillOpen();
    void renderCapture(bool paused, std::optional<qint64> pausedUntilMs);
    void renderInjection(bool enabled, qint64 count, std::optional<qint64> pausedUntilMs);
    void renderTiers();
    void refreshProposalCount(const Reply& reply);
    void renderPresentationMode();

    void toggleCapture();
    void toggleInjection();
    void toggleTier(QAction* sender);
    void togglePresentationMode();
    // Shows the inbox and refreshes the proposal count.
    void openInbox();

    // The start-up chains: retried on the clock until the daemon gives a definite answer.
    void offerSetupIfNeeded(int attempt);
    void startInterjectionsWhenOnboarded(int attempt);
    // The ask panel, created on first use and kept for the life of the process.
    AskWindow& askWindow();

    // The weekly-review line for a count of held-back items.
    void updateDigestItem(qint64 count);

    static const QStringList tierOrder;
    // Requests of each start-up chain, attempts 0 to 24.
    static constexpr int lastAttempt = 24;
    static double retryDelay(int attempt);

    // The menu and its lines, named as the rest of the program refers to them.
    std::unique_ptr<QSystemTrayIcon> item;
    std::unique_ptr<AskWindow> ask;
    DaemonClient& client;
    std::unique_ptr<QMenu> menu;
    QAction* stateItem = nullptr;
    QAction* disk = nullptr;
    QAction* database = nullptr;
    QAction* injection = nullptr;
    QAction* egress = nullptr;
    std::map<QString, QAction*> tierItems;
    std::map<QString, MenuText::TierState> tierState;
    QAction* capture = nullptr;
    QAction* askItem = nullptr;
    QAction* inboxItem = nullptr;
    QAction* digestItem = nullptr;
    QAction* interjectionSettingsItem = nullptr;
    QAction* presentationModeItem = nullptr;
    QAction* dataItem = nullptr;
    QAction* privacyItem = nullptr;
    QAction* reviewSetupItem = nullptr;
    QAction* diagnosticsItem = nullptr;
    QAction* quitItem = nullptr;
    qint64 pendingProposals = 0;
    DaemonClient::State lastState = DaemonClient::Unreachable{};
    QAction* setup = nullptr;
    Hotkey& hotkey;
    std::optional<bool> injectionOn;
    std::optional<bool> capturePaused;

    // The icon as last drawn (the tray may not be able to show it).
    QImage icon;
    // The tooltip as last set (readable without a tray host).
    QString toolTip;
    // Receives every hello reply (the stale-build check hangs here).
    std::function<void(const Reply&)> onHello;

signals:
    // ⌥Space was pressed; the ask panel toggles on it.
    void shortcutPressed();
    // The daemon says setup is needed and presentation mode is off.
    void setupNeeded();
    // The daemon says setup is complete: the reminders may start.
    void onboarded();

private:
    void buildMenu();
    void applyStatus(const Reply& reply);
    void requestProposals();
    void sendHello();
    void printDiagnostics();
    void createStatusItem();

    PlatformServices& platform;
    PresentationMode& presentation;
    Alerts& alerts;
    Clock& clock;
    LaunchSwitches switches;
};

} // namespace vesk
