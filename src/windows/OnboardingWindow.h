#pragma once

#include "ChosenShortcut.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "KeyRecorder.h"
#include "Latest.h"
#include "OnboardingText.h"
#include "PlatformServices.h"
#include "ToolWindow.h"

#include <QPointer>

namespace vesk {

class AgentList;
class DaemonClient;
class Defaults;

// "Set up Vesk": the first-run guide. It introduces Vesk, connects a coding agent, shows what the
// daemon reports of itself (its service and the two permissions it needs, with what this desktop
// asks for them), tells the daemon that setup is complete, and ends on the shortcut. Its page
// survives restarts; a preview walks the same pages without saving one or telling the daemon
// anything. Return presses the page's continue button, which has the keyboard after every page
// change. The last page teaches the ask shortcut and lets the user choose other keys, tried at
// once. A guide that was closed opens afresh at the stored page and asks the daemon again. Main
// thread only.
class OnboardingWindow : public ToolWindow {
    Q_OBJECT
public:
    // The page shown last outside a preview.
    static constexpr const char* stepKey = "vesk.onboarding.step";

    struct Services {
        DaemonClient& client;
        Defaults& defaults;
        Permissions& permissions;
        PresentationMode& presentation;
        // The keys that open the ask panel: taught, checked and changed on the last page.
        ChosenShortcut& shortcut;
    };
    explicit OnboardingWindow(Services services, QWidget* parent = nullptr);
    ~OnboardingWindow() override;

    // Brings the guide forward; one that was closed opens at the stored page (the first one in a
    // preview) and asks the daemon again. Nothing while presenting.
    void open(bool preview);
    // The agents page, in a preview (the ask panel's "Connect an agent").
    void openConnections();
    // On the last page, with the guide shown: closes it and asks for the ask panel. False
    // otherwise, so the shortcut goes to the ask panel as usual.
    bool openAskFromGuide();

    // For tests and screenshot tours.
    InkButton* continueWidget() const { return continueButton; }
    InkButton* backWidget() const { return backButton; }
    InkLabel* progressWidget() const { return progressLabel; }
    InkLabel* shortcutKeysWidget() const { return shortcutKeys; }
    KeyRecorder* recorderWidget() const { return recorder; }

signals:
    // The daemon confirmed that setup is complete.
    void finished();
    // The last page asks for the ask panel.
    void askRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closed() override;

private:
    void build();
    // The whole page, on navigation; the parts below change in place, so the keyboard stays where
    // the user left it.
    void renderStep();
    void renderIntro();
    void renderAgents();
    void renderPermissions();
    void renderShortcut();
    void add(QWidget* view);
    InkLabel* readinessRow(const QString& title, std::optional<Permissions::Kind> kind);
    void renderAgentList();
    void renderReadinessStates();
    // The shortcut page's words for the keys in force.
    void renderShortcutKeys();
    void chooseKeys(const KeyChord& keys);
    void showShortcutLine(const QString& line, bool failure);
    // The keyboard on the continue button, or on the window while the button waits, so that
    // Return moves forward and never lands on "Check again" or "Back".
    void keyboardToContinue();
    // Progress, "Back" and the continue button for the page and what is under way.
    void updateControls();

    void nextStep();
    void previousStep();
    void finish();
    void refreshReadiness();
    void refreshConnections();
    void requestPermission(Permissions::Kind kind);
    void store();
    bool agentConnected() const;

    DaemonClient& client;
    Defaults& defaults;
    Permissions& permissions;
    ChosenShortcut& shortcut;

    ScrollColumn* pageContent = nullptr;
    InkLabel* progressLabel;
    InkButton* backButton;
    InkButton* continueButton;
    QPointer<InkLabel> daemonState;
    QPointer<InkLabel> screenRecordingState;
    QPointer<InkLabel> accessibilityState;
    QPointer<InkLabel> shortcutLeadLabel;
    QPointer<InkLabel> shortcutKeys;
    QPointer<InkLabel> shortcutHoldLabel;
    QPointer<KeyRecorder> recorder;
    // What the last choice of keys came to.
    QPointer<InkLabel> shortcutLine;
    QPointer<AgentList> agentList;

    // Closed (or never opened): the next opening starts afresh.
    bool fresh = true;
    bool previewOnly = false;
    int step = OnboardingText::introPage;
    OnboardingText::Readiness readiness;
    // The supported agents of the last connections reply as the page shows them; no items when it
    // could not be read.
    DataText::Listed<AgentConnection> agentConnections;
    // Each check makes the answers to the ones before it stale.
    Latest readinessChecks;
    Latest connectionChecks;
    bool finishing = false;
    bool monitoring = false;
};

} // namespace vesk
