// The guide's pages: what each one shows, and the parts that follow the daemon's answers.
#include "InkButton.h"
#include "InkLabel.h"
#include "OStyle.h"
#include "OnboardingWindow.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesk {

using namespace OnboardingText;

namespace {
// The width the page's texts wrap at.
constexpr int pageWidth = 576;
} // namespace

void OnboardingWindow::add(QWidget* view)
{
    // The column keeps 3 between views; a page keeps 14.
    if (!pageContent->content()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        pageContent->space(11);
    pageContent->add(view);
}

void OnboardingWindow::renderStep()
{
    if (!panel)
        return;
    pageContent->reset();
    add(OStyle::title(title(step)));
    switch (step) {
    case agentsPage:
        renderAgents();
        break;
    case permissionsPage:
        renderPermissions();
        break;
    case shortcutPage:
        renderShortcut();
        break;
    default:
        renderIntro();
        break;
    }
    pageContent->scrollToTop();
    updateControls();
}

void OnboardingWindow::updateControls()
{
    if (!panel)
        return;
    progressLabel->setText(progress(step));
    backButton->setVisible(step != introPage && step != shortcutPage);
    backButton->setEnabled(!finishing);
    bool enabled = !finishing;
    if (step == agentsPage)
        enabled = enabled && agentConnected();
    if (step == permissionsPage)
        enabled = enabled && readiness.ready() && agentConnected();
    QString label = continueTitle(step);
    if (finishing)
        label = QStringLiteral("Saving setup…");
    else if (checkingReadiness) {
        label = QStringLiteral("Checking Vesk…");
        enabled = false;
    }
    continueButton->setText(label);
    continueButton->setEnabled(enabled);
}

void OnboardingWindow::renderIntro()
{
    add(OStyle::body(QStringLiteral("Vesk remembers context across your apps and AI agents."), pageWidth));
    add(OStyle::step(QStringLiteral("1"), QStringLiteral("Ask about your work"),
                     QStringLiteral("Find what you discussed, decided, or left unfinished."), pageWidth));
    add(OStyle::step(QStringLiteral("2"), QStringLiteral("Give your agents context"),
                     QStringLiteral("Carry useful context into the next session."), pageWidth));
    add(OStyle::step(QStringLiteral("3"), QStringLiteral("Get a timely heads-up"),
                     QStringLiteral("Surface relevant context while you work."), pageWidth));
}

void OnboardingWindow::renderAgents()
{
    add(OStyle::body(QStringLiteral("Bring past sessions forward and share context with new ones."), pageWidth));
    agentList = new QWidget;
    auto* list = new QVBoxLayout(agentList);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(8);
    add(agentList);
    add(InkButton::make(QStringLiteral("Check again"), InkButton::Tone::quiet, [this] { refreshConnections(); }));
    renderAgentList();
}

void OnboardingWindow::renderAgentList()
{
    if (agentList) {
        QLayout* list = agentList->layout();
        while (QLayoutItem* item = list->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        // Shown at once, not at the layout's next turn: the list is read as soon as it changes.
        const auto line = [list](QWidget* view) {
            list->addWidget(view);
            view->show();
        };
        switch (connectionLoad) {
        case ConnectionLoad::loading:
            line(OStyle::meta(QStringLiteral("Checking installed agents…"), pageWidth));
            break;
        case ConnectionLoad::failed: {
            InkLabel* failed = OStyle::body(QStringLiteral("Could not check agent connections. Choose Check again to "
                                                           "retry; no connection status is available yet."),
                                            pageWidth);
            failed->setColour(Ink::flag());
            line(failed);
            break;
        }
        case ConnectionLoad::loaded:
            if (agentConnections.isEmpty()) {
                line(OStyle::body(
                    QStringLiteral("Install Codex or Claude Code, then choose Check again to connect it."), pageWidth));
                break;
            }
            for (const Agent& agent : agentConnections) {
                auto* across = new QWidget;
                auto* layout = new QHBoxLayout(across);
                layout->setContentsMargins(0, 0, 0, 0);
                layout->setSpacing(10);
                auto* name
                    = new InkLabel(agentLine(agent), agent.registered ? Ink::text() : Ink::text2(), OStyle::font(13.5));
                name->setFixedWidth(390);
                layout->addWidget(name);
                if (agent.detected && !agent.registered && !agent.command.isEmpty()) {
                    InkButton* copy = InkButton::make(QStringLiteral("Copy setup command"), InkButton::Tone::quiet);
                    connect(copy, &QPushButton::clicked, copy, [copy, command = agent.command] {
                        QGuiApplication::clipboard()->setText(command);
                        copy->setText(QStringLiteral("Copied"));
                    });
                    layout->addWidget(copy);
                }
                layout->addStretch(1);
                line(new Row({across}, Row::Frame::plain));
            }
            line(OStyle::meta(QStringLiteral("Run a copied command in a terminal, then return and Check again. "
                                             "Existing configuration is backed up by Vesk's installer before it "
                                             "writes."),
                              pageWidth));
            break;
        }
    }
    updateControls();
}

void OnboardingWindow::renderPermissions()
{
    add(OStyle::body(QStringLiteral("Screen context helps Vesk connect what happens across apps."), pageWidth));
    daemonState = readinessRow(QStringLiteral("Background service"), std::nullopt);
    screenRecordingState = readinessRow(QStringLiteral("Screen Recording"), Permissions::Kind::screenRecording);
    accessibilityState = readinessRow(QStringLiteral("Accessibility"), Permissions::Kind::accessibility);
    add(InkButton::make(QStringLiteral("Check again"), InkButton::Tone::quiet, [this] { refreshReadiness(); }));
    renderReadinessStates();
}

InkLabel* OnboardingWindow::readinessRow(const QString& title, std::optional<Permissions::Kind> kind)
{
    auto* across = new QWidget;
    auto* layout = new QHBoxLayout(across);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* name = new InkLabel(title, Ink::text(), OStyle::font(13.5));
    name->setFixedWidth(pageWidth * 38 / 100);
    auto* state = new InkLabel(QStringLiteral("checking…"), Ink::muted(), OStyle::font(11.5));
    state->setFixedWidth(pageWidth * 22 / 100);
    layout->addWidget(name);
    layout->addWidget(state);
    layout->addStretch(1);
    QList<QWidget*> views{across};
    if (kind) {
        // What this desktop asks for the permission, and a button only where one does something.
        const Permissions::Need need = permissions.need(*kind);
        if (!need.action.isEmpty())
            layout->addWidget(
                InkButton::make(need.action, InkButton::Tone::quiet, [this, k = *kind] { requestPermission(k); }));
        if (!need.note.isEmpty())
            views.append(OStyle::meta(need.note, pageWidth - 14));
    }
    add(new Row(views, Row::Frame::framed));
    return state;
}

void OnboardingWindow::renderReadinessStates()
{
    const auto show = [this](InkLabel* label, bool good, const QString& yes, const QString& no) {
        if (!label)
            return;
        if (checkingReadiness) {
            label->setText(QStringLiteral("checking…"));
            label->setColour(Ink::muted());
            return;
        }
        label->setText(good ? yes : no);
        label->setColour(good ? Ink::text() : Ink::flag());
    };
    const QString allowed = QStringLiteral("allowed"), notAllowed = QStringLiteral("not allowed");
    show(daemonState, readiness.reachable, QStringLiteral("running"), QStringLiteral("not reachable"));
    show(screenRecordingState, readiness.screenRecording, allowed, notAllowed);
    show(accessibilityState, readiness.accessibility, allowed, notAllowed);
    updateControls();
}

void OnboardingWindow::renderShortcut()
{
    add(OStyle::body(QStringLiteral("Press Alt+Space to ask about your work."), pageWidth));
    shortcutKeys = new InkLabel(QStringLiteral("Alt  +  Space"), Ink::muted(),
                                OStyle::font(36, OStyle::Weight::Semibold), InkLabel::Fit::truncateEnd);
    add(shortcutKeys);
    add(OStyle::meta(QStringLiteral("Hold Alt, then press Space."), pageWidth));
}

} // namespace vesk
