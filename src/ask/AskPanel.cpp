#include "AskPanel.h"

#include "Ink.h"
#include "InkLabel.h"
#include "InkView.h"
#include "OStyle.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSizeGrip>
#include <QVBoxLayout>
#include <QWindow>
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
        setAccessibleName(QStringLiteral("Ask or search your memory"));
        setAccessibleDescription(QStringLiteral("Return asks this question, Shift+Return searches your memory for "
                                                "these words, Escape goes back or closes the panel."));
        setAttribute(Qt::WA_MacShowFocusRect, false);
    }

protected:
    // Coming back to the field, by Tab or because the focused view went away, never selects the
    // question: the next key would overwrite it. The caret goes to the end instead.
    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
            end(false); // also clears the selection
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

// A row of the main column, `left` and `right` in from its edges.
QHBoxLayout* inset(QVBoxLayout* into, int left, int right, QWidget* view, int stretch = 0)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(left, 0, right, 0);
    row->addWidget(view);
    into->addLayout(row, stretch);
    return row;
}

} // namespace

AskPanel::AskPanel(PresentationMode& presentation)
    : ToolWindow(QString(), presentation, Qt::Tool | Qt::FramelessWindowHint, Ink::ground())
{
    // Hidden, never destroyed: the window object keeps its panel for the life of the process.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    // Never the keyboard's target itself: a click on anything in it that takes no focus would
    // otherwise hand the keyboard to the panel, away from the field. Keys still reach it from the
    // views inside.
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(560, compactHeight);
    resize(defaultWidth, 620);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto* main = new QWidget(this);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 10, 0, 14);
    mainLayout->setSpacing(0);

    // The title sits where a title bar would be; the field starts 38 below the top edge.
    title = new InkLabel(windowTitle(), Ink::muted(), OStyle::font(11, OStyle::Weight::Medium),
                         InkLabel::Fit::truncateMiddle, main);
    title->setAlignment(Qt::AlignHCenter);
    title->setFixedHeight(16);
    mainLayout->addWidget(title);
    mainLayout->addSpacing(12);
    input = new AskField(main);
    input->installEventFilter(this);
    connect(input, &QLineEdit::textEdited, this, [this] { recalled = -1; });
    inset(mainLayout, pad, pad, input);
    mainLayout->addSpacing(14);
    inset(mainLayout, pad, pad, line(main, Qt::Horizontal));
    mainLayout->addSpacing(12);

    // The scroll area reaches almost to the edge so its scroll bar does not eat into the rows;
    // the rows still start `pad` from the left, under the field. However small the panel, the
    // views get 260 of width, beside the scroll bar.
    results = addColumn(7);
    results->setMinimumWidth(260 + 2 * 7 + results->verticalScrollBar()->sizeHint().width());
    inset(mainLayout, pad - 7, 2, results, 1);
    results->setBarlessMargin(pad - 2);
    mainLayout->addSpacing(12);

    keys = new InkLabel(QString(), Ink::muted(), OStyle::font(10, OStyle::Weight::Regular, OStyle::Design::Monospaced),
                        InkLabel::Fit::truncateEnd, main);
    inset(mainLayout, pad, 4, keys)->addWidget(new QSizeGrip(main), 0, Qt::AlignBottom | Qt::AlignRight);
    root->addWidget(main, 1);

    divider = line(this, Qt::Vertical);
    divider->hide();
    root->addWidget(divider);
    inspectorBox = new QWidget(this);
    inspectorBox->setFixedWidth(0);
    inspectorBox->hide();
    auto* insLayout = new QVBoxLayout(inspectorBox);
    insLayout->setContentsMargins(0, 38, 0, 14);
    inspectorColumn = addColumn(10);
    insLayout->addWidget(inspectorColumn);
    root->addWidget(inspectorBox);
}

QRect AskPanel::visibleFrame() const
{
    if (screen())
        return screen()->availableGeometry();
    if (QScreen* main = QGuiApplication::primaryScreen())
        return main->availableGeometry();
    return geometry();
}

void AskPanel::place()
{
    QScreen* main = QGuiApplication::primaryScreen();
    if (!main)
        return;
    const QRect visible = main->availableGeometry();
    const int w = std::clamp(static_cast<int>(std::lround(visible.width() * 0.48)), 560, 860);
    // Centred across, and high on the screen rather than in its middle.
    const int x = centredIn(visible, QSize(w, compactHeight)).x();
    const int y = visible.top() + static_cast<int>(std::lround(visible.height() * 0.11));
    setGeometry(x, y, w, compactHeight);
    isCompact = true;
    placedItself();
}

void AskPanel::setCompact(bool compact)
{
    if (isCompact == compact)
        return;
    isCompact = compact;
    const QRect visible = visibleFrame();
    const int height = compact ? compactHeight : std::min(static_cast<int>(std::lround(visible.height() * 0.7)), 640);
    const QRect frame = geometry();
    int y = frame.top();
    if (!visible.isEmpty() && y + height > visible.bottom() + 1)
        y = visible.bottom() + 1 - height;
    setGeometry(frame.x(), y, frame.width(), height);
}

void AskPanel::setInspector(bool open)
{
    for (Row* row : results->content()->findChildren<Row*>())
        row->setCited(false);
    if (!open)
        inspectorColumn->reset();
    const bool isOpen = inspectorBox->maximumWidth() > 0;
    if (open == isOpen)
        return;
    inspectorBox->setFixedWidth(open ? panelW : 0);
    inspectorBox->setVisible(open);
    divider->setVisible(open);
    const QRect visible = visibleFrame();
    const QRect frame = geometry();
    const int w = open ? std::min(frame.width() + panelW, visible.width() - 24) : std::max(frame.width() - panelW, 420);
    // The panel grows and shrinks about its centre, so it stays where the user placed it.
    int x = frame.x() + (frame.width() - w) / 2;
    if (x + w > visible.right() + 1)
        x = visible.right() + 1 - w;
    x = std::max(x, visible.left());
    setGeometry(x, frame.y(), w, frame.height());
}

bool AskPanel::bringForward()
{
    if (!ToolWindow::bringForward())
        return false;
    // Hiding the active panel leaves it Qt's focus window when the window manager moves the X
    // focus without a FocusOut we see; the FocusIn of the next show is then no change to Qt and
    // the panel would never become the active widget window. Say it ourselves.
    if (QGuiApplication::focusWindow() == windowHandle() && QApplication::activeWindow() != this)
        QApplication::setActiveWindow(this);
    input->setFocus(Qt::ActiveWindowFocusReason);
    return true;
}

void AskPanel::remember(const QString& question)
{
    if (asked.isEmpty() || asked.last() != question)
        asked.append(question);
    recalled = -1;
}

bool AskPanel::recall()
{
    // Only from an empty field, or one still showing what the last Up recalled.
    const bool browsing = recalled >= 0 && recalled < asked.size() && input->text() == asked.at(recalled);
    if (asked.isEmpty() || (!input->text().isEmpty() && !browsing))
        return false;
    recalled = browsing ? std::max<qsizetype>(recalled - 1, 0) : asked.size() - 1;
    input->setText(asked.at(recalled));
    return true;
}

QList<QWidget*> AskPanel::reachable() const
{
    QWidget* content = results->content();
    QList<QWidget*> out;
    if (!content)
        return out; // between two contents of the column, while it is being replaced
    for (QWidget* w : content->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(content))
            out << w;
    std::stable_sort(out.begin(), out.end(), [content](QWidget* a, QWidget* b) {
        const QPoint pa = a->mapTo(content, QPoint(0, 0));
        const QPoint pb = b->mapTo(content, QPoint(0, 0));
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    return out;
}

bool AskPanel::step(bool down)
{
    const QList<QWidget*> views = reachable();
    const qsizetype at = views.indexOf(QApplication::focusWidget());
    if (input->hasFocus() && down && !views.isEmpty()) {
        views.first()->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (at < 0)
        return false;
    if (!down && at == 0)
        input->setFocus(Qt::BacktabFocusReason);
    else if (const qsizetype next = at + (down ? 1 : -1); next < views.size())
        views.at(next)->setFocus(down ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool AskPanel::focusNextPrevChild(bool next)
{
    // A row moves on with the arrow keys through here: up from the first one is the field.
    const QList<QWidget*> views = reachable();
    if (!next && !views.isEmpty() && QApplication::focusWidget() == views.first()) {
        input->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void AskPanel::setFieldText(const QString& text)
{
    if (input->text().trimmed() != text)
        input->setText(text);
}

bool AskPanel::shortcut(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if (event.key() == Qt::Key_K && mods == Qt::ControlModifier) {
        emit inboxRequested();
        return true;
    }
    if (event.key() == Qt::Key_C && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        emit copyForAgentRequested();
        return true;
    }
    return false;
}

bool AskPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != input || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (shortcut(*key))
        return true;
    // Escape goes on to the panel, which steps back.
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Up && mods == Qt::NoModifier)
        return recall();
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        if (mods == Qt::NoModifier)
            emit askRequested(input->text());
        else
            emit searchRequested(input->text());
        return true;
    }
    return false;
}

void AskPanel::paintEvent(QPaintEvent* event)
{
    ToolWindow::paintEvent(event);
    QPainter painter(this);
    // Without a title bar the edge is the only thing that sets the panel apart from what lies behind.
    painter.setPen(Ink::line().resolve(this));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void AskPanel::keyPressEvent(QKeyEvent* event)
{
    if (shortcut(*event)) {
        event->accept();
        return;
    }
    // Down from the field, which leaves it to us, into the result column.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && event->modifiers() == Qt::NoModifier
        && step(event->key() == Qt::Key_Down)) {
        event->accept();
        return;
    }
    ToolWindow::keyPressEvent(event);
}

void AskPanel::escapePressed()
{
    emit cancelRequested();
}

void AskPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Let the window manager move it when it can; otherwise follow the pointer ourselves.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragFrom = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void AskPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (dragFrom)
        move(event->globalPosition().toPoint() - *dragFrom);
}

void AskPanel::mouseReleaseEvent(QMouseEvent*)
{
    dragFrom.reset();
}

bool AskPanel::event(QEvent* event)
{
    const bool handled = ToolWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        input->setFocus(Qt::ActiveWindowFocusReason);
    else if (event->type() == QEvent::WindowTitleChange)
        title->setText(windowTitle());
    return handled;
}

} // namespace vesk
