#pragma once

#include "AskPanel.h"
#include "Clock.h"
#include "DaemonClient.h"
#include "InkLabel.h"
#include "KeyChord.h"
#include "Origin.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace vesk {

class Alerts;
class FrameWindow;
class MergeJudge;
class Page;

// The ask panel's coordinator. The global shortcut toggles the panel (AskPanel); each view of its
// result column or its inspector is a page (a search, an answer, an entity page, the inbox, the
// first-run page; a frame) that draws itself and sends its own requests. The window shows every
// page through one path, keeps the page back leads to, and owns the hint, the shortcuts' actions,
// the full-size frame viewer and the change to memory that outlives its page (forgetting). Main
// thread only.
class AskWindow : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        Alerts& alerts;
        PresentationMode& presentation;
        Clock& clock;
    };
    explicit AskWindow(Services services, QObject* parent = nullptr);
    ~AskWindow() override;

    // The shortcut's action: shows the panel, brings it forward, or puts it away when it is active.
    void toggle();
    // Shows the panel (false while presentation mode keeps it away); a panel that was hidden
    // starts afresh.
    bool show();
    void showInbox();
    // The entity page of one entity, with "back" leading to a search.
    void showEntity(qint64 id, const QString& label, const QString& kind, qint64 sources);
    void showFirstRun();
    // The panel's title reads "Ask Vesk · " and this text.
    void updateCaptureStatus(const QString& text);
    // Hides the panel; nothing is reset.
    void close();
    // A line on how Vesk can be reached on this desktop (no tray icon, no global shortcut). The
    // user reads it once a run: on the opening page shown now, or else on the next one.
    void tell(const QString& line);
    // The keys of the shortcut that opens the panel, which the first-run page teaches.
    void setShortcutKeys(const KeyChord& keys) { shortcutKeys = keys; }

    // The panel's visible parts, for tests and screenshot tours.
    AskPanel* panelWidget() const { return panel.get(); }
    QLineEdit* fieldWidget() const { return panel->field(); }
    QLabel* hintLabel() const { return panel->hint(); }
    ScrollColumn* resultColumn() const { return panel->column(); }
    ScrollColumn* inspectorColumn() const { return panel->inspector(); }

signals:
    // The first-run page's "Connect an agent".
    void agentConnectionsRequested();
    // The first-run page's "Privacy exclusions".
    void privacyExclusionsRequested();

private:
    // Every navigation: `page` takes its column (the inspector opens or closes with it), the panel
    // its height, the field the caret, the hint its text.
    void show(Page* page);
    // The page back leads to from now on (nothing: a search of the field's text).
    void keep(Page* page);
    void updateHint();
    void cancel();
    void restoreTop();
    // A question asked, or words searched for, which the field shows from now on.
    void ask(const QString& text);
    void search(const QString& text);
    // An entity's page, with `note` at its top.
    void openEntity(const Origin& origin, const QString& note = {});
    void openInbox();
    void openFrame(qint64 frame, const Origin& origin);
    // A memory that shares a correction's evidence, in the inspector.
    void openCorrectionMemory(const QString& kind, qint64 id);
    // Forgetting an entity, started from its page by `button`; it ends by leaving the page.
    void forget(const Origin& origin, QWidget* button);
    // Copies the answer on screen for a coding agent; the hint says what was copied, or why not.
    void copyForAgent();
    // The lines not yet told, under the opening page's message.
    void showNotices();

    DaemonClient& client;
    Alerts& alerts;
    Clock& clock;
    MergeJudge* judge;
    std::unique_ptr<AskPanel> panel;
    // The screenshot full size, in a window of its own.
    std::unique_ptr<FrameWindow> viewer;
    // The page of the result column, the last page back leads to, and the inspector's page.
    QPointer<Page> current, left, inspecting;
    // The page the panel opened on when it was last brought up, while it lives.
    QPointer<Page> opening;
    QStringList notices;
    KeyChord shortcutKeys;
    QString captureStatus = QStringLiteral("Capture status unavailable");
};

} // namespace vesk
