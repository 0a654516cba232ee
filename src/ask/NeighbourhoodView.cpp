#include "NeighbourhoodView.h"

#include "Ink.h"
#include "InkButton.h"
#include "InkView.h"
#include "OStyle.h"
#include "Phrases.h"
#include "WholeText.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vesk {

namespace {

QPointF middle(const QPointF& a, const QPointF& b)
{
    return (a + b) / 2.0;
}

QString edgeText(const EntityText::Neighbour& n)
{
    return n.outgoing ? n.phrase : QStringLiteral("← ") + n.phrase;
}

} // namespace

NeighbourhoodView::NeighbourhoodView(const QString& centre, const QList<Neighbour>& neighbours, QWidget* parent)
    : QWidget(parent)
    , centre(centre)
{
    // The centre chip is painted, not a widget: the view carries its name for screen readers.
    setAccessibleName(centre);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Never wider than the narrowest column: the chips crowd the centre before a row overflows.
    setMinimumWidth(2 * nodeW + 16);
    setNeighbours(neighbours);
}

void NeighbourhoodView::setNeighbours(const QList<Neighbour>& neighbours)
{
    // A chip pressed from the keyboard may be the one going: it is deleted once its event is over.
    for (InkButton* chip : std::as_const(chips)) {
        chip->hide();
        chip->deleteLater();
    }
    chips.clear();
    shown = neighbours.mid(0, maxShown);
    setFixedHeight(heightFor(shown.size()));
    const QFont font = OStyle::font(11);
    for (const Neighbour& n : std::as_const(shown)) {
        auto* chip = InkButton::make(
            n.label, std::nullopt, [this, n] { emit neighbourOpened(n); }, this);
        chip->setPaint([](InkLayer& layer, const QWidget& button) {
            layer.cornerRadius = 5;
            layer.borderWidth = 1;
            layer.border = Ink::line().resolve(&button);
            layer.background = (static_cast<const InkButton&>(button).isHovering() ? Ink::sunken() : Ink::surface())
                                   .resolve(&button);
        });
        chip->setFont(font);
        chip->setFixedSize(nodeW, nodeH);
        // Read by the whole name, however short the chip cuts it, and by its kind.
        chip->setAccessibleName(n.label);
        chip->setAccessibleDescription(EntityText::kindWord(n.kind));
        chip->show();
        chips.append(chip);
    }
    place();
    update();
}

QSize NeighbourhoodView::sizeHint() const
{
    return QSize(4 * nodeW, heightFor(shown.size()));
}

void NeighbourhoodView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

void NeighbourhoodView::place()
{
    points = layout(shown.size(), width(), height());
    const QPointF mid(width() / 2.0, height() / 2.0);
    const QFontMetrics metrics(OStyle::font(11));
    for (qsizetype i = 0; i < chips.size(); ++i) {
        // A chip grows for its whole name as far as the free width around it allows: to the view's
        // edges, and half way to a chip level with it (the centre chip keeps its size).
        const QPointF at = points[i];
        double room = 2 * (std::min(at.x(), width() - at.x()) - 4);
        if (std::abs(at.y() - mid.y()) < nodeH + 4)
            room = std::min(room, 2 * std::abs(at.x() - mid.x()) - nodeW - 16);
        for (qsizetype j = 0; j < points.size(); ++j)
            if (j != i && std::abs(at.y() - points[j].y()) < nodeH + 4)
                room = std::min(room, std::abs(at.x() - points[j].x()) - 8);
        // Measured and shortened from a few hundred characters, its start and its end: a chip never
        // shows more.
        const QString label = cutInTheMiddle(shown[i].label, EntityText::rowTextCap);
        const int w = std::max(nodeW, std::min(metrics.horizontalAdvance(label) + 16, int(room)));
        const QString title = metrics.elidedText(label, Qt::ElideMiddle, w - 12);
        chips[i]->setText(escapeMnemonic(title));
        chips[i]->setToolTip(title != shown[i].label ? WholeText::tip(shown[i].label) : QString());
        chips[i]->setFixedSize(w, nodeH);
        chips[i]->move(QPointF(at.x() - w / 2.0, at.y() - nodeH / 2.0).toPoint());
    }
}

QList<QPointF> NeighbourhoodView::layout(qsizetype count, int width, int height)
{
    const double rx = std::min(width / 2.0 - nodeW / 2.0 - 8, 220.0);
    const double ry = height / 2.0 - nodeH / 2.0 - 14;
    QList<QPointF> out;
    // Two neighbours one above and one below the centre would stack the three chips a few points
    // apart: they sit to its left and right instead.
    const double start = count == 2 ? -std::numbers::pi : -std::numbers::pi / 2;
    for (qsizetype i = 0; i < count; ++i) {
        const double a = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(count) + start;
        // Bottom-up y = h/2 - ry·sin a, flipped into Qt's top-down coordinates.
        out.append(QPointF(width / 2.0 + rx * std::cos(a), height / 2.0 + ry * std::sin(a)));
    }
    return out;
}

std::optional<EntityText::Neighbour> NeighbourhoodView::edgeAt(const QPointF& at) const
{
    const QPointF mid(width() / 2.0, height() / 2.0);
    std::optional<Neighbour> best;
    double bestDistance = pickRadius;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF d = middle(mid, points[i]) - at;
        const double distance = std::hypot(d.x(), d.y());
        if (distance < bestDistance) {
            bestDistance = distance;
            best = shown[i];
        }
    }
    return best;
}

void NeighbourhoodView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF mid(width() / 2.0, height() / 2.0);
    const QColor muted = Ink::muted().resolve(this);

    for (qsizetype i = 0; i < shown.size(); ++i) {
        painter.setPen(QPen(muted, shown[i].sources >= 4 ? 2.0 : 1.2));
        painter.drawLine(mid, points[i]);
    }

    const QFont labelFont = OStyle::font(8.5, OStyle::Weight::Regular, OStyle::Design::Monospaced);
    painter.setFont(labelFont);
    const QFontMetricsF metrics(labelFont);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QString text = edgeText(shown[i]);
        const QPointF at = middle(mid, points[i]);
        const double w = metrics.horizontalAdvance(text);
        const double h = metrics.height();
        const QRectF box(at.x() - w / 2 - 3, at.y() - h / 2 - 1, w + 6, h + 2);
        painter.fillRect(box, Ink::ground().resolve(this));
        painter.setPen(muted);
        painter.drawText(box, Qt::AlignCenter, text);
    }

    // The centre chip: this page's entity, amber-tinted, not a button. The tint lies on the ground
    // colour, so the lines that start at the centre stay beneath it rather than showing through.
    const QRectF chip(mid.x() - nodeW / 2.0, mid.y() - nodeH / 2.0, nodeW, nodeH);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Ink::ground().resolve(this));
    painter.drawRoundedRect(chip, 5, 5);
    QColor fill = Ink::amber().resolve(this);
    fill.setAlphaF(0.18f);
    QColor edge = Ink::amber().resolve(this);
    edge.setAlphaF(0.6f);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(chip.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    const QFont centreFont = OStyle::font(11, OStyle::Weight::Semibold);
    painter.setFont(centreFont);
    painter.setPen(Ink::text().resolve(this));
    painter.drawText(chip, Qt::AlignCenter, QFontMetrics(centreFont).elidedText(centre, Qt::ElideMiddle, nodeW - 12));
}

void NeighbourhoodView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (const auto picked = edgeAt(event->position()))
        emit relationPicked(*picked);
}

void NeighbourhoodView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
