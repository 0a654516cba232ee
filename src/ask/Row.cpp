#include "Row.h"

#include "Ink.h"
#include "InkView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace vesk {

Row::Row(int width, const QList<QWidget*>& views, bool plain, QWidget* parent)
    : QWidget(parent)
    , plain(plain)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 6, 7, 6);
    layout->setSpacing(2);
    for (QWidget* view : views)
        layout->addWidget(view, 0, Qt::AlignLeft);
    setFixedWidth(width);
}

void Row::setOnOpen(std::function<void()> open)
{
    onOpen = std::move(open);
    setCursor(onOpen ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!onOpen)
        hovering = false;
    update();
}

void Row::setCited(bool cited)
{
    isCited = cited;
    update();
}

InkLayer Row::look() const
{
    InkLayer layer;
    layer.cornerRadius = 7;
    if (plain) {
        if (hovering)
            layer.background = Ink::sunken().resolve(this);
        return layer;
    }
    layer.borderWidth = 1;
    if (isCited) {
        QColor fill = Ink::amber().resolve(this);
        fill.setAlphaF(hovering ? 0.3f : 0.2f);
        QColor border = Ink::amber().resolve(this);
        border.setAlphaF(0.55f);
        layer.background = fill;
        layer.border = border;
    } else if (hovering) {
        layer.background = Ink::sunken().resolve(this);
        layer.border = Ink::line().resolve(this);
    } else {
        layer.background = Ink::surface().resolve(this);
        layer.border = Ink::lineSoft().resolve(this);
    }
    return layer;
}

void Row::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    look().draw(painter, QRectF(rect()));
}

void Row::mousePressEvent(QMouseEvent* event)
{
    if (!onOpen || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The action may rebuild the column this row lives in: call a copy.
    const auto open = onOpen;
    open();
}

void Row::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (onOpen) {
        hovering = true;
        update();
    }
}

void Row::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (hovering) {
        hovering = false;
        update();
    }
}

void Row::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
