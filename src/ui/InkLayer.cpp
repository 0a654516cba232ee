#include "InkLayer.h"

#include <QPainter>
#include <QPainterPath>

namespace vesk {

void InkLayer::draw(QPainter& painter, const QRectF& bounds) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // The border is drawn inside the bounds, as a layer border is.
    const double inset = borderWidth / 2.0;
    const QRectF r = bounds.adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(r, cornerRadius, cornerRadius);
    painter.fillPath(path, background);
    if (borderWidth > 0 && border.alpha() > 0) {
        painter.setPen(QPen(border, borderWidth));
        painter.drawPath(path);
    }
    painter.restore();
}

} // namespace vesk
