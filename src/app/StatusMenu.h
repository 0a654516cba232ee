#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "Latest.h"
#include "MenuText.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace vesk {

class Clock;
class PresentationMode;

// The status item's menu: its lines, rendered from the status reply while it opens, and the
// switches that change the daemon. Lines change only on the daemon's word. The windows it opens
// are the delegate's business: it only says which one was asked for. Main thread only.
class StatusMenu : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        PresentationMode& presentation;
        Alerts& alerts;
        Clock& clock;
    };

    // The lines, top to bottom.
    enum class Line {
        state,
        presenting,
        setup,
        disk,
        database,
        capture,
        injection,
        presentation,
        egress,
        ask,
        inbox,
        digest,
        interjectionSettings,
        data,
        privacy,
        reviewSetup,
        diagnostics,
        quit,
    };

    static const QStringList tierOrder;

    explicit StatusMenu(Services services, QObject* parent = nullptr);
    ~StatusMenu() override;

    QMenu* menu() const { return root.get(); }
    QAction* item(Line line) const;
    QAction* tierItem(const QString& tier) const;
    qint64 pendingProposals() const { return proposalCount; }

    // The first line, from the daemon's state.
    void setStateLine(const QString& title);
    // "Set up Vesk…" is shown exactly while setup is needed.
    void setSetupNeeded(bool needed);
    // "Ask something" shows the ask shortcut's keys.
    void setAskKeys(const KeyChord& keys);
    // The weekly-review line for a count of held-back items.
    void updateDigestItem(qint64 count);
    // Refreshes the proposal count. At most one request is in flight and one more waits, however
    // often this is called: a flood of watch states costs two requests, not one each.
    void requestProposals();

    // The status item the menu opens from: the open menu stays inside the available area of the
    // screen that holds it.
    void setStatusItem(const QSystemTrayIcon* icon);

signals:
    // The menu is opening; sent before its own requests, so a hello goes first.
    void opening();
    void askRequested();
    void inboxRequested();
    void digestRequested();
    void interjectionSettingsRequested();
    void dataRequested();
    void privacyRequested();
    // "Set up Vesk…", "Review setup & permissions…" (the guide in preview) and "Run diagnostics".
    void setupRequested();
    void reviewSetupRequested();
    void diagnosticsRequested();
    void proposalsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void menuWillOpen();
    void applyStatus(const Reply& reply);
    void renderCapture(bool paused, std::optional<qint64> pausedUntilMs);
    void renderInjection(bool enabled, std::optional<qint64> count, std::optional<qint64> pausedUntilMs);
    void renderTiers();
    void renderPresentationMode();
    void refreshProposalCount(const Reply& reply);
    // Capture and injection: act only on a known value, send its negation, flip on "ok".
    using SwitchRequest = void (DaemonClient::*)(bool, std::optional<qint64>, const QObject*, Completion);
    void toggleSwitch(std::optional<bool> StatusMenu::*value, Line line, SwitchRequest send,
                      QString (*lineAfter)(bool now));
    void toggleTier(QAction* sender);
    void togglePresentationMode();
    bool actOnKeyEquivalent(QMenu* open, const QKeyCombination& key);
    void keepOnScreen(QMenu* open);

    DaemonClient& client;
    PresentationMode& presentation;
    Alerts& alerts;
    Clock& clock;

    std::unique_ptr<QMenu> root;
    QPointer<const QSystemTrayIcon> statusItem;
    std::map<Line, QAction*> lines;
    std::map<QString, QAction*> tierItems;
    std::map<QString, MenuText::TierState> tierState;
    // Unknown until a status reply says; the matching switch does nothing meanwhile.
    std::optional<bool> injectionOn;
    std::optional<bool> capturePaused;
    // Requests run side by side, so a status reply can land after a change the daemon confirmed
    // later: a reply asked for before that change is dropped.
    Latest statusWords;
    qint64 proposalCount = 0;
    bool proposalsInFlight = false;
    bool proposalsWaiting = false;
};

} // namespace vesk
