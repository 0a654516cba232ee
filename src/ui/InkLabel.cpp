#include "InkLabel.h"

#include "Phrases.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>
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

InkLabel::~InkLabel() = default;

void InkLabel::setText(const QString& text)
{
    QLabel::setText(capped(text, fitting));
    // Read whole, without the spacing that only lays the text out.
    setAccessibleName(QLabel::text().simplified());
    forgetMeasures();
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
    std::rotate(measured.rbegin(), measured.rbegin() + 1, measured.rend());
    measured[0] = QSize(width, wrappedHeight(width));
    return measured[0].height();
}

void InkLabel::forgetMeasures()
{
    measured.fill(QSize(-1, 0));
    shaped.reset();
}

// The height QLabel gives the text at `width`, the lines broken as a painter breaks them: each
// starting on a whole pixel, a leading apart.
int InkLabel::wrappedHeight(int width) const
{
    const QString& all = text();
    // What QLabel measures some other way (tabs to stops, an indent or a frame, length variants),
    // and a text too long to keep shaped, it measures itself.
    if (width < 0 || all.isEmpty() || all.size() > lineCap || margin() != 0 || indent() >= 0 || frameWidth() != 0
        || all.contains(QLatin1Char('\t')) || all.contains(QChar(0x9c)))
        return QLabel::heightForWidth(width);
    if (!shaped) {
        QString lines = all;
        for (QChar& c : lines)
            if (c == u'\r')
                c = u' ';
            else if (c == u'\n')
                c = QChar::LineSeparator;
        shaped = std::make_unique<QTextLayout>(lines, font());
        QTextOption option;
        option.setTextDirection(Qt::LeftToRight);
        shaped->setTextOption(option);
        // One layout session for the label's life: clearing its lines keeps the shaped text, where
        // beginning a new session would shape it again.
        shaped->beginLayout();
    }
    shaped->clearLayout();
    const QMargins m = contentsMargins();
    const qreal lineWidth = std::max(0, std::max(width, minimumWidth()) - m.left() - m.right());
    const qreal leading = QFontMetricsF(font()).leading();
    qreal height = -leading;
    for (QTextLine line = shaped->createLine(); line.isValid(); line = shaped->createLine()) {
        line.setLineWidth(lineWidth);
        height = qCeil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
    }
    return std::max(qCeil(height) + m.top() + m.bottom(), minimumHeight());
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
    if (event->type() != QEvent::FontChange)
        return;
    forgetMeasures();
    if (fitting != Fit::wrap) {
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
