#include "OnboardingWindow.h"

#include "DaemonClient.h"
#include "Defaults.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "OStyle.h"
#include "PresentationMode.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace vesk {

using namespace OnboardingText;

// The guide's window: closing it, Return and Escape go to the window object.
class SetupPanel : public OStyle::Inked<QWidget> {
public:
    std::function<void()> onReturn;
    std::function<void()> onClosed;

    SetupPanel()
        : Inked({{QPalette::Window, &Ink::ground()}}, nullptr, Qt::Tool)
    {
        setAutoFillBackground(true);
        setWindowTitle(QStringLiteral("Set up Vesk"));
        setAccessibleName(QStringLiteral("Set up Vesk"));
        setFixedSize(640, 520);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
            onReturn();
        else if (plain && event->key() == Qt::Key_Escape)
            close();
        else
            QWidget::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        QWidget::closeEvent(event);
        onClosed();
    }
};

OnboardingWindow::OnboardingWindow(Services services, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , defaults(services.defaults)
    , permissions(services.permissions)
    , presentation(services.presentation)
{
    // Coming back from the terminal or the settings: what the user did there may show now.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive || !panel)
            return;
        refreshReadiness();
        if (step == agentsPage)
            refreshConnections();
    });
}

OnboardingWindow::~OnboardingWindow()
{
    if (monitoring && qApp)
        qApp->removeEventFilter(this);
}

QWidget* OnboardingWindow::panelWidget() const
{
    return panel.get();
}

bool OnboardingWindow::presenting() const
{
    return presentation && presentation->isEnabled();
}

void OnboardingWindow::show(bool preview)
{
    if (presenting())
        return;
    if (!panel) {
        previewOnly = preview;
        step = preview ? introPage : pageFor(defaults.integer(QString::fromLatin1(stepKey)));
        buildPanel();
        renderStep();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            panel->move(screen->availableGeometry().center() - panel->rect().center());
        if (!monitoring) {
            qApp->installEventFilter(this);
            monitoring = true;
        }
        refreshReadiness();
        refreshConnections();
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void OnboardingWindow::showConnections()
{
    show(true);
    if (!panel)
        return;
    step = agentsPage;
    renderStep();
    refreshConnections();
}

void OnboardingWindow::suppressForPresentation()
{
    if (panel)
        panel->hide();
}

bool OnboardingWindow::openAskFromGuide()
{
    if (step != shortcutPage || !panel || !panel->isVisible() || presenting())
        return false;
    panel->close();
    emit askRequested();
    return true;
}

void OnboardingWindow::buildPanel()
{
    panel = std::make_unique<SetupPanel>();
    panel->onReturn = [this] {
        if (continueButton)
            continueButton->click();
    };
    panel->onClosed = [this] { closed(); };

    auto* body = new QVBoxLayout(panel.get());
    body->setContentsMargins(32, 24, 32, 24);
    body->setSpacing(0);
    progressLabel = OStyle::section(progress(step));
    body->addWidget(progressLabel);
    body->addSpacing(20);
    pageContent = new ScrollColumn(0);
    body->addWidget(pageContent, 1);
    body->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    backButton = InkButton::make(QStringLiteral("Back"), InkButton::Tone::quiet, [this] { previousStep(); });
    continueButton = InkButton::make(continueTitle(step), InkButton::Tone::primary, [this] { nextStep(); });
    buttons->addWidget(backButton);
    buttons->addStretch(1);
    buttons->addWidget(continueButton);
    body->addLayout(buttons);
}

void OnboardingWindow::closed()
{
    // Replies to the requests of a closed guide change nothing; the next show asks again.
    connectionRevision.next();
    readinessRevision.next();
    checkingReadiness = false;
    panel.release()->deleteLater();
}

void OnboardingWindow::nextStep()
{
    if (finishing || (step == agentsPage && !agentConnected()))
        return;
    if (step == shortcutPage) {
        openAskFromGuide();
        return;
    }
    if (step == permissionsPage) {
        finish();
        return;
    }
    const qsizetype at = pages.indexOf(step);
    if (at < 0 || at + 1 >= pages.size())
        return;
    step = pages[at + 1];
    store();
    renderStep();
    if (step == permissionsPage)
        refreshReadiness();
    refreshConnections();
}

void OnboardingWindow::previousStep()
{
    const qsizetype at = pages.indexOf(step);
    if (finishing || at <= 0)
        return;
    step = pages[at - 1];
    store();
    renderStep();
}

void OnboardingWindow::store()
{
    if (!previewOnly)
        defaults.setInteger(QString::fromLatin1(stepKey), step);
}

bool OnboardingWindow::agentConnected() const
{
    return anyConnected(agentConnections);
}

void OnboardingWindow::finish()
{
    if (finishing)
        return;
    if (previewOnly) {
        step = shortcutPage;
        renderStep();
        return;
    }
    if (!readiness.ready() || !agentConnected()) {
        refreshReadiness();
        return;
    }
    finishing = true;
    updateControls();
    // No page offers the setup choices: everything the daemon may use stays on.
    const bool answerGeneration = true, embeddings = true, relations = true, profile = true;
    client.completeOnboarding(answerGeneration, embeddings, relations, profile, this, [this](Reply reply) {
        finishing = false;
        if (Json::isKind(reply, u"ok")) {
            step = shortcutPage;
            renderStep();
            emit finished();
            return;
        }
        updateControls();
        if (continueButton)
            continueButton->setText(QStringLiteral("Could not reach Vesk — try again"));
    });
}

void OnboardingWindow::refreshReadiness()
{
    if (finishing)
        return;
    checkingReadiness = true;
    renderReadinessStates();
    client.status(this, whileCurrent(readinessRevision.next(), [this](Reply reply) {
                      if (finishing)
                          return;
                      checkingReadiness = false;
                      readiness = OnboardingText::readiness(reply);
                      renderReadinessStates();
                  }));
}

void OnboardingWindow::refreshConnections()
{
    connectionLoad = ConnectionLoad::loading;
    agentConnections.clear();
    renderAgentList();
    client.connections(this, whileCurrent(connectionRevision.next(), [this](Reply reply) {
                           const auto found = agents(reply);
                           connectionLoad = found ? ConnectionLoad::loaded : ConnectionLoad::failed;
                           agentConnections = found.value_or(QList<Agent>{});
                           renderAgentList();
                       }));
}

void OnboardingWindow::requestPermission(Permissions::Kind kind)
{
    permissions.request(kind);
    // Only the daemon's next answer changes what the page says.
    refreshReadiness();
}

bool OnboardingWindow::eventFilter(QObject*, QEvent* event)
{
    if ((event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) || step != shortcutPage || !panel
        || !panel->isActiveWindow())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    Qt::KeyboardModifiers held
        = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_Alt)
        held = event->type() == QEvent::KeyPress ? held | Qt::AltModifier : held & ~Qt::AltModifier;
    const bool altAlone = held == Qt::AltModifier;
    if (shortcutKeys)
        shortcutKeys->setColour(altAlone ? Ink::text() : Ink::muted());
    if (event->type() != QEvent::KeyPress || key->key() != Qt::Key_Space || !altAlone)
        return false;
    if (!key->isAutoRepeat())
        openAskFromGuide();
    return true;
}

} // namespace vesk
