#include "InkLabel.h"

#include "Phrases.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace vesk {

QString InkLabel::capped(const QString& text, Fit fit)
{
    const QChar ellipsis(0x2026);
    if (fit == InkLabel::Fit::wrap)
        return text.size() <= InkLabel::wrapCap ? text : text.left(InkLabel::wrapCap) + ellipsis;
    if (text.size() <= InkLabel::lineCap)
        return text;
    if (fit == InkLabel::Fit::truncateEnd)
        return text.left(InkLabel::lineCap) + ellipsis;
    return cutInTheMiddle(text, InkLabel::lineCap);
}

InkLabel::InkLabel(const QString& text, const InkColor& colour, const QFont& font, Fit fit, QWidget* parent)
    : QLabel(parent)
    , ink(&colour)
    , fitting(fit)
    , fullWidth(0)
{
    setTextFormat(Qt::PlainText);
    setFont(font);
    setWordWrap(fit == Fit::wrap);
    if (fit != Fit::wrap)
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setText(text);
}

void InkLabel::setText(const QString& text)
{
    QLabel::setText(capped(text, fitting));
    // Read whole, without the spacing that only lays the text out.
    setAccessibleName(QLabel::text().simplified());
    measured.fill(QSize(-1, 0));
    if (fitting != Fit::wrap) {
        fullWidth = fontMetrics().horizontalAdvance(QLabel::text());
        elide();
    }
    updateGeometry();
    update();
}

void InkLabel::setColour(const InkColor& colour)
{
    ink = &colour;
    update();
}

QString InkLabel::shown() const
{
    return fitting == Fit::wrap ? text() : line;
}

QSize InkLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    // A wrapping label takes the width its layout gives it and the height that width needs; its
    // own preference is only a guess, made without laying the text out (Qt's would, three times).
    if (fitting == Fit::wrap)
        return QSize(fontMetrics().averageCharWidth() * static_cast<int>(std::min<qsizetype>(text().size(), 60))
                         + m.left() + m.right(),
                     fontMetrics().height() + m.top() + m.bottom());
    return QSize(fullWidth + m.left() + m.right(), fontMetrics().height() + m.top() + m.bottom());
}

int InkLabel::heightForWidth(int width) const
{
    if (fitting != Fit::wrap)
        return QLabel::heightForWidth(width);
    for (const QSize& known : measured)
        if (known.width() == width)
            return known.height();
    measured[1] = measured[0];
    measured[0] = QSize(width, QLabel::heightForWidth(width));
    return measured[0].height();
}

QSize InkLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return QSize(0, fontMetrics().height() + m.top() + m.bottom());
}

void InkLabel::elide()
{
    const int width = contentsRect().width();
    if (width <= 0) {
        line.clear(); // nothing shows before the first layout; the first resize shortens it
        return;
    }
    line = fullWidth <= width
        ? text()
        : fontMetrics().elidedText(text(), fitting == Fit::truncateMiddle ? Qt::ElideMiddle : Qt::ElideRight, width);
}

void InkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        measured.fill(QSize(-1, 0));
    if (event->type() == QEvent::FontChange && fitting != Fit::wrap) {
        fullWidth = fontMetrics().horizontalAdvance(text());
        elide();
    }
}

void InkLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (fitting != Fit::wrap)
        elide();
}

void InkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(ink->resolve(this));
    painter.setFont(font());
    const QRect area = contentsRect();
    const Qt::Alignment across = alignment() & Qt::AlignHorizontal_Mask;
    if (fitting == Fit::wrap)
        painter.drawText(area, across | Qt::AlignTop | Qt::TextWordWrap, text());
    else
        painter.drawText(area, across | Qt::AlignVCenter | Qt::TextSingleLine, line);
}

} // namespace vesk
