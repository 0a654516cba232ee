#include "ReminderWindow.h"

#include "Ink.h"
#include "InkView.h"
#include "PresentationMode.h"
#include "ScrollColumn.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace vesk {

ReminderWindow::ReminderWindow(const QString& title, QSize size, PresentationMode& presentation, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , presentation(presentation)
    , column(new ScrollColumn(sideMargin, this))
{
    setWindowTitle(title);
    setFixedSize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 24, 0, 18);
    layout->addWidget(column);
    connect(&presentation, &PresentationMode::changed, this, [this] {
        if (this->presentation.isEnabled())
            suppressForPresentation();
    });
}

void ReminderWindow::suppressForPresentation()
{
    close();
}

bool ReminderWindow::bringForward()
{
    if (presentation.isEnabled())
        return false;
    if (!placed) {
        placed = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
    raise();
    activateWindow();
    return true;
}

void ReminderWindow::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Ink::ground().resolve(this));
}

void ReminderWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

void ReminderWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vesk
