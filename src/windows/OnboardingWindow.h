#pragma once

#include "Generation.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "OnboardingText.h"
#include "PlatformServices.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace vesk {

class DaemonClient;
class Defaults;
class PresentationMode;
class ScrollColumn;
class SetupPanel;

// "Set up Vesk": the first-run guide. It introduces Vesk, connects a coding agent, shows what the
// daemon reports of itself (its service and the two permissions it needs, with what this desktop
// asks for them), tells the daemon that setup is complete, and ends on the shortcut. Its page
// survives restarts; a preview walks the same pages without saving one or telling the daemon
// anything. The object lives as long as the process; its panel is built on show and dropped on
// close. Main thread only.
class OnboardingWindow : public QObject {
    Q_OBJECT
public:
    // The page shown last outside a preview.
    static constexpr const char* stepKey = "vesk.onboarding.step";

    struct Services {
        DaemonClient& client;
        Defaults& defaults;
        Permissions& permissions;
        PresentationMode* presentation = nullptr;
    };
    explicit OnboardingWindow(Services services, QObject* parent = nullptr);
    ~OnboardingWindow() override;

    // Brings the panel forward, or builds it at the stored page (the first one in a preview) and
    // asks the daemon again. Nothing while presenting.
    void show(bool preview);
    // The agents page, in a preview (the ask panel's "Connect an agent").
    void showConnections();
    void suppressForPresentation();
    // On the last page, with the panel shown: closes it and asks for the ask panel. False
    // otherwise, so the shortcut goes to the ask panel as usual.
    bool openAskFromGuide();

    // For tests and screenshot tours.
    QWidget* panelWidget() const;
    int currentStep() const { return step; }
    InkButton* continueWidget() const { return continueButton; }
    InkButton* backWidget() const { return backButton; }
    InkLabel* progressWidget() const { return progressLabel; }
    InkLabel* shortcutKeysWidget() const { return shortcutKeys; }

signals:
    // The daemon confirmed that setup is complete.
    void finished();
    // The last page asks for the ask panel.
    void askRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void closed();
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
    bool presenting() const;

    enum class ConnectionLoad { loading, loaded, failed };

    DaemonClient& client;
    Defaults& defaults;
    Permissions& permissions;
    PresentationMode* presentation;

    std::unique_ptr<SetupPanel> panel;
    QPointer<ScrollColumn> pageContent;
    QPointer<InkLabel> progressLabel;
    QPointer<InkButton> backButton;
    QPointer<InkButton> continueButton;
    QPointer<InkLabel> daemonState;
    QPointer<InkLabel> screenRecordingState;
    QPointer<InkLabel> accessibilityState;
    QPointer<InkLabel> shortcutKeys;
    QPointer<QWidget> agentList;

    bool previewOnly = false;
    int step = OnboardingText::introPage;
    OnboardingText::Readiness readiness;
    bool checkingReadiness = false;
    QList<OnboardingText::Agent> agentConnections;
    ConnectionLoad connectionLoad = ConnectionLoad::loading;
    // Each new request makes the replies of the ones before it stale, and so does closing.
    Generation connectionRevision;
    Generation readinessRevision;
    bool finishing = false;
    bool monitoring = false;
};

} // namespace vesk
