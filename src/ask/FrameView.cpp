#include "FrameView.h"

#include "Ink.h"
#include "InkView.h"
#include "OStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace vesk {

FrameView::FrameView(std::optional<QImage> image, QList<QRectF> highlights, QWidget* parent)
    : QWidget(parent)
    , image(std::move(image))
    , highlights(std::move(highlights))
{
}

QRectF FrameView::area(const QRectF& h) const
{
    const double w = width();
    const double ht = height();
    return QRectF(h.x() * w, h.y() * ht, h.width() * w, h.height() * ht);
}

void FrameView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(rect());
    QPainterPath clip;
    clip.addRoundedRect(bounds, 6, 6);
    painter.setClipPath(clip);
    painter.fillRect(bounds, Ink::sunken().resolve(this));

    if (!image) {
        painter.setFont(OStyle::font(11, OStyle::Weight::Regular, OStyle::Design::Monospaced));
        painter.setPen(Ink::muted().resolve(this));
        painter.drawText(bounds.adjusted(12, 12, -12, -12), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("the pixels are gone"));
    } else {
        painter.drawImage(bounds, *image);
        const QColor amber = Ink::amber().resolve(this);
        QColor fill = amber;
        fill.setAlphaF(0.26f);
        painter.setPen(QPen(amber, 1));
        painter.setBrush(fill);
        for (const QRectF& h : highlights)
            painter.drawRoundedRect(area(h).adjusted(-1, -1, 1, 1), 2, 2);
    }

    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Ink::line().resolve(this), 1));
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void FrameView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
