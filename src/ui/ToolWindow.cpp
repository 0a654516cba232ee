#include "ToolWindow.h"

#include "InkView.h"
#include "PresentationMode.h"
#include "ScrollColumn.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace vesk {

ToolWindow::ToolWindow(const QString& title, PresentationMode& presentation, Qt::WindowFlags flags,
                       const InkColor& ground, QWidget* parent)
    : QWidget(parent, flags)
    , presentation(presentation)
    , ground(ground)
{
    setWindowTitle(title);
}

bool ToolWindow::mayShow() const
{
    return !presentation.isEnabled();
}

QPoint ToolWindow::centredIn(const QRect& area, QSize size)
{
    return area.topLeft() + QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
}

bool ToolWindow::isEscape(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Escape && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool ToolWindow::bringForward()
{
    if (!mayShow())
        return false;
    if (!placed) {
        placed = true;
        place();
    }
    show();
    raise();
    if (!windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        activateWindow();
    return true;
}

void ToolWindow::place()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(centredIn(screen->availableGeometry(), size()));
}

ScrollColumn* ToolWindow::addColumn(int sideMargin)
{
    auto* column = new ScrollColumn(sideMargin, this);
    columns.append(column);
    return column;
}

void ToolWindow::escapePressed()
{
    close();
}

void ToolWindow::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), ground.resolve(this));
}

void ToolWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

void ToolWindow::keyPressEvent(QKeyEvent* event)
{
    if (isEscape(*event)) {
        escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ToolWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    // Whatever was on its way for the window that closed is dropped: the next opening asks again.
    visits.next();
    for (ScrollColumn* column : columns)
        column->moveOn();
    closed();
}

} // namespace vesk
