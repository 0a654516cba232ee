#include "KeyPanel.h"

#include "Ink.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

namespace vesk {

KeyPanel::KeyPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    // Hidden, never destroyed: the window object keeps its panel for the life of the process.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    // Never the keyboard's target itself: a click on anything in it that takes no focus would
    // otherwise hand the keyboard to the panel, away from the field. Keys still reach it from the
    // views inside.
    setFocusPolicy(Qt::NoFocus);
}

bool KeyPanel::performKeyEquivalent(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if (event.key() == Qt::Key_K && mods == Qt::ControlModifier) {
        if (onInbox)
            onInbox();
        return true;
    }
    if (event.key() == Qt::Key_C && mods == (Qt::ControlModifier | Qt::ShiftModifier))
        return onCopyForAgent && onCopyForAgent();
    return false;
}

void KeyPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Ink::ground().resolve(this));
    // Without a title bar the edge is the only thing that sets the panel apart from what lies behind.
    painter.setPen(Ink::line().resolve(this));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void KeyPanel::keyPressEvent(QKeyEvent* event)
{
    if (performKeyEquivalent(*event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && onCancel) {
        onCancel();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KeyPanel::mousePressEvent(QMouseEvent* event)
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

void KeyPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (dragFrom)
        move(event->globalPosition().toPoint() - *dragFrom);
}

void KeyPanel::mouseReleaseEvent(QMouseEvent*)
{
    dragFrom.reset();
}

bool KeyPanel::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate && onBecomeKey)
        onBecomeKey();
    return handled;
}

} // namespace vesk
