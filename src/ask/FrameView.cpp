#include "FrameView.h"

#include "Ink.h"
#include "InkView.h"
#include "OStyle.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vesk {

FrameView::FrameView(QList<QRectF> highlights, bool proportional, QWidget* parent)
    : QWidget(parent)
    , marks(std::move(highlights))
    , proportional(proportional)
{
    if (proportional) {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
}

int FrameView::heightForWidth(int width) const
{
    // Without pixels the frame keeps a screen's usual proportion; a very tall screenshot is cut
    // at four times the width rather than making the column endless.
    if (!pixels || pixels->width() < 1)
        return width * 10 / 16;
    return static_cast<int>(std::min<qint64>(qint64(width) * pixels->height() / pixels->width(), 4 * qint64(width)));
}

QSize FrameView::sizeHint() const
{
    const int width = std::max(this->width(), 240);
    return QSize(width, heightForWidth(width));
}

void FrameView::setImage(std::optional<QImage> image)
{
    pixels = std::move(image);
    done = true;
    updateOpening();
    updateGeometry();
    update();
}

void FrameView::setOpens(bool opens)
{
    opening = opens;
    updateOpening();
}

void FrameView::updateOpening()
{
    const bool can = canOpen();
    setCursor(can ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setFocusPolicy(can ? Qt::TabFocus : Qt::NoFocus);
}

QRectF FrameView::picture() const
{
    const QRectF bounds(rect());
    if (!pixels || pixels->isNull())
        return bounds;
    const QSizeF fitted = QSizeF(pixels->size()).scaled(bounds.size(), Qt::KeepAspectRatio);
    return QRectF(bounds.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
}

QRectF FrameView::area(const QRectF& h) const
{
    const QRectF p = picture();
    return QRectF(p.x() + h.x() * p.width(), p.y() + h.y() * p.height(), h.width() * p.width(),
                  h.height() * p.height());
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

    if (done && !pixels) {
        painter.setFont(OStyle::font(11, OStyle::Weight::Regular, OStyle::Design::Monospaced));
        painter.setPen(Ink::muted().resolve(this));
        painter.drawText(bounds.adjusted(12, 12, -12, -12), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("the pixels are gone"));
    } else if (pixels) {
        painter.drawImage(picture(), *pixels);
        const QColor amber = Ink::amber().resolve(this);
        QColor fill = amber;
        fill.setAlphaF(0.26f);
        painter.setPen(QPen(amber, 1));
        painter.setBrush(fill);
        for (const QRectF& h : marks)
            painter.drawRoundedRect(area(h).adjusted(-1, -1, 1, 1), 2, 2);
    }

    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen((hasFocus() ? Ink::agent() : Ink::line()).resolve(this), hasFocus() ? 2 : 1));
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void FrameView::mousePressEvent(QMouseEvent* event)
{
    if (canOpen() && event->button() == Qt::LeftButton) {
        emit opened();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FrameView::keyPressEvent(QKeyEvent* event)
{
    if (canOpen()
        && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space)) {
        emit opened();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrameView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
