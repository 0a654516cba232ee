#include "AskWindow.h"

#include "AskText.h"
#include "FramePane.h"
#include "InkLabel.h"
#include "InkView.h"
#include "KeyPanel.h"
#include "MergeCard.h"
#include "OStyle.h"
#include "PresentationMode.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSizeGrip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

const InkColor transparent{Qt::transparent, Qt::transparent};

// The input line: borderless, transparent, text in the palette's colours.
class AskField : public OStyle::Inked<QLineEdit> {
public:
    explicit AskField(QWidget* parent)
        : Inked({{QPalette::Base, &transparent},
                 {QPalette::Text, &Ink::text()},
                 {QPalette::PlaceholderText, &Ink::muted()}},
                parent)
    {
        setFrame(false);
        setFont(OStyle::font(18));
        setPlaceholderText(QStringLiteral("What were you working on?"));
        setAttribute(Qt::WA_MacShowFocusRect, false);
    }
};

QWidget* line(QWidget* parent, Qt::Orientation orientation)
{
    auto* view
        = new InkView([](InkLayer& layer, const QWidget& v) { layer.background = Ink::line().resolve(&v); }, parent);
    if (orientation == Qt::Horizontal)
        view->setFixedHeight(1);
    else
        view->setFixedWidth(1);
    return view;
}

} // namespace

AskWindow::AskWindow(DaemonClient& client, Clock& clock, PresentationMode* presentation, QObject* parent)
    : QObject(parent)
    , client(client)
    , clock(clock)
    , presentation(presentation)
    , judge(new MergeJudge(client, this))
{
    // Wherever the mode is turned on from, the panel and the frame viewer go with it.
    if (presentation)
        connect(presentation, &PresentationMode::changed, this, [this] {
            if (presenting())
                suppressForPresentation();
        });
}

AskWindow::~AskWindow()
{
    delete viewer.data();
    delete panel;
}

QLabel* AskWindow::hintLabel() const
{
    return hint;
}

bool AskWindow::presenting() const
{
    return presentation && presentation->isEnabled();
}

void AskWindow::createPanel()
{
    panel = new KeyPanel;
    panel->setMinimumSize(560, compactHeight);
    panel->resize(defaultWidth, 620);
    panel->setWindowTitle(QStringLiteral("Ask Vesk · ") + captureStatus);
    // The panel lives exactly as long as this window: its callbacks need no guard.
    panel->onCopyForAgent = [this] { return copyForAgent(); };
    panel->onInbox = [this] { openInbox(); };
    panel->onCancel = [this] { cancel(); };
    panel->onBecomeKey = [this] { field->setFocus(Qt::ActiveWindowFocusReason); };

    auto* root = new QHBoxLayout(panel);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* main = new QWidget(panel);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 10, 0, 14);
    mainLayout->setSpacing(0);

    // The title sits where a title bar would be; the field starts 38 below the top edge.
    title = new InkLabel(panel->windowTitle(), Ink::muted(), OStyle::font(11, OStyle::Weight::Medium),
                         InkLabel::Fit::truncateMiddle, main);
    title->setAlignment(Qt::AlignHCenter);
    title->setFixedHeight(16);
    mainLayout->addWidget(title);
    mainLayout->addSpacing(12);

    field = new AskField(main);
    field->installEventFilter(this);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->setContentsMargins(pad, 0, pad, 0);
    fieldRow->addWidget(field);
    mainLayout->addLayout(fieldRow);
    mainLayout->addSpacing(14);

    auto* separatorRow = new QHBoxLayout;
    separatorRow->setContentsMargins(pad, 0, pad, 0);
    separatorRow->addWidget(line(main, Qt::Horizontal));
    mainLayout->addLayout(separatorRow);
    mainLayout->addSpacing(12);

    // The scroll area reaches almost to the edge so its scroll bar does not eat into the rows;
    // the rows still start `pad` from the left, under the field.
    column = new ScrollColumn(7, main);
    // However small the panel, the views get 260 of width, beside the scroll bar.
    column->setMinimumWidth(260 + 2 * 7 + column->verticalScrollBar()->sizeHint().width());
    auto* scrollRow = new QHBoxLayout;
    scrollRow->setContentsMargins(pad - 7, 0, 2, 0);
    scrollRow->addWidget(column);
    mainLayout->addLayout(scrollRow, 1);
    mainLayout->addSpacing(12);

    hint = new InkLabel(QString(), Ink::muted(), OStyle::font(10, OStyle::Weight::Regular, OStyle::Design::Monospaced),
                        InkLabel::Fit::truncateEnd, main);
    auto* hintRow = new QHBoxLayout;
    hintRow->setContentsMargins(pad, 0, 4, 0);
    hintRow->addWidget(hint, 1);
    hintRow->addWidget(new QSizeGrip(main), 0, Qt::AlignBottom | Qt::AlignRight);
    mainLayout->addLayout(hintRow);

    root->addWidget(main, 1);
    divider = line(panel, Qt::Vertical);
    divider->hide();
    root->addWidget(divider);

    inspector = new QWidget(panel);
    inspector->setFixedWidth(0);
    inspector->hide();
    auto* insLayout = new QVBoxLayout(inspector);
    insLayout->setContentsMargins(0, 38, 0, 14);
    inspectorContent = new ScrollColumn(10, inspector);
    insLayout->addWidget(inspectorContent);
    root->addWidget(inspector);
}

QRect AskWindow::visibleFrame() const
{
    if (panel && panel->screen())
        return panel->screen()->availableGeometry();
    if (QScreen* main = QGuiApplication::primaryScreen())
        return main->availableGeometry();
    return panel ? panel->geometry() : QRect();
}

void AskWindow::place()
{
    QScreen* main = QGuiApplication::primaryScreen();
    if (!panel || !main)
        return;
    const QRect visible = main->availableGeometry();
    const int w = std::clamp(static_cast<int>(std::lround(visible.width() * 0.48)), 560, 860);
    const int x = visible.left() + (visible.width() - w) / 2;
    const int y = visible.top() + static_cast<int>(std::lround(visible.height() * 0.11));
    panel->setGeometry(x, y, w, compactHeight);
    isCompact = true;
}

void AskWindow::toggle()
{
    if (presenting())
        return;
    if (panel && panel->isVisible()) {
        if (panel->isActiveWindow()) {
            panel->hide();
        } else {
            bringForward();
        }
        return;
    }
    show();
}

void AskWindow::show()
{
    if (presenting())
        return;
    const bool created = !panel;
    if (created)
        createPanel();
    if (created || !panel->isVisible()) {
        answerID = QUuid::createUuid();
        correctionStates.clear();
        closeInspector();
        field->clear();
        screen = Screen::results;
        top = Top{};
        place();
        updateHint();
        message(AskText::opening);
    }
    bringForward();
}

void AskWindow::bringForward()
{
    panel->show();
    panel->raise();
    panel->activateWindow();
    // Hiding the active panel leaves it Qt's focus window when the window manager moves the X
    // focus without a FocusOut we see; the FocusIn of the next show is then no change to Qt and
    // the panel would never become the active widget window. Say it ourselves.
    if (QGuiApplication::focusWindow() == panel->windowHandle() && QApplication::activeWindow() != panel)
        QApplication::setActiveWindow(panel);
    field->setFocus(Qt::ActiveWindowFocusReason);
}

void AskWindow::updateCaptureStatus(const QString& text)
{
    captureStatus = text;
    if (!panel)
        return;
    panel->setWindowTitle(QStringLiteral("Ask Vesk · ") + text);
    title->setText(panel->windowTitle());
}

void AskWindow::suppressForPresentation()
{
    if (panel)
        panel->hide();
    if (viewer)
        viewer->hide();
}

QString AskWindow::fieldText() const
{
    return field ? field->text() : QString();
}

void AskWindow::setCompact(bool compact)
{
    if (isCompact == compact || !panel)
        return;
    isCompact = compact;
    const QRect visible = visibleFrame();
    const int height = compact ? compactHeight : std::min(static_cast<int>(std::lround(visible.height() * 0.7)), 640);
    const QRect frame = panel->geometry();
    int y = frame.top();
    if (!visible.isEmpty() && y + height > visible.bottom() + 1)
        y = visible.bottom() + 1 - height;
    panel->setGeometry(frame.x(), y, frame.width(), height);
}

void AskWindow::setInspector(bool open)
{
    if (!panel)
        return;
    const bool isOpen = inspector->maximumWidth() > 0;
    if (open == isOpen)
        return;
    inspector->setFixedWidth(open ? panelW : 0);
    inspector->setVisible(open);
    divider->setVisible(open);
    const QRect visible = visibleFrame();
    const QRect frame = panel->geometry();
    const int w = open ? std::min(frame.width() + panelW, visible.width() - 24) : std::max(frame.width() - panelW, 420);
    int x = frame.x();
    if (x + w > visible.right() + 1)
        x = std::max(visible.left(), visible.right() + 1 - w);
    panel->setGeometry(x, frame.y(), w, frame.height());
}

void AskWindow::closeInspector()
{
    inspecting.reset();
    if (citedRow) {
        citedRow->setCited(false);
        citedRow = nullptr;
    }
    if (!panel)
        return;
    inspectorContent->reset();
    setInspector(false);
}

void AskWindow::updateHint()
{
    if (!hint)
        return;
    QString text;
    if (inspecting)
        text = QStringLiteral("esc back to ") + inspecting->origin.label;
    else if (screen == Screen::entity)
        text = QStringLiteral("esc to go back");
    else if (screen == Screen::inbox)
        text = QStringLiteral("esc to close");
    else if (top.kind == Top::Kind::answer)
        text = QStringLiteral("Ctrl+Shift+C copy for agent · return to ask · esc to close");
    else
        text = QStringLiteral("return to ask · shift+return to search · esc to close");
    hint->setText(text);
}

void AskWindow::cancel()
{
    if (inspecting) {
        closeInspector();
        updateHint();
    } else if (screen == Screen::entity) {
        closeInspector();
        restoreTop();
    } else if (panel) {
        panel->hide();
    }
}

bool AskWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != field || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (panel->performKeyEquivalent(*key))
        return true;
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        cancel();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (mods == Qt::NoModifier) {
            ask(fieldText());
            return true;
        }
        if (mods == Qt::ShiftModifier) {
            search(fieldText());
            return true;
        }
    }
    return false;
}

} // namespace vesk
