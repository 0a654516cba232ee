#include "OnboardingWindow.h"

#include "AgentList.h"
#include "DaemonClient.h"
#include "Defaults.h"
#include "Json.h"
#include "KeyRecorder.h"
#include "OStyle.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace vesk {

using namespace OnboardingText;

namespace {
// The width the page's texts wrap at.
constexpr int pageWidth = 576;

// "Check again" by the mouse leaves the keyboard where it was, on the continue button: Return
// moves forward, never checks again.
template <class Action> InkButton* checkAgain(Action action)
{
    InkButton* button = InkButton::make(QStringLiteral("Check again"), InkButton::Tone::quiet, std::move(action));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}
} // namespace

OnboardingWindow::OnboardingWindow(Services services, QWidget* parent)
    : ToolWindow(QStringLiteral("Set up Vesk"), services.presentation, Qt::Tool, Ink::ground(), parent)
    , client(services.client)
    , defaults(services.defaults)
    , permissions(services.permissions)
    , shortcut(services.shortcut)
    , progressLabel(OStyle::section(progress(introPage)))
    , backButton(InkButton::make(QStringLiteral("Back"), InkButton::Tone::quiet, [this] { previousStep(); }))
    , continueButton(InkButton::make(continueTitle(introPage), InkButton::Tone::primary, [this] { nextStep(); }))
{
    setAccessibleName(windowTitle());
    setFixedSize(640, 520);
    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(32, 24, 32, 24);
    body->setSpacing(0);
    body->addWidget(progressLabel);
    body->addSpacing(20);
    // After the progress line, so a screen reader meets them in the order they stand.
    pageContent = addColumn(0);
    body->addWidget(pageContent, 1);
    body->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(backButton);
    buttons->addStretch(1);
    buttons->addWidget(continueButton);
    body->addLayout(buttons);

    // Coming back from the terminal or the settings: what the user did there may show now.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive || fresh)
            return;
        refreshReadiness();
        if (step == agentsPage)
            refreshConnections();
    });
    // The page follows the keys in force, whoever changed them, and says how a choice went.
    connect(&shortcut, &ChosenShortcut::keysChanged, this, [this] { renderShortcutKeys(); });
    connect(&shortcut, &ChosenShortcut::applied, this, [this](const KeyChord&, bool registered, const QString& line) {
        if (recorder && !recorder->isRecording())
            recorder->setKeys(shortcut.keys());
        showShortcutLine(line, !registered);
    });
}

OnboardingWindow::~OnboardingWindow()
{
    if (monitoring && qApp)
        qApp->removeEventFilter(this);
}

void OnboardingWindow::open(bool preview)
{
    if (!mayShow())
        return;
    if (fresh) {
        fresh = false;
        previewOnly = preview;
        step = preview ? introPage : pageFor(defaults.integer(QString::fromLatin1(stepKey)));
        if (!monitoring) {
            qApp->installEventFilter(this);
            monitoring = true;
        }
        refreshReadiness();
        refreshConnections();
        renderStep();
    }
    bringForward();
}

void OnboardingWindow::openConnections()
{
    open(true);
    if (!isVisible())
        return;
    step = agentsPage;
    renderStep();
    refreshConnections();
}

bool OnboardingWindow::openAskFromGuide()
{
    if (step != shortcutPage || !isVisible() || !mayShow())
        return false;
    close();
    emit askRequested();
    return true;
}

void OnboardingWindow::closed()
{
    // The next opening starts at the stored page and asks the daemon again; the replies to this
    // opening's requests are stale already.
    fresh = true;
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        continueButton->click();
        return;
    }
    ToolWindow::keyPressEvent(event);
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
    return agentConnections.items && anyConnected(*agentConnections.items);
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
    // A readiness answer that comes while setup is saved changes nothing.
    readinessChecks.supersede();
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
        continueButton->setText(QStringLiteral("Could not reach Vesk — try again"));
    });
}

void OnboardingWindow::refreshReadiness()
{
    if (finishing)
        return;
    client.status(this, whileOpen(readinessChecks.whenNewest([this](Reply reply) {
                      readiness = OnboardingText::readiness(reply);
                      renderReadinessStates();
                  })));
    renderReadinessStates();
}

void OnboardingWindow::refreshConnections()
{
    agentConnections = {};
    // A reply of any length is read, and cut to what the page shows, on the worker that received it.
    client.connections(
        this,
        DaemonClient::Reading(&OnboardingText::agentList,
                              whileOpen(connectionChecks.whenNewest([this](DataText::Listed<AgentConnection> read) {
                                  agentConnections = std::move(read);
                                  renderAgentList();
                              }))));
    renderAgentList();
}

void OnboardingWindow::requestPermission(Permissions::Kind kind)
{
    permissions.request(kind);
    // Only the daemon's next answer changes what the page says.
    refreshReadiness();
}

bool OnboardingWindow::eventFilter(QObject*, QEvent* event)
{
    // While new keys are recorded, every key is the recorder's.
    if ((event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) || step != shortcutPage
        || !isActiveWindow() || (recorder && recorder->isRecording()))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool press = event->type() == QEvent::KeyPress;
    // The modifiers held, with the one this event presses or lets go of.
    unsigned held = KeyChord::modifiersOf(key->modifiers());
    if (const unsigned own = KeyRecorder::modifierOf(key->key()))
        held = press ? held | own : held & ~own;
    const KeyChord& keys = shortcut.keys();
    if (shortcutKeys)
        shortcutKeys->setColour(held == keys.modifiers ? Ink::text() : Ink::muted());
    if (!press || KeyChord::fromQt(key->key(), key->modifiers()) != keys)
        return false;
    if (!key->isAutoRepeat())
        openAskFromGuide();
    return true;
}

// --- the pages: what each one shows, and the parts that follow the daemon's answers

void OnboardingWindow::add(QWidget* view)
{
    // The column keeps 3 between views; a page keeps 14.
    if (!pageContent->content()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        pageContent->space(11);
    pageContent->add(view);
}

void OnboardingWindow::renderStep()
{
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
    keyboardToContinue();
}

void OnboardingWindow::keyboardToContinue()
{
    if (continueButton->isEnabled())
        continueButton->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void OnboardingWindow::updateControls()
{
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
    else if (readinessChecks.waiting()) {
        label = QStringLiteral("Checking Vesk…");
        enabled = false;
    }
    continueButton->setText(label);
    // A button that goes disabled with the keyboard on it would hand the keyboard to the next
    // control, "Check again" or "Back"; the window keeps it, and the button takes it back.
    const bool keyboardOnIt = continueButton->hasFocus() || focusWidget() == this || !focusWidget();
    if (!enabled && continueButton->hasFocus())
        setFocus(Qt::OtherFocusReason);
    continueButton->setEnabled(enabled);
    if (enabled && keyboardOnIt)
        continueButton->setFocus(Qt::OtherFocusReason);
}

void OnboardingWindow::renderIntro()
{
    add(OStyle::body(QStringLiteral("Vesk remembers context across your apps and AI agents."), pageWidth));
    if (previewOnly)
        add(OStyle::meta(reviewNote(), pageWidth));
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
    agentList = new AgentList(pageWidth);
    add(agentList);
    add(checkAgain([this] { refreshConnections(); }));
    renderAgentList();
}

void OnboardingWindow::renderAgentList()
{
    if (agentList)
        agentList->render(connectionChecks.waiting(), agentConnections);
    updateControls();
}

void OnboardingWindow::renderPermissions()
{
    add(OStyle::body(QStringLiteral("Screen context helps Vesk connect what happens across apps."), pageWidth));
    daemonState = readinessRow(QStringLiteral("Background service"), std::nullopt);
    screenRecordingState = readinessRow(QStringLiteral("Screen Recording"), Permissions::Kind::screenRecording);
    accessibilityState = readinessRow(QStringLiteral("Accessibility"), Permissions::Kind::accessibility);
    add(checkAgain([this] { refreshReadiness(); }));
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
        if (readinessChecks.waiting()) {
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
    shortcutLeadLabel = OStyle::body(QString(), pageWidth);
    add(shortcutLeadLabel);
    shortcutKeys
        = new InkLabel(QString(), Ink::muted(), OStyle::font(36, OStyle::Weight::Semibold), InkLabel::Fit::truncateEnd);
    add(shortcutKeys);
    shortcutHoldLabel = OStyle::meta(QString(), pageWidth);
    add(shortcutHoldLabel);
    // Many desktops keep Alt+Space for themselves: other keys are chosen here and tried at once.
    add(OStyle::meta(chooseKeysNote(), pageWidth));
    recorder = new KeyRecorder(shortcut.keys());
    connect(recorder, &KeyRecorder::recorded, this, &OnboardingWindow::chooseKeys);
    add(recorder);
    shortcutLine = OStyle::meta(QString(), pageWidth);
    shortcutLine->hide();
    add(shortcutLine);
    renderShortcutKeys();
}

void OnboardingWindow::renderShortcutKeys()
{
    const KeyChord& keys = shortcut.keys();
    if (shortcutLeadLabel)
        shortcutLeadLabel->setText(shortcutLead(keys));
    if (shortcutKeys)
        shortcutKeys->setText(OnboardingText::shortcutKeys(keys));
    if (shortcutHoldLabel)
        shortcutHoldLabel->setText(shortcutHold(keys));
    if (recorder && !recorder->isRecording())
        recorder->setKeys(keys);
}

void OnboardingWindow::chooseKeys(const KeyChord& keys)
{
    showShortcutLine(trying(keys), false);
    shortcut.apply(keys);
}

void OnboardingWindow::showShortcutLine(const QString& line, bool failure)
{
    if (!shortcutLine)
        return;
    shortcutLine->setText(line);
    shortcutLine->setColour(failure ? Ink::flag() : Ink::muted());
    shortcutLine->setVisible(!line.isEmpty());
}

} // namespace vesk
