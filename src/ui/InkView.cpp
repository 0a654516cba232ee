#include "InkView.h"

#include <QEvent>
#include <QPainter>

namespace vesk {

bool isAppearanceEvent(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::ThemeChange:
    case QEvent::StyleChange:
        return true;
    default:
        return false;
    }
}

InkView::InkView(Paint p, QWidget* parent)
    : QWidget(parent)
    , paint(std::move(p))
{
    resolve();
}

void InkView::setPaint(Paint p)
{
    paint = std::move(p);
    repaint();
}

void InkView::repaint()
{
    resolve();
    update();
}

void InkView::resolve()
{
    current = InkLayer{};
    if (paint)
        paint(current, *this);
}

void InkView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    current.draw(painter, QRectF(rect()));
}

void InkView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        repaint();
}

bool InkView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // Moving into a window can change the palette the view inherits.
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        repaint();
    return handled;
}

} // namespace vesk
