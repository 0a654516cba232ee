#include "AskLabel.h"

#include "InkView.h"

#include <QEvent>
#include <QPainter>

namespace vesk {

AskLabel::AskLabel(const QString& text, const InkColor& colour, const QFont& font, Fit fit, int width,
                   QWidget* parent)
    : QLabel(text, parent)
    , ink(&colour)
    , fitting(fit)
{
    setTextFormat(Qt::PlainText);
    setFont(font);
    if (fit == Fit::wrap) {
        setWordWrap(true);
    } else {
        setFixedHeight(QFontMetrics(font).height());
    }
    if (width > 0)
        setFixedWidth(width);
    apply();
}

void AskLabel::setColour(const InkColor& colour)
{
    ink = &colour;
    apply();
}

void AskLabel::apply()
{
    applying = true;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ink->resolve(this));
    setPalette(p);
    applying = false;
}

void AskLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    // Our own palette edit sends PaletteChange too; it must not recurse.
    if (isAppearanceEvent(event) && !applying)
        apply();
}

QSize AskLabel::sizeHint() const
{
    if (fitting == Fit::wrap)
        return QLabel::sizeHint();
    return QSize(maximumWidth() < QWIDGETSIZE_MAX ? maximumWidth() : fontMetrics().horizontalAdvance(text()),
                 fontMetrics().height());
}

QSize AskLabel::minimumSizeHint() const
{
    if (fitting == Fit::wrap)
        return QLabel::minimumSizeHint();
    return QSize(0, fontMetrics().height());
}

void AskLabel::paintEvent(QPaintEvent* event)
{
    if (fitting == Fit::wrap) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    const Qt::TextElideMode mode = fitting == Fit::truncateMiddle ? Qt::ElideMiddle : Qt::ElideRight;
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), mode, area.width()));
}

} // namespace vesk
