#include "ClampedLabel.h"

#include "InkLabel.h"
#include "InkView.h"
#include "WholeText.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace vesk {

ClampedLabel::ClampedLabel(const QString& text, const InkColor& colour, const QFont& font, int width, int maxLines,
                           QWidget* parent)
    : QLabel(parent)
    , ink(&colour)
    , maxLines(maxLines)
{
    setFont(font);
    setTextFormat(Qt::PlainText);
    setFixedWidth(width);
    setText(text, colour);
}

void ClampedLabel::setText(const QString& text, const InkColor& colour)
{
    ink = &colour;
    // A label from the daemon or a window title can be any length; a card shows a few lines of it.
    const QString kept = InkLabel::capped(text, InkLabel::Fit::wrap);
    QLabel::setText(kept);
    setToolTip(WholeText::tip(kept));
    layOut();
    update();
}

// Breaks the text into the lines painted, once per text (the width is fixed).
void ClampedLabel::layOut()
{
    const QString all = text();
    QTextLayout layout(all, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    const QFontMetrics metrics(font());
    lines.clear();
    while (lines.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        const bool last = lines.size() == maxLines - 1 && line.textStart() + line.textLength() < all.size();
        // The last visible line carries the rest of the text, cut with an ellipsis.
        lines.append(last ? metrics.elidedText(all.mid(line.textStart()).simplified(), Qt::ElideRight, width())
                          : all.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    setFixedHeight(metrics.lineSpacing() * std::max<int>(static_cast<int>(lines.size()), 1));
}

void ClampedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(ink->resolve(this));
    painter.setFont(font());
    const int step = QFontMetrics(font()).lineSpacing();
    for (int n = 0; n < lines.size(); ++n)
        painter.drawText(QRect(0, n * step, width(), step), Qt::AlignLeft | Qt::AlignVCenter, lines.at(n));
}

void ClampedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
