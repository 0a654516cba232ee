#pragma once

#include <QColor>

class QPainter;
class QRectF;

namespace vesk {

// What a painted control's background looks like: the fill, the border and the corner radius.
// Painters fill one in with palette colours resolved for their widget; the widget draws it.
struct InkLayer {
    QColor background = Qt::transparent;
    QColor border = Qt::transparent;
    double borderWidth = 0;
    double cornerRadius = 0;
    bool operator==(const InkLayer&) const = default;

    void draw(QPainter& painter, const QRectF& bounds) const;
};

} // namespace vesk
